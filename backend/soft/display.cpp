// The in-memory display: the display object and its mode, the flipping chain
// (two 640 x 480 8-bit buffers swapped by a flip), palette objects, locks and
// the lost state that Restore clears.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "backend/soft/soft.h"

// Every live object is listed, so that a release of an object that is gone
// (released twice, or taken with its display) is recognised and ignored.
static std::vector<BkDisplay*> LiveDisplays;
static std::vector<BkSurface*> LiveSurfaces;
static std::vector<BkPalette*> LivePalettes;

template <typename T>
static int IsLive(const std::vector<T*>& list, const T* object) {
    return object && std::find(list.begin(), list.end(), object) != list.end();
}

template <typename T>
static void Unlist(std::vector<T*>& list, const T* object) {
    list.erase(std::remove(list.begin(), list.end(), object), list.end());
}

static void UnrefPalette(BkPalette* palette) {
    if (!palette) return;
    if (--palette->refs > 0) return;
    Unlist(LivePalettes, palette);
    delete palette;
}

// Frees a whole chain (primary and back buffer) with its device contexts.
static void FreeChain(BkSurface* primary) {
    BkSurface* back = primary->back;
    if (back) {
        SoftFreeDCsOf(back);
        Unlist(LiveSurfaces, back);
        delete[] back->pixels;
        delete back;
    }
    SoftFreeDCsOf(primary);
    UnrefPalette(primary->palette);
    Unlist(LiveSurfaces, primary);
    delete[] primary->pixels;
    delete primary;
}

int SoftSurfaceLive(const BkSurface* surface) {
    return IsLive(LiveSurfaces, surface);
}

BkSurface* SoftPrimary() {
    for (BkSurface* s : LiveSurfaces)
        if (s->primary == s) return s;
    return nullptr;
}

const uint8_t* SoftChainPalette(const BkSurface* surface) {
    if (!surface || !surface->primary || !surface->primary->palette)
        return nullptr;
    return surface->primary->palette->entries;
}

static void ShowFront(BkSurface* primary, SoftShowReason reason) {
    BackendShow(primary->pixels, primary->pitch, SoftChainPalette(primary),
                reason);
}

// ---------------------------------------------------------------------------
// Display object.

BkResult DisplayCreate(BkDisplay** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    BkResult fault = BackendFault(SOP_DISPLAY_CREATE);
    if (fault) return fault;
    BkDisplay* display = new (std::nothrow) BkDisplay();
    if (!display) return DDERR_OUTOFMEMORY;
    LiveDisplays.push_back(display);
    *out = display;
    return BK_OK;
}

BkResult DisplaySetCooperativeLevel(BkDisplay* display, BkWindow* window,
                                    uint32_t flags) {
    if (!IsLive(LiveDisplays, display)) return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_SET_COOPERATIVE_LEVEL);
    if (fault) return fault;
    if ((flags & DDSCL_EXCLUSIVE) && !window) return DDERR_INVALIDPARAMS;
    display->window = window;
    display->cooperativeFlags = flags;
    return BK_OK;
}

BkResult DisplaySetMode(BkDisplay* display, int32_t width, int32_t height,
                        int32_t bitsPerPixel) {
    if (!IsLive(LiveDisplays, display)) return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_SET_DISPLAY_MODE);
    if (fault) return fault;
    // The one mode there is.
    if (width != SOFT_WIDTH || height != SOFT_HEIGHT || bitsPerPixel != 8)
        return DDERR_INVALIDPARAMS;
    if (!display->modeHeld) {
        BkResult taken = BackendTakeDisplay();
        if (taken) return taken;
        display->modeHeld = 1;
    }
    return BK_OK;
}

BkResult DisplayWaitForVerticalBlank(BkDisplay* display, uint32_t flags) {
    (void)flags;
    if (!IsLive(LiveDisplays, display)) return DDERR_INVALIDPARAMS;
    BackendWaitVerticalBlank();
    return BK_OK;
}

