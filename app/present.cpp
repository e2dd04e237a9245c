// Present: the one way a composed back buffer reaches the screen.
#include "app/app.h"
#include "backend/backend.h"

// A flip that keeps failing with anything but a lost surface is not retried
// for ever: the frame is dropped and the next one tries again.
static const int FlipAttempts = 100;

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
        if (LastResult == BK_OK) return;
        if (LastResult == DDERR_SURFACELOST) {
            LastResult = SurfaceRestore(PrimarySurface);
            if (LastResult != BK_OK) return;
        }
    }
}
