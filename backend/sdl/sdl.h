// What the program's entry points (zemvr, zemvr-demo) set in the SDL backend
// before the system starts: the command line, a window or the full screen,
// and how the 640 x 480 picture is scaled. The system knows none of it.
#pragma once

enum ScaleMode {
    SCALE_NEAREST,  // fills the screen, 4:3 kept, nearest neighbour
    SCALE_INTEGER,  // the largest whole multiple that fits, centred
    SCALE_SHARP,    // nearest to the next whole multiple, then smooth down
};

// Start in a window instead of the full screen.
void SdlStartWindowed(int windowed);
void SdlSetScale(ScaleMode mode);

// Reads the command line shared by both programs: --window, --scale MODE,
// --help, --version and, where takesWorld is set, one archive name. Makes
// the settings above. Returns -1 when the program is to run (*world is the
// archive named, or none), otherwise the exit status: 0 after --help or
// --version (printed on standard output), 2 after a wrong argument (the
// usage on standard error).
int SdlCommandLine(int argc, char** argv, const char* program, int takesWorld,
                   const char** world);
// --author was given: the program is the viewer of `zemworld play`.
int SdlAuthorRequested();
// Lines of standard input become WM_AUTHOR_COMMAND messages; its end (the
// authoring tool went away) is a close request.
void SdlAuthorChannelOpen();
