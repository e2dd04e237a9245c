// The input is taken as the offset file of a small frame series and the
// series is loaded in every layout. Whatever the lines say, the loader reads
// only inside its buffers, ends, and the release leaves nothing behind; each
// frame draws at its position with the save-under picture and restores
// exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/image/pictures.h"

static const int32_t Side = 64;

static void DrawFrames(Sprite* sprite) {
    std::vector<uint8_t> start(Side * Side);
    for (size_t i = 0; i < start.size(); i++) start[i] = (uint8_t)(i * 5 + 1);
    std::vector<uint8_t> block = start;
    Image d = MemoryPicture(block, Side, Side);
    for (int32_t k = 0; k < sprite->count; k++, AdvanceSprite(sprite)) {
        Image* frame = sprite->current;
        if (frame->x < 0 || frame->y < 0) continue;
        if (!BlitImage(&d, frame, sprite->saveUnder)) std::abort();
        sprite->saveUnder->x = frame->x;
        sprite->saveUnder->y = frame->y;
        if (!BlitImage(&d, sprite->saveUnder, nullptr) || block != start) std::abort();
    }
    if (sprite->index != 0 || sprite->current != sprite->first) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FreshProgram();
    std::vector<uint8_t> frame1(5 * 4, 3);
    frame1[0] = frame1[7] = frame1[8] = 0;
    if (InstallArchive({{"S0000.BMP", MakeFilledBmp(3, 2, 1)},
                        {"S0001.BMP", MakeSimpleBmp(5, 4, frame1)},
                        {"S0002.BMP", MakeFilledBmp(2, 6, 2)},
                        {"Sinfo.txt", std::vector<uint8_t>(data, data + size)}}) != 1)
        return 0;
    int32_t blocks = LiveBlocks, bytes = LiveBytes;
    std::vector<uint8_t> scratch(256);
    for (int combination = 0; combination < 4; combination++) {
        int encode = combination & 1, columnMajor = combination >> 1;
        Sprite* sprite = nullptr;
        if (zemLoadSprite("S0000.BMP", &sprite, encode ? scratch.data() : nullptr, 256, encode,
                          columnMajor, Side, Side)) {
            if (sprite->count != 3 || sprite->largestSize < sprite->first->size) std::abort();
            DrawFrames(sprite);
        }
        FreeSprite(&sprite);
        if (LiveBlocks != blocks || LiveBytes != bytes) std::abort();
    }
    return 0;
}
