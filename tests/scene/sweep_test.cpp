// Fault sweeps over one short session (start-up, an item view turned and
// closed, a door with a sound and a transition, frames, shutdown): every
// tracked allocation, and every display and sound call, is made to fail in
// turn. Each run ends with one of start-up's failure texts or goes on
// silently, never crashes, still works afterwards and leaves nothing behind.
#include <chrono>
#include <cstdio>
#include <set>

#include "tests/scene/change_world.h"

namespace {

// Start-up's own texts, each followed by " " and the last result.
bool DescribedFailure(const std::string& text) {
    static const char* const steps[] = {
        "Failed DirectDrawCreate",   "Failed SetCooperativeLevel", "Failed SetDisplayMode",
        "Failed CreateSurface",      "Failed GetAttachedSurface",  "Failed TrackedAlloc BackBuffer",
        "Failed FastFileInit data.zem", "Failed zemLoadBMP logo",  "Failed zemLoadBMP item",
        "Failed Tesrin",             "Failed zemRefreshLoc",       "Failed CreatePalette",
        "Failed SetPalette",         "Failed zemLoadSprite cursor", "Failed initFont"};
    for (const char* step : steps) {
        std::string prefix = std::string(step) + " ";
        if (text.compare(0, prefix.size(), prefix) != 0) continue;
        std::string number = text.substr(prefix.size());
        return !number.empty() && number.find_first_not_of("-0123456789") == std::string::npos;
    }
    return false;
}

// The session after start-up. Nothing may be shown to the user here.
void Session() {
    Location* hall1 = FindLoc("hall1");
    ASSERT_NE(hall1, nullptr);
    Stamp* keys = hall1->stamps;
    StampUnderCursor = keys;
    ItemViewActive = 1;
    zemItemView(keys, 3);
    UpdateFrame();
    zemItemView(keys, 4);
    UpdateFrame();
    zemItemView(keys, -1);
    ItemViewActive = 0;
    zemChangeLoc(hall1->doors);
    UpdateFrame();
    IdleTick();
}

// Afterwards the program still works: on to the next location and through
// its door, with frames.
void StillWorks() {
    WindowProc(MainWindow, WM_CHAR, 13, 0);
    UpdateFrame();
    if (CurrentLocation && CurrentLocation->doors) zemChangeLoc(CurrentLocation->doors);
    UpdateFrame();
}

// One run on a fresh program, the fault armed just before start-up; the
// text of the message box, or "" when start-up went through.
template <class Arm> std::string SessionRun(const World& base, Arm arm) {
    World world = base;
    world.Add("game.txt", Bytes(TransitionScript()));
    FreshProgram();
    EXPECT_EQ(InstallArchive(world.members), 1);
    ArchiveRelease();
    arm();
    if (InitApp() != 1) {
        EXPECT_EQ(HeadlessWindowAlive(), 0);
        return HeadlessMessageBoxCount() ? HeadlessMessageBoxText() : "(no window)";
    }
    HeadlessSetClockStep(10);
    Session();
    return "";
}

void Finish(const std::string& text, const std::string& what) {
    if (text.empty()) {
        TrackedFailAt(0);
        for (int op = 0; op < HOP_COUNT; op++) HeadlessFail((HeadlessOp)op, 0, 0);
        StillWorks();
        EXPECT_EQ(HeadlessMessageBoxCount(), 0) << what << ": " << HeadlessMessageBoxText();
        ShutdownApp();
    } else if (text != "(no window)") {
        EXPECT_TRUE(DescribedFailure(text)) << what << ": " << text;
        EXPECT_EQ(HeadlessMessageBoxCount(), 1) << what;
    }
    EXPECT_EQ(LiveBlocks, 0) << what;
    EXPECT_EQ(LiveBytes, 0) << what;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST(Sweep, EveryAllocationFailsInTurn) {
    auto started = std::chrono::steady_clock::now();
    const World world = TransitionWorld();
    std::set<std::string> texts;
    int silent = 0;
    int32_t n = 1;
    for (;; n++) {
        std::string text = SessionRun(world, [n] { TrackedFailAt(n); });
        bool reached = TrackedFailPending() == 0;
        Finish(text, "allocation " + std::to_string(n));
        if (::testing::Test::HasFailure()) break;
        if (text.empty()) silent++;
        texts.insert(text.empty() ? "(silent)" : text);
        // A run that made fewer allocations than n had no failure at all.
        if (!reached) break;
    }
    ASSERT_FALSE(::testing::Test::HasFailure());
    // Start-up's steps fail with their texts, and the item view and the door
    // allocate too, after start-up, silently.
    EXPECT_GE(texts.size(), 6u);
    EXPECT_GT(silent, 10);
    std::printf("%d allocation failures (%d after start-up) in %.2f s; outcomes:", n - 1, silent,
                Seconds(started));
    for (const std::string& t : texts) std::printf(" [%s]", t.c_str());
    std::printf("\n");
}

TEST(Sweep, EveryDisplayAndSoundCallFailsInTurn) {
    auto started = std::chrono::steady_clock::now();
    const World world = TransitionWorld();
    // How often the session calls each operation when nothing fails.
    ASSERT_EQ(SessionRun(world, [] {}), "");
    ASSERT_STREQ(CurrentLocation->name, "hall2");
    EXPECT_EQ(HeadlessPlayedCount(), 2);  // the item view's sound and the door's
    int calls[HOP_COUNT];
    for (int op = 0; op < HOP_COUNT; op++) calls[op] = HeadlessCallCount((HeadlessOp)op);
    Finish("", "clean run");
    EXPECT_GT(calls[HOP_FLIP], 3);
    EXPECT_GT(calls[HOP_SOUND_CREATE_BUFFER], 1);

    int runs = 0;
    for (int op = 0; op < HOP_COUNT; op++) {
        // Lost surfaces are restored and retried; other codes are errors.
        std::vector<int32_t> codes = {op == HOP_FONT_CREATE ? 1 : DDERR_GENERIC};
        if (op == HOP_FLIP || op == HOP_LOCK) codes.push_back(DDERR_SURFACELOST);
        for (int32_t code : codes) {
            for (int32_t skip = 0; skip < calls[op]; skip++) {
                // Once, and from then on.
                for (int32_t times : {1, -1}) {
                    std::string what = "operation " + std::to_string(op) + " call " +
                                       std::to_string(skip + 1) + " code " + std::to_string(code) +
                                       " times " + std::to_string(times);
                    auto arm = [=] { HeadlessFailAfter((HeadlessOp)op, code, skip, times); };
                    Finish(SessionRun(world, arm), what);
                    runs++;
                    ASSERT_FALSE(::testing::Test::HasFailure()) << what;
                }
            }
        }
    }
    std::printf("%d display and sound failures in %.2f s\n", runs, Seconds(started));
}

}  // namespace
