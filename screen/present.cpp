// Present: the one way a composed back buffer reaches the screen.
#include <cstring>

#include "backend/backend.h"
#include "screen/screen.h"

// A flip that keeps failing with anything but a lost surface is not retried
// for ever: the frame is dropped and the next one tries again.
static const int FlipAttempts = 100;

// A flip swaps the chain's buffers, so the back buffer would hold the frame
// before the last one. The cursor erase and the cursor-only update draw on
// top of the frame on the screen (each restores the pixels it saved there),
// and so does everything outside the view that a full frame does not
// redraw; on the older frame they would leave a trail of cursors. The shown
// frame is therefore copied back.
static void KeepBackBufferCurrent() {
    if (!BackSurface) return;
    SurfaceDesc front, back;
    std::memset(&front, 0, sizeof front);
    std::memset(&back, 0, sizeof back);
    front.size = back.size = sizeof(SurfaceDesc);
    if (SurfaceLock(PrimarySurface, &front) != BK_OK) return;
    if (SurfaceLock(BackSurface, &back) == BK_OK) {
        if (front.surface && back.surface) {
            int32_t rows = front.height < back.height ? front.height : back.height;
            int32_t bytes = front.width < back.width ? front.width : back.width;
            const uint8_t* from = (const uint8_t*)front.surface;
            uint8_t* to = (uint8_t*)back.surface;
            for (int32_t y = 0; y < rows && bytes > 0; y++)
                std::memcpy(to + (size_t)y * back.pitch, from + (size_t)y * front.pitch, (size_t)bytes);
        }
        SurfaceUnlock(BackSurface, back.surface);
    }
    SurfaceUnlock(PrimarySurface, front.surface);
}

void PresentFrame() {
    if (!PrimarySurface) return;
    // A new location's colours and its first picture reach the screen
    // together.
    if (PalettePending) {
        PalettePending = 0;
        DisplayWaitForVerticalBlank(DisplayObject, DDWAITVB_BLOCKBEGIN);
        SurfaceSetPalette(PrimarySurface, PaletteObject);
    }
    for (int attempt = 0; attempt < FlipAttempts; attempt++) {
        LastResult = SurfaceFlip(PrimarySurface);
        if (LastResult == BK_OK) {
            KeepBackBufferCurrent();
            return;
        }
        if (LastResult == DDERR_SURFACELOST) {
            LastResult = SurfaceRestore(PrimarySurface);
            if (LastResult != BK_OK) return;
        }
    }
}
