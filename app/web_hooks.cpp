// The web page's test hook: what the browser tests read of the running
// world, kept beside the web entry point and out of the page's own paths.
#include <cstdint>
#include <cstdio>

#include <emscripten.h>

#include "app/app.h"
#include "image/image.h"
#include "scene/scene.h"

// For the page's test hook: where the player is, as JSON. Names are
// written as the script has them; characters JSON would need escaped are
// left out.
static void PutName(char* out, size_t size, size_t* used, const char* name) {
    for (int i = 0; name && name[i] && i < 31 && *used + 1 < size; i++) {
        unsigned char c = (unsigned char)name[i];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') out[(*used)++] = (char)c;
    }
    out[*used] = 0;
}

static void Put(char* out, size_t size, size_t* used, const char* text) {
    int n = std::snprintf(out + *used, size - *used, "%s", text);
    if (n > 0) *used = *used + (size_t)n < size ? *used + (size_t)n : size - 1;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* zem_test_state() {
    static char out[512];
    size_t used = 0;
    char number[160];
    Put(out, sizeof out, &used, "{\"location\":\"");
    if (CurrentLocation) PutName(out, sizeof out, &used, CurrentLocation->name);
    Put(out, sizeof out, &used, "\",\"door\":\"");
    if (DoorUnderCursor) PutName(out, sizeof out, &used, DoorUnderCursor->target);
    Put(out, sizeof out, &used, "\",\"stampItem\":\"");
    if (StampUnderCursor) PutName(out, sizeof out, &used, StampUnderCursor->itemView);
    std::snprintf(number, sizeof number,
                  "\",\"panX\":%d,\"panY\":%d,\"cursorX\":%d,\"cursorY\":%d,"
                  "\"itemView\":%d,\"letterbox\":%d,\"hotspots\":%d,\"frames\":%u}",
                  (int)PanX, (int)PanY, (int)CursorX, (int)CursorY, (int)ItemViewActive,
                  (int)LetterboxX, (int)HotspotsShown, (unsigned)FrameCount);
    Put(out, sizeof out, &used, number);
    return out;
}

// For the test hook: 1 when every running animation of the current location
// shows its first frame, as a still picture of the location draws them.
extern "C" EMSCRIPTEN_KEEPALIVE int zem_test_sprites_at_first() {
    if (!CurrentLocation) return 0;
    for (SpriteRef* r = CurrentLocation->sprites; r; r = r->next)
        if (r->on && r->sprite && r->sprite->index != 0) return 0;
    return 1;
}
