// Palettes: colours chosen by libimagequant, laid out in the slots the
// viewer relies on, written so that the viewer's gamma shows the colours the
// author painted; pictures mapped onto them with error diffusion.
#include <dlfcn.h>
#include <libimagequant.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/assets/assets.h"
#include "tools/zemworld/import.h"

const int CursorSlots[CursorSlotCount] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 210, 211, 212, 213, 214, 215, 216};

// The viewer's start-up gamma; the loader turns a colour-table byte c into
// trunc(256 * (c / 256)^1.2).
static const double ViewerGammaExponent = 1.2;

uint8_t ViewerGamma(uint8_t fileByte) {
    return (uint8_t)(std::pow(fileByte * 0.00390625, ViewerGammaExponent) * 256);
}

uint8_t FileByteFor(uint8_t wanted) {
    static uint8_t table[256];
    static int built = 0;
    if (!built) {
        for (int w = 0; w < 256; w++) {
            int best = 0, bestError = 1 << 20;
            for (int b = 0; b < 256; b++) {
                int error = std::abs(ViewerGamma((uint8_t)b) - w);
                if (error < bestError) {
                    bestError = error;
                    best = b;
                }
            }
            table[w] = (uint8_t)best;
        }
        built = 1;
    }
    return table[wanted];
}

static int Distance(const uint8_t* a, const uint8_t* b) {
    int dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return dr * dr + dg * dg + db * db;
}

static int InRemapRange(int slot) { return slot >= RemapFirst && slot <= RemapLast; }

static void SetSlot(Palette* p, int slot, const uint8_t* rgb, int real) {
    for (int c = 0; c < 3; c++) {
        p->wanted[slot][c] = rgb[c];
        p->file[slot][c] = FileByteFor(rgb[c]);
        p->shown[slot][c] = ViewerGamma(p->file[slot][c]);
    }
    p->real[slot] = (uint8_t)real;
}

static void ClearPalette(Palette* p) {
    static const uint8_t black[3] = {0, 0, 0};
    for (int i = 0; i < 256; i++) SetSlot(p, i, black, 0);
    p->transparent = -1;
    p->nearest.clear();
}

void FixedPalette(const std::vector<FixedSlot>& colours, Palette* out) {
    ClearPalette(out);
    for (const FixedSlot& f : colours)
        if (f.slot >= 0 && f.slot < 256) SetSlot(out, f.slot, f.rgb, 1);
}

// libimagequant's OpenMP threads spin while they wait; on a busy machine
// that doubled a build's processor time for no gain, so it gets one thread.
static void OneQuantiserThread() {
    static int done = 0;
    if (done) return;
    done = 1;
    auto set = (void (*)(int))dlsym(RTLD_DEFAULT, "omp_set_num_threads");
    if (set) set(1);
}

int HistogramStep(const Rgba& p, double most) {
    return std::max(1, (int)std::ceil(std::sqrt((double)p.width * p.height / std::max(1.0, most))));
}

Rgba HistogramSample(const Rgba& p, double most) {
    int step = HistogramStep(p, most);
    if (step <= 1) return p;
    Rgba s = MakeRgba(std::max(1, p.width / step), std::max(1, p.height / step), 0);
    // A picture narrower (or lower) than the step keeps its one column (row).
    for (int32_t y = 0; y < s.height; y++)
        for (int32_t x = 0; x < s.width; x++) {
            int64_t row = std::min<int64_t>((int64_t)y * step + x % step, p.height - 1);
            int64_t column = std::min<int64_t>((int64_t)x * step + y % step, p.width - 1);
            std::memcpy(&s.pixels[((size_t)y * s.width + x) * 4], &p.pixels[((size_t)row * p.width + column) * 4], 4);
        }
    return s;
}

// The histogram of a palette's pictures and the fixed colours added to it.
namespace {
struct Quantiser {
    liq_attr* attr = nullptr;
    liq_histogram* histogram = nullptr;
    size_t fixedAdded = 0;
    int empty = 1;
};
}  // namespace

