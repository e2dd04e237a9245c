// WAV layout rules, the buffer handed to the platform, and the failure paths
// of LoadSound.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/support/support.h"

namespace {

class WavTest : public ::testing::Test {
protected:
    WavLayout layout;

    void SetUp() override {
        FreshProgram();
        ASSERT_EQ(SoundCreate(&SoundObject), BK_OK);
        for (int i = 0; i < 64; i++) layout.data.push_back((uint8_t)(i * 7 + 1));
    }
    void TearDown() override {
        SoundRelease(SoundObject);
        SoundObject = nullptr;
    }
    // Loads the file as S.WAV, with the failAt-th allocation failing when
    // given; nothing may stay allocated but the buffer, which is released.
    bool Loads(const std::vector<uint8_t>& file, int32_t failAt = 0) {
        EXPECT_EQ(InstallArchive({{"S.WAV", file}}), 1);
        int32_t blocks = LiveBlocks, bytes = LiveBytes;
        TrackedFailAt(failAt);
        BkSoundBuffer* buffer = LoadSound("S.WAV");
        TrackedFailAt(0);
        EXPECT_EQ(LiveBlocks, blocks);
        EXPECT_EQ(LiveBytes, bytes);
        EXPECT_EQ(HeadlessLiveSoundBuffers(), buffer ? 1 : 0);
        if (!buffer) return false;
        SoundBufferPlay(buffer, 0, 0, 0);
        SoundBufferRelease(buffer);
        return true;
    }
};

TEST_F(WavTest, LayoutReachesThePlatformUnchanged) {
    layout.channels = 2;
    layout.bitsPerSample = 16;
    layout.samplesPerSec = 11025;
    ASSERT_TRUE(Loads(MakeWav(layout)));
    const HeadlessPlayed* played = HeadlessPlayedAt(0);
    const WaveFormat& f = played->format;
    EXPECT_EQ(std::vector<uint32_t>({f.formatTag, f.channels, f.samplesPerSec, f.avgBytesPerSec,
                                     f.blockAlign, f.bitsPerSample, f.extraSize}),
              std::vector<uint32_t>({1, 2, 11025, 11025 * 4, 4, 16, 0}));
    EXPECT_EQ(played->bytes, layout.data);
    EXPECT_EQ(LastResult, 0);

    // The RIFF and format sizes are not used; a shorter data size takes
    // only its bytes.
    layout.riffSizeOverride = 7;
    layout.formatChunkSize = 40;
    layout.dataSizeOverride = 6;
    ASSERT_TRUE(Loads(MakeWav(layout)));
    EXPECT_EQ(HeadlessPlayedAt(1)->bytes, std::vector<uint8_t>(layout.data.begin(), layout.data.begin() + 6));
}

TEST_F(WavTest, AnythingButTheExactLayoutIsRefused) {
    WavLayout lower = layout, extended = layout, between = layout;
    lower.riffId = "riff";
    extended.formatChunkSize = 18;
    between.extraChunkBeforeData = true;
    EXPECT_FALSE(Loads(MakeWav(lower)));
    EXPECT_FALSE(Loads(MakeWav(extended)));
    EXPECT_FALSE(Loads(MakeWav(between)));
    // Data sizes beyond the file, also those that cannot be rounded up.
    for (int64_t size : {65LL, 0x7FFFFFFCLL, 0x7FFFFFFDLL, 0xFFFFFFFFLL}) {
        WavLayout beyond = layout;
        beyond.dataSizeOverride = size;
        EXPECT_FALSE(Loads(MakeWav(beyond))) << size;
    }
    const std::vector<uint8_t> good = MakeWav(layout);
    for (size_t at : {8, 15, 36}) {  // "WAVE", "fmt ", "data"
        std::vector<uint8_t> wave = good;
        wave[at] ^= 0x20;
        EXPECT_FALSE(Loads(wave)) << at;
    }
    for (size_t cut : {0, 11, 19, 35, 43})
        EXPECT_FALSE(Loads(std::vector<uint8_t>(good.begin(), good.begin() + cut))) << cut;
    EXPECT_EQ(HeadlessPlayedCount(), 0);
}

TEST_F(WavTest, RefusedPlatformCallsLeaveTheirCodeAndNothingAllocated) {
    const std::vector<uint8_t> file = MakeWav(layout);
    HeadlessFail(HOP_SOUND_CREATE_BUFFER, DDERR_OUTOFMEMORY, 1);
    EXPECT_FALSE(Loads(file));
    EXPECT_EQ(LastResult, DDERR_OUTOFMEMORY);

    LastResult = 0;
    HeadlessFail(HOP_SOUND_LOCK, DSERR_BUFFERLOST, 1);
    EXPECT_FALSE(Loads(file));
    EXPECT_EQ(LastResult, DSERR_BUFFERLOST);

    EXPECT_FALSE(Loads(file, 1));  // no staging block
    EXPECT_TRUE(Loads(file));
}

// A seek past the end of a plain file succeeds, so the data size is checked
// by reading its last byte before a block of that size is asked for.
TEST_F(WavTest, PlainFileDataSizeBeyondTheFileAllocatesNothing) {
    UseArchive = 0;
    for (int64_t size : {64LL, 0x10000000LL}) {
        layout.dataSizeOverride = size;
        std::vector<uint8_t> file = MakeWav(layout);
        std::ofstream("wav_test.wav", std::ios::binary).write((const char*)file.data(), (std::streamsize)file.size());
        TrackedFailAt(size == 64 ? 0 : 1);  // a block asked for uses the failure up
        BkSoundBuffer* buffer = LoadSound("wav_test.wav");
        EXPECT_EQ(buffer != nullptr, size == 64);
        if (buffer) SoundBufferRelease(buffer);
        else EXPECT_EQ(TrackedAlloc(4), nullptr) << "the load asked for a block";
        TrackedFailAt(0);
    }
    UseArchive = 1;
    std::remove("wav_test.wav");
}

}  // namespace
