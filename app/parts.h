// Private to the application shell: what its files share.
#pragma once

#include <cstdint>

struct Image;
struct Sprite;

// Pan offsets of a closeup grow without bound while the cursor rests at an
// edge or the user drags; they stop at the ends of the range instead of
// overflowing.
void AddPan(int32_t* pan, int32_t delta);
// Puts back what the cursor covers on the back buffer, if anything was saved.
void EraseCursor();
// Draws a sprite's current frame with save-under. The saved picture is placed
// only when something was saved, so a refused draw is never "restored" from
// stale bytes.
void DrawSaving(Image* destination, Sprite* sprite);
// Start-up steps 15 to 17 (logo, icon palette, identity remap) and 22 (the
// cursor, placed at x, y), which a reload of the world repeats: none, or the
// failed step's text.
const char* LoadFixedPictures();
const char* LoadCursor(int32_t x, int32_t y);
// What shutdown and a reload of the world both release: the logo, the
// cursor, the author's map and the locations, with every reference to them.
void FreeWorldPictures();

// The author's map of the world open now (the member AUTHOR.TXT that
// zemworld play adds): the author's file names and how each location's
// view was moved from the author's picture. A world without one has none.
void AuthorLoadMap();
void AuthorFreeMap();
// The author's file of the current location's view, or "".
const char* AuthorViewFile();
// A point of the view picture in the author's picture's pixels; 0 where the
// map does not say.
int AuthorSourcePoint(int32_t u, int32_t v, int32_t* x, int32_t* y);
// The current pan as a door's PANX PANY in the author's pixels.
void AuthorPan(int32_t* x, int32_t* y);
// A rectangle of the view picture (x, y and the far corner, columns already
// unwrapped) in the author's pixels.
int AuthorSourceRect(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t out[4]);
