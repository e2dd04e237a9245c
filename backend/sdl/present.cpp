// Showing the 8-bit front buffer: a palette lookup into a 32-bit streaming
// texture, drawn into the largest 4:3 area of the window (black bars around
// it) by one of three scalers, presented with vsync and paced at 60 flips a
// second whatever the monitor does.
//   nearest  the texture stretched to the area, nearest neighbour;
//   integer  the largest whole multiple of 640 x 480 that fits, centred;
//   sharp    nearest neighbour into a texture of the next whole multiple
//            above the area, then smoothly (linear) down to the area: every
//            picture pixel becomes an even block with soft edges only one
//            screen pixel wide.
#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "backend/sdl/parts.h"
#include "backend/sdl/sdl.h"
#include "backend/soft/soft.h"

#define FLIPS_PER_SECOND 60

static SDL_Renderer* Renderer = nullptr;
static SDL_Texture* Texture = nullptr;
static ScaleMode Scale = SCALE_NEAREST;
// The sharp scaler's in-between picture and its whole-number factor.
static SDL_Texture* Enlarged = nullptr;
static int EnlargedFactor = 0;
static int PacingRead = 0;
static int Pacing = 1;
static uint64_t LastFlip = 0;  // performance-counter time of the last flip
// The texture's colours: ARGB8888 as 32-bit numbers.
static const SoftColourOrder TextureOrder = {16, 8, 0};

// ZEM_NO_PACING=1 turns the 60 Hz pacing off (for measurements).
static int PacingOn() {
    if (!PacingRead) {
        PacingRead = 1;
        const char* value = std::getenv("ZEM_NO_PACING");
        Pacing = !(value && std::strcmp(value, "1") == 0);
    }
    return Pacing;
}

void SdlSetScale(ScaleMode mode) { Scale = mode; }

static void DropEnlarged() {
    if (Enlarged) SDL_DestroyTexture(Enlarged);
    Enlarged = nullptr;
    EnlargedFactor = 0;
}

static int MakeTexture() {
    Texture = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_ARGB8888,
                                SDL_TEXTUREACCESS_STREAMING, SOFT_WIDTH,
                                SOFT_HEIGHT);
    if (!Texture) return 0;
    SDL_SetTextureScaleMode(Texture, SDL_ScaleModeNearest);
    return 1;
}

// Whether the renderer is OpenGL drawn by the processor (llvmpipe and its
// kind), as on a virtual X server.
static int RasterisedOnProcessor() {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(Renderer, &info) != 0 || !info.name ||
        std::strncmp(info.name, "opengl", 6) != 0)
        return 0;
    typedef const unsigned char* (*GetString)(unsigned int);
    GetString get = (GetString)SDL_GL_GetProcAddress("glGetString");
    const char* name = get ? (const char*)get(0x1F01 /* GL_RENDERER */) : nullptr;
    return name && (std::strstr(name, "llvmpipe") || std::strstr(name, "softpipe") ||
                    std::strstr(name, "Software Rasterizer") ||
                    std::strstr(name, "swrast"));
}

BkResult BackendTakeDisplay() {
    SDL_Window* window = SdlWindow();
    if (!window) return DDERR_GENERIC;
    if (Renderer) return BK_OK;
    PacingOn();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    Renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (Renderer && RasterisedOnProcessor() && !SDL_GetHint(SDL_HINT_RENDER_DRIVER)) {
        // A processor-rasterised OpenGL costs several times what SDL's own
        // software renderer does for one scaled picture.
        SDL_DestroyRenderer(Renderer);
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        Renderer = nullptr;
    }
    if (!Renderer)
        Renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!Renderer) return DDERR_GENERIC;
    if (!MakeTexture()) {
        SDL_DestroyRenderer(Renderer);
        Renderer = nullptr;
        return DDERR_GENERIC;
    }
    SoftScreenOpen(TextureOrder);
    SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Renderer);
    SDL_RenderPresent(Renderer);
    LastFlip = 0;
    return BK_OK;
}

