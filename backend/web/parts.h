// Private to the web backend: the page's functions it calls (written in
// backend/web/library.js, over the page set up by backend/web/page.js) and
// what its files share.
#pragma once

#include <cstdint>

// What a wait lasts for. The program's one thread is the page's, so every
// wait hands the browser its turn: input is taken, frames are painted.
#define WEB_WAIT_FRAME 0  // until the next display frame
#define WEB_WAIT_INPUT 1  // until input arrives or the next display frame
#define WEB_WAIT_BRIEF 2  // until the browser has run once (a 0 ms timer)

// Page events, as zem_web_next_event hands them out: the kind, then three
// numbers.
#define WEB_EVENT_MOVE 1  // position (x | y << 16 in 640 x 480), buttons held
#define WEB_EVENT_DOWN 2  // button (0 left, 2 right), position, press count
#define WEB_EVENT_UP 3    // button, position
#define WEB_EVENT_KEY_DOWN 4  // virtual key, repeated, shift | control << 1
#define WEB_EVENT_KEY_UP 5    // virtual key, 0, shift | control << 1
#define WEB_EVENT_CHAR 6      // character from the keyboard layout

extern "C" {
// Sleeps under Asyncify: the only function of the page that can suspend
// the program.
void zem_web_wait(int32_t kind);
// Display frames the page has seen and the time of the latest (ms, on the
// page's clock).
uint32_t zem_web_frame();
double zem_web_frame_time();
// 1 and four numbers (kind and three) when an event was waiting.
int32_t zem_web_next_event(int32_t* out);

int32_t zem_web_window_open();
void zem_web_window_close();
void zem_web_cursor_hide();
void zem_web_message(const char* text, const char* caption);

// The canvas: 0 when it cannot be drawn on, 1 when the page puts RGBA
// pictures (640 x 480) on it, 2 when the page takes colour indices (640 x
// 480, rows of 640) with 256 RGBA colours and looks them up itself.
#define WEB_DISPLAY_RGBA 1
#define WEB_DISPLAY_INDEXED 2
int32_t zem_web_display_open();
void zem_web_display_close();
void zem_web_draw(const uint8_t* rgba);
void zem_web_draw_indexed(const uint8_t* indices, const uint8_t* palette);

// Fonts: an id (0: none) and the cell height in pixels. A character's
// glyph: its advance and how far its mask starts left of the pen (both in
// pixels) and the mask's width (its height is the cell's), then the mask
// itself as width x cell bytes of 0 and 1.
int32_t zem_web_font_create(int32_t height, int32_t weight, const char* face,
                            int32_t* cell);
void zem_web_font_delete(int32_t id);
int32_t zem_web_glyph_size(int32_t id, int32_t code, int32_t* metrics);
void zem_web_glyph_bits(int32_t id, int32_t code, uint8_t* out);

// Sound through Web Audio: 1 when the page can play sound; a started
// sound's id (0: refused); whether it still plays.
int32_t zem_web_sound_open();
void zem_web_sound_close();
int32_t zem_web_sound_start(const uint8_t* bytes, uint32_t length,
                            int32_t channels, int32_t bits, int32_t rate);
int32_t zem_web_sound_playing(int32_t id);
void zem_web_sound_stop(int32_t id);
}

// The backend did something other than read the clock: a run of clock reads
// with nothing in between is a busy wait, which must give the browser its
// turn.
void WebClockQuiet();
