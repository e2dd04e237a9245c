// A long session: ten thousand passes through doors with sounds and
// transitions leave memory where it was and the sound list no longer than
// the sounds that overlap.
#include <cstdio>

#include "tests/scene/change_world.h"

namespace {

int Nodes() {
    int n = 0;
    for (SoundNode* node = SoundList; node; node = node->next) n++;
    return n;
}

TEST(SoakTest, TenThousandDoorsLeaveNothingBehind) {
    World world;
    world.Add("HALL1.BMP", Picture(64, 48, 3));
    world.Add("HALL2.BMP", Picture(80, 40, 4, 0x000000FF));
    world.Add("KEYS.BMP", Picture(20, 20, 9));
    world.Add("KEYSICON.BMP", Picture(4, 4, 2));
    for (int k = 0; k < 24; k++) {
        char name[16];
        std::snprintf(name, sizeof name, "keys%04d.bmp", k);
        world.Add(name, Picture(8 + k, 8, 1));
    }
    world.Add("PDA.BMP", Picture(40, 10, 1));
    world.Add("DOOR.WAV", Sound(64, 0x70));
    world.Add("BACK.WAV", Sound(16, 0x20));
    world.Add("t0001.bmp", Picture(200, 100, 1));
    world.Add("t0002.bmp", Picture(480, 360, 2));
    world.Add("u0001.bmp", Picture(320, 240, 1));
    ASSERT_TRUE(world.Start(
        "location hall1\n"
        "closeup HALL1.BMP\n"
        "pda PDA.BMP\n"
        "stamp KEYS.BMP 10 10 20 20 door.wav keys0000.bmp\n"
        "door hall2 0 0 50 50 door.wav t0001.bmp 100 20\n"
        "location hall2\n"
        "closeup HALL2.BMP\n"
        "door hall1 0 0 50 50 back.wav u0001.bmp 5 6\n"));
    HeadlessSetClockStep(10);
    Location* hall1 = FindLoc("hall1");
    Location* hall2 = FindLoc("hall2");

    const int RoundTrips = 5000;
    int32_t baseline = 0;
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
        ASSERT_LE(Nodes(), 9) << trip;
        ASSERT_LE(HeadlessLiveSoundBuffers(), 9) << trip;
        int32_t blocks = LiveBlocks - Nodes();
        if (trip == 0) baseline = blocks;
        ASSERT_EQ(blocks, baseline) << trip;
    }
    EXPECT_EQ(HeadlessPlayedCount(), 3 * RoundTrips);
    EXPECT_EQ(PanX, 5);
    EXPECT_EQ(PanY, 6);
    StopProgram();
}

}  // namespace
