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
