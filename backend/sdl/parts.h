// Private to the SDL backend: what its files share.
#pragma once

#include <cstdint>

struct SDL_Window;

// Initialises SDL's video and events once; 1 when they are up.
int SdlVideoUp();
// The program's window, or none.
SDL_Window* SdlWindow();
// Shows the front buffer again (the window was exposed or resized).
void SdlRepresent();
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
// A mouse position in the window as a position in the 640 x 480 picture,
// whatever the scaling; on the bars, the nearest edge of the picture.
void SdlWindowToPicture(int x, int y, int* pictureX, int* pictureY);
// Full screen or a window; Alt+Enter switches.
void SdlToggleFullScreen();
// Print and F10: the picture on the screen into the pictures folder.
void SdlScreenshot();
// Stop signals become close requests (SdlStopAsked tells of one, once);
// while a message box waits (SdlBoxWaiting(1)) they end the program with
// status 1.
void SdlCatchStopSignals();
int SdlStopAsked();
void SdlBoxWaiting(int waiting);
// The author's command channel: 1 when it gave an event (a close request
// when its input ended) or queued a command message.
struct SoftEvent;
int SdlAuthorEvent(SoftEvent* out);
