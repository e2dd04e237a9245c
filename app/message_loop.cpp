// The program's main loop: one message at a time, and the idle tick
// whenever the queue is empty. It never waits, so scrolling and animation
// run as often as the processor allows.
#include "app/app.h"
#include "backend/backend.h"

int RunMessageLoop() {
    if (!InitApp()) return 0;
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