// Everything made from the display goes with it; the program's later
// releases of those objects then find nothing to do.
void DisplayRelease(BkDisplay* display) {
    if (!IsLive(LiveDisplays, display)) return;
    for (;;) {
        BkSurface* chain = nullptr;
        for (BkSurface* s : LiveSurfaces)
            if (s->display == display && s->primary == s) chain = s;
        if (!chain) break;
        FreeChain(chain);
    }
    std::vector<BkPalette*> palettes = LivePalettes;
    BkSurface* other = SoftPrimary();  // a chain of another display
    for (BkPalette* p : palettes) {
        if (p->display != display) continue;
        if (other && other->palette == p) other->palette = nullptr;
        Unlist(LivePalettes, p);
        delete p;
    }
    if (display->modeHeld) BackendGiveDisplay();
    Unlist(LiveDisplays, display);
    delete display;
    BackendReleased("display");
}

// ---------------------------------------------------------------------------
// Surfaces.

static BkSurface* NewBuffer(BkDisplay* display, uint32_t caps) {
    BkSurface* s = new (std::nothrow) BkSurface();
    if (!s) return nullptr;
    s->pixels = new (std::nothrow) uint8_t[SOFT_WIDTH * SOFT_HEIGHT]();
    if (!s->pixels) {
        delete s;
        return nullptr;
    }
    s->display = display;
    s->width = SOFT_WIDTH;
    s->height = SOFT_HEIGHT;
    s->pitch = SOFT_WIDTH;
    s->caps = caps;
    return s;
}

BkResult DisplayCreateSurface(BkDisplay* display, const SurfaceDesc* desc,
                              BkSurface** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!IsLive(LiveDisplays, display) || !desc) return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_CREATE_SURFACE);
    if (fault) return fault;
    // Only the screen's flipping chain exists here: a primary surface with
    // exactly one back buffer.
    if (!(desc->flags & DDSD_CAPS) || !(desc->caps & DDSCAPS_PRIMARYSURFACE) ||
        !(desc->flags & DDSD_BACKBUFFERCOUNT) || desc->backBufferCount != 1)
        return DDERR_INVALIDPARAMS;
    if (SoftPrimary()) return DDERR_GENERIC;

    BkSurface* primary = NewBuffer(display, desc->caps);
    BkSurface* back = NewBuffer(display, DDSCAPS_BACKBUFFER | DDSCAPS_FLIP |
                                             DDSCAPS_COMPLEX);
    if (!primary || !back) {
        if (primary) delete[] primary->pixels;
        if (back) delete[] back->pixels;
        delete primary;
        delete back;
        return DDERR_OUTOFMEMORY;
    }
    primary->primary = primary;
    primary->back = back;
    back->primary = primary;
    LiveSurfaces.push_back(primary);
    LiveSurfaces.push_back(back);
    *out = primary;
    return BK_OK;
}

BkResult SurfaceGetAttached(BkSurface* surface, uint32_t caps,
                            BkSurface** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!IsLive(LiveSurfaces, surface)) return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_GET_ATTACHED_SURFACE);
    if (fault) return fault;
    if (!(caps & DDSCAPS_BACKBUFFER) || !surface->back)
        return DDERR_INVALIDPARAMS;
    *out = surface->back;
    return BK_OK;
}

BkResult SurfaceSetPalette(BkSurface* surface, BkPalette* palette) {
    if (!IsLive(LiveSurfaces, surface)) return DDERR_INVALIDPARAMS;
    if (palette && (!IsLive(LivePalettes, palette) || palette->released))
        return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_SET_PALETTE);
    if (fault) return fault;
    BkSurface* primary = surface->primary;
    BkPalette* old = primary->palette;
    if (palette) palette->refs++;
    primary->palette = palette;
    UnrefPalette(old);
    // The screen takes the new colours at once, without a redraw.
    if (palette) ShowFront(primary, SOFT_SHOW_PALETTE);
    return BK_OK;
}

