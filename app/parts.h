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
