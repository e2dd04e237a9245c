// zemworld check: a world read exactly as the viewer will read it, through
// the system's own loaders over the headless backend, and what the viewer
// would refuse, ignore or show wrongly reported as FILE:LINE diagnostics.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "backend/backend.h"
#include "backend/headless/headless.h"
#include "app/app.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tools/zemworld/check.h"
#include "tools/zemworld/world.h"

namespace fs = std::filesystem;

static std::string Lowered(const std::string& s) {
    std::string out = s;
    for (char& ch : out) ch = (char)std::tolower((unsigned char)ch);
    return out;
}

// label names the archive in diagnostics about the archive itself; folder
// is joined to every member's name.
static int CheckImage(const std::vector<uint8_t>& archive, const std::string& folder,
                      const std::string& label, Report* report) {
    int errorsBefore = report->errors;
    std::string error;
    std::vector<PackListing> listing;
    if (!PackCheck(archive, &error) || !PackList(archive, &listing, &error)) {
        ReportError(report, label, 0, "not a world archive: " + error);
        return 0;
    }
    CheckContext c;
    c.report = report;
    c.folder = folder;
    c.archive = &archive;
    for (const PackListing& m : listing) c.members[Lowered(m.name)] = m;

    // The system's own readers over the archive, as the viewer has it.
    HeadlessReset();
    UnlinkArchive();
    TrackedFailAt(0);
    ResetGlobals();
    LinkArchive(archive);
    if (!FastFileInit("data.zem", 40)) {
        ReportError(report, label, 0, "the archive reader refuses the archive");
        UnlinkArchive();
        return 0;
    }
    if (SoundCreate(&SoundObject) != BK_OK) SoundObject = nullptr;

    size_t first = report->items.size();
    CheckScript(&c);
    CheckInterface(&c);
    CheckLocations(&c);
    CheckPalettes(&c);
    // The script's own lines in order first, then the files they name.
    std::string script = JoinPath(folder, c.script);
    std::stable_sort(report->items.begin() + (long)first, report->items.end(),
                     [&](const Diagnostic& a, const Diagnostic& b) {
                         int ka = a.file == script ? 0 : 1, kb = b.file == script ? 0 : 1;
                         if (ka != kb) return ka < kb;
                         return ka == 0 && a.line < b.line;
                     });
    std::vector<LocationLines> lines = CollectLines(&c);

    zemFreeLocations(&c.locations);
    if (SoundObject) SoundRelease(SoundObject);
    SoundObject = nullptr;
    UnlinkArchive();
    if (LiveBlocks != 0)
        ReportError(report, label, 0,
                    "the checker left " + std::to_string(LiveBlocks) + " memory blocks held (a fault of zemworld)");

    CheckInViewer(&c, lines);
    return report->errors == errorsBefore;
}

int CheckArchive(const std::vector<uint8_t>& archive, Report* report) {
    return CheckImage(archive, "", "data.zem", report);
}

int CheckFolder(const std::string& folder, Report* report) {
    int errorsBefore = report->errors;
    std::vector<uint8_t> archive;
    std::vector<FolderProblem> problems;
    std::string error;
    int packed = PackFolderInMemory(folder, &archive, &problems, &error);
    for (const FolderProblem& p : problems) {
        if (p.error)
            ReportError(report, p.file, 0, p.text);
        else
            ReportWarning(report, p.file, 0, p.text);
    }
    if (!packed) {
        ReportError(report, folder, 0, error);
        return 0;
    }
    CheckImage(archive, folder, folder, report);
    return report->errors == errorsBefore;
}

int CommandCheck(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: zemworld check DIR|ARCHIVE\n");
        return 2;
    }
    std::string path = argv[0];
    Report report;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        CheckFolder(path, &report);
    } else {
        std::vector<uint8_t> archive;
        std::string error;
        if (!fs::exists(path, ec))
            ReportError(&report, path, 0, "no such file or folder");
        else if (!PackReadFile(path, &archive, &error))
            ReportError(&report, path, 0, error);
        else
            CheckImage(archive, "", path, &report);
    }
    PrintReport(report, stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "zemworld check: %d error%s, %d warning%s\n", report.errors,
                 report.errors == 1 ? "" : "s", report.warnings, report.warnings == 1 ? "" : "s");
    return report.errors ? 1 : 0;
}