void SdlDropRenderer() {
    SoftScreenClose();
    DropEnlarged();
    if (Texture) SDL_DestroyTexture(Texture);
    if (Renderer) SDL_DestroyRenderer(Renderer);
    Texture = nullptr;
    Renderer = nullptr;
}

// The mode is given back: the screen is left to the desktop (and to a
// message box that may follow).
void BackendGiveDisplay() {
    SdlDropRenderer();
    if (SdlWindow()) SDL_HideWindow(SdlWindow());
}

void SdlRenderReset() {
    if (!Renderer) return;
    DropEnlarged();
    if (Texture) SDL_DestroyTexture(Texture);
    Texture = nullptr;
    MakeTexture();
    SdlRepresent();
}

// ---------------------------------------------------------------------------
// Where the picture goes.

// The area of an output of width x height pixels that shows the picture.
static SDL_Rect PictureArea(int width, int height) {
    SDL_Rect area = {0, 0, width, height};
    int whole = width / SOFT_WIDTH < height / SOFT_HEIGHT ? width / SOFT_WIDTH : height / SOFT_HEIGHT;
    if (Scale == SCALE_INTEGER && whole >= 1) {
        area.w = SOFT_WIDTH * whole;
        area.h = SOFT_HEIGHT * whole;
    } else if ((int64_t)width * SOFT_HEIGHT <= (int64_t)height * SOFT_WIDTH) {
        // Smaller than one whole multiple, integer scaling too keeps the
        // whole picture in view.
        area.h = (int)((int64_t)width * SOFT_HEIGHT / SOFT_WIDTH);
    } else {
        area.w = (int)((int64_t)height * SOFT_WIDTH / SOFT_HEIGHT);
    }
    if (area.w < 1) area.w = 1;
    if (area.h < 1) area.h = 1;
    area.x = (width - area.w) / 2;
    area.y = (height - area.h) / 2;
    return area;
}

// Window coordinates (as mouse events give them) and the output's pixels
// differ on a high-density screen.
static void OutputSize(int* width, int* height) {
    SDL_Window* window = SdlWindow();
    *width = *height = 0;
    if (Renderer) SDL_GetRendererOutputSize(Renderer, width, height);
    if ((*width <= 0 || *height <= 0) && window) SDL_GetWindowSize(window, width, height);
    if (*width <= 0 || *height <= 0) {
        *width = SOFT_WIDTH;
        *height = SOFT_HEIGHT;
    }
}

static int Clamp(int64_t value, int high) {
    return value < 0 ? 0 : value > high ? high : (int)value;
}

void SdlWindowToPicture(int x, int y, int* pictureX, int* pictureY) {
    int outW, outH, winW = 0, winH = 0;
    OutputSize(&outW, &outH);
    if (SdlWindow()) SDL_GetWindowSize(SdlWindow(), &winW, &winH);
    int64_t ox = winW > 0 ? (int64_t)x * outW / winW : x;
    int64_t oy = winH > 0 ? (int64_t)y * outH / winH : y;
    SDL_Rect area = PictureArea(outW, outH);
    // On the bars the position is the nearest edge of the picture.
    int64_t px = ox < area.x ? 0 : (ox - area.x) * SOFT_WIDTH / area.w;
    int64_t py = oy < area.y ? 0 : (oy - area.y) * SOFT_HEIGHT / area.h;
    *pictureX = Clamp(px, SOFT_WIDTH - 1);
    *pictureY = Clamp(py, SOFT_HEIGHT - 1);
}

// The sharp scaler's second step needs the next whole multiple above the
// area; 0 when the area is itself a whole multiple (nearest is exact then)
// or the renderer cannot draw into a texture.
static int SharpFactor(const SDL_Rect& area) {
    int fw = (area.w + SOFT_WIDTH - 1) / SOFT_WIDTH;
    int fh = (area.h + SOFT_HEIGHT - 1) / SOFT_HEIGHT;
    int factor = fw > fh ? fw : fh;
    if (area.w == SOFT_WIDTH * factor && area.h == SOFT_HEIGHT * factor) return 0;
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(Renderer, &info) != 0 || !(info.flags & SDL_RENDERER_TARGETTEXTURE))
        return 0;
    return factor;
}

