// The list of started buffers: one slot per sounding buffer, finished ones
// reclaimed, all of them released at shutdown.
#include <gtest/gtest.h>

#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/support/support.h"

namespace {

int Nodes() {
    int n = 0;
    for (SoundNode* node = SoundList; node; node = node->next) n++;
    return n;
}

int FilledSlots() {
    int n = 0;
    for (SoundNode* node = SoundList; node; node = node->next) n += node->buffer != nullptr;
    return n;
}

class PlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshProgram();
        ASSERT_EQ(SoundCreate(&SoundObject), BK_OK);
        WavSpec spec;
        spec.data = std::vector<uint8_t>(100, 0x80);
        ASSERT_EQ(InstallArchive({{"S.WAV", MakeWav(spec)}, {"BAD.WAV", Bytes("RIFF")}}), 1);
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
};

TEST_F(PlayTest, EveryPlayIsItsOwnBufferUntilShutdownReleasesThemAll) {
    PlaySoundFile("S.WAV");
    PlaySoundFile("S.WAV");
    PlaySoundFile("S.WAV");
    EXPECT_EQ(HeadlessPlayedCount(), 3);
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 3);
    EXPECT_EQ(Nodes(), 3);
    EXPECT_EQ(FilledSlots(), 3);
    int32_t blocks = LiveBlocks;

    ReleaseSounds(0);  // all three still sound
    EXPECT_EQ(FilledSlots(), 3);

    ReleaseSounds(1);
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 0);
    EXPECT_EQ(FilledSlots(), 0);
    EXPECT_EQ(Nodes(), 3);  // nodes stay to the end of the process
    EXPECT_EQ(LiveBlocks, blocks);
}

TEST_F(PlayTest, FinishedBuffersAreReclaimedAndTheirSlotsReused) {
    PlaySoundFile("S.WAV");
    PlaySoundFile("S.WAV");
    PlaySoundFile("S.WAV");
    HeadlessFinishSounds();
    int32_t blocks = LiveBlocks;

    PlaySoundFile("S.WAV");
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 1);
    EXPECT_EQ(Nodes(), 3);
    EXPECT_NE(SoundList->buffer, nullptr);  // the first free slot took it
    EXPECT_EQ(FilledSlots(), 1);
    EXPECT_EQ(LiveBlocks, blocks);

    // A long session grows only with the sounds that overlap: never more
    // than four here.
    HeadlessFinishSounds();
    for (int i = 0; i < 200; i++) {
        PlaySoundFile("S.WAV");
        if (i % 4 == 3) HeadlessFinishSounds();
    }
    EXPECT_EQ(Nodes(), 4);
    EXPECT_LE(HeadlessLiveSoundBuffers(), 4);
}

TEST_F(PlayTest, SoundsThatDoNotLoadAddNothing) {
    int32_t blocks = LiveBlocks;
    PlaySoundFile("BAD.WAV");
    PlaySoundFile("NONE.WAV");
    PlaySoundFile(nullptr);
    EXPECT_EQ(SoundList, nullptr);
    EXPECT_EQ(HeadlessPlayedCount(), 0);
    EXPECT_EQ(LiveBlocks, blocks);
}

TEST_F(PlayTest, FailedNodeReleasesTheLoadedBuffer) {
    int32_t blocks = LiveBlocks;
    // First allocation: the staging block; second: the node.
    TrackedFailAt(2);
    PlaySoundFile("S.WAV");
    EXPECT_EQ(SoundList, nullptr);
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 0);
    EXPECT_EQ(HeadlessPlayedCount(), 0);
    EXPECT_EQ(LiveBlocks, blocks);
}

}  // namespace
