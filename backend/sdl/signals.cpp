// Stop signals (SIGTERM, SIGINT, SIGHUP): a launcher, `kill`, Ctrl+C and the
// end of a desktop session. In the running program they are a close
// request, so shutdown releases everything and the status is 0. While a
// start-up message waits for its OK there is nothing left to release (the
// failed start-up did that before it showed the box), and the box's own
// loop would never look at a request: the program ends at once, status 1.
#include <SDL.h>

#include <signal.h>
#include <unistd.h>

#include "backend/sdl/parts.h"

static volatile sig_atomic_t StopAsked = 0;
static volatile sig_atomic_t BoxWaiting = 0;

static void OnStopSignal(int) {
    if (BoxWaiting) _exit(1);
    StopAsked = 1;
}

void SdlCatchStopSignals() {
    // SDL's own handlers know only SIGINT and SIGTERM, and only its event
    // loop, never the message box's.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    const int stops[] = {SIGTERM, SIGINT, SIGHUP};
    for (int stop : stops) sigaction(stop, &action, nullptr);
}

int SdlStopAsked() {
    if (!StopAsked) return 0;
    StopAsked = 0;
    return 1;
}

void SdlBoxWaiting(int waiting) {
    BoxWaiting = waiting != 0;
    // A signal that came during start-up, before the box, ends it too.
    if (waiting && StopAsked) _exit(1);
}
