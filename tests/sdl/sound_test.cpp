// The SDL backend's sound output on SDL's dummy audio driver: what a sound
// may cost once it is converted to the device's format.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "backend/sdl/parts.h"
#include "backend/soft/soft.h"

namespace {

// Peak resident memory of this process so far, in kB.
long PeakKb() {
    FILE* f = std::fopen("/proc/self/status", "r");
    long kb = -1;
    char line[256];
    while (f && std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    if (f) std::fclose(f);
    return kb;
}

struct SdlSound : ::testing::Test {
    BkSoundDevice* device = nullptr;
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SoundCreate(&device), BK_OK);
    }
    void TearDown() override { SoundRelease(device); }

    // Started as the shared buffer records start one, but on a record made
    // here: the format is checked again at the start, and the backend must
    // hold its own bound on memory.
    BkResult Start(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t bytes) {
        buffer = BkSoundBuffer();
        buffer.device = device;
        buffer.format = {1, channels, rate, rate * channels * bits / 8,
                         (uint16_t)(channels * bits / 8), bits, 0};
        data.assign(bytes, 0x80);
        for (size_t i = 0; i < data.size(); i += 7) data[i] = (uint8_t)i;
        buffer.bytes = data.data();
        buffer.size = bytes;
        return SoftSoundStart(&buffer);
    }
    void Stop() { BackendSoundStop(&buffer); }

    BkSoundBuffer buffer;
    std::vector<uint8_t> data;
};

TEST_F(SdlSound, ConversionCostIsBounded) {
    // Six minutes, or the sample count the web page can hold, whichever is
    // less; the same bound in every format.
    WaveFormat low = {1, 1, 4000, 4000, 1, 8, 0}, cd = {1, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(SoundMostBytes(&low), 4000u * SOUND_LONGEST_SECONDS);
    EXPECT_EQ(SoundMostBytes(&cd), SOUND_MOST_SAMPLES / 2 * 4);

    long before = PeakKb();
    // 1,200 bytes at 1 Hz would take hundreds of megabytes converted.
    EXPECT_EQ(Start(1, 1, 8, 1200), DSERR_BADFORMAT);
    EXPECT_EQ(buffer.backend, nullptr);
    EXPECT_EQ(Start(3999, 1, 8, 1200), DSERR_BADFORMAT);
    EXPECT_EQ(Start(192001, 2, 16, 1200), DSERR_BADFORMAT);
    // Ten minutes at the lowest rate is longer than the bound.
    EXPECT_EQ(Start(4000, 1, 8, 4000 * 600), DDERR_OUTOFMEMORY);
    EXPECT_EQ(buffer.backend, nullptr);
    EXPECT_EQ(BackendSoundPlaying(&buffer), 0);
    // One frame more than the bound, at CD quality.
    EXPECT_EQ(Start(44100, 2, 16, SoundMostBytes(&cd) + 4), DDERR_OUTOFMEMORY);
    EXPECT_LT(PeakKb() - before, 64 * 1024) << "refused sounds took memory";

    // What people record plays: two minutes at the lowest rate (a door
    // sound the old bound dropped), the whole six minutes there, a second
    // at the highest, a door creak at 22,050 Hz.
    const struct { uint32_t rate; uint16_t channels, bits; uint32_t bytes; } plays[] = {
        {4000, 1, 8, 4000 * 120}, {4000, 1, 8, 4000 * SOUND_LONGEST_SECONDS}, {192000, 2, 16, 192000 * 4},
        {22050, 1, 16, 22050}};
    for (const auto& p : plays) {
        SCOPED_TRACE(p.bytes);
        EXPECT_EQ(Start(p.rate, p.channels, p.bits, p.bytes), BK_OK);
        EXPECT_NE(buffer.backend, nullptr);
        EXPECT_EQ(BackendSoundPlaying(&buffer), 1);
        Stop();
    }
}

// The shared records refuse the same rates when the buffer is made, so the
// loader gives none and nothing is heard.
TEST_F(SdlSound, BuffersOfUnheardOfRatesAreNotMade) {
    for (uint32_t rate : {1u, 3999u, 192001u, 4000000000u}) {
        WaveFormat format = {1, 1, rate, rate, 1, 8, 0};
        SoundBufferDesc desc = {20, 0xE0, 1200, 0, &format};
        BkSoundBuffer* made = nullptr;
        EXPECT_EQ(SoundCreateBuffer(device, &desc, &made), DSERR_BADFORMAT) << rate;
        EXPECT_EQ(made, nullptr);
    }
}

}  // namespace
