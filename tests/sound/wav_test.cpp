// WAV layout rules, the buffer handed to the platform, and the failure paths
// of LoadSound.
#include <gtest/gtest.h>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/support/support.h"

namespace {

std::vector<uint8_t> Samples(size_t n) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; i++) out[i] = (uint8_t)(i * 7 + 1);
    return out;
}

class WavTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshProgram();
        ASSERT_EQ(SoundCreate(&SoundObject), BK_OK);
    }
    void TearDown() override {
        ReleaseSounds(1);
        SoundRelease(SoundObject);
        SoundObject = nullptr;
        // The nodes live to the end of the process; the test hands them back.
        while (SoundList) {
            SoundNode* next = SoundList->next;
            TrackedFree(SoundList);
            SoundList = next;
        }
    }
    // Installs the file as S.WAV and loads it (with the failAt-th allocation
    // failing when given); the buffer is released again.
    bool Loads(const std::vector<uint8_t>& file, int32_t failAt = 0) {
        EXPECT_EQ(InstallArchive({{"S.WAV", file}}), 1);
        int32_t blocks = LiveBlocks;
        int32_t bytes = LiveBytes;
        TrackedFailAt(failAt);
        BkSoundBuffer* buffer = LoadSound("S.WAV");
        TrackedFailAt(0);
        EXPECT_EQ(LiveBlocks, blocks);
        EXPECT_EQ(LiveBytes, bytes);
        if (!buffer) {
            EXPECT_EQ(HeadlessLiveSoundBuffers(), 0);
            return false;
        }
        SoundBufferRelease(buffer);
        return true;
    }
};

TEST_F(WavTest, PlainLayoutReachesThePlatformUnchanged) {
    WavSpec spec;
    spec.channels = 2;
    spec.bitsPerSample = 16;
    spec.samplesPerSec = 11025;
    spec.data = Samples(4001);
    ASSERT_EQ(InstallArchive({{"S.WAV", MakeWav(spec)}}), 1);
    PlaySoundFile("S.WAV");
    ASSERT_EQ(HeadlessPlayedCount(), 1);
    const HeadlessPlayed* played = HeadlessPlayedAt(0);
    EXPECT_EQ(played->format.formatTag, 1);
    EXPECT_EQ(played->format.channels, 2);
    EXPECT_EQ(played->format.samplesPerSec, 11025u);
    EXPECT_EQ(played->format.avgBytesPerSec, 11025u * 4);
    EXPECT_EQ(played->format.blockAlign, 4);
    EXPECT_EQ(played->format.bitsPerSample, 16);
    EXPECT_EQ(played->format.extraSize, 0);
    EXPECT_EQ(played->bytes, spec.data);
    EXPECT_EQ(LastResult, 0);
}

TEST_F(WavTest, SizesThatAreNotUsedDoNotMatter) {
    WavSpec spec;
    spec.data = Samples(10);
    spec.riffSizeOverride = 7;
    EXPECT_TRUE(Loads(MakeWav(spec)));
    spec.riffSizeOverride = 0;
    spec.formatChunkSize = 40;  // the chunk still holds 16 bytes
    EXPECT_TRUE(Loads(MakeWav(spec)));
}

TEST_F(WavTest, ShorterDataSizeTakesOnlyThoseBytes) {
    WavSpec spec;
    spec.data = Samples(10);
    spec.dataSizeOverride = 6;
    ASSERT_EQ(InstallArchive({{"S.WAV", MakeWav(spec)}}), 1);
    PlaySoundFile("S.WAV");
    ASSERT_EQ(HeadlessPlayedCount(), 1);
    EXPECT_EQ(HeadlessPlayedAt(0)->bytes, std::vector<uint8_t>(spec.data.begin(), spec.data.begin() + 6));
}

TEST_F(WavTest, AnythingButTheExactLayoutIsRefused) {
    WavSpec base;
    base.data = Samples(64);

    WavSpec lower = base;
    lower.riffId = "riff";
    EXPECT_FALSE(Loads(MakeWav(lower)));

    WavSpec extended = base;
    extended.formatChunkSize = 18;
    EXPECT_FALSE(Loads(MakeWav(extended)));

    WavSpec between = base;
    between.extraChunkBeforeData = true;
    EXPECT_FALSE(Loads(MakeWav(between)));

    for (int64_t size : {(int64_t)65, (int64_t)0x7FFFFFFC, (int64_t)0x7FFFFFFD, (int64_t)0xFFFFFFFF}) {
        WavSpec beyond = base;
        beyond.dataSizeOverride = size;
        EXPECT_FALSE(Loads(MakeWav(beyond))) << size;
    }

    std::vector<uint8_t> wave = MakeWav(base);
    wave[8] = 'w';
    EXPECT_FALSE(Loads(wave));
    wave = MakeWav(base);
    wave[15] = 'X';  // "fmtX"
    EXPECT_FALSE(Loads(wave));
    wave = MakeWav(base);
    wave[36] = 'D';
    EXPECT_FALSE(Loads(wave));
    wave = MakeWav(base);
    for (size_t cut : {(size_t)0, (size_t)11, (size_t)19, (size_t)35, (size_t)43})
        EXPECT_FALSE(Loads(std::vector<uint8_t>(wave.begin(), wave.begin() + cut))) << cut;
    EXPECT_EQ(HeadlessPlayedCount(), 0);
}

TEST_F(WavTest, RefusedPlatformCallsLeaveTheirCodeAndNothingAllocated) {
    WavSpec spec;
    spec.data = Samples(32);
    std::vector<uint8_t> file = MakeWav(spec);

    HeadlessFail(HOP_SOUND_CREATE_BUFFER, DDERR_OUTOFMEMORY, 1);
    EXPECT_FALSE(Loads(file));
    EXPECT_EQ(LastResult, DDERR_OUTOFMEMORY);

    LastResult = 0;
    HeadlessFail(HOP_SOUND_LOCK, DSERR_BUFFERLOST, 1);
    EXPECT_FALSE(Loads(file));
    EXPECT_EQ(LastResult, DSERR_BUFFERLOST);

    // The staging block cannot be had.
    EXPECT_FALSE(Loads(file, 1));
    EXPECT_TRUE(Loads(file));
}

TEST_F(WavTest, WithoutSoundDeviceNothingIsLoadedOrPlayed) {
    WavSpec spec;
    spec.data = Samples(32);
    ASSERT_EQ(InstallArchive({{"S.WAV", MakeWav(spec)}}), 1);
    SoundRelease(SoundObject);
    SoundObject = nullptr;
    int32_t blocks = LiveBlocks;
    EXPECT_EQ(LoadSound("S.WAV"), nullptr);
    PlaySoundFile("S.WAV");
    EXPECT_EQ(HeadlessPlayedCount(), 0);
    EXPECT_EQ(SoundList, nullptr);
    EXPECT_EQ(LiveBlocks, blocks);
}

}  // namespace
