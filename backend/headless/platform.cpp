// The test platform: injected results, a queue that tests fill, a clock that
// tests set, key states, the message box and the release log. No window
// system, files or devices are touched.
#include <string>
#include <vector>

#include "backend/headless/headless.h"
#include "backend/headless/parts.h"
#include "backend/soft/soft.h"

static_assert((int)SOP_COUNT == (int)HOP_COUNT,
              "every operation a test can fail is one the soft layer asks for");

struct Fault {
    int32_t code;
    int32_t skip;   // calls that still succeed first
    int32_t times;  // < 0: for ever
};

static Fault Faults[HOP_COUNT];
static int Calls[HOP_COUNT];
static uint32_t Clock = 0;
static uint32_t ClockStep = 0;
static int CursorWasHidden = 0;
static int BoxCount = 0;
static std::string BoxText;
static std::string BoxCaption;
static std::string ConsoleText;
static int BoxDuringMode = 0;
static std::vector<std::string> ReleaseLog;

// Takes one use of the fault chosen for op, if any.
static BkResult TakeFault(int op) {
    Calls[op]++;
    Fault& f = Faults[op];
    if (f.code == 0 || f.times == 0) return 0;
    if (f.skip > 0) {
        f.skip--;
        return 0;
    }
    if (f.times > 0) f.times--;
    return f.code;
}

BkResult BackendFault(SoftOp op) {
    if (op < 0 || op >= SOP_COUNT) return 0;
    return TakeFault(op);
}

void BackendReleased(const char* what) { ReleaseLog.push_back(what); }

void HeadlessReset() {
    SoftReset();
    for (int i = 0; i < HOP_COUNT; i++) {
        Faults[i] = Fault{0, 0, 0};
        Calls[i] = 0;
    }
    Clock = 0;
    ClockStep = 0;
    CursorWasHidden = 0;
    BoxCount = 0;
    BoxText.clear();
    BoxCaption.clear();
    BoxDuringMode = 0;
    ConsoleText.clear();
    ReleaseLog.clear();
    HeadlessResetScreen();
    HeadlessResetSound();
}

void HeadlessFail(HeadlessOp op, int32_t code, int32_t times) {
    HeadlessFailAfter(op, code, 0, times);
}

void HeadlessFailAfter(HeadlessOp op, int32_t code, int32_t skip, int32_t times) {
    if (op < 0 || op >= HOP_COUNT) return;
    Faults[op] = Fault{code, skip > 0 ? skip : 0, code ? times : 0};
}

int HeadlessCallCount(HeadlessOp op) {
    if (op < 0 || op >= HOP_COUNT) return 0;
    return Calls[op];
}

// ---------------------------------------------------------------------------
// Window and messages.

int BackendWindowOpen(const char* title, int32_t width, int32_t height) {
    (void)title;
    (void)width;
    (void)height;
    return 1;
}

void BackendWindowShow() {}
void BackendWindowClose() {}
// Tests post the messages themselves.
int BackendNextEvent(SoftEvent* out) {
    (void)out;
    return 0;
}
void BackendIdle() {}

void HeadlessPushMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    MessagePost(SoftWindow(), message, wParam, lParam);
}

void HeadlessPushMouse(uint32_t message, int32_t x, int32_t y) {
    MessagePost(SoftWindow(), message, 0, MAKE_MOUSE_LPARAM(x, y));
}

void HeadlessSetKeyState(int32_t virtualKey, int down) { SoftSetKeyDown(virtualKey, down); }

void HeadlessCharactersFromText(int on) { SoftCharactersFromText(on); }

int HeadlessQueueLength() { return SoftQueueLength(); }

int32_t ScreenWidth() { return SOFT_WIDTH; }
int32_t ScreenHeight() { return SOFT_HEIGHT; }

void CursorHide() { CursorWasHidden = 1; }
int HeadlessCursorHidden() { return CursorWasHidden; }
int HeadlessWindowAlive() { return SoftWindow()->alive; }

// ---------------------------------------------------------------------------
// Clock.

uint32_t ClockMilliseconds() {
    uint32_t now = Clock;
    Clock += ClockStep;
    return now;
}

void HeadlessSetClock(uint32_t ms) { Clock = ms; }
void HeadlessSetClockStep(uint32_t stepPerRead) { ClockStep = stepPerRead; }
uint32_t HeadlessClock() { return Clock; }

// ---------------------------------------------------------------------------
// Message box.

void MessageBoxShow(BkWindow* owner, const char* text, const char* caption) {
    (void)owner;
    BoxCount++;
    BoxText = text ? text : "";
    BoxCaption = caption ? caption : "";
    BoxDuringMode = HeadlessDisplayModeSet();
}

void ConsoleWrite(const char* text) {
    ConsoleText += text ? text : "";
    ConsoleText += "\n";
}

std::string HeadlessConsoleText() { return ConsoleText; }

int HeadlessMessageBoxCount() { return BoxCount; }
std::string HeadlessMessageBoxText() { return BoxText; }
std::string HeadlessMessageBoxCaption() { return BoxCaption; }
int HeadlessMessageBoxDuringMode() { return BoxDuringMode; }

std::vector<std::string> HeadlessReleaseLog() { return ReleaseLog; }
