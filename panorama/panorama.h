// The panorama warp: per-column tables and the renderer.
#pragma once

#include <cstdint>

struct Image;

// 22 fraction bits; entry i is the same as entry 640 - i.
extern int32_t ColumnScale[640];
extern int32_t ColumnOffset[640];

void BuildWarpTables();
// Draws the column-major panorama into destination inside the letterbox
// window; wraps PanX and clamps PanY.
int DrawPanorama(Image* destination, Image* panorama);
