// zemworld check: a world read exactly as the viewer will read it, through
// the system's own loaders over the headless backend, and what the viewer
// would refuse, ignore or show wrongly reported as FILE:LINE diagnostics.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

size_t CheckWholeArchiveBytes = (size_t)128 << 20;

// The archive in memory (archive), or a file whose directory was read
// (head, fileSize, path). label names the archive in diagnostics about the
// archive itself; folder is joined to every member's name.
static int CheckImage(const std::vector<uint8_t>* archive, const std::vector<uint8_t>& head, uint64_t fileSize,
                      const std::string& path, const std::string& folder, const std::string& label,
                      Report* report) {
    int errorsBefore = report->errors;
    std::string error;
    std::vector<PackListing> listing;
    int good = archive ? PackCheck(*archive, &error) && PackList(*archive, &listing, &error)
                       : PackCheckDirectory(head, fileSize, &error) && PackListDirectory(head, fileSize, &listing, &error);
    if (!good) {
        ReportError(report, label, 0, "not a world archive: " + error);
        return 0;
    }
    CheckContext c;
    c.report = report;
    c.folder = folder;
    c.archive = archive;
    c.archiveFile = path;
    if (!archive) {
        c.archiveFd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat info;
        if (c.archiveFd < 0 || fstat(c.archiveFd, &info) != 0 || !S_ISREG(info.st_mode) ||
            (uint64_t)info.st_size != fileSize) {
            ReportError(report, label, 0, "the archive changed while it was being checked");
            if (c.archiveFd >= 0) close(c.archiveFd);
            return 0;
        }
    }
    for (const PackListing& m : listing) c.members[Lowered(m.name)] = m;

    // The system's own readers over the archive, as the viewer has it.
    HeadlessReset();
    UnlinkArchive();
    TrackedFailAt(0);
    ResetGlobals();
    if (archive)
        LinkArchive(*archive);
    else
        LinkArchiveFile(path);
    if (!FastFileInit("data.zem", 40)) {
        ReportError(report, label, 0, "the archive reader refuses the archive");
        UnlinkArchive();
        if (c.archiveFd >= 0) close(c.archiveFd);
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
    if (c.archiveFd >= 0) close(c.archiveFd);
    return report->errors == errorsBefore;
}

int CheckArchive(const std::vector<uint8_t>& archive, Report* report) {
    return CheckImage(&archive, {}, archive.size(), "", "", "data.zem", report);
}

int CheckArchiveFile(const std::string& path, Report* report) {
    int errorsBefore = report->errors;
    std::vector<uint8_t> head;
    uint64_t size = 0;
    std::string error;
    // The directory first: a file that is no archive is refused from its
    // head. A small archive is then read whole, as the viewer reads it; a
    // large one only where the check looks.
    if (!PackReadDirectory(path, &head, &size, &error)) {
        ReportError(report, path, 0, error);
        return 0;
    }
    if (!PackCheckDirectory(head, size, &error)) {
        ReportError(report, path, 0, "not a world archive: " + error);
        return 0;
    }
    if (size <= CheckWholeArchiveBytes) {
        std::vector<uint8_t> archive;
        if (!PackReadFile(path, &archive, &error)) {
            ReportError(report, path, 0, error);
            return 0;
        }
        CheckImage(&archive, {}, archive.size(), "", "", path, report);
    } else {
        CheckImage(nullptr, head, size, path, "", path, report);
    }
    return report->errors == errorsBefore;
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
    CheckImage(&archive, {}, archive.size(), "", folder, folder, report);
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
    } else if (!fs::exists(fs::symlink_status(path, ec))) {
        ReportError(&report, path, 0, "no such file or folder");
    } else {
        CheckArchiveFile(path, &report);
    }
    PrintReport(report, stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "zemworld check: %d error%s, %d warning%s\n", report.errors,
                 report.errors == 1 ? "" : "s", report.warnings, report.warnings == 1 ? "" : "s");
    return report.errors ? 1 : 0;
}
