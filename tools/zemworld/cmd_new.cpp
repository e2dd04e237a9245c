// zemworld new (not yet built).
#include <cstdio>

#include "tools/zemworld/zemworld.h"

int CommandNew(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "zemworld: new is not built yet\n");
    return 1;
}
