// zemworld: from pictures and sounds in ordinary formats to a checked,
// playable world.
#include <cstdio>
#include <cstring>

#include "tools/zemworld/zemworld.h"

static int Usage(FILE* out) {
    std::fprintf(out,
                 "usage: zemworld new DIR                  write a starter world\n"
                 "       zemworld build SRC OUT.zem        import and pack a world\n"
                 "       zemworld check DIR|ARCHIVE        report what the viewer would refuse\n"
                 "       zemworld render WORLD OUT.png [--location NAME] [--pan X,Y]\n"
                 "                       [--hotspots] [--all]\n"
                 "       zemworld web WORLD OUTDIR          a folder that plays in a browser\n"
                 "       zemworld play SRC [viewer options] build, play, and rebuild on every save\n");
    return out == stderr ? 2 : 0;
}

int main(int argc, char** argv) {
    if (argc < 2) return Usage(stderr);
    const char* command = argv[1];
    if (!std::strcmp(command, "--help") || !std::strcmp(command, "-h")) return Usage(stdout);
    static const struct {
        const char* name;
        int (*run)(int, char**);
    } commands[] = {{"new", CommandNew},       {"check", CommandCheck}, {"build", CommandBuild},
                    {"render", CommandRender}, {"web", CommandWeb},
                    {"play", CommandPlay}};
    for (const auto& c : commands)
        if (!std::strcmp(command, c.name)) return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "zemworld: unknown command %s\n", command);
    return Usage(stderr);
}
