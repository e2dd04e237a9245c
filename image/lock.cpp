// Making a picture's pixels addressable: memory pictures always are, the
// back buffer's surface is locked for the length of one drawing operation.
#include "backend/backend.h"
#include "image/image.h"

// The platform may report the surface lost or still drawing for a while; a
// display that never recovers must not hang the program.
static const int32_t LockAttempts = 1000;

int LockImage(Image* image) {
    if (!image) return 0;
    if (image->pixels && !image->surface) return 1;
    if (!image->surface) return 0;
    SurfaceRestore(image->surface);
    SurfaceDesc desc;
    BkResult result = DDERR_WASSTILLDRAWING;
    for (int32_t attempt = 0; attempt < LockAttempts; attempt++) {
        desc = SurfaceDesc();
        desc.size = sizeof desc;
        result = SurfaceLock(image->surface, &desc);
        if (result == DDERR_SURFACELOST) {
            SurfaceRestore(image->surface);
            continue;
        }
        if (result != DDERR_WASSTILLDRAWING) break;
    }
    if (result != BK_OK) return 0;
    image->pixels = (uint8_t*)desc.surface;
    image->width = desc.width;
    image->pitch = desc.pitch;
    image->height = desc.height;
    if (!image->pixels) {
        // Locked but unusable: give the lock back so nothing stays locked.
        SurfaceUnlock(image->surface, nullptr);
        return 0;
    }
    return 1;
}

void UnlockImage(Image* image) {
    if (image && image->surface) SurfaceUnlock(image->surface, image->pixels);
}
