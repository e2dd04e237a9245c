// zemworld build (not yet built).
#include <cstdio>

#include "tools/zemworld/zemworld.h"

int CommandBuild(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "zemworld: build is not built yet\n");
    return 1;
}
