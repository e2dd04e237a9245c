// Platform events into the window's messages, as every backend with a
// window system hands them over: the mouse message's buttons and position,
// the double-click rule, the key message's lParam, and the key and button
// states as of the last event turned into a message.
#include <gtest/gtest.h>

#include "backend/backend.h"
#include "backend/headless/headless.h"
#include "backend/soft/soft.h"

namespace {

intptr_t Proc(BkWindow* w, uint32_t m, uintptr_t wp, intptr_t lp) {
    return WindowDefaultProc(w, m, wp, lp);
}

struct Events : ::testing::Test {
    void SetUp() override {
        HeadlessReset();
        ASSERT_NE(WindowCreate("zemVR", Proc, 640, 480), nullptr);
    }
    void TearDown() override { HeadlessReset(); }

    // The message the event gave; message 0 when it gave none.
    BkMsg Post(SoftEvent e) {
        SoftPostEvent(&e);
        BkMsg msg = {};
        if (!MessagePeek(&msg)) msg.message = 0;
        return msg;
    }
    static SoftEvent Mouse(SoftEventKind kind, SoftButton button, int32_t x, int32_t y,
                           int32_t clicks = 1) {
        return SoftEvent{kind, x, y, 0, button, clicks, 0, 0, 0, 0, 0};
    }
    static SoftEvent Key(SoftEventKind kind, int32_t key, int repeat, int shift, int control) {
        return SoftEvent{kind, 0, 0, 0, SOFT_BUTTON_OTHER, 0, key, repeat, shift, control, 0};
    }
};

TEST_F(Events, EverySecondPressOfAQuickSeriesIsADoubleClick) {
    const uint32_t expected[] = {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK};
    for (int clicks = 1; clicks <= 4; clicks++) {
        BkMsg down = Post(Mouse(SOFT_EVENT_PRESS, SOFT_BUTTON_LEFT, 639, 479, clicks));
        EXPECT_EQ(down.message, expected[clicks - 1]) << clicks;
        EXPECT_EQ(down.wParam, 0x1u);
        EXPECT_EQ(down.lParam, MAKE_MOUSE_LPARAM(639, 479));
        EXPECT_EQ(KeyState(VK_LBUTTON), (int16_t)0x8000);
        BkMsg up = Post(Mouse(SOFT_EVENT_RELEASE, SOFT_BUTTON_LEFT, 1, 2));
        EXPECT_EQ(up.message, WM_LBUTTONUP);
        EXPECT_EQ(up.wParam, 0u);
        EXPECT_EQ(KeyState(VK_LBUTTON), 0);
    }
    // The right button has no double click; other buttons give no message.
    EXPECT_EQ(Post(Mouse(SOFT_EVENT_PRESS, SOFT_BUTTON_RIGHT, 5, 6, 2)).message, WM_RBUTTONDOWN);
    EXPECT_EQ(KeyState(VK_RBUTTON), (int16_t)0x8000);
    EXPECT_EQ(Post(Mouse(SOFT_EVENT_PRESS, SOFT_BUTTON_OTHER, 5, 6)).message, 0u);
    EXPECT_EQ(Post(Mouse(SOFT_EVENT_RELEASE, SOFT_BUTTON_RIGHT, 5, 6)).message, WM_RBUTTONUP);
    EXPECT_EQ(KeyState(VK_RBUTTON), 0);

    // A move says which buttons are held, and they are what KeyState says.
    SoftEvent move = Mouse(SOFT_EVENT_MOVE, SOFT_BUTTON_LEFT, 320, 240);
    move.buttons = SOFT_HELD_RIGHT | 0x4u;
    BkMsg moved = Post(move);
    EXPECT_EQ(moved.message, WM_MOUSEMOVE);
    EXPECT_EQ(moved.wParam, 0x2u);
    EXPECT_EQ(moved.lParam, MAKE_MOUSE_LPARAM(320, 240));
    EXPECT_EQ(KeyState(VK_RBUTTON), (int16_t)0x8000);
    EXPECT_EQ(KeyState(VK_LBUTTON), 0);
}

TEST_F(Events, KeyMessagesCarryRepeatAndTransitionAndTheModifiersCountAlone) {
    BkMsg first = Post(Key(SOFT_EVENT_KEY_DOWN, VK_F11, 0, 0, 0));
    EXPECT_EQ(first.message, WM_KEYDOWN);
    EXPECT_EQ(first.wParam, (uintptr_t)VK_F11);
    EXPECT_EQ(first.lParam, 1);
    EXPECT_EQ(Post(Key(SOFT_EVENT_KEY_DOWN, VK_F11, 1, 0, 0)).lParam, (intptr_t)0x40000001);
    EXPECT_EQ(KeyState(VK_F11), (int16_t)0x8000);
    BkMsg up = Post(Key(SOFT_EVENT_KEY_UP, VK_F11, 0, 0, 0));
    EXPECT_EQ(up.message, WM_KEYUP);
    EXPECT_EQ(up.lParam, (intptr_t)0xC0000001u);
    EXPECT_EQ(KeyState(VK_F11), 0);

    // A key the system does not know (or one the backend keeps) gives no
    // message, but the modifiers held with it count.
    EXPECT_EQ(Post(Key(SOFT_EVENT_KEY_DOWN, 0, 0, 1, 1)).message, 0u);
    EXPECT_EQ(KeyState(VK_SHIFT), (int16_t)0x8000);
    EXPECT_EQ(KeyState(VK_CONTROL), (int16_t)0x8000);
    EXPECT_EQ(Post(Key(SOFT_EVENT_KEY_UP, 300, 0, 0, 1)).message, 0u);
    EXPECT_EQ(KeyState(VK_SHIFT), 0);
    EXPECT_EQ(KeyState(VK_CONTROL), (int16_t)0x8000);

    SoftEvent typed = {};
    typed.kind = SOFT_EVENT_CHARACTER;
    typed.character = 0xE9;
    BkMsg ch = Post(typed);
    EXPECT_EQ(ch.message, WM_CHAR);
    EXPECT_EQ(ch.wParam, 0xE9u);
    SoftEvent close = {};
    close.kind = SOFT_EVENT_CLOSE;
    EXPECT_EQ(Post(close).message, WM_CLOSE);

    // A new window starts with everything up.
    SoftResetInput();
    EXPECT_EQ(KeyState(VK_CONTROL), 0);
}

}  // namespace