static int StartQuantiser(const PaletteRequest& request, Quantiser* q) {
    q->attr = liq_attr_create();
    q->histogram = q->attr ? liq_histogram_create(q->attr) : nullptr;
    if (!q->histogram) return 0;
    liq_set_speed(q->attr, 4);
    // Large pictures are sampled (a quarter of a 2048-column panorama is as
    // good a histogram, at a quarter of the time); small ones count several
    // times, so that an object on a big view still gets colours of its own.
    std::vector<Rgba> samples(request.pictures.size());
    int64_t total = 0;
    for (size_t i = 0; i < request.pictures.size(); i++) {
        const Rgba* p = request.pictures[i];
        if (HistogramStep(*p, HistogramPixels) > 1) {
            samples[i] = HistogramSample(*p, HistogramPixels);
            p = &samples[i];
        }
        total += (int64_t)p->width * p->height;
    }
    for (size_t i = 0; i < request.pictures.size(); i++) {
        const Rgba* p = samples[i].width ? &samples[i] : request.pictures[i];
        if (p->width < 1 || p->height < 1) continue;
        int64_t n = (int64_t)p->width * p->height;
        int repeats = (int)std::clamp<int64_t>(total * 3 / 100 / n, 1, 8);
        liq_image* image = liq_image_create_rgba(q->attr, p->pixels.data(), p->width, p->height, 0);
        if (!image) continue;
        for (int r = 0; r < repeats; r++) q->empty &= liq_histogram_add_image(q->histogram, q->attr, image) != LIQ_OK;
        liq_image_destroy(image);
    }
    if (!request.remapped.empty()) {
        std::vector<liq_histogram_entry> entries;
        for (const WeightedColour& w : request.remapped)
            entries.push_back({{w.rgb[0], w.rgb[1], w.rgb[2], 255}, std::max(1u, w.weight)});
        q->empty &= liq_histogram_add_colors(q->histogram, q->attr, entries.data(), (int)entries.size(), 0) != LIQ_OK;
    }
    return 1;
}

static void StopQuantiser(Quantiser* q) {
    if (q->histogram) liq_histogram_destroy(q->histogram);
    if (q->attr) liq_attr_destroy(q->attr);
}

