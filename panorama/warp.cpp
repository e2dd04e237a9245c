// The cylindrical warp tables: per screen column, the picture rows advanced
// per screen row and the picture row at virtual row 0, both with 22 fraction
// bits.
#include <cstdlib>

#include "panorama/panorama.h"

int32_t ColumnScale[640];
int32_t ColumnOffset[640];

// Every step is one double operation rounded to nearest, in this order: twelve
// offsets whose exact value is an integer land just below it and truncate one
// lower, and the hit tests rely on the same values. The volatile keeps a
// compiler from fusing the multiply into the following subtraction.
void BuildWarpTables() {
    for (int i = 0; i < 640; i++) {
        int k = std::abs(320 - i);
        double d = k * 0.003125;
        double s = d * d;
        volatile double c = s * 0.42;
        double scale = ((0.9999 - c) / 1.2) * 4194304.0;
        double offset = ((c * 320) / 1.2) * 4194304.0;
        ColumnScale[i] = (int32_t)scale;
        ColumnOffset[i] = (int32_t)offset;
    }
}
