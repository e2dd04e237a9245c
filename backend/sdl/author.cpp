// The author's command channel of zemvr --author: zemworld play writes one
// command a line into the viewer's standard input ("reload PATH", "error
// TEXT", "clear"), and each line reaches the window procedure as a
// WM_AUTHOR_COMMAND message. The input is only read when poll says it holds
// bytes, so a terminal given as input is never left non-blocking.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "backend/sdl/parts.h"
#include "backend/sdl/sdl.h"
#include "backend/soft/soft.h"

// Longer lines are left out whole: no command is that long.
#define LINE_BYTES 8192

static int Open = 0;
static char Pending[LINE_BYTES];
static size_t PendingLength = 0;
static int Overlong = 0;
// The line the last message points to; it stays until the next one is made,
// which happens only once the queue is empty again.
static char Line[LINE_BYTES];

void SdlAuthorChannelOpen() {
    Open = 1;
    PendingLength = 0;
    Overlong = 0;
}

// One whole line out of what was read, if there is one.
static int TakeLine() {
    char* end = (char*)std::memchr(Pending, '\n', PendingLength);
    if (!end) {
        if (PendingLength == sizeof Pending) {
            // Past the longest line: dropped up to its end.
            Overlong = 1;
            PendingLength = 0;
        }
        return 0;
    }
    size_t length = (size_t)(end - Pending);
    int keep = !Overlong;
    Overlong = 0;
    if (keep) {
        std::memcpy(Line, Pending, length);
        Line[length] = 0;
        if (length && Line[length - 1] == '\r') Line[length - 1] = 0;
    }
    PendingLength -= length + 1;
    std::memmove(Pending, end + 1, PendingLength);
    return keep;
}

int SdlAuthorEvent(SoftEvent* out) {
    if (!Open) return 0;
    if (!TakeLine()) {
        struct pollfd watch = {STDIN_FILENO, POLLIN, 0};
        if (poll(&watch, 1, 0) <= 0) return 0;
        ssize_t got = read(STDIN_FILENO, Pending + PendingLength, sizeof Pending - PendingLength);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
        if (got <= 0) {
            // The tool that fed us is gone: the session is over.
            Open = 0;
            out->kind = SOFT_EVENT_CLOSE;
            return 1;
        }
        PendingLength += (size_t)got;
        if (!TakeLine()) return 0;
    }
    MessagePost(SoftWindow(), WM_AUTHOR_COMMAND, 0, (intptr_t)Line);
    out->kind = SOFT_EVENT_NONE;
    return 1;
}
