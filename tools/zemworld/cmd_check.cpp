// zemworld check (not yet built): the placeholders below keep the tool
// linking until the checker lands.
#include <cstdio>

#include "tools/zemworld/zemworld.h"

int CheckArchive(const std::vector<uint8_t>& archive, Report* report) {
    (void)archive;
    ReportWarning(report, "zemworld", 0, "check is not built yet");
    return 1;
}

int CheckFolder(const std::string& folder, Report* report) {
    (void)folder;
    ReportWarning(report, "zemworld", 0, "check is not built yet");
    return 1;
}

int CommandCheck(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "zemworld: check is not built yet\n");
    return 1;
}
