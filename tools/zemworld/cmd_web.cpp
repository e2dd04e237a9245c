// zemworld web (not yet built).
#include <cstdio>

#include "tools/zemworld/zemworld.h"

int CommandWeb(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "zemworld: web is not built yet\n");
    return 1;
}
