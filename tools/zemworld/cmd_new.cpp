// zemworld new DIR: a starter world that builds and runs at once, for an
// author to change picture by picture.
#include <cstdio>

#include "tools/zemworld/import.h"

int CommandNew(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: zemworld new DIR\n");
        return 2;
    }
    std::string why;
    if (!WriteStarterWorld(argv[0], &why)) {
        std::fprintf(stderr, "zemworld new: %s\n", why.c_str());
        return 1;
    }
    std::printf("zemworld new: wrote a starter world into %s\n"
                "  build it:  zemworld build %s out.zem\n"
                "  play it:   zemvr out.zem\n"
                "  game.txt explains every line; the pictures are PNGs to paint over.\n",
                argv[0], argv[0]);
    return 0;
}
