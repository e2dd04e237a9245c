// zemworld check (not yet built).
#include <cstdio>

#include "tools/zemworld/zemworld.h"

int CommandCheck(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "zemworld: check is not built yet\n");
    return 1;
}
