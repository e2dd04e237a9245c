// The colour remap table: each colour of a picture's own palette mapped to
// the nearest of the display palette's entries 10 to 209, applied once when
// encoded pictures are loaded.
#include "image/image.h"

void BuildRemapTable(const uint8_t* target, const uint8_t* source) {
    if (!target || !source) {
        for (int i = 0; i < 256; i++) RemapTable[i] = (uint8_t)i;
        return;
    }
    for (int i = 0; i < 256; i++) {
        const uint8_t* s = source + 4 * i;
        // Above the largest possible distance (3 x 255 x 255), so every entry
        // is set; the strict comparison keeps the lowest index on ties.
        int32_t best = 200000;
        for (int j = 10; j <= 209; j++) {
            const uint8_t* t = target + 4 * j;
            int32_t dr = (int32_t)s[0] - t[0];
            int32_t dg = (int32_t)s[1] - t[1];
            int32_t db = (int32_t)s[2] - t[2];
            int32_t d = dr * dr + dg * dg + db * db;
            if (d < best) {
                RemapTable[i] = (uint8_t)j;
                best = d;
            }
        }
    }
}
