// The status line: one line of text over the top of the view.
#include <cstdio>

#include "app/app.h"
#include "backend/backend.h"
#include "image/image.h"
#include "scene/scene.h"

// Red 0, green 127, blue 255, matched to the nearest palette entry.
static const uint32_t StatusColour = 0x00FF7F00u;

static int OnPanoramaWithoutBorder() {
    return LetterboxY == 0 && CurrentLocation && CurrentLocation->view &&
           CurrentLocation->view->panorama;
}

void DrawStatusLine(Image* destination) {
    if (!StatusShown) {
        // The border's top rows would otherwise keep the text of earlier
        // frames.
        if (LetterboxY != 0) FillRows(BackBuffer, 0, 0, 20);
        return;
    }
    if (!destination || !destination->surface) return;
    BkDC* dc = nullptr;
    if (SurfaceGetDC(destination->surface, &dc) != BK_OK || !dc) return;
    // Over a full-screen panorama the text stands on the picture; otherwise
    // on a solid band.
    if (OnPanoramaWithoutBorder()) DCSetBkMode(dc, TRANSPARENT);
    DCSelectFont(dc, StatusFont);
    char text[256];
    int length = AuthorMode ? AuthorStatusText(text, (int)sizeof text) : std::snprintf(
        text, sizeof text,
        "Location: %.31s   View: %dx%d   %02dFPS   Pan: %d,%d   Anim: %dms   Gamma: %.2f",
        CurrentLocation ? CurrentLocation->name : "", (int)(640 - 2 * LetterboxX),
        (int)(480 - 2 * LetterboxY), (int)FramesPerSecond, (int)PanX, (int)PanY,
        (int)AnimInterval, Gamma);
    if (length < 0) length = 0;
    if (length > (int)sizeof text - 1) length = (int)sizeof text - 1;
    DCSetTextColor(dc, StatusColour);
    DCTextOut(dc, 0, 0, text, length);
    SurfaceReleaseDC(destination->surface, dc);
}
