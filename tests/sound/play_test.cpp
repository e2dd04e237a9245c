// The list of started buffers: one slot per sounding buffer, finished ones
// reclaimed, all of them released at shutdown.
#include <gtest/gtest.h>

#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/support/support.h"

namespace {

// Nodes in the list, and how many of them hold a buffer.
int Nodes(int* filled = nullptr) {
    int n = 0, full = 0;
    for (SoundNode* node = SoundList; node; node = node->next, n++) full += node->buffer != nullptr;
    if (filled) *filled = full;
    return n;
}

class PlayTest : public ::testing::Test {
protected:
    int32_t blocks = 0;

    void SetUp() override {
        FreshProgram();
        ASSERT_EQ(SoundCreate(&SoundObject), BK_OK);
        WavLayout layout;
        layout.data = std::vector<uint8_t>(100, 0x80);
        ASSERT_EQ(InstallArchive({{"S.WAV", MakeWav(layout)}, {"BAD.WAV", Bytes("RIFF")}}), 1);
        blocks = LiveBlocks;
    }
    void TearDown() override {
        ReleaseSounds(1);
        FreeSoundList();
        SoundRelease(SoundObject);
        SoundObject = nullptr;
    }
};

TEST_F(PlayTest, EveryPlayIsItsOwnBufferFinishedOnesAreReclaimed) {
    for (int i = 0; i < 3; i++) PlaySoundFile("S.WAV");
    int filled;
    EXPECT_EQ(HeadlessPlayedCount(), 3);
    EXPECT_EQ(Nodes(&filled) * 10 + filled, 33);
    ReleaseSounds(0);  // all three still sound
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 3);
    ReleaseSounds(1);  // as shutdown does
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 0);
    EXPECT_EQ(Nodes(&filled) * 10 + filled, 30);  // nodes stay to the end of the process

    // A play first reclaims the finished buffers; the first free slot takes it.
    for (int i = 0; i < 3; i++) PlaySoundFile("S.WAV");
    HeadlessFinishSounds();
    PlaySoundFile("S.WAV");
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 1);
    EXPECT_EQ(Nodes(&filled) * 10 + filled, 31);
    EXPECT_NE(SoundList->buffer, nullptr);
    // A long session grows only with the sounds that overlap: four here.
    HeadlessFinishSounds();
    for (int i = 0; i < 200; i++) {
        PlaySoundFile("S.WAV");
        if (i % 4 == 3) HeadlessFinishSounds();
    }
    EXPECT_EQ(Nodes(), 4);
    EXPECT_EQ(LiveBlocks, blocks + 4);
}

TEST_F(PlayTest, NothingIsAddedWhenTheSoundCannotBeHad) {
    PlaySoundFile("BAD.WAV");
    PlaySoundFile("NONE.WAV");
    TrackedFailAt(2);  // the staging block is the first allocation, the node the second
    PlaySoundFile("S.WAV");
    EXPECT_EQ(HeadlessLiveSoundBuffers(), 0);

    SoundRelease(SoundObject);
    SoundObject = nullptr;
    EXPECT_EQ(LoadSound("S.WAV"), nullptr);
    PlaySoundFile("S.WAV");
    EXPECT_EQ(SoundList, nullptr);
    EXPECT_EQ(HeadlessPlayedCount(), 0);
    EXPECT_EQ(LiveBlocks, blocks);
}

}  // namespace
