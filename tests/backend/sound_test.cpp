// Sound buffer records through the headless platform: lock regions, play,
// status and release.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "backend/backend.h"
#include "backend/headless/headless.h"

namespace {

struct Sound : ::testing::Test {
    BkSoundDevice* device = nullptr;
    WaveFormat format = {1, 2, 22050, 88200, 4, 16, 0};

    void SetUp() override {
        HeadlessReset();
        ASSERT_EQ(SoundCreate(&device), BK_OK);
        ASSERT_EQ(SoundSetCooperativeLevel(device, nullptr, DSSCL_NORMAL), BK_OK);
    }
    void TearDown() override { HeadlessReset(); }

    BkSoundBuffer* Make(uint32_t bytes) {
        SoundBufferDesc desc = {20, 0xE0, bytes, 0, &format};
        BkSoundBuffer* b = nullptr;
        EXPECT_EQ(SoundCreateBuffer(device, &desc, &b), BK_OK);
        return b;
    }
};

TEST_F(Sound, LockFromTheWritePositionThenWrapsIntoASecondRegion) {
    BkSoundBuffer* b = Make(256);
    ASSERT_NE(b, nullptr);
    void *r1 = nullptr, *r2 = reinterpret_cast<void*>(1);
    uint32_t l1 = 0, l2 = 9;
    ASSERT_EQ(SoundBufferLock(b, 0, 256, &r1, &l1, &r2, &l2, DSBLOCK_FROMWRITECURSOR), BK_OK);
    EXPECT_EQ(l1, 256u);
    EXPECT_EQ(r2, nullptr);
    EXPECT_EQ(l2, 0u);
    for (uint32_t i = 0; i < l1; i++) static_cast<uint8_t*>(r1)[i] = (uint8_t)i;
    EXPECT_EQ(SoundBufferUnlock(b, r1, l1, r2, l2), BK_OK);

    // From offset 200, 100 bytes: 56 at the end, then 44 from the start.
    void *s1 = nullptr, *s2 = nullptr;
    ASSERT_EQ(SoundBufferLock(b, 200, 100, &s1, &l1, &s2, &l2, 0), BK_OK);
    EXPECT_EQ(l1, 56u);
    EXPECT_EQ(l2, 44u);
    EXPECT_EQ(static_cast<uint8_t*>(s1) - static_cast<uint8_t*>(r1), 200);
    EXPECT_EQ(s2, r1);
    EXPECT_EQ(SoundBufferUnlock(b, s1, l1, s2, l2), BK_OK);

    EXPECT_EQ(SoundBufferLock(b, 0, 257, &s1, &l1, &s2, &l2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(SoundBufferLock(b, 256, 1, &s1, &l1, &s2, &l2, 0), DSERR_INVALIDPARAM);
    // Regions that no lock of this buffer hands out are refused.
    uint8_t elsewhere[8];
    EXPECT_EQ(SoundBufferUnlock(b, elsewhere, 8, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(SoundBufferUnlock(b, r1, 257, nullptr, 0), DSERR_INVALIDPARAM);

    HeadlessFail(HOP_SOUND_LOCK, DSERR_BUFFERLOST, 1);
    EXPECT_EQ(SoundBufferLock(b, 0, 4, &s1, &l1, &s2, &l2, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(s1, nullptr);
}

TEST_F(Sound, PlaysOnceWithStatusUntilFinishedAndRecordsWhatWasPlayed) {
    BkSoundBuffer* b = Make(8);
    void *r1, *r2;
    uint32_t l1, l2;
    ASSERT_EQ(SoundBufferLock(b, 0, 8, &r1, &l1, &r2, &l2, DSBLOCK_FROMWRITECURSOR), BK_OK);
    std::memcpy(r1, "\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    SoundBufferUnlock(b, r1, l1, r2, l2);
    uint32_t status = 99;
    ASSERT_EQ(SoundBufferGetStatus(b, &status), BK_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(SoundBufferPlay(b, 0, 0, 0), BK_OK);
    SoundBufferGetStatus(b, &status);
    EXPECT_EQ(status, DSBSTATUS_PLAYING);
    ASSERT_EQ(HeadlessPlayedCount(), 1);
    EXPECT_EQ(HeadlessPlayedAt(0)->format.samplesPerSec, 22050u);
    EXPECT_EQ(HeadlessPlayedAt(0)->bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    HeadlessFinishSounds();
    SoundBufferGetStatus(b, &status);
    EXPECT_EQ(status, 0u);
}

TEST_F(Sound, ReleasesFreeBuffersOnceAndTheDeviceTakesTheRest) {
    BkSoundBuffer* a = Make(16);
    BkSoundBuffer* b = Make(16);
    SoundBufferPlay(b, 0, 0, 0);
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 2);
    SoundBufferRelease(a);
    SoundBufferRelease(a);
    uint32_t status = 0;
    EXPECT_EQ(SoundBufferGetStatus(a, &status), DSERR_INVALIDPARAM);
    SoundRelease(device);
    SoundRelease(device);
    SoundBufferRelease(b);
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 0);
    EXPECT_EQ(HeadlessReleaseLog(), (std::vector<std::string>{"sound-buffer", "sound"}));
}

TEST_F(Sound, RefusesFormatsAndSizesNoBackendCanPlay) {
    const struct { uint16_t bits, channels, tag; uint32_t bytes; BkResult result; } cases[] = {
        {24, 1, 1, 16, DSERR_BADFORMAT}, {8, 0, 1, 16, DSERR_BADFORMAT}, {8, 3, 1, 16, DSERR_BADFORMAT},
        {16, 2, 3, 16, DSERR_BADFORMAT}, {8, 1, 1, 0, DSERR_INVALIDPARAM}, {8, 1, 1, 16, BK_OK}};
    for (const auto& c : cases) {
        format = {c.tag, c.channels, 22050, 22050, 1, c.bits, 0};
        SoundBufferDesc desc = {20, 0xE0, c.bytes, 0, &format};
        BkSoundBuffer* b = reinterpret_cast<BkSoundBuffer*>(1);
        EXPECT_EQ(SoundCreateBuffer(device, &desc, &b), c.result) << c.bits << " " << c.channels;
        EXPECT_EQ(b != nullptr, c.result == BK_OK);
    }
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 1);
}

}  // namespace
