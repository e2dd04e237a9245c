// zemworld render (not yet built).
#include <cstdio>

#include "tools/zemworld/zemworld.h"

int CommandRender(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "zemworld: render is not built yet\n");
    return 1;
}
