// The window's messages through the headless platform: translation into
// characters, dispatch, close and destroy, quit, the clock and the message
// box.
#include <gtest/gtest.h>

#include <vector>

#include "backend/backend.h"
#include "backend/headless/headless.h"

namespace {

std::vector<BkMsg> Seen;
int DestroyedDuringDestroy = -1;

intptr_t Proc(BkWindow* w, uint32_t m, uintptr_t wp, intptr_t lp) {
    Seen.push_back(BkMsg{w, m, wp, lp});
    if (m == WM_DESTROY) {
        DestroyedDuringDestroy = HeadlessWindowAlive();
        WindowDestroy(w);  // a second destroy from inside does nothing
        MessagePostQuit(3);
    }
    return WindowDefaultProc(w, m, wp, lp);
}

// Runs the queue as the program's loop does; returns the quit code or -1.
int RunQueue() {
    BkMsg msg;
    while (MessagePeek(&msg)) {
        if (msg.message == WM_QUIT) return (int)msg.wParam;
        MessageTranslate(&msg);
        MessageDispatch(&msg);
    }
    return -1;
}

struct Messages : ::testing::Test {
    BkWindow* window = nullptr;
    void SetUp() override {
        HeadlessReset();
        Seen.clear();
        DestroyedDuringDestroy = -1;
        window = WindowCreate("zemVR", Proc, 640, 480);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { HeadlessReset(); }

    std::vector<uintptr_t> Characters() {
        std::vector<uintptr_t> chars;
        for (const BkMsg& m : Seen)
            if (m.message == WM_CHAR) chars.push_back(m.wParam);
        return chars;
    }
};

TEST_F(Messages, KeyPressesGiveOneCharacterEachAndDirectCharactersPassThrough) {
    HeadlessPushMessage(WM_KEYDOWN, VK_RETURN, 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_OEM_COMMA, 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_OEM_PERIOD, 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_LEFT, 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_ADD, 1);
    HeadlessPushMessage(WM_CHAR, '>', 1);
    EXPECT_EQ(RunQueue(), -1);
    HeadlessSetKeyState(VK_SHIFT, 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_OEM_COMMA, 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_OEM_PERIOD, 1);
    EXPECT_EQ(RunQueue(), -1);
    EXPECT_EQ(Characters(), (std::vector<uintptr_t>{13, ',', '.', '>', '<', '>'}));
    // The character follows its key press directly.
    ASSERT_GE(Seen.size(), 2u);
    EXPECT_EQ(Seen[0].message, (uint32_t)WM_KEYDOWN);
    EXPECT_EQ(Seen[1].message, (uint32_t)WM_CHAR);
    EXPECT_EQ(HeadlessQueueLength(), 0);
}

TEST_F(Messages, WithCharactersFromTheLayoutOnlyEnterIsTranslated) {
    // As the SDL backend posts them: a key press, then what the layout typed
    // with it (Shift and the "<>" key of a German keyboard).
    HeadlessCharactersFromText(1);
    HeadlessSetKeyState(VK_SHIFT, 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_OEM_COMMA, 1);
    HeadlessPushMessage(WM_CHAR, '>', 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_OEM_PERIOD, 1);
    HeadlessPushMessage(WM_CHAR, ':', 1);
    HeadlessPushMessage(WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(RunQueue(), -1);
    EXPECT_EQ(Characters(), (std::vector<uintptr_t>{'>', ':', 13}));
    ASSERT_EQ(Seen.size(), 6u);
    EXPECT_EQ(Seen[4].message, (uint32_t)WM_KEYDOWN);
    EXPECT_EQ(Seen[5].message, (uint32_t)WM_CHAR);
}

TEST_F(Messages, CloseDestroysTheWindowWhichDeliversDestroyAtOnce) {
    HeadlessPushMouse(WM_MOUSEMOVE, 639, 479);
    HeadlessPushMessage(WM_CLOSE, 0, 0);
    HeadlessPushMouse(WM_LBUTTONDOWN, 5, 6);  // too late: the window is gone
    EXPECT_EQ(RunQueue(), 3);
    ASSERT_EQ(Seen.size(), 3u);
    EXPECT_EQ(Seen[0].lParam, (intptr_t)(639 | (479 << 16)));
    EXPECT_EQ(Seen[1].message, (uint32_t)WM_CLOSE);
    EXPECT_EQ(Seen[2].message, (uint32_t)WM_DESTROY);
    EXPECT_EQ(DestroyedDuringDestroy, 0);
    EXPECT_EQ(HeadlessWindowAlive(), 0);
    EXPECT_EQ(HeadlessReleaseLog(), std::vector<std::string>{"window"});
    // One window at a time: a new one only after the old one went.
    EXPECT_NE(WindowCreate("zemVR", Proc, 640, 480), nullptr);
    EXPECT_EQ(WindowCreate("zemVR", Proc, 640, 480), nullptr);
}

TEST(Clock, StepsOnEveryReadWhenAsked) {
    HeadlessReset();
    HeadlessSetClock(0xFFFFFFF0u);
    EXPECT_EQ(ClockMilliseconds(), 0xFFFFFFF0u);
    EXPECT_EQ(ClockMilliseconds(), 0xFFFFFFF0u);
    HeadlessSetClockStep(10);
    EXPECT_EQ(ClockMilliseconds(), 0xFFFFFFF0u);
    EXPECT_EQ(ClockMilliseconds(), 0xFFFFFFFAu);
    EXPECT_EQ(ClockMilliseconds(), 4u);  // wraps modulo 2^32
    EXPECT_EQ(HeadlessClock(), 14u);
    HeadlessReset();
}

TEST(MessageBox, RecordsTextCaptionAndWhetherTheModeWasHeld) {
    HeadlessReset();
    BkDisplay* display = nullptr;
    ASSERT_EQ(DisplayCreate(&display), BK_OK);
    DisplaySetMode(display, 640, 480, 8);
    MessageBoxShow(nullptr, "Failed CreateSurface -5", "zemVR");
    EXPECT_EQ(HeadlessMessageBoxDuringMode(), 1);
    DisplayRelease(display);
    MessageBoxShow(nullptr, "Failed zemLoadBMP logo 0", "zemVR");
    EXPECT_EQ(HeadlessMessageBoxCount(), 2);
    EXPECT_EQ(HeadlessMessageBoxText(), "Failed zemLoadBMP logo 0");
    EXPECT_EQ(HeadlessMessageBoxCaption(), "zemVR");
    EXPECT_EQ(HeadlessMessageBoxDuringMode(), 0);
    HeadlessReset();
}

}  // namespace
