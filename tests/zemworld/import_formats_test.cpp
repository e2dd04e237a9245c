// The importer's conversions: sound layouts, the palette gamma against the
// viewer's own loader, 8.3 names that keep the viewer's numbering rules,
// RLE BMPs, and the source script rewritten line for line.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/support/support.h"
#include "tests/zemworld/build_support.h"

namespace {

std::vector<uint8_t> Samples(std::initializer_list<int> bytes) {
    std::vector<uint8_t> out;
    for (int b : bytes) out.push_back((uint8_t)b);
    return out;
}

TEST(ImportFormatsTest, SoundsOfEveryLayoutBecome16BitPcm) {
    float f[2] = {0.5f, -1.5f};
    double d[2] = {-0.25, 0.0};
    std::vector<uint8_t> floats(8), doubles(16);
    std::memcpy(floats.data(), f, 8);
    std::memcpy(doubles.data(), d, 16);
    std::vector<uint8_t> fast;
    for (int i = 0; i < 40; i++) fast.insert(fast.end(), {0, 0x10});
    const struct {
        uint16_t tag, channels, bits;
        uint32_t rate;
        std::vector<uint8_t> data;
        uint16_t outChannels;
        uint32_t outRate;
        std::vector<int16_t> samples;
    } cases[] = {
        {1, 1, 8, 11025, Samples({0x80, 0xFF, 0x00}), 1, 11025, {0, 32512, -32768}},
        {1, 2, 16, 44100, Samples({0x34, 0x12, 0xCC, 0xED}), 2, 44100, {0x1234, -0x1234}},
        {1, 1, 24, 48000, Samples({0xFF, 0x34, 0x12, 0x00, 0x00, 0x80}), 1, 48000, {0x1235, -32768}},
        {1, 1, 32, 48000, Samples({0, 0, 0x34, 0x12}), 1, 48000, {0x1234}},
        {3, 2, 32, 44100, floats, 2, 44100, {16384, -32768}},
        {3, 1, 64, 22050, doubles, 1, 22050, {-8192, 0}},
        // Four channels are mixed to one; a rate no backend plays is halved
        // and more to 48 kHz.
        {1, 4, 16, 8000, Samples({0, 0x10, 0, 0x10, 0, 0x30, 0, 0x10}), 1, 8000, {0x1800}},
        {1, 1, 16, 960000, fast, 1, 48000, {0x1000, 0x1000}},
        // Just above what the sound buffers take: resampled, not refused.
        {1, 1, 16, 240000, fast, 1, 48000, {0x1000, 0x1000, 0x1000, 0x1000, 0x1000, 0x1000, 0x1000, 0x1000}},
        {1, 1, 16, 192000, Samples({0, 0x10}), 1, 192000, {0x1000}},
        {1, 1, 16, 4000, Samples({0, 0x10}), 1, 4000, {0x1000}},
    };
    for (const auto& c : cases) {
        WavLayout layout;
        layout.formatTag = c.tag;
        layout.channels = c.channels;
        layout.bitsPerSample = c.bits;
        layout.samplesPerSec = c.rate;
        layout.data = c.data;
        Pcm16 sound;
        std::string why, note;
        ASSERT_EQ(DecodeWav(MakeWav(layout), &sound, &why, &note), 1) << why;
        EXPECT_EQ(sound.channels, c.outChannels) << c.bits;
        EXPECT_EQ(sound.rate, c.outRate) << c.bits;
        EXPECT_EQ(sound.samples, c.samples) << c.bits << " bits, " << c.channels << " channels";
        // What the viewer's loader reads: 44 bytes of header, then the data.
        std::vector<uint8_t> wav = EncodeWav(sound);
        ASSERT_EQ(wav.size(), 44 + sound.samples.size() * 2);
        EXPECT_EQ(std::memcmp(&wav[36], "data", 4), 0);
        EXPECT_EQ(wav[16], 16);
        EXPECT_EQ(wav[34], 16);
    }
    // Slower than any recording: a damaged header, which resampling would
    // blow up thousands of times.
    WavLayout slow;
    slow.samplesPerSec = 3999;
    slow.data = Samples({0, 0x10});
    Pcm16 sound;
    std::string why, note;
    EXPECT_EQ(DecodeWav(MakeWav(slow), &sound, &why, &note), 0);
    EXPECT_NE(why.find("3999 Hz"), std::string::npos) << why;
}

// Peak resident memory of this process so far, in kB.
long PeakKb() {
    struct rusage usage;
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : -1;
}

// A sound's length is judged from its header with the bound every backend
// plays, before a sample is read: two minutes at 4 kHz (which the viewer
// once dropped) are imported, a sparse file claiming 1,000 s at 48 kHz is
// refused without taking memory.
TEST(ImportFormatsTest, SoundsAreJudgedFromTheirHeaderWithTheViewersBound) {
    WavLayout slow;
    slow.samplesPerSec = 4000;
    slow.bitsPerSample = 8;
    slow.data.assign(4000 * 120, 0x90);
    Pcm16 sound;
    std::string why, note;
    ASSERT_EQ(DecodeWav(MakeWav(slow), &sound, &why, &note), 1) << why;
    EXPECT_EQ(sound.samples.size(), 4000u * 120);
    slow.data.assign(4000 * 361, 0x90);
    EXPECT_EQ(DecodeWav(MakeWav(slow), &sound, &why, &note), 0);
    EXPECT_NE(why.find("lasts 361 s; the viewer plays at most 360 s at 4000 Hz, 16-bit mono"), std::string::npos) << why;

    std::string folder = TestFolder("long-sound");
    std::vector<uint8_t> head = WavStereo16(48000, 0);
    uint32_t bytes = 48000 * 4 * 1000;
    for (int k = 0; k < 4; k++) head[40 + k] = (uint8_t)(bytes >> (8 * k));
    WriteBytes(folder + "/long.wav", head);
    ASSERT_EQ(truncate((folder + "/long.wav").c_str(), (off_t)bytes + 44), 0);
    SourceReader reader;
    ASSERT_EQ(SourceOpen(folder, "long.wav", &reader, &why), 1) << why;
    long before = PeakKb();
    EXPECT_EQ(DecodeWav(reader, &sound, &why, &note), 0);
    SourceClose(&reader);
    EXPECT_NE(why.find("lasts 1000 s; the viewer plays at most 175 s at 48000 Hz, 16-bit stereo"), std::string::npos)
        << why;
    EXPECT_LT(PeakKb() - before, 16 * 1024) << "kB taken by a refused sound";
}

TEST(ImportFormatsTest, PaletteBytesShowTheWantedColoursThroughTheViewersGamma) {
    // Every byte through the loader's own conversion.
    FreshProgram();
    BmpLayout ramp;
    ramp.width = ramp.height = 1;
    ramp.pixels = {0};
    for (uint32_t i = 0; i < 256; i++) ramp.colours.push_back(i * 0x010101u);
    ASSERT_EQ(InstallArchive({{"RAMP.BMP", MakeBmp(ramp)}}), 1);
    uint8_t palette[1024];
    ASSERT_EQ(zemLoadBMP("RAMP.BMP", nullptr, palette, nullptr, 0, 0, 0, 0), 1);
    for (int b = 0; b < 256; b++) ASSERT_EQ(palette[b * 4], ViewerGamma((uint8_t)b)) << b;
    // The curve skips at most one value, so every colour is met within 1.
    for (int w = 0; w < 256; w++) EXPECT_LE(std::abs(ViewerGamma(FileByteFor((uint8_t)w)) - w), 1) << w;
    ArchiveRelease();
}

TEST(ImportFormatsTest, NamesKeepTheViewersNumberingRules) {
    NameTable names;
    ReserveName(&names, "SERIES:CURS");
    std::set<std::string> prefixes;
    for (int i = 0; i < 30; i++) {
        std::string p = SeriesPrefix(&names, "anim/fire_2000_" + std::to_string(i) + ".png");
        EXPECT_TRUE(prefixes.insert(p).second) << p;
        EXPECT_LE(p.size(), 4u);
        EXPECT_EQ(p.find('0'), std::string::npos) << "the first 0 must start the frame number";
        std::string why;
        for (const std::string& n : {p + "0000.BMP", p + "9999.BMP", p + "info.txt", p + "ICON.BMP"})
            EXPECT_EQ(PackValidName(n, &why), 1) << n << ": " << why;
    }
    EXPECT_EQ(SeriesPrefix(&names, "cursors/curs0000.png").substr(0, 3), "CUR");
    std::set<std::string> plain;
    for (int i = 0; i < 12; i++) {
        std::string n = PlainName(&names, "a/very_long_name_for_a_picture.jpeg", ".BMP");
        std::string why;
        EXPECT_EQ(PackValidName(n, &why), 1) << n;
        EXPECT_TRUE(plain.insert(n).second) << n;
    }
    const struct {
        const char* path;
        const char* prefix;
        int64_t first;
        int digits;
        const char* third;
    } series[] = {{"a/fire_00.png", "a/fire_", 0, 2, "a/fire_02.png"},
                  {"mill0007.png", "mill", 7, 4, "mill0009.png"},
                  {"v2/frame9.png", "v2/frame", 9, 1, "v2/frame11.png"},
                  {"v2/bird.png", "v2/bird", 0, 0, "v2/bird.png"}};
    for (const auto& s : series) {
        SeriesName n = SplitSeriesName(s.path);
        EXPECT_EQ(n.prefix, s.prefix);
        EXPECT_EQ(n.first, s.first);
        EXPECT_EQ(n.digits, s.digits);
        EXPECT_EQ(SeriesFrameName(n, n.first + 2 * (n.digits > 0)), s.third);
    }
}

TEST(ImportFormatsTest, PlacesMoveWithTheirViewAndStayInRange) {
    // A 512-column photo on a 1024-column cylinder: columns double, the
    // equator lands on the warp's straight row, the poles a picture height
    // beyond the cylinder at most.
    ViewTransform t = MakeViewTransform(SHAPE_EQUIRECT, 512, 256, 1024);
    int32_t x, y, w, h;
    MapRect(t, 100, 128, 10, 0, &x, &y, &w, &h);
    EXPECT_EQ(x, 200);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(y, (int32_t)std::lround(WarpHorizonRow()));
    EXPECT_EQ(y, 267);
    for (int32_t v : {INT32_MIN, -5, 0, 256, 300, INT32_MAX}) {
        MapRect(t, INT32_MAX, v, INT32_MAX, INT32_MAX, &x, &y, &w, &h);
        EXPECT_GE(y, -CylinderRows) << v;
        EXPECT_LE(y, 2 * CylinderRows) << v;
        EXPECT_GE(w, 1);
        EXPECT_GE(h, 1);
    }
    // A closeup larger than the screen, scaled to fit.
    t = MakeViewTransform(SHAPE_CLOSEUP, 1280, 960, 640);
    MapRect(t, 100, 50, 40, 30, &x, &y, &w, &h);
    EXPECT_EQ(std::vector<int32_t>({x, y, w, h}), std::vector<int32_t>({50, 25, 20, 15}));
    EXPECT_EQ(t.height, 480);
}

TEST(ImportFormatsTest, RunLengthBmpsAreRead) {
    // 4 x 2, RLE8: the bottom row runs of 3 x colour 1 and 1 x colour 0;
    // the top row a delta past two pixels, then an absolute run 1 0 1.
    std::vector<uint8_t> b(54 + 8, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(10, 62);
    put32(14, 40);
    put32(18, 4);
    put32(22, 2);
    b[26] = 1;
    b[28] = 8;
    put32(30, 1);
    put32(46, 2);
    put32(54, 0x00FF0000);  // colour 0: red
    put32(58, 0x000000FF);  // colour 1: blue
    for (int v : {3, 1, 1, 0, 0, 0, 0, 2, 2, 0, 0, 3, 1, 0, 1, 0, 0, 1}) b.push_back((uint8_t)v);
    Rgba picture;
    std::string why;
    ASSERT_EQ(DecodePicture(b, &picture, &why), 1) << why;
    ASSERT_EQ(picture.width, 4);
    // The delta leaves colour 0; the absolute run's third pixel falls
    // outside the row.
    const uint32_t want[8] = {0xFF0000, 0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000};
    for (int i = 0; i < 8; i++) {
        uint32_t got = (uint32_t)picture.pixels[i * 4] << 16 | picture.pixels[i * 4 + 1] << 8 | picture.pixels[i * 4 + 2];
        EXPECT_EQ(got, want[i]) << i;
    }
    b.resize(b.size() - 6);  // the absolute run cut off
    EXPECT_EQ(DecodePicture(b, &picture, &why), 0);
}

TEST(ImportFormatsTest, TheScriptIsRewrittenLineForLine) {
    std::string source =
        "rem " + std::string(600, 'x') + "\r\n"
        "location hall\r\n"
        "panorama photos/a/very/long/path/to/the/hall/picture.jpg equirect width=1024\n"
        "\n"
        "frobnicate this line\n"
        "stamp objects/key.png 10 20 30 40 - items/key/\n"
        "door cellar 1 2 3 4 - - 99999999999999999999999999999999999999 67";
    SourceScript script;
    Report report;
    ASSERT_EQ(ReadSourceScript(source, "game.txt", &script, &report), 1);
    ASSERT_EQ(script.lines.size(), 7u);
    EXPECT_EQ(script.locations[0].shape, SHAPE_EQUIRECT);
    EXPECT_EQ(script.locations[0].width, 1024);
    EXPECT_EQ(SourceFileKind(script.lines[5].keyword, 7), FILE_ITEM_VIEW);
    std::string out = WriteViewerScript(script, {{2, {{1, "HALL.BMP"}}}, {5, {{1, "KEY.BMP"}, {7, "key0000.bmp"}}}});
    // Read back by the viewer: as many lines, none longer than it keeps.
    std::vector<std::string> lines;
    for (size_t start = 0; start < out.size();) {
        size_t end = out.find('\n', start);
        lines.push_back(out.substr(start, end - start));
        EXPECT_LT(end - start, (size_t)SCRIPT_LINE_BYTES - 1) << lines.back();
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "panorama HALL.BMP");
    EXPECT_EQ(lines[4], "frobnicate this line");
    EXPECT_EQ(lines[5], "stamp KEY.BMP 10 20 30 40 - key0000.bmp");
    EXPECT_EQ(lines[6].size(), std::string("door cellar 1 2 3 4 - - ").size() + 31 + 3);

    const struct {
        const char* script;
        int line;
        const char* says;
    } errors[] = {{"location a\npanorama x.png fisheye\n", 2, "unknown panorama option 'fisheye'"},
                  {"location a\npanorama x.png width=4096\n", 2, "outside 64 to 2048"},
                  {"rem\nlocation a_name_that_is_longer_than_31_chars\n", 2, "longer than the 31"},
                  {"location a\ndoor a_target_that_is_longer_than_31_chars\n", 2, "longer than the 31"}};
    for (const auto& e : errors) {
        Report r;
        EXPECT_EQ(ReadSourceScript(e.script, "w/game.txt", &script, &r), 0) << e.script;
        ASSERT_EQ(r.items.size(), 1u) << e.script;
        EXPECT_EQ(r.items[0].file, "w/game.txt");
        EXPECT_EQ(r.items[0].line, e.line);
        EXPECT_NE(r.items[0].text.find(e.says), std::string::npos) << r.items[0].text;
    }
}

}  // namespace
