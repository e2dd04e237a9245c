// From the author's view picture to the one the viewer draws: closeups as
// they are, cylinder panoramas scaled to at most 2048 columns, and 360-degree
// photos (equirectangular: longitude across, latitude down, 2:1) projected
// onto the cylinder the warp expects.
//
// The projection. The warp shows one picture column per screen column, so a
// column is 2*pi/N radians of longitude for an N-column panorama. Down a
// column it draws ColumnScale picture rows per screen row: 1/1.2 at the
// centre of the screen, fewer towards the edges, as a flat screen shows a
// cylinder. Every column shows the same picture row at virtual row 320,
// 320 / 1.2 = 266.7: that row is drawn straight and is where the horizon
// belongs. A cylinder row Y holds the direction whose tangent of latitude is
// (horizon - Y) / k. Choosing k = N / (2 pi * 1.2) makes a small object in
// the middle of the screen as tall as it is wide. With N = 2048 (k = 271.6)
// the 533 rows reach 44.5 degrees above and below the horizon; the warp needs
// at least 400 rows to fill the screen and can address at most 1023.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "panorama/panorama.h"
#include "tools/zemworld/import.h"

static const double Pi = 3.14159265358979323846;

// The warp's rows per screen row at the centre column, from the system's
// own tables.
static double CentreScale() {
    if (ColumnScale[320] == 0) BuildWarpTables();
    return ColumnScale[320] / 4194304.0;
}

double WarpHorizonRow() { return 320 * CentreScale(); }

ViewTransform MakeViewTransform(int shape, int32_t sourceWidth, int32_t sourceHeight, int32_t width) {
    ViewTransform t;
    t.shape = shape;
    t.sourceWidth = sourceWidth;
    t.sourceHeight = sourceHeight;
    if (shape == SHAPE_CLOSEUP) {
        t.width = width > 0 ? width : sourceWidth;
        t.height = std::max(1, (int32_t)std::lround((double)sourceHeight * t.width / sourceWidth));
    } else if (shape == SHAPE_CYLINDER) {
        t.width = width > 0 ? width : std::min(sourceWidth, 2048);
        t.height = std::max(1, (int32_t)std::lround((double)sourceHeight * t.width / sourceWidth));
    } else {
        t.width = width > 0 ? width : 2048;
        t.height = CylinderRows;
        t.rowsPerTan = t.width / (2 * Pi) * CentreScale();
        t.horizon = WarpHorizonRow();
    }
    return t;
}

double MapColumn(const ViewTransform& t, double u) { return u * t.width / t.sourceWidth; }
double SourceColumn(const ViewTransform& t, double x) { return x * t.sourceWidth / t.width; }

double MapRow(const ViewTransform& t, double v) {
    if (t.shape != SHAPE_EQUIRECT) return v * t.height / t.sourceHeight;
    double latitude = Pi * (0.5 - v / t.sourceHeight);
    // Near the poles the cylinder runs off to infinity; a place a whole
    // picture height beyond it is as far as anything needs to land.
    latitude = std::clamp(latitude, -Pi / 2 + 1e-6, Pi / 2 - 1e-6);
    return std::clamp(t.horizon - t.rowsPerTan * std::tan(latitude), -(double)t.height, 2.0 * t.height);
}

double SourceRow(const ViewTransform& t, double y) {
    if (t.shape != SHAPE_EQUIRECT) return y * t.sourceHeight / t.height;
    double latitude = std::atan((t.horizon - y) / t.rowsPerTan);
    return t.sourceHeight * (0.5 - latitude / Pi);
}

// Script numbers may be anything a 32-bit number holds; the results stay
// inside that range too.
static int32_t Whole(double v) { return (int32_t)std::clamp(std::round(v), -2147483648.0, 2147483647.0); }

void MapRect(const ViewTransform& t, int32_t x, int32_t y, int32_t w, int32_t h, int32_t* outX,
             int32_t* outY, int32_t* outW, int32_t* outH) {
    double x0 = std::round(MapColumn(t, x)), x1 = std::round(MapColumn(t, (double)x + w));
    double y0 = std::round(MapRow(t, y)), y1 = std::round(MapRow(t, (double)y + h));
    *outX = Whole(x0);
    *outY = Whole(y0);
    *outW = std::max(1, Whole(x1 - x0));
    *outH = std::max(1, Whole(y1 - y0));
}