static int BuildOnce(const PaletteRequest& request, Quantiser* q, Palette* out, std::string* why) {
    ClearPalette(out);
    int taken[256] = {0};
    for (const FixedSlot& f : request.fixed) {
        SetSlot(out, f.slot, f.rgb, 1);
        taken[f.slot] = 1;
    }
    int fixedSlots = 0;
    for (int i = 0; i < 256; i++) fixedSlots += taken[i];
    // Room kept in the remap range for copies of fixed colours that the
    // remapped pictures need there.
    int copies = request.remapped.empty() ? 0 : 6;
    int room = 256 - fixedSlots - copies - (request.reserveTransparent ? 1 : 0);
    int maxColours = std::min(request.maxColours - fixedSlots, room);

    std::vector<liq_color> chosen;
    int transparentEntry = 0;
    if (maxColours >= 2 && !q->empty) {
        // Fixed colours take part, so that the chosen ones fit round them.
        for (; q->fixedAdded < request.fixed.size(); q->fixedAdded++) {
            const FixedSlot& f = request.fixed[q->fixedAdded];
            liq_histogram_add_fixed_color(q->histogram, {f.rgb[0], f.rgb[1], f.rgb[2], 255}, 0);
        }
        liq_result* result = nullptr;
        liq_error error = liq_set_max_colors(q->attr, std::min(256, maxColours + fixedSlots));
        if (error == LIQ_OK) error = liq_histogram_quantize(q->histogram, q->attr, &result);
        if (error != LIQ_OK || !result) {
            *why = "the colour quantiser failed (error " + std::to_string((int)error) + ")";
            return 0;
        }
        const liq_palette* palette = liq_get_palette(result);
        for (unsigned i = 0; i < palette->count; i++) {
            const liq_color& c = palette->entries[i];
            if (c.a < 128) {
                transparentEntry = 1;
                continue;
            }
            // The fixed colours are in their slots already.
            uint8_t rgb[3] = {c.r, c.g, c.b};
            int isFixed = 0;
            for (const FixedSlot& f : request.fixed) isFixed |= Distance(f.rgb, rgb) <= 3;
            if (!isFixed) chosen.push_back(c);
        }
        liq_result_destroy(result);
    }

    // The transparent key: outside the remap range, where no remapped
    // picture can land on it.
    if (transparentEntry || request.reserveTransparent) {
        int slot = request.transparentSlot;
        for (int i = 255; slot < 0 && i > 0; i--)
            if (!taken[i] && !InRemapRange(i)) slot = i;
        if (slot >= 0) {
            taken[slot] = 1;
            out->transparent = slot;
        }
    }

    // The colours the remapped pictures lean on most go into the range the
    // viewer remaps onto; the rest fill the slots outside it first.
    std::vector<double> use(chosen.size(), 0);
    for (const WeightedColour& w : request.remapped) {
        int best = -1, bestDistance = 1 << 30;
        for (size_t i = 0; i < chosen.size(); i++) {
            uint8_t rgb[3] = {chosen[i].r, chosen[i].g, chosen[i].b};
            int d = Distance(rgb, w.rgb);
            if (d < bestDistance) {
                bestDistance = d;
                best = (int)i;
            }
        }
        if (best >= 0) use[best] += w.weight;
    }
    std::vector<size_t> order(chosen.size());
    for (size_t i = 0; i < order.size(); i++) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return use[a] > use[b]; });
    std::vector<int> inside, outside;
    for (int i = 0; i < 256; i++)
        if (!taken[i]) (InRemapRange(i) ? inside : outside).push_back(i);
    size_t keep = std::min(inside.size(), (size_t)copies);
    std::vector<int> reserve(inside.end() - keep, inside.end());
    inside.resize(inside.size() - keep);
    size_t next = 0;
    for (size_t n = 0; n < order.size(); n++) {
        int slot = -1;
        if (use[order[n]] > 0 && next < inside.size()) {
            slot = inside[next++];
        } else if (!outside.empty()) {
            slot = outside.front();
            outside.erase(outside.begin());
        } else if (next < inside.size()) {
            slot = inside[next++];
        } else if (!reserve.empty()) {
            slot = reserve.front();
            reserve.erase(reserve.begin());
        }
        if (slot < 0) break;
        const liq_color& c = chosen[order[n]];
        uint8_t rgb[3] = {c.r, c.g, c.b};
        SetSlot(out, slot, rgb, 1);
        taken[slot] = 1;
    }
    // Copies of colours that sit only outside the range but are what a
    // remapped colour needs, heaviest first.
    std::vector<int> freeInside;
    for (int i = RemapFirst; i <= RemapLast; i++)
        if (!taken[i]) freeInside.push_back(i);
    std::vector<WeightedColour> byWeight = request.remapped;
    std::stable_sort(byWeight.begin(), byWeight.end(),
                     [](const WeightedColour& a, const WeightedColour& b) { return a.weight > b.weight; });
    for (const WeightedColour& w : byWeight) {
        if (freeInside.empty()) break;
        int bestAll = -1, dAll = 1 << 30, dInside = 1 << 30;
        for (int i = 0; i < 256; i++) {
            if (!out->real[i] || i == out->transparent) continue;
            int d = Distance(out->wanted[i], w.rgb);
            if (d < dAll) {
                dAll = d;
                bestAll = i;
            }
            if (InRemapRange(i)) dInside = std::min(dInside, d);
        }
        if (bestAll >= 0 && !InRemapRange(bestAll) && dInside > dAll + 12) {
            SetSlot(out, freeInside.front(), out->wanted[bestAll], 1);
            taken[freeInside.front()] = 1;
            freeInside.erase(freeInside.begin());
        }
    }
    return 1;
}

// Every colour that is remapped onto the location must find one within this
// distance among entries 10 to 209 (about one step of a 32-level ramp in
// each channel; the gamma moves each side by at most one more).
static const int CoverRadius = 18;

static std::vector<WeightedColour> Uncovered(const Palette& p, const std::vector<WeightedColour>& colours) {
    std::vector<WeightedColour> out;
    for (const WeightedColour& w : colours) {
        int best = 1 << 30;
        for (int i = RemapFirst; i <= RemapLast; i++)
            if (p.real[i]) best = std::min(best, Distance(p.wanted[i], w.rgb));
        if (best > CoverRadius * CoverRadius) out.push_back(w);
    }
    return out;
}