BkResult SurfaceFlip(BkSurface* surface) {
    if (!IsLive(LiveSurfaces, surface) || surface->primary != surface ||
        !surface->back)
        return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_FLIP);
    if (fault) {
        if (fault == DDERR_SURFACELOST) surface->lost = 1;
        return fault;
    }
    if (surface->lost) return DDERR_SURFACELOST;
    // A real chain swaps its buffers: the back buffer now holds the frame
    // before the one just shown.
    std::swap(surface->pixels, surface->back->pixels);
    ShowFront(surface, SOFT_SHOW_FLIP);
    return BK_OK;
}

BkResult SurfaceRestore(BkSurface* surface) {
    if (!IsLive(LiveSurfaces, surface)) return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_RESTORE);
    if (fault) return fault;
    surface->primary->lost = 0;
    return BK_OK;
}

BkResult SurfaceLock(BkSurface* surface, SurfaceDesc* desc) {
    if (!desc) return DDERR_INVALIDPARAMS;
    desc->surface = nullptr;
    if (!IsLive(LiveSurfaces, surface)) return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_LOCK);
    if (fault) {
        if (fault == DDERR_SURFACELOST) surface->primary->lost = 1;
        return fault;
    }
    if (surface->primary->lost) return DDERR_SURFACELOST;
    desc->flags = DDSD_CAPS;
    desc->width = surface->width;
    desc->height = surface->height;
    desc->pitch = surface->pitch;
    desc->caps = surface->caps;
    desc->backBufferCount = surface->back ? 1 : 0;
    desc->surface = surface->pixels;
    surface->locks++;
    return BK_OK;
}

BkResult SurfaceUnlock(BkSurface* surface, void* pixels) {
    (void)pixels;
    if (!IsLive(LiveSurfaces, surface)) return DDERR_INVALIDPARAMS;
    if (surface->locks <= 0) return DDERR_NOTLOCKED;
    surface->locks--;
    return BK_OK;
}

// The back buffer belongs to its chain: only the primary's release frees
// both.
void SurfaceRelease(BkSurface* surface) {
    if (!IsLive(LiveSurfaces, surface) || surface->primary != surface) return;
    FreeChain(surface);
    BackendReleased("surface");
}

// ---------------------------------------------------------------------------
// Palettes.

BkResult DisplayCreatePalette(BkDisplay* display, uint32_t caps,
                              const uint8_t* entries, BkPalette** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!IsLive(LiveDisplays, display)) return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_CREATE_PALETTE);
    if (fault) return fault;
    if (!(caps & DDPCAPS_8BIT) || !entries) return DDERR_INVALIDPARAMS;
    BkPalette* palette = new (std::nothrow) BkPalette();
    if (!palette) return DDERR_OUTOFMEMORY;
    palette->display = display;
    std::memcpy(palette->entries, entries, SOFT_PALETTE_BYTES);
    palette->refs = 1;
    LivePalettes.push_back(palette);
    *out = palette;
    return BK_OK;
}

// A palette still attached to the screen lives on until it is replaced or
// the chain goes.
void PaletteRelease(BkPalette* palette) {
    if (!IsLive(LivePalettes, palette) || palette->released) return;
    palette->released = 1;
    UnrefPalette(palette);
    BackendReleased("palette");
}

int SoftNearestIndex(const uint8_t* palette, uint32_t colorref) {
    int r = colorref & 0xFF, g = (colorref >> 8) & 0xFF,
        b = (colorref >> 16) & 0xFF;
    if (!palette) {
        // No palette attached: a 3-3-2 colour cube stands in.
        return (r >> 5) << 5 | (g >> 5) << 2 | (b >> 6);
    }
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (int i = 0; i < 256; i++) {
        int dr = palette[i * 4] - r, dg = palette[i * 4 + 1] - g,
            db = palette[i * 4 + 2] - b;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

void SoftResetDisplay() {
    while (BkSurface* primary = SoftPrimary()) FreeChain(primary);
    for (BkSurface* s : LiveSurfaces) {
        delete[] s->pixels;
        delete s;
    }
    LiveSurfaces.clear();
    for (BkPalette* p : LivePalettes) delete p;
    LivePalettes.clear();
    for (BkDisplay* d : LiveDisplays) delete d;
    LiveDisplays.clear();
}
