// The input is taken as a picture of a source folder, its first byte
// choosing the place it takes: it is read as `zemworld build` reads it (its
// header judged for the place, then decoded), then made transparent, sampled
// and mapped onto a palette as the build does. Whatever the bytes say,
// nothing is read or written outside a buffer, a refusal names the file and
// a reason, and a decoded picture has the size its header promised, within
// its place.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/source_file.h"
#include "tools/zemworld/import.h"

static const PictureLimit* const Places[] = {&SpriteFrameLimit, &PdaLimit, &IconLimit,
                                             &CursorLimit, &LogoLimit, &IconPaletteLimit};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const PictureLimit& limit = *Places[data[0] % (sizeof Places / sizeof Places[0])];
    std::string folder;
    if (!WriteSourceFile("p.png", data + 1, size - 1, &folder)) std::abort();
    Report report;
    Build b;
    b.root = folder;
    b.scriptShown = "game.txt";
    b.report = &report;
    Rgba picture;
    int ok = SourcePictureSize(&b, "p.png", 1, "picture", limit) &&
             LoadSourcePicture(&b, "p.png", 1, "picture", limit, &picture);
    if (!ok) {
        if (report.errors != 1 || report.items[0].text.find("'p.png' ") == std::string::npos) std::abort();
        return 0;
    }
    std::string why;
    if (report.errors || !PictureFits(picture.width, picture.height, limit, &why) ||
        picture.width != b.sizes["p.png"].first || picture.height != b.sizes["p.png"].second ||
        picture.pixels.size() != (size_t)picture.width * picture.height * 4)
        std::abort();
    SplitTransparency(&picture, picture.width - 1);
    Rgba sample = HistogramSample(picture, 1000);
    // One palette for every input: its table of nearest colours is filled
    // as colours are met.
    static Palette palette;
    if (palette.transparent != 0) {
        std::vector<FixedSlot> grey;
        for (int i = 0; i < 16; i++) grey.push_back({{(uint8_t)(i * 17), (uint8_t)(i * 17), (uint8_t)(i * 17)}, i + 1});
        FixedPalette(grey, &palette);
        palette.transparent = 0;
    }
    std::vector<uint8_t> indices = RemapPicture(palette, sample, ImportDither);
    if (indices.size() != (size_t)sample.width * sample.height) std::abort();
    for (size_t i = 0; i < indices.size(); i++)
        if ((indices[i] == 0) != (sample.pixels[i * 4 + 3] == 0)) std::abort();
    return 0;
}
