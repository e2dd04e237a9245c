// Going to another location: through a door (its sound, its numbered
// transition frames, the target, the arrival pan) or on to the next location
// of the script. Both end with the new location loaded, its palette pending
// and the logo remapped into it.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "backend/backend.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "screen/screen.h"
#include "sound/sound.h"

static const uint32_t FrameMilliseconds = 50;
static const int32_t NameBytes = 32;

// A new palette object from CurrentPalette, attached by the next present.
// The one it replaces is released; the surface keeps what it needs.
static void MakePalettePending() {
    if (!DisplayObject) return;
    BkPalette* palette = nullptr;
    if (DisplayCreatePalette(DisplayObject, DDPCAPS_8BIT, CurrentPalette, &palette) != BK_OK ||
        !palette)
        return;
    if (PaletteObject) PaletteRelease(PaletteObject);
    PaletteObject = palette;
    PalettePending = 1;
}

// The logo again, its colours mapped into CurrentPalette. The back buffer's
// pixels serve as the scratch block of the encoded load.
static void ReloadLogo() {
    if (!Logo || !BackBuffer) return;
    BuildRemapTable(CurrentPalette, LogoPalette);
    if (LockImage(BackBuffer)) {
        int64_t bytes = (int64_t)BackBuffer->pitch * BackBuffer->height;
        if (BackBuffer->pixels && bytes > 0 && bytes <= INT32_MAX)
            zemLoadBMP("ZEMLOGO.BMP", &Logo, nullptr, BackBuffer->pixels, (int32_t)bytes, 1, 1, 0);
        UnlockImage(BackBuffer);
    }
    BuildRemapTable(nullptr, nullptr);
}

static void ClearScreen() {
    if (BackBuffer) FillRows(BackBuffer, 0, 0, 480);
}

// Position of the four digits in front of the first ".bmp", or -1 when the
// name has no such number.
static int32_t DigitsAt(const char* name) {
    const char* bmp = std::strstr(name, ".bmp");
    if (!bmp || bmp - name < 4) return -1;
    return (int32_t)(bmp - name) - 4;
}

static int32_t ReadNumber(const char* digits) {
    int32_t number = 0;
    for (int i = 0; i < 4 && digits[i] >= '0' && digits[i] <= '9'; i++)
        number = number * 10 + (digits[i] - '0');
    return number;
}

// Writes number as "%04d.bmp" from digitsAt on; 0 when it does not fit the
// name field.
static int WriteNumber(char* name, int32_t digitsAt, int32_t number) {
    char text[24];
    int length = std::snprintf(text, sizeof text, "%04d.bmp", (int)number);
    if (length < 0 || digitsAt + length > NameBytes - 1) return 0;
    std::memcpy(name + digitsAt, text, (size_t)length + 1);
    return 1;
}

// A 480-wide frame is shown at its own size, centred; any other is doubled
// into the centre of the screen. The blitters refuse a frame that does not
// fit (a doubled one larger than 320 x 240 has a negative position).
static void DrawFrame(Image* frame) {
    if (frame->width == 480) {
        frame->x = 320 - frame->width / 2;
        frame->y = 240 - frame->height / 2;
        BlitImage(BackBuffer, frame, nullptr);
        return;
    }
    frame->x = 320 - frame->width;
    frame->y = 240 - frame->height;
    BlitImageDouble(BackBuffer, frame);
}

static void WaitFrameEnd() {
    do {
        CurrentTime = ClockMilliseconds();
    } while ((int32_t)(CurrentTime - LastAnimTime) < (int32_t)FrameMilliseconds);
    LastAnimTime = CurrentTime;
}

static void ShowTransition(Door* door) {
    char name[NameBytes];
    std::memcpy(name, door->transition, NameBytes);
    name[NameBytes - 1] = 0;
    int32_t digitsAt = DigitsAt(name);
    int32_t number = digitsAt >= 0 ? ReadNumber(name + digitsAt) : 0;

    ClearScreen();
    int first = 1;
    while (zemLoadBMP(name, &door->transitionPicture, CurrentPalette, nullptr, 0, 1, 0, 0)) {
        LastAnimTime = ClockMilliseconds();
        if (first) {
            // The whole transition is shown in its first frame's colours.
            first = 0;
            MakePalettePending();
            ReloadLogo();
            ClearScreen();
        }
        if (BackBuffer) {
            DrawFrame(door->transitionPicture);
            if (Logo) BlitImage(BackBuffer, Logo, nullptr);
        }
        PresentFrame();

        // A name without a number to advance shows its one frame.
        int more = digitsAt >= 0 && number < INT32_MAX && WriteNumber(name, digitsAt, number + 1);
        number += more;
        WaitFrameEnd();
        if (!more) break;
    }
}

static Location* FindLocation(const char* name) {
    for (Location* location = Locations; location; location = location->next)
        if (std::strncmp(location->name, name, NameBytes) == 0) return location;
    return Locations;
}

void zemChangeLoc(Door* door) {
    if (door) {
        if (SoundObject) PlaySoundFile(door->sound);
        ShowTransition(door);
        zemFreeLocPictures(CurrentLocation);
        // The door may belong to no loaded location; its frame goes too.
        FreeImageList(&door->transitionPicture);
        CurrentLocation = FindLocation(door->target);
        PanX = door->arrivalPanX;
        PanY = door->arrivalPanY;
        ClearScreen();
    } else {
        zemFreeLocPictures(CurrentLocation);
        CurrentLocation = CurrentLocation && CurrentLocation->next ? CurrentLocation->next : Locations;
    }
    zemRefreshLoc(CurrentLocation);
    MakePalettePending();
    ReloadLogo();
}
