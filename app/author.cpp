// The author's mode: the commands of zemworld play, the error over the
// picture, the status line in the author's pixels, and the positions the
// author copies from the terminal into game.txt (P: the pan as a door's
// PANX PANY; Ctrl + drag: a rectangle as x y w h).
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/parts.h"
#include "backend/backend.h"
#include "image/image.h"
#include "scene/scene.h"

int32_t AuthorMode = 0;
char AuthorErrorText[512] = "";

static const uint32_t ErrorColour = 0xFFFFFFu;
static const uint32_t ErrorBackground = 0x900000u;
static const uint32_t DragColour = 0xFFFFFFu;
// The error's lines, below the status line, in the overlay's letters.
static const int32_t ErrorTop = 24;
static const int32_t ErrorLineHeight = 10;
static const int32_t ErrorColumns = 104;
static const int32_t ErrorLines = 12;

// The rectangle being dragged: its first corner, where the press was.
static int Dragging = 0;
static int32_t DragX = 0, DragY = 0;

static void SetError(const char* text) {
    std::snprintf(AuthorErrorText, sizeof AuthorErrorText, "%s", text);
    // Line ends and tabs would draw as boxes.
    for (char* p = AuthorErrorText; *p; p++)
        if ((unsigned char)*p < 0x20) *p = ' ';
}

void AuthorCommand(const char* line) {
    if (!line) return;
    if (std::strncmp(line, "reload ", 7) == 0) {
        if (ReloadWorld(line + 7)) {
            char text[SCRIPT_LINE_BYTES];
            std::snprintf(text, sizeof text, "reloaded %s at %.31s", line + 7,
                          CurrentLocation ? CurrentLocation->name : "");
            ConsoleWrite(text);
        } else {
            ConsoleWrite(AuthorErrorText);
        }
    } else if (std::strncmp(line, "error ", 6) == 0) {
        SetError(line + 6);
    } else if (std::strcmp(line, "clear") == 0) {
        AuthorErrorText[0] = 0;
    } else {
        char text[SCRIPT_LINE_BYTES];
        std::snprintf(text, sizeof text, "unknown author command: %.400s", line);
        ConsoleWrite(text);
    }
    RedrawRequested = 1;
    ClearRequested = 1;
}

// "garden (garden.png)": the location and the author's file of its view.
static int Place(char* text, int size) {
    const char* file = AuthorViewFile();
    int n = std::snprintf(text, (size_t)size, "%.31s%s%.200s%s",
                          CurrentLocation ? CurrentLocation->name : "", *file ? " (" : "", file,
                          *file ? ")" : "");
    return n < 0 ? 0 : n >= size ? size - 1 : n;
}

int AuthorStatusText(char* text, int size) {
    int used = Place(text, size);
    int32_t hotX, hotY, u, v, x, y, panX, panY;
    zemHotPoint(&hotX, &hotY);
    char at[32] = "-";
    if (zemScreenToPicture(CurrentLocation, hotX, hotY, &u, &v) && AuthorSourcePoint(u, v, &x, &y))
        std::snprintf(at, sizeof at, "%d,%d", (int)x, (int)y);
    AuthorPan(&panX, &panY);
    int n = std::snprintf(text + used, (size_t)(size - used), "   At: %s   Pan: %d %d   View: %dx%d",
                          at, (int)panX, (int)panY, (int)(640 - 2 * LetterboxX),
                          (int)(480 - 2 * LetterboxY));
    if (n < 0) return used;
    return used + n >= size ? size - 1 : used + n;
}

static void Copy(const char* what) {
    char text[SCRIPT_LINE_BYTES];
    int used = Place(text, (int)sizeof text);
    std::snprintf(text + used, sizeof text - (size_t)used, ": %s", what);
    ConsoleWrite(text);
}

int AuthorKeyDown(uintptr_t key) {
    if (!AuthorMode || key != 'P') return 0;
    int32_t x, y;
    AuthorPan(&x, &y);
    char what[64];
    std::snprintf(what, sizeof what, "pan %d %d", (int)x, (int)y);
    Copy(what);
    return 1;
}

static int ControlHeld() { return (KeyState(VK_CONTROL) & 0x8000) != 0; }

int AuthorButtonDown() {
    if (!AuthorMode || !ControlHeld() || !CurrentLocation) return 0;
    zemHotPoint(&DragX, &DragY);
    Dragging = 1;
    RedrawRequested = 1;
    return 1;
}

int AuthorMouseMove() {
    if (!Dragging) return 0;
    RedrawRequested = 1;
    return 1;
}

// The dragged rectangle in view-picture coordinates: its left edge where
// the left corner maps, as many columns on as the drag went right (a
// panorama's columns wrap round), its rows from the highest to the lowest
// of the corners.
static int DraggedRect(int64_t* x0, int64_t* y0, int64_t* x1, int64_t* y1) {
    int32_t hotX, hotY;
    zemHotPoint(&hotX, &hotY);
    int32_t left = DragX < hotX ? DragX : hotX, right = DragX < hotX ? hotX : DragX;
    int32_t top = DragY < hotY ? DragY : hotY, bottom = DragY < hotY ? hotY : DragY;
    int32_t u[4], v[4];
    const int32_t corners[4][2] = {{left, top}, {right, top}, {left, bottom}, {right, bottom}};
    for (int i = 0; i < 4; i++)
        if (!zemScreenToPicture(CurrentLocation, corners[i][0], corners[i][1], &u[i], &v[i])) return 0;
    int64_t width = (int64_t)u[1] - u[0];
    if (CurrentLocation->view->panorama) {
        int64_t columns = CurrentLocation->view->picture->height;
        width = ((width % columns) + columns) % columns;
    }
    *x0 = u[0];
    *x1 = u[0] + width;
    *y0 = v[0] < v[1] ? v[0] : v[1];
    *y1 = v[2] > v[3] ? v[2] : v[3];
    return 1;
}

int AuthorButtonUp() {
    if (!Dragging) return 0;
    Dragging = 0;
    int64_t x0, y0, x1, y1;
    int32_t rect[4];
    if (DraggedRect(&x0, &y0, &x1, &y1) && AuthorSourceRect(x0, y0, x1, y1, rect)) {
        char what[96];
        std::snprintf(what, sizeof what, "rectangle %d %d %d %d", (int)rect[0], (int)rect[1],
                      (int)rect[2], (int)rect[3]);
        Copy(what);
    }
    RedrawRequested = 1;
    return 1;
}

// The error in lines of at most ErrorColumns characters.
static void DrawError(Image* destination) {
    const char* at = AuthorErrorText;
    for (int32_t line = 0; *at && line < ErrorLines; line++) {
        char text[ErrorColumns + 1];
        size_t length = std::strlen(at);
        if (length > (size_t)ErrorColumns) {
            // Broken at the last blank that fits, where there is one.
            length = ErrorColumns;
            for (size_t k = ErrorColumns; k > ErrorColumns / 2; k--)
                if (at[k] == ' ') {
                    length = k;
                    break;
                }
        }
        std::memcpy(text, at, length);
        text[length] = 0;
        zemDrawOverlayText(destination, 4, ErrorTop + line * ErrorLineHeight, text, ErrorColour,
                           ErrorBackground);
        at += length;
        while (*at == ' ') at++;
    }
}

void DrawAuthorOverlay(Image* destination) {
    if (!AuthorMode) return;
    if (AuthorErrorText[0]) DrawError(destination);
    if (Dragging) {
        int32_t hotX, hotY;
        zemHotPoint(&hotX, &hotY);
        zemDrawOverlayRect(destination, DragX, DragY, hotX, hotY, DragColour);
    }
}