// Greedy stand-ins for colours: the heaviest first, each covering those
// near it.
static std::vector<WeightedColour> StandIns(std::vector<WeightedColour> colours) {
    std::stable_sort(colours.begin(), colours.end(),
                     [](const WeightedColour& a, const WeightedColour& b) { return a.weight > b.weight; });
    std::vector<WeightedColour> out;
    std::vector<int> done(colours.size(), 0);
    for (size_t i = 0; i < colours.size(); i++) {
        if (done[i]) continue;
        out.push_back(colours[i]);
        for (size_t j = i; j < colours.size(); j++)
            done[j] |= Distance(colours[i].rgb, colours[j].rgb) <= CoverRadius * CoverRadius;
    }
    return out;
}

static int BuildPaletteWith(const PaletteRequest& request, Quantiser* q, Palette* out, std::string* why) {
    if (!BuildOnce(request, q, out, why)) return 0;
    std::vector<WeightedColour> uncovered = Uncovered(*out, request.remapped);
    if (uncovered.empty()) return 1;
    // Colours of the remapped pictures that no entry of the range comes
    // near get entries of their own, and the palette is made again round
    // them.
    PaletteRequest again = request;
    int taken[256] = {0};
    for (const FixedSlot& f : request.fixed) taken[f.slot] = 1;
    if (request.transparentSlot >= 0) taken[request.transparentSlot] = 1;
    int slot = RemapLast;
    for (const WeightedColour& w : StandIns(uncovered)) {
        while (slot >= RemapFirst && taken[slot]) slot--;
        if (slot < RemapFirst) break;
        taken[slot] = 1;
        again.fixed.push_back({{w.rgb[0], w.rgb[1], w.rgb[2]}, slot});
    }
    // A histogram is used up by its quantisation.
    StopQuantiser(q);
    *q = Quantiser();
    if (!StartQuantiser(request, q) || !BuildOnce(again, q, out, why)) return 0;
    // The few the new palette leaves out take the place of entries that
    // have a near twin and are not the only ones near a remapped colour.
    for (int round = 0; round < 256; round++) {
        std::vector<WeightedColour> left = StandIns(Uncovered(*out, request.remapped));
        if (left.empty()) break;
        int needed[256] = {0};
        for (const WeightedColour& w : request.remapped) {
            int only = -1, near = 0;
            for (int i = RemapFirst; i <= RemapLast; i++)
                if (out->real[i] && Distance(out->wanted[i], w.rgb) <= CoverRadius * CoverRadius) {
                    only = i;
                    near++;
                }
            if (near == 1) needed[only] = 1;
        }
        int victim = -1, closest = 1 << 30;
        for (int i = RemapFirst; i <= RemapLast && closest > 0; i++) {
            if (taken[i] || needed[i]) continue;
            if (!out->real[i]) {
                victim = i;
                break;
            }
            for (int j = 0; j < 256; j++) {
                if (j == i || !out->real[j] || j == out->transparent) continue;
                int d = Distance(out->wanted[i], out->wanted[j]);
                if (d < closest) {
                    closest = d;
                    victim = i;
                }
            }
        }
        if (victim < 0) break;
        SetSlot(out, victim, left[0].rgb, 1);
        taken[victim] = 1;
    }
    return 1;
}

int BuildPalette(const PaletteRequest& request, Palette* out, std::string* why) {
    OneQuantiserThread();
    Quantiser q;
    int ok = StartQuantiser(request, &q) && BuildPaletteWith(request, &q, out, why);
    if (!q.histogram && why->empty()) *why = "cannot start the colour quantiser";
    StopQuantiser(&q);
    return ok;
}

// Nearest allowed slot for a colour, from a table of 7-bit cells filled as
// they are met.
static int Nearest(Palette* p, const int* allowed, int count, int r, int g, int b) {
    if (p->nearest.empty()) p->nearest.assign(1u << 21, -1);
    uint32_t cell = (uint32_t)(r >> 1) << 14 | (uint32_t)(g >> 1) << 7 | (uint32_t)(b >> 1);
    int16_t& hit = p->nearest[cell];
    if (hit >= 0) return hit;
    uint8_t centre[3] = {(uint8_t)(r | 1), (uint8_t)(g | 1), (uint8_t)(b | 1)};
    int best = allowed[0], bestDistance = 1 << 30;
    for (int i = 0; i < count; i++) {
        int d = Distance(p->shown[allowed[i]], centre);
        if (d < bestDistance) {
            bestDistance = d;
            best = allowed[i];
        }
    }
    hit = (int16_t)best;
    return best;
}

