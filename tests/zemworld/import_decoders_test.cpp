// The picture decoders against pictures of known pixels in the layouts
// authors bring (PNG of every colour type and depth, interlaced; JPEG
// baseline and progressive; GIF with transparency, interlace and a frame
// smaller than its screen; TGA plain and run-length; BMP top-down and with
// bit fields), and sizes judged from the header for the place before any
// pixel is decoded.
#include <gtest/gtest.h>

#include <jpeglib.h>
#include <png.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstring>

#include "tests/zemworld/build_support.h"

namespace {

void Sink(void* context, void* data, int n) {
    auto* out = (std::vector<uint8_t>*)context;
    out->insert(out->end(), (uint8_t*)data, (uint8_t*)data + n);
}

void Put16(std::vector<uint8_t>* b, uint32_t v) {
    b->push_back((uint8_t)v);
    b->push_back((uint8_t)(v >> 8));
}
void Put32(std::vector<uint8_t>* b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// Four colours in a pattern every layout can hold exactly.
const uint8_t Colours[4][4] = {{0, 0, 0, 255}, {255, 0, 0, 255}, {0, 200, 60, 255}, {20, 40, 250, 255}};
int IndexAt(int32_t x, int32_t y) { return (x / 3 + y) % 4; }
Rgba Pattern(int32_t w, int32_t h) {
    Rgba p = MakeRgba(w, h, 0);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++) std::memcpy(&p.pixels[((size_t)y * w + x) * 4], Colours[IndexAt(x, y)], 4);
    return p;
}

// PNG through libpng in any colour type, depth and interlace.
std::vector<uint8_t> Png(const Rgba& p, int type, int depth, int interlace) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, [](png_structp s, png_bytep d, size_t n) {
        auto* o = (std::vector<uint8_t>*)png_get_io_ptr(s);
        o->insert(o->end(), d, d + n);
    }, nullptr);
    png_set_IHDR(png, info, p.width, p.height, depth, type, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[4];
    png_byte alpha[4] = {0, 255, 255, 255};
    if (type == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < 4; i++) palette[i] = {Colours[i][0], Colours[i][1], Colours[i][2]};
        png_set_PLTE(png, info, palette, 4);
        png_set_tRNS(png, info, alpha, 4, nullptr);
    }
    png_write_info(png, info);
    int channels = type == PNG_COLOR_TYPE_PALETTE ? 1 : type == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
    int bytes = depth / 8;
    std::vector<png_byte> rows((size_t)p.height * p.width * channels * bytes);
    for (int32_t i = 0; i < p.width * p.height; i++)
        for (int c = 0; c < channels; c++) {
            uint8_t v = type == PNG_COLOR_TYPE_PALETTE ? (uint8_t)IndexAt(i % p.width, i / p.width) : p.pixels[i * 4 + c];
            for (int k = 0; k < bytes; k++) rows[((size_t)i * channels + c) * bytes + k] = v;
        }
    std::vector<png_bytep> pointers(p.height);
    for (int32_t y = 0; y < p.height; y++) pointers[y] = &rows[(size_t)y * p.width * channels * bytes];
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<uint8_t> Jpeg(const Rgba& p, int progressive) {
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* memory = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&c, &memory, &length);
    c.image_width = p.width;
    c.image_height = p.height;
    c.input_components = 4;
    c.in_color_space = JCS_EXT_RGBA;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = (JSAMPROW)&p.pixels[(size_t)c.next_scanline * p.width * 4];
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(memory, memory + length);
    free(memory);
    return out;
}

