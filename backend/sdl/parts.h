// Private to the SDL backend: what its files share.
#pragma once

struct SDL_Window;

// Initialises SDL's video and events once; 1 when they are up.
int SdlVideoUp();
// The program's window, or none.
SDL_Window* SdlWindow();
// Shows the front buffer again (the window was exposed or resized).
void SdlRepresent();
// A palette change waiting for the next flip is shown now, if there is one.
void SdlFlushDeferred();
// The renderer lost its textures: make them again.
void SdlRenderReset();
// Leaves the screen before the window goes.
void SdlDropRenderer();
// The file descriptor of the window system's connection, or -1 where there
// is none to watch.
int SdlEventFd(SDL_Window* window);
// Something was sent to the window system: events may wait in its client
// library, so the next pass fetches them.
void SdlEventsMayWait();
