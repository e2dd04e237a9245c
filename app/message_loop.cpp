// The program's main loop: one message at a time, and the idle tick
// whenever the queue is empty. It never waits, so scrolling and animation
// run as often as the processor allows. A start-up that failed ends the
// program with status 1, so that whoever started it can tell.
#include "app/app.h"
#include "backend/backend.h"

int RunMessageLoop() {
    if (!InitApp()) return 1;
    for (;;) {
        BkMsg msg;
        if (MessagePeek(&msg)) {
            if (msg.message == WM_QUIT) return (int)msg.wParam;
            MessageTranslate(&msg);
            MessageDispatch(&msg);
        } else {
            IdleTick();
        }
    }
}
