// The command line of zemvr and zemvr-demo: read before the system starts,
// so that --help and --version never open a window.
#include <cstdio>
#include <cstring>

#include "backend/sdl/sdl.h"

#ifndef ZEM_VERSION
#define ZEM_VERSION "unknown"
#endif

static const char Keys[] =
    "Keys and mouse:\n"
    "  mouse                  move the cursor; its shape tells what a click does\n"
    "  drag, or rest the cursor near an edge\n"
    "                         turn the view\n"
    "  left click             take or put back an object, go through a door\n"
    "  right click            raise or lower the PDA panel\n"
    "  Enter                  next location of the script\n"
    "  Space                  show or hide the status line\n"
    "  Left arrow, ',' or '<' shrink the view\n"
    "  Right arrow, '.' or '>'\n"
    "                         grow the view\n"
    "  keypad + / keypad -    animations faster / slower\n"
    "  F11                    brighter (wraps round to dark)\n"
    "  Tab (hold)             outline what can be clicked\n"
    "  Alt+Enter              full screen or window\n"
    "  Print or F10           screenshot into the pictures folder\n"
    "  Esc or F12             quit\n"
    "With --author (the viewer of zemworld play), on standard error:\n"
    "  P                      the pan, as a door's PANX PANY in the picture's pixels\n"
    "  Ctrl + drag            the rectangle dragged, as x y w h in the picture's pixels\n";

static int AuthorRequested = 0;

int SdlAuthorRequested() { return AuthorRequested; }

static void Usage(FILE* to, const char* program, int takesWorld) {
    if (takesWorld)
        std::fprintf(to,
                     "Usage: %s [OPTION]... [WORLD.zem]\n"
                     "Plays a zemVR world: WORLD.zem, or data.zem in the working folder.\n",
                     program);
    else
        std::fprintf(to,
                     "Usage: %s [OPTION]...\n"
                     "Plays the zemVR demo world, which is inside the program.\n",
                     program);
    std::fprintf(to,
                 "\n"
                 "Options:\n"
                 "  --window               start in a window instead of the full screen\n"
                 "  --scale MODE           nearest (default): fill the screen;\n"
                 "                         integer: whole multiples only, centred;\n"
                 "                         sharp: crisp and even at any size\n"
                 "  --help                 show this help and quit\n"
                 "  --version              show the version and quit\n");
    if (takesWorld)
        std::fprintf(to, "  --author               take commands on standard input (zemworld play)\n");
}

static int ParseScale(const char* name, ScaleMode* mode) {
    if (std::strcmp(name, "nearest") == 0)
        *mode = SCALE_NEAREST;
    else if (std::strcmp(name, "integer") == 0)
        *mode = SCALE_INTEGER;
    else if (std::strcmp(name, "sharp") == 0)
        *mode = SCALE_SHARP;
    else
        return 0;
    return 1;
}

static int Wrong(const char* program, int takesWorld, const char* what, const char* arg) {
    std::fprintf(stderr, "%s: %s '%s'\n", program, what, arg);
    Usage(stderr, program, takesWorld);
    return 2;
}

int SdlCommandLine(int argc, char** argv, const char* program, int takesWorld,
                   const char** world) {
    *world = nullptr;
    int windowed = 0;
    ScaleMode scale = SCALE_NEAREST;
    int options = 1;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (options && std::strcmp(arg, "--") == 0) {
            options = 0;
        } else if (options && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
            Usage(stdout, program, takesWorld);
            std::printf("\n%s", Keys);
            return 0;
        } else if (options && std::strcmp(arg, "--version") == 0) {
            std::printf("%s (zemVR) %s\n", program, ZEM_VERSION);
            return 0;
        } else if (options && takesWorld && std::strcmp(arg, "--author") == 0) {
            AuthorRequested = 1;
        } else if (options && std::strcmp(arg, "--window") == 0) {
            windowed = 1;
        } else if (options && std::strncmp(arg, "--scale=", 8) == 0) {
            if (!ParseScale(arg + 8, &scale))
                return Wrong(program, takesWorld, "unknown scaling", arg + 8);
        } else if (options && std::strcmp(arg, "--scale") == 0) {
            if (i + 1 >= argc) return Wrong(program, takesWorld, "missing scaling after", arg);
            if (!ParseScale(argv[++i], &scale))
                return Wrong(program, takesWorld, "unknown scaling", argv[i]);
        } else if (options && arg[0] == '-' && arg[1] != 0) {
            return Wrong(program, takesWorld, "unknown option", arg);
        } else if (takesWorld && !*world) {
            *world = arg;
        } else {
            return Wrong(program, takesWorld, "unexpected argument", arg);
        }
    }
    SdlStartWindowed(windowed);
    SdlSetScale(scale);
    return -1;
}