// A GIF of the pattern's indices: the screen, then one frame at (left, top)
// of its own size. LZW codes are written one a pixel at the starting width,
// with a clear code before the table would grow, which every decoder reads.
std::vector<uint8_t> Gif(int32_t screenW, int32_t screenH, int32_t left, int32_t top, int32_t w, int32_t h,
                         int transparent, int interlace) {
    std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(&g, screenW);
    Put16(&g, screenH);
    g.push_back(0x81);  // a global table of four
    g.push_back(0);
    g.push_back(0);
    for (const auto& c : Colours) g.insert(g.end(), c, c + 3);
    if (transparent >= 0) g.insert(g.end(), {0x21, 0xF9, 4, 1, 0, 0, (uint8_t)transparent, 0});
    g.push_back(0x2C);
    Put16(&g, left);
    Put16(&g, top);
    Put16(&g, w);
    Put16(&g, h);
    g.push_back(interlace ? 0x40 : 0);
    g.push_back(2);  // code size: codes 0..3, clear 4, end 5, three bits wide
    std::vector<int> rows;
    for (int pass = 0, starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2}; pass < (interlace ? 4 : 1); pass++)
        for (int y = interlace ? starts[pass] : 0; y < h; y += interlace ? steps[pass] : 1) rows.push_back(y);
    std::vector<int> codes = {4};
    int sinceClear = 0;
    for (int y : rows)
        for (int x = 0; x < w; x++) {
            codes.push_back(IndexAt(left + x, top + y));
            if (++sinceClear == 2) {
                codes.push_back(4);
                sinceClear = 0;
            }
        }
    codes.push_back(5);
    std::vector<uint8_t> bits;
    uint32_t acc = 0;
    int n = 0;
    for (int code : codes) {
        acc |= (uint32_t)code << n;
        for (n += 3; n >= 8; n -= 8, acc >>= 8) bits.push_back((uint8_t)acc);
    }
    if (n) bits.push_back((uint8_t)acc);
    for (size_t at = 0; at < bits.size(); at += 255) {
        size_t piece = std::min<size_t>(255, bits.size() - at);
        g.push_back((uint8_t)piece);
        g.insert(g.end(), bits.begin() + (long)at, bits.begin() + (long)(at + piece));
    }
    g.push_back(0);
    g.push_back(0x3B);
    return g;
}

// A 32-bit BMP with bit fields, stored top-down.
std::vector<uint8_t> Bmp32TopDown(const Rgba& p) {
    std::vector<uint8_t> b = {'B', 'M'};
    uint32_t offset = 14 + 40 + 12, bytes = (uint32_t)(p.width * p.height * 4);
    Put32(&b, offset + bytes);
    Put32(&b, 0);
    Put32(&b, offset);
    Put32(&b, 40);
    Put32(&b, (uint32_t)p.width);
    Put32(&b, (uint32_t)-p.height);
    Put16(&b, 1);
    Put16(&b, 32);
    Put32(&b, 3);
    Put32(&b, bytes);
    for (int i = 0; i < 4; i++) Put32(&b, 0);
    Put32(&b, 0x00FF0000);
    Put32(&b, 0x0000FF00);
    Put32(&b, 0x000000FF);
    for (int32_t i = 0; i < p.width * p.height; i++) {
        const uint8_t* s = &p.pixels[(size_t)i * 4];
        Put32(&b, (uint32_t)s[0] << 16 | s[1] << 8 | s[2]);
    }
    return b;
}

// The mean difference of the channels, 1000 when the sizes differ.
double MeanDifference(const Rgba& a, const Rgba& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 1000;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); i++) sum += std::abs(a.pixels[i] - b.pixels[i]);
    return sum / (double)a.pixels.size();
}

