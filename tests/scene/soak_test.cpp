// A long session: ten thousand passes through doors with sounds and
// transitions leave memory where it was and the sound list no longer than
// the sounds that overlap.
#include "tests/scene/change_world.h"

namespace {

TEST(SoakTest, TenThousandDoorsLeaveNothingBehind) {
    World world = TransitionWorld();
    ASSERT_TRUE(world.Start(TransitionScript()));
    HeadlessSetClockStep(10);
    Location* hall1 = FindLoc("hall1");
    Location* hall2 = FindLoc("hall2");

    const int RoundTrips = 5000;
    int32_t baseline = 0;
    int nodes = 0;
    for (int trip = 0; trip < RoundTrips; trip++) {
        zemChangeLoc(hall1->doors);
        ASSERT_EQ(CurrentLocation, hall2);
        zemChangeLoc(hall2->doors);
        ASSERT_EQ(CurrentLocation, hall1);
        // The item view turns a little and closes again.
        Stamp* keys = hall1->stamps;
        zemItemView(keys, trip % 80);
        zemItemView(keys, (trip + 1) % 80);
        ASSERT_NE(keys->itemPicture, nullptr);
        zemItemView(keys, -1);
        // Every third round trip all sounds have ended by the next one, so
        // at most nine ever overlap.
        if (trip % 3 == 2) HeadlessFinishSounds();
        nodes = 0;
        for (SoundNode* node = SoundList; node; node = node->next) nodes++;
        ASSERT_LE(nodes, 9) << trip;
        ASSERT_LE(HeadlessLiveSoundBuffers(), 9) << trip;
        if (trip == 0) baseline = LiveBlocks - nodes;
        ASSERT_EQ(LiveBlocks - nodes, baseline) << trip;
    }
    EXPECT_EQ(HeadlessPlayedCount(), 3 * RoundTrips);
    EXPECT_EQ(PanX * 100 + PanY, 506);
    StopProgram();
}

}  // namespace