static SDL_Texture* EnlargedPicture(int factor) {
    if (Enlarged && EnlargedFactor == factor) return Enlarged;
    DropEnlarged();
    Enlarged = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                 SOFT_WIDTH * factor, SOFT_HEIGHT * factor);
    if (!Enlarged) return nullptr;
    SDL_SetTextureScaleMode(Enlarged, SDL_ScaleModeLinear);
    EnlargedFactor = factor;
    return Enlarged;
}

// Black bars, then the texture through the chosen scaler.
static void Draw() {
    int width, height;
    OutputSize(&width, &height);
    SDL_Rect area = PictureArea(width, height);
    SDL_Texture* source = Texture;
    if (Scale == SCALE_SHARP) {
        int factor = SharpFactor(area);
        SDL_Texture* enlarged = factor ? EnlargedPicture(factor) : nullptr;
        if (enlarged && SDL_SetRenderTarget(Renderer, enlarged) == 0) {
            SDL_RenderCopy(Renderer, Texture, nullptr, nullptr);
            SDL_SetRenderTarget(Renderer, nullptr);
            source = enlarged;
        }
    }
    SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Renderer);
    SDL_RenderCopy(Renderer, source, nullptr, &area);
}

// ---------------------------------------------------------------------------
// Pacing.

static void WaitUntil(uint64_t target) {
    uint64_t frequency = SDL_GetPerformanceFrequency();
    for (;;) {
        uint64_t now = SDL_GetPerformanceCounter();
        if (now >= target) return;
        uint64_t ms = (target - now) * 1000 / frequency;
        // Sleep while that is safe; the last millisecond is waited out.
        if (ms >= 2)
            SDL_Delay((uint32_t)(ms - 1));
    }
}

static uint64_t Period() {
    return SDL_GetPerformanceFrequency() / FLIPS_PER_SECOND;
}

// The vertical blank of a 60 Hz screen: one period after the last flip.
void BackendWaitVerticalBlank() {
    if (PacingOn() && LastFlip) WaitUntil(LastFlip + Period());
    SoftScreenBlankWaited();
}

static void PaceFlip() {
    if (!PacingOn()) return;
    uint64_t now = SDL_GetPerformanceCounter();
    uint64_t period = Period();
    if (LastFlip) {
        uint64_t next = LastFlip + period;
        if (now < next) {
            WaitUntil(next);
            LastFlip = next;
            return;
        }
        // Late by less than a period: keep the beat; later: start anew.
        if (now - next < period) {
            LastFlip = next;
            return;
        }
    }
    LastFlip = now;
}

// ---------------------------------------------------------------------------
// Present.

// force: the window lost what it showed (exposed, resized, renderer reset).
static void Present(const uint8_t* pixels, int32_t pitch, int force) {
    if (!Renderer || !Texture || !pixels) return;
    if (force) SoftScreenForget();
    if (!SoftScreenChanged(pixels, pitch)) return;
    void* target = nullptr;
    int targetPitch = 0;
    if (SDL_LockTexture(Texture, nullptr, &target, &targetPitch) == 0) {
        SoftScreenConvert((uint8_t*)target, targetPitch);
        SDL_UnlockTexture(Texture);
    }
    Draw();
    SDL_RenderPresent(Renderer);
    SdlEventsMayWait();
}

void BackendShow(const uint8_t* pixels, int32_t pitch, const uint8_t* palette,
                 SoftShowReason reason) {
    if (!SoftScreenTake(palette, reason)) return;
    if (reason == SOFT_SHOW_FLIP) PaceFlip();
    Present(pixels, pitch, 0);
}

void SdlRepresent() {
    BkSurface* primary = SoftPrimary();
    if (primary) Present(primary->pixels, primary->pitch, 1);
}