// Straight-alpha pixel at (u, v) in pixel-centre coordinates, bilinear,
// premultiplied into sum.
static void Sample(const Rgba& p, double u, double v, int wrap, double sum[4]) {
    u -= 0.5;
    v -= 0.5;
    double fu = std::floor(u), fv = std::floor(v);
    double au = u - fu, av = v - fv;
    int64_t c0 = (int64_t)fu, r0 = (int64_t)fv;
    for (int k = 0; k < 4; k++) {
        int64_t c = c0 + (k & 1), r = r0 + (k >> 1);
        double weight = ((k & 1) ? au : 1 - au) * ((k >> 1) ? av : 1 - av);
        if (wrap)
            c = ((c % p.width) + p.width) % p.width;
        else
            c = std::clamp<int64_t>(c, 0, p.width - 1);
        r = std::clamp<int64_t>(r, 0, p.height - 1);
        const uint8_t* s = &p.pixels[((size_t)r * p.width + c) * 4];
        double a = s[3] / 255.0 * weight;
        sum[0] += s[0] * a;
        sum[1] += s[1] * a;
        sum[2] += s[2] * a;
        sum[3] += a;
    }
}

Rgba ResampleView(const ViewTransform& t, const Rgba& patch, int32_t patchX, int32_t patchY, int32_t x,
                  int32_t y, int32_t w, int32_t h) {
    Rgba out = MakeRgba(w, h, 0);
    if (patch.width < 1 || patch.height < 1) return out;
    int identity = t.width == t.sourceWidth && t.height == t.sourceHeight && t.shape != SHAPE_EQUIRECT;
    int wrap = t.shape != SHAPE_CLOSEUP && patch.width == t.sourceWidth && patchX == 0;
    if (identity) {
        for (int32_t j = 0; j < h; j++)
            for (int32_t i = 0; i < w; i++) {
                int64_t c = (int64_t)x + i - patchX, r = (int64_t)y + j - patchY;
                if (wrap) c = ((c % patch.width) + patch.width) % patch.width;
                if (c < 0 || r < 0 || c >= patch.width || r >= patch.height) continue;
                std::memcpy(&out.pixels[((size_t)j * w + i) * 4], &patch.pixels[((size_t)r * patch.width + c) * 4], 4);
            }
        return out;
    }
    // Each built pixel averages n x n bilinear samples over the source area
    // it covers, so that a large photo does not alias.
    double stepU = (double)t.sourceWidth / t.width;
    int nu = std::clamp((int)std::ceil(stepU), 1, 8);
    std::vector<double> rowAt((size_t)h * 8);
    std::vector<int> rowSamples(h);
    for (int32_t j = 0; j < h; j++) {
        double top = SourceRow(t, (double)y + j), bottom = SourceRow(t, (double)y + j + 1);
        int nv = std::clamp((int)std::ceil(std::fabs(bottom - top)), 1, 8);
        rowSamples[j] = nv;
        for (int s = 0; s < nv; s++) rowAt[(size_t)j * 8 + s] = top + (bottom - top) * (s + 0.5) / nv - patchY;
    }
    for (int32_t j = 0; j < h; j++)
        for (int32_t i = 0; i < w; i++) {
            double left = SourceColumn(t, (double)x + i) - patchX;
            double sum[4] = {0, 0, 0, 0};
            int nv = rowSamples[j];
            for (int sv = 0; sv < nv; sv++)
                for (int su = 0; su < nu; su++)
                    Sample(patch, left + stepU * (su + 0.5) / nu, rowAt[(size_t)j * 8 + sv], wrap, sum);
            uint8_t* o = &out.pixels[((size_t)j * w + i) * 4];
            double n = (double)nu * nv;
            if (sum[3] > 0)
                for (int c = 0; c < 3; c++) o[c] = (uint8_t)std::clamp(sum[c] / sum[3] + 0.5, 0.0, 255.0);
            o[3] = (uint8_t)std::clamp(sum[3] / n * 255 + 0.5, 0.0, 255.0);
        }
    return out;
}