TEST(ImportDecodersTest, EveryLayoutGivesThePixelsItHolds) {
    const int32_t w = 19, h = 13;
    Rgba want = Pattern(w, h), opaque = want;
    std::vector<uint8_t> tga, tgaRle;
    stbi_write_tga_with_rle = 0;
    stbi_write_tga_to_func(Sink, &tga, w, h, 4, want.pixels.data());
    stbi_write_tga_with_rle = 1;
    stbi_write_tga_to_func(Sink, &tgaRle, w, h, 4, want.pixels.data());
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } exact[] = {
        {"PNG, RGB", Png(want, PNG_COLOR_TYPE_RGB, 8, 0)},
        {"PNG, RGBA 16-bit interlaced", Png(want, PNG_COLOR_TYPE_RGB_ALPHA, 16, 1)},
        {"TGA", tga},
        {"TGA, run-length", tgaRle},
        {"BMP, 32-bit bit fields, top-down", Bmp32TopDown(want)},
        {"GIF", Gif(w, h, 0, 0, w, h, -1, 0)},
        {"GIF, interlaced", Gif(w, h, 0, 0, w, h, -1, 1)},
    };
    for (const auto& c : exact) {
        Rgba got;
        std::string why;
        ASSERT_EQ(DecodePicture(c.bytes, &got, &why), 1) << c.what << ": " << why;
        EXPECT_EQ(MeanDifference(got, opaque), 0) << c.what;
    }

    // JPEG keeps colours in blocks of 16 pixels (its colour is stored at
    // half the resolution, so finer stripes blur).
    Rgba blocks = MakeRgba(48, 32, 0);
    for (int32_t i = 0; i < 48 * 32; i++)
        std::memcpy(&blocks.pixels[(size_t)i * 4], Colours[(i % 48 / 16 + i / 48 / 16) % 4], 4);
    for (int progressive = 0; progressive < 2; progressive++) {
        Rgba got;
        std::string why;
        ASSERT_EQ(DecodePicture(Jpeg(blocks, progressive), &got, &why), 1) << why;
        EXPECT_LT(MeanDifference(got, blocks), 4) << (progressive ? "progressive" : "baseline");
    }

    // Palette PNG with transparency: index 0 clear.
    Rgba got;
    std::string why;
    ASSERT_EQ(DecodePicture(Png(want, PNG_COLOR_TYPE_PALETTE, 8, 1), &got, &why), 1) << why;
    for (int32_t i = 0; i < w * h; i++) EXPECT_EQ(got.pixels[i * 4 + 3], IndexAt(i % w, i / w) ? 255 : 0) << i;

    // A GIF frame smaller than its screen, index 2 transparent: outside the
    // frame and where it is clear, the screen is transparent.
    ASSERT_EQ(DecodePicture(Gif(w, h, 5, 3, 8, 6, 2, 0), &got, &why), 1) << why;
    ASSERT_EQ(got.width, w);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++) {
            const uint8_t* p = &got.pixels[((size_t)y * w + x) * 4];
            bool inside = x >= 5 && x < 13 && y >= 3 && y < 9 && IndexAt(x, y) != 2;
            EXPECT_EQ(p[3], inside ? 255 : 0) << x << "," << y;
            if (inside) {
                EXPECT_EQ(std::memcmp(p, Colours[IndexAt(x, y)], 3), 0) << x << "," << y;
            }
        }
}

TEST(ImportDecodersTest, SizesAreJudgedForThePlaceFromTheHeaderAlone) {
    // Headers that promise more than the files hold: the judgement comes
    // from the header, before any pixel would be missed.
    Rgba wide = Pattern(641, 2), tall = Pattern(8, 481);
    std::vector<uint8_t> png = Png(wide, PNG_COLOR_TYPE_RGB, 8, 0), gif = Gif(700, 500, 0, 0, 1, 1, -1, 0);
    png.resize(40);
    struct {
        std::vector<uint8_t> bytes;
        const PictureLimit* limit;
        const char* says;
        int whole;  // the file holds the picture
    } cases[] = {
        {png, &CursorLimit, "641 x 2 pixels; a cursor frame may be at most 640 pixels wide", 0},
        {Png(tall, PNG_COLOR_TYPE_RGB, 8, 0), &LogoLimit, "a logo may be at most 480 high", 1},
        {gif, &SpriteFrameLimit, "700 x 500 pixels; a sprite frame may be at most 307200 pixels in all", 1},
        {Jpeg(Pattern(2100, 2), 0), &ItemFrameLimit, "an item-view frame may be at most 2048 pixels wide", 1},
    };
    for (const auto& c : cases) {
        int32_t width = 0, height = 0;
        std::string why;
        SourceReader reader = MemoryReader(c.bytes);
        EXPECT_EQ(PictureSize(reader, *c.limit, &width, &height, &why), 0);
        EXPECT_NE(why.find(c.says), std::string::npos) << why;
        Rgba got;
        EXPECT_EQ(DecodePicture(reader, *c.limit, &got, &why), 0);
        EXPECT_TRUE(got.pixels.empty());
        // The same picture is fine where only the general bound holds.
        if (c.whole) {
            EXPECT_EQ(DecodePicture(reader, AnyPicture, &got, &why), 1) << why;
        }
    }
}

}  // namespace
