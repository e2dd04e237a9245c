// The input is taken as a BMP in an archive and loaded with every argument
// combination the program uses. Whatever the headers say, the loader stays
// inside its buffers, refuses what it cannot load and leaves nothing behind;
// what it does load draws with a save-under copy and restores exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/image/pictures.h"

static const int32_t Side = 96;

// Draw at a place the input chooses (often across the edges), then restore.
// The destination's pattern is made once: filled on every draw, it cost the
// target half its time.
static const std::vector<uint8_t>& Pattern() {
    static const std::vector<uint8_t> pattern = [] {
        std::vector<uint8_t> p(Side * Side);
        for (size_t i = 0; i < p.size(); i++) p[i] = (uint8_t)(i * 7 + 3);
        return p;
    }();
    return pattern;
}

static void DrawAndRestore(Image* picture, Image* save, int32_t x, int32_t y) {
    const std::vector<uint8_t>& start = Pattern();
    std::vector<uint8_t> block = start;
    Image d = MemoryPicture(block, Side, Side);
    picture->x = x;
    picture->y = y;
    if (!BlitImage(&d, picture, save)) std::abort();
    save->x = x;
    save->y = y;
    if (!BlitImage(&d, save, nullptr) || block != start) std::abort();
    BlitImage(&d, picture, nullptr);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FreshProgram();
    std::vector<uint8_t> file(data, data + size);
    if (InstallArchive({{"F.BMP", file}, {"G.BMP", MakeFilledBmp(3, 2, 1)}}) != 1) return 0;
    for (int i = 0; i < 256; i++) RemapTable[i] = (uint8_t)(255 - i);
    int32_t blocks = LiveBlocks, bytes = LiveBytes;
    std::vector<uint8_t> scratch(1 << 16);
    uint8_t palette[1024];
    int32_t x = size > 60 ? data[size - 1] % 120 : 0;
    int32_t y = size > 60 ? data[size - 2] % 120 : 0;

    zemLoadBMP("F.BMP", nullptr, palette, nullptr, 0, 0, 0, 0);
    for (int combination = 0; combination < 16; combination++) {
        int encode = combination & 1, columnMajor = (combination >> 1) & 1;
        int reuse = (combination >> 2) & 1;
        uint8_t* withScratch = (combination & 8) ? scratch.data() : nullptr;
        Image* picture = nullptr;
        Image* save = nullptr;
        // Reuse finds a record already there.
        if (reuse && !zemLoadBMP("G.BMP", &picture, nullptr, scratch.data(), 1 << 16, 0, encode, 0))
            std::abort();
        int loaded = zemLoadBMP("F.BMP", &picture, palette, withScratch, 1 << 16, reuse, encode,
                                columnMajor);
        if (loaded && !zemLoadBMP("F.BMP", &save, nullptr, withScratch, 1 << 16, 0, encode, columnMajor))
            std::abort();
        // A record kept by reuse may claim more than a fresh load holds; such
        // a save-under picture is refused by the blit.
        if (loaded && save->size >= picture->size) DrawAndRestore(picture, save, x, y);
        FreeImageList(&picture);
        FreeImageList(&save);
        if (LiveBlocks != blocks || LiveBytes != bytes) std::abort();
    }
    return 0;
}
