// The end-to-end tests' world: pictures whose colours say where they are.
// Every column c of a panorama has one colour in its upper half (c / 64) and
// another in its lower half (c % 64), so one screen row pair reveals the pan;
// the cursor frames, the stamp, the item-view frames and the transition
// frames each have a colour of their own. tests/e2e/world.py holds the same
// numbers.
#include <cmath>
#include <cstdio>

#include "tools/assets/assets.h"
#include "tools/demoworld/paint.h"
#include "tools/zempack/pack.h"

static const int kColumns = 2048;
static const int kRows = 512;

static uint32_t Permute(uint32_t c) {  // (r, g, b) -> (b, r, g)
    return (c & 255) << 16 | (c >> 16 & 255) << 8 | (c >> 8 & 255);
}

static std::vector<uint32_t> StripePalette(bool other) {
    std::vector<uint32_t> p(256, 0);
    for (int i = 0; i < 32; i++) p[10 + i] = Rgb(40 + (i % 8) * 25, 40 + (i / 8) * 50, 230);
    for (int j = 0; j < 64; j++) p[42 + j] = Rgb(40 + (j % 8) * 25, 100, 40 + (j / 8) * 25);
    if (other)
        for (int i = 10; i < 106; i++) p[i] = Permute(p[i]);
    p[106] = Rgb(255, 128, 0);
    for (int k = 0; k < 24; k++) p[110 + k] = Rgb(20 + 9 * k, 255, 20);
    p[242] = Rgb(255, 0, 255);
    p[243] = Rgb(0, 255, 255);
    p[244] = Rgb(255, 255, 0);
    p[245] = Rgb(255, 255, 255);
    p[246] = Rgb(128, 128, 128);
    return p;
}

static std::vector<uint8_t> Bmp(int w, int h, const std::vector<uint8_t>& pixels,
                                const std::vector<uint32_t>& colours) {
    BmpLayout layout;
    layout.width = w;
    layout.height = h;
    layout.pixels = pixels;
    layout.colours = colours;
    return MakeBmp(layout);
}

static std::vector<uint8_t> Stripes(bool other) {
    std::vector<uint8_t> px((size_t)kColumns * kRows);
    for (int y = 0; y < kRows; y++)
        for (int x = 0; x < kColumns; x++)
            px[(size_t)y * kColumns + x] = (uint8_t)(y < kRows / 2 ? 10 + x / 64 : 42 + x % 64);
    return Bmp(kColumns, kRows, px, StripePalette(other));
}

static std::vector<uint8_t> Tone(double hz, double seconds, uint32_t rate, int bits) {
    std::vector<double> s((size_t)(seconds * rate));
    for (size_t i = 0; i < s.size(); i++) s[i] = 0.6 * std::sin(2 * 3.14159265358979 * hz * i / rate);
    return SamplesWav(s, nullptr, rate, bits);
}

void BuildTestWorld(std::vector<PackMember>* members) {
    std::vector<uint32_t> pal = StripePalette(false);
    AddMember(members, "STRIPES.BMP", Stripes(false));
    AddMember(members, "OTHER.BMP", Stripes(true));

    for (int k = 0; k < 4; k++) {
        std::vector<uint8_t> px(32 * 32, 0);
        for (int y = 8; y < 24; y++)
            for (int x = 8; x < 24; x++) px[y * 32 + x] = (uint8_t)(242 + k);
        char name[16];
        std::snprintf(name, sizeof name, "CURS%04d.BMP", k);
        AddMember(members, name, Bmp(32, 32, px, pal));
    }
    std::vector<uint8_t> logo(40 * 16, 246);
    for (int x = 0; x < 40; x++) logo[x] = 0;  // top row transparent, like its first pixel
    AddMember(members, "ZEMLOGO.BMP", Bmp(40, 16, logo, pal));
    AddMember(members, "BATBICON.BMP", Bmp(8, 8, std::vector<uint8_t>(64, 246), pal));
    std::vector<uint8_t> icon(16 * 16, 246);
    icon[0] = 0;
    AddMember(members, "ITEMICON.BMP", Bmp(16, 16, icon, pal));

    AddMember(members, "BOX.BMP", Bmp(100, 130, std::vector<uint8_t>(100 * 130, 106), pal));
    for (int k = 0; k < 24; k++) {
        char name[16];
        std::snprintf(name, sizeof name, "ITEM%04d.BMP", k);
        AddMember(members, name, Bmp(120, 80, std::vector<uint8_t>(120 * 80, (uint8_t)(110 + k)), pal));
    }

    // Transitions: one colour each, in palettes of their own.
    std::vector<uint32_t> fade = pal, wipe = pal;
    fade[20] = Rgb(250, 20, 20);
    wipe[20] = Rgb(20, 250, 160);
    for (int k = 1; k <= 12; k++) {
        char name[16];
        std::snprintf(name, sizeof name, "FADE%04d.BMP", k);
        AddMember(members, name, Bmp(320, 240, std::vector<uint8_t>(320 * 240, 20), fade));
        std::snprintf(name, sizeof name, "WIPE%04d.BMP", k);
        AddMember(members, name, Bmp(480, 270, std::vector<uint8_t>(480 * 270, 20), wipe));
    }

    AddMember(members, "TONE.WAV", Tone(440, 0.8, 22050, 16));
    AddMember(members, "BEEP.WAV", Tone(880, 0.3, 11025, 8));

    AddText(members, "game.txt",
            "rem The end-to-end tests' world\n"
            "location stripes\n"
            "panorama STRIPES.BMP\n"
            "stamp BOX.BMP 150 200 100 130 BEEP.WAV item0000.bmp\n"
            "door other 420 0 60 511 TONE.WAV fade0001.bmp 0 67\n"
            "location other\n"
            "panorama OTHER.BMP\n"
            "door stripes 420 0 60 511 TONE.WAV wipe0001.bmp 0 67\n");
}
