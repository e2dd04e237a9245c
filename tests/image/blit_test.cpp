#include <cstring>

#include "backend/headless/headless.h"
#include "tests/image/pictures.h"

// A destination with a different byte everywhere.
static std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; i++) bytes[i] = (uint8_t)(i * 7 + 3);
    return bytes;
}

// A blit with save-under followed by the restore gives back the destination,
// for raw and encoded sources, inside, across the bottom and the right edge.
TEST(Blit, SaveUnderRestoresExactly) {
    FreshProgram();
    std::vector<uint8_t> frame = {0, 0, 5, 6, 0, 0,  1, 0, 0, 2, 3, 4,  9, 9, 9, 9, 9, 9,
                                  0, 8, 0, 8, 0, 8,  7, 7, 0, 0, 0, 0};  // 6 x 5, 0 transparent
    ASSERT_TRUE(Install({{"F.BMP", MakeSimpleBmp(6, 5, frame)}}));
    for (int encode = 0; encode < 2; encode++) {
        Image* source = nullptr;
        Image* save = nullptr;
        ASSERT_TRUE(zemLoadBMP("F.BMP", &source, nullptr, nullptr, 0, 0, encode, 0));
        ASSERT_TRUE(zemLoadBMP("F.BMP", &save, nullptr, nullptr, 0, 0, encode, 0));
        for (auto at : {std::pair<int, int>{2, 1}, {12, 3}, {4, 7}, {13, 8}}) {
            std::vector<uint8_t> start = Pattern(16 * 10), block = start;
            Image d = MemoryPicture(block, 16, 10);
            source->x = at.first;
            source->y = at.second;
            ASSERT_TRUE(BlitImage(&d, source, save));
            EXPECT_EQ(save->height, 5);
            for (int y = 0; y < 10; y++)
                for (int x = 0; x < 16; x++) {
                    int fx = x - at.first, fy = y - at.second;
                    bool inside = fx >= 0 && fx < 6 && fy >= 0 && fy < 5;
                    uint8_t want = inside && (!encode || frame[fy * 6 + fx]) ? frame[fy * 6 + fx] : start[y * 16 + x];
                    ASSERT_EQ(block[y * 16 + x], want) << encode << " " << x << "," << y;
                }
            save->x = source->x;
            save->y = source->y;
            ASSERT_TRUE(BlitImage(&d, save, nullptr));
            EXPECT_EQ(block, start);
        }
        // A save-under block smaller than the source is refused.
        save->size = source->size - 1;
        std::vector<uint8_t> block = Pattern(160), start = block;
        Image d = MemoryPicture(block, 16, 10);
        EXPECT_FALSE(BlitImage(&d, source, save));
        EXPECT_EQ(block, start);
        FreeImageList(&source);
        FreeImageList(&save);
    }
}

TEST(Blit, EncodedRowOverDestination) {
    std::vector<uint8_t> stream = {3, 0, 0, 0x80, 2, 0, 0, 0, 'p', 'q'}, saved(10);
    Image source = MemoryPicture(stream, 5, 1);
    source.encoded = 1;
    std::vector<uint8_t> row = {'0', '1', '2', '3', '4'};
    Image d = MemoryPicture(row, 5, 1);
    Image save = MemoryPicture(saved, 0, 0);
    ASSERT_TRUE(BlitImage(&d, &source, &save));
    EXPECT_EQ(row, (std::vector<uint8_t>{'0', '1', '2', 'p', 'q'}));
    EXPECT_EQ(saved, (std::vector<uint8_t>{3, 0, 0, 0x80, 2, 0, 0, 0, '3', '4'}));
    EXPECT_EQ(save.width * 100 + save.height * 10 + save.encoded, 511);

    // Runs that overrun the row or the stream stop the drawing.
    for (std::vector<uint8_t> damaged :
         {std::vector<uint8_t>{6, 0, 0, 0, 'x', 'y'}, {6, 0, 0, 0x80}, {3, 0, 0, 0, 'x', 'y'}}) {
        Image s = MemoryPicture(damaged, 5, 1);
        s.encoded = 1;
        EXPECT_FALSE(BlitImage(&d, &s, nullptr));
    }
}

TEST(Blit, RawRowsAndPlacement) {
    // Rows of 19, 20 and 37 bytes at every alignment give the same pixels.
    for (int width : {19, 20, 37})
        for (int x = 0; x < 4; x++) {
            std::vector<uint8_t> pixels = Pattern((size_t)width * 2), block(48 * 3, 0xEE);
            Image source = MemoryPicture(pixels, width, 2);
            source.x = x;
            source.y = 1;
            Image d = MemoryPicture(block, 48, 3);
            ASSERT_TRUE(BlitImage(&d, &source, nullptr));
            std::vector<uint8_t> want(48 * 3, 0xEE);
            for (int r = 0; r < 2; r++) std::memcpy(&want[(1 + r) * 48 + x], &pixels[r * width], width);
            ASSERT_EQ(block, want) << width << " at " << x;
        }
    std::vector<uint8_t> pixels(4, 1), block(16, 0);
    Image source = MemoryPicture(pixels, 2, 2);
    Image d = MemoryPicture(block, 4, 4);
    source.x = -1;
    EXPECT_FALSE(BlitImage(&d, &source, nullptr));
    source.x = 0;
    source.y = 4;  // below the destination: nothing to copy
    EXPECT_TRUE(BlitImage(&d, &source, nullptr));
    EXPECT_FALSE(BlitImage(&d, &d, nullptr));  // never onto itself
    d.encoded = 1;
    source.y = 0;
    EXPECT_FALSE(BlitImage(&d, &source, nullptr));
    EXPECT_EQ(block, std::vector<uint8_t>(16, 0));
}

