// The input is taken as an archive file handed to `zemworld check`: its
// directory is read and checked first, then the world is checked through
// the system's own readers and the viewer itself. It is checked twice,
// once read whole and once only where the check looks (the viewer reading
// it on demand, as it reads a large world): whatever the bytes say, nothing
// is read or written outside a buffer, both give the same diagnostics, and
// nothing is left held.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/source_file.h"
#include "platform/platform.h"
#include "tools/zemworld/zemworld.h"

static std::vector<std::string> Lines(const Report& report) {
    std::vector<std::string> lines;
    for (const Diagnostic& d : report.items) lines.push_back(FormatDiagnostic(d));
    return lines;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string folder;
    if (!WriteSourceFile("w.zem", data, size, &folder)) std::abort();
    std::string path = folder + "/w.zem";
    size_t memoryLimit = ArchiveMemoryLimit, wholeLimit = CheckWholeArchiveBytes;
    Report whole, onDemand;
    CheckArchiveFile(path, &whole);
    if (LiveBlocks != 0) std::abort();
    ArchiveMemoryLimit = 0;
    CheckWholeArchiveBytes = 0;
    CheckArchiveFile(path, &onDemand);
    ArchiveMemoryLimit = memoryLimit;
    CheckWholeArchiveBytes = wholeLimit;
    if (LiveBlocks != 0 || Lines(whole) != Lines(onDemand)) std::abort();
    int errors = 0;
    for (const Diagnostic& d : whole.items) {
        if (d.file.empty() || d.text.empty()) std::abort();
        errors += d.error;
    }
    if (errors != whole.errors) std::abort();
    return 0;
}
