// The X server connection behind the window, for the idle wait to watch.
// Kept apart: the X headers name things (Window, Cursor) that the other
// files use for their own.
#include <SDL.h>
#include <SDL_syswm.h>

#include "backend/sdl/parts.h"

int SdlEventFd(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 &&
        info.info.x11.display)
        return ConnectionNumber(info.info.x11.display);
#else
    (void)window;
#endif
    return -1;
}