TEST(Blit, DoubleSizeAndFill) {
    std::vector<uint8_t> odd = {'a', 'b', 'c'}, even = {'a', 'b', 'c', 'd'}, block(32 * 24, '.');
    Image d = MemoryPicture(block, 32, 24);
    Image source = MemoryPicture(odd, 3, 1);
    source.x = 10;
    source.y = 20;
    ASSERT_TRUE(BlitImageDouble(&d, &source));
    for (int r : {20, 21}) EXPECT_EQ(std::string((char*)&block[r * 32 + 9], 8), ".aabbcc.");
    EXPECT_EQ(block[22 * 32 + 10], '.');
    Image square = MemoryPicture(even, 2, 2);
    square.x = 1;
    ASSERT_TRUE(BlitImageDouble(&d, &square));
    for (int r = 0; r < 4; r++) EXPECT_EQ(std::string((char*)&block[r * 32], 6), r < 2 ? ".aabb." : ".ccdd.");
    // Areas that do not fit, and encoded sources, are refused.
    std::vector<uint8_t> before = block;
    for (auto at : {std::pair<int, int>{-1, 0}, {0, -1}, {27, 0}, {0, 23}}) {
        source.x = at.first;
        source.y = at.second;
        EXPECT_FALSE(BlitImageDouble(&d, &source));
    }
    source.x = source.y = 0;
    source.encoded = 1;
    EXPECT_FALSE(BlitImageDouble(&d, &source));
    EXPECT_EQ(block, before);

    std::vector<uint8_t> rows(8 * 4, 0);
    Image image = MemoryPicture(rows, 7, 4);
    image.pitch = 8;
    EXPECT_TRUE(FillRows(&image, 9, 2, 2));
    EXPECT_FALSE(FillRows(&image, 9, 0, 5));
    EXPECT_FALSE(FillRows(&image, 9, -1, 2));
    EXPECT_EQ(rows, std::vector<uint8_t>(32, 0));
    EXPECT_TRUE(FillRows(&image, 9, 1, 3));
    for (int i = 0; i < 32; i++) EXPECT_EQ(rows[i], (i >= 8 && i < 24 && i % 8 < 7) ? 9 : 0) << i;
}

TEST(Lock, SurfacesAreLockedForEachOperation) {
    FreshProgram();
    Image none{};
    EXPECT_FALSE(LockImage(nullptr));
    EXPECT_FALSE(LockImage(&none));  // a memory picture without a block
    // The back buffer of the headless display, as start-up makes it.
    BkDisplay* display = nullptr;
    BkSurface *primary = nullptr, *surface = nullptr;
    SurfaceDesc desc{};
    desc.size = sizeof desc;
    desc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.backBufferCount = 1;
    ASSERT_EQ(DisplayCreate(&display) | DisplaySetMode(display, 640, 480, 8) |
                  DisplayCreateSurface(display, &desc, &primary) |
                  SurfaceGetAttached(primary, DDSCAPS_BACKBUFFER, &surface),
              BK_OK);
    Image back{};
    back.surface = surface;
    std::vector<uint8_t> pixels = {4, 5};
    Image source = MemoryPicture(pixels, 2, 1);
    source.x = 638;
    source.y = 479;
    ASSERT_TRUE(BlitImage(&back, &source, nullptr));
    EXPECT_EQ(back.width * 1000 + back.height, 640480);
    EXPECT_EQ(HeadlessBackPixels()[479 * 640 + 639], 5);

    // Lost and busy surfaces are asked again; a lasting fault ends in 0.
    int locks = HeadlessCallCount(HOP_LOCK);
    HeadlessFail(HOP_LOCK, DDERR_SURFACELOST, 3);
    ASSERT_TRUE(FillRows(&back, 7, 0, 1));
    EXPECT_EQ(HeadlessCallCount(HOP_LOCK), locks + 4);
    EXPECT_EQ(HeadlessBackPixels()[639], 7);
    HeadlessFail(HOP_LOCK, DDERR_WASSTILLDRAWING, -1);
    EXPECT_FALSE(LockImage(&back));
    EXPECT_EQ(HeadlessCallCount(HOP_LOCK), locks + 4 + 1000);
    HeadlessFail(HOP_LOCK, DDERR_GENERIC, 1);
    EXPECT_FALSE(BlitImage(&back, &source, nullptr));
    HeadlessFail(HOP_LOCK, 0, 0);
    EXPECT_TRUE(LockImage(&back));
    UnlockImage(&back);
    FreshProgram();
}
