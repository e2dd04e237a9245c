// A long random session over the demo world: 100,000 messages from a fixed
// seed (mouse moves, drags, left and right clicks, every key the program
// handles, Tab held and let go, Enter) through the program's own message
// loop, with idle ticks between them. After every location change the
// tracked memory is back at that location's figure; after every shutdown it
// is 0.
//
// A location's figure is what is alive the first time it is entered with
// that gamma: the pictures loaded for a location, and the stamp icons, PDA
// picture and logo that stay loaded across locations, are all encoded in
// that location's colours read under the gamma of the moment, so their
// encoded sizes depend on both. The nodes of the started-sound list are left
// out: they are kept for the whole run, and how many there are depends on
// how many sounds overlapped.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "image/image.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"
#include "tests/support/support.h"
#include "tools/demoworld/paint.h"

namespace {

#ifndef ZEM_LONG_RUN_MESSAGES
#define ZEM_LONG_RUN_MESSAGES 100000
#endif

struct Figure {
    int32_t blocks;
    int32_t bytes;
};

Figure Tracked() {
    int32_t nodes = 0;
    for (SoundNode* node = SoundList; node; node = node->next) nodes++;
    return {LiveBlocks - nodes, LiveBytes - nodes * (int32_t)sizeof(SoundNode)};
}

class RandomRun {
public:
    explicit RandomRun(uint32_t seed) : random_(seed) {}

    uint32_t Below(uint32_t n) { return (uint32_t)(random_() % n); }

    // Dispatches what is queued, as the message loop does. 0 when the
    // program ended.
    int Pump() {
        BkMsg msg;
        while (MessagePeek(&msg)) {
            if (msg.message == WM_QUIT) return 0;
            MessageTranslate(&msg);
            MessageDispatch(&msg);
        }
        return 1;
    }

    void Mouse(uint32_t message, int32_t x, int32_t y) { HeadlessPushMouse(message, x, y); }
    void Key(uintptr_t key) { HeadlessPushMessage(WM_KEYDOWN, key, 0); }
    void Char(uintptr_t c) { HeadlessPushMessage(WM_CHAR, c, 0); }

    // One random action; returns how many messages it sent.
    int Act() {
        int32_t x = (int32_t)Below(640), y = (int32_t)Below(480);
        uint32_t pick = Below(1000);
        if (pick < 450) {
            Mouse(WM_MOUSEMOVE, x, y);
            return 1;
        }
        if (pick < 600) {  // a drag of a few steps
            Mouse(WM_LBUTTONDOWN, x, y);
            HeadlessSetKeyState(VK_LBUTTON, 1);
            int steps = 1 + (int)Below(4);
            for (int i = 0; i < steps; i++)
                Mouse(WM_MOUSEMOVE, (int32_t)Below(640), (int32_t)Below(480));
            if (!Pump()) return -1;
            HeadlessSetKeyState(VK_LBUTTON, 0);
            Mouse(WM_LBUTTONUP, x, y);
            return steps + 2;
        }
        if (pick < 800) {  // a click where the cursor is, as a user clicks
            Mouse(WM_MOUSEMOVE, x, y);
            Mouse(WM_LBUTTONDOWN, x, y);
            Mouse(WM_LBUTTONUP, x, y);
            return 3;
        }
        if (pick < 850) {
            Mouse(WM_RBUTTONDOWN, x, y);
            return 1;
        }
        if (pick < 880) {
            Key(VK_RETURN);  // gives Enter's character, 13
            return 1;
        }
        // Every other key and character the program handles. Esc and F12
        // end it; they are rare, so that each session runs a while.
        static const uintptr_t keys[] = {VK_SPACE, VK_LEFT, VK_RIGHT, VK_ADD, VK_SUBTRACT, VK_F11};
        static const uintptr_t chars[] = {',', '<', '.', '>'};
        uint32_t which = Below(100);
        if (which < 54) {
            Key(keys[which % 6]);
        } else if (which < 60) {  // the hotspot outlines, held over a move
            Key(VK_TAB);
            Mouse(WM_MOUSEMOVE, x, y);
            HeadlessPushMessage(WM_KEYUP, VK_TAB, 0);
            return 3;
        } else if (which < 99) {
            Char(chars[which % 4]);
        } else if (Below(40) == 0) {
            Key(Below(2) ? VK_ESCAPE : VK_F12);
        } else {
            Key(VK_SPACE);
        }
        return 1;
    }

private:
    std::mt19937 random_;
};

TEST(LongRun, RandomMessagesOverTheDemoWorldLeaveNothingBehind) {
    auto started = std::chrono::steady_clock::now();
    std::vector<PackMember> demo;
    BuildDemoWorld(&demo);
    FreshProgram();
    ASSERT_EQ(InstallArchive(demo), 1);
    ArchiveRelease();  // start-up opens it; the image stays linked
    ASSERT_EQ(InitApp(), 1) << HeadlessMessageBoxText();
    HeadlessSetClockStep(1);  // time moves on, so transitions and animations run

    RandomRun run(20241209);
    std::map<std::pair<std::string, uint64_t>, Figure> figures;
    const Location* previous = CurrentLocation;
    int changes = 0, sessions = 1, sent = 0;
    while (sent < ZEM_LONG_RUN_MESSAGES) {
        int n = run.Act();
        int alive = n > 0 && run.Pump();
        sent += n > 0 ? n : 1;
        if (!alive) {
            // Esc, F12 or the door to EXIT: shut down with nothing left,
            // then a fresh start.
            ASSERT_EQ(LiveBlocks, 0) << "after session " << sessions;
            ASSERT_EQ(LiveBytes, 0) << "after session " << sessions;
            HeadlessReset();
            ResetGlobals();
            ASSERT_EQ(InitApp(), 1) << HeadlessMessageBoxText();
            HeadlessSetClockStep(1);
            previous = CurrentLocation;
            sessions++;
            continue;
        }
        if (run.Below(4) == 0) IdleTick();
        if (run.Below(50) == 0) HeadlessFinishSounds();
        if (CurrentLocation != previous) {
            changes++;
            previous = CurrentLocation;
            ASSERT_NE(CurrentLocation, nullptr);
            uint64_t gamma;
            std::memcpy(&gamma, &Gamma, sizeof gamma);
            auto key = std::make_pair(std::string(CurrentLocation->name), gamma);
            Figure now = Tracked();
            auto known = figures.find(key);
            if (known == figures.end()) {
                figures[key] = now;
            } else {
                ASSERT_EQ(now.blocks, known->second.blocks)
                    << "blocks at " << key.first << " (gamma " << Gamma << "), change " << changes;
                ASSERT_EQ(now.bytes, known->second.bytes)
                    << "bytes at " << key.first << " (gamma " << Gamma << "), change " << changes;
            }
        }
    }
    WindowDestroy(MainWindow);  // as a close request ends it
    ASSERT_EQ(Locations, nullptr);
    EXPECT_EQ(LiveBlocks, 0);
    EXPECT_EQ(LiveBytes, 0);
    // The run went through the world, more than once round.
    EXPECT_GT(changes, 200);
    EXPECT_GE(figures.size(), 6u);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%d messages, %d sessions, %d location changes, %zu figures, %.1f s\n", sent, sessions,
                changes, figures.size(), seconds);
}

}  // namespace