std::vector<uint8_t> RemapPicture(Palette& palette, const Rgba& picture, float dither) {
    int allowed[256], count = 0;
    for (int i = 0; i < 256; i++)
        if (palette.real[i] && i != palette.transparent) allowed[count++] = i;
    if (!count) allowed[count++] = 0;
    int32_t w = picture.width, h = picture.height;
    std::vector<uint8_t> out((size_t)w * h, (uint8_t)std::max(0, palette.transparent));
    // Floyd-Steinberg, serpentine; errors are kept in two rows.
    std::vector<float> error((size_t)(w + 2) * 3 * 2, 0.0f);
    for (int32_t y = 0; y < h; y++) {
        float* here = &error[(size_t)(y & 1) * (w + 2) * 3];
        float* below = &error[(size_t)((y + 1) & 1) * (w + 2) * 3];
        std::fill(below, below + (size_t)(w + 2) * 3, 0.0f);
        int forward = (y & 1) == 0;
        for (int32_t n = 0; n < w; n++) {
            int32_t x = forward ? n : w - 1 - n;
            const uint8_t* s = &picture.pixels[((size_t)y * w + x) * 4];
            float* e = &here[(size_t)(x + 1) * 3];
            if (s[3] < 128) {
                out[(size_t)y * w + x] = (uint8_t)std::max(0, palette.transparent);
                continue;
            }
            int v[3];
            for (int c = 0; c < 3; c++) v[c] = std::clamp((int)std::lround(s[c] + e[c] * dither), 0, 255);
            int slot = Nearest(&palette, allowed, count, v[0], v[1], v[2]);
            out[(size_t)y * w + x] = (uint8_t)slot;
            if (dither <= 0) continue;
            int step = forward ? 3 : -3;
            for (int c = 0; c < 3; c++) {
                float err = (float)(v[c] - palette.shown[slot][c]);
                e[step + c] += err * 7 / 16;
                below[(size_t)(x + 1) * 3 - step + c] += err * 3 / 16;
                below[(size_t)(x + 1) * 3 + c] += err * 5 / 16;
                below[(size_t)(x + 1) * 3 + step + c] += err * 1 / 16;
            }
        }
    }
    return out;
}

double PsnrFromError(double squaredError, int64_t samples) {
    if (samples <= 0) return 99.0;
    double mse = squaredError / (double)samples;
    return mse <= 0 ? 99.0 : std::min(99.0, 10 * std::log10(255.0 * 255.0 / mse));
}

double PicturePsnr(const Palette& palette, const Rgba& picture, const std::vector<uint8_t>& indices,
                   double* errorSum, int64_t* pixelSum) {
    double sum = 0;
    int64_t samples = 0;
    for (size_t i = 0; i < indices.size(); i++) {
        const uint8_t* s = &picture.pixels[i * 4];
        if (s[3] < 128) continue;
        sum += Distance(s, palette.shown[indices[i]]);
        samples += 3;
    }
    if (errorSum) *errorSum += sum;
    if (pixelSum) *pixelSum += samples;
    return PsnrFromError(sum, samples);
}

std::vector<uint8_t> PaletteBmp(const Palette& palette, int32_t width, int32_t height,
                                const std::vector<uint8_t>& indices) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels = indices;
    for (int i = 0; i < 256; i++)
        layout.colours.push_back((uint32_t)palette.file[i][0] << 16 | (uint32_t)palette.file[i][1] << 8 |
                                 palette.file[i][2]);
    return MakeBmp(layout);
}

void AddUsedColours(const Palette& palette, const std::vector<uint8_t>& indices,
                    std::map<uint32_t, uint32_t>* counts) {
    uint32_t perSlot[256] = {0};
    for (uint8_t i : indices) perSlot[i]++;
    for (int i = 0; i < 256; i++) {
        if (!perSlot[i] || i == palette.transparent || !palette.real[i]) continue;
        uint32_t key = (uint32_t)palette.wanted[i][0] << 16 | (uint32_t)palette.wanted[i][1] << 8 | palette.wanted[i][2];
        (*counts)[key] += perSlot[i];
    }
}
