// Reloading the world in place, for the author's mode: the world open now is
// released, the new archive opened and read as start-up reads one (logo,
// icon palette, script, cursor), and the player put back where they stood,
// as a door to the same location with the same pan would: the location
// found by its name (else the first), its palette made pending, the logo
// remapped into it. The view size, status line, speed and gamma stay; so
// do the sounds still playing and the PDA panel, which is reloaded by its
// name.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/parts.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"

static const int32_t NameBytes = 32;
static const size_t PathBytes = 4096;
// The archive paths the reloads named: the one open and the one before.
static char Paths[2][PathBytes];
static int OpenPath = 0;

static void ReleaseWorld() {
    ItemViewActive = 0;
    FreeWorldPictures();
    ArchiveRelease();
}

static Location* Named(const char* name) {
    for (Location* l = Locations; l; l = l->next)
        if (std::strncmp(l->name, name, NameBytes) == 0) return l;
    return nullptr;
}

// The world at path, entered at the named location and pan; 0 with why.
static int OpenWorld(const char* path, const char* place, int32_t panX, int32_t panY,
                     char* why, size_t whySize) {
    ReleaseWorld();
    ArchivePath = path;
    if (!FastFileInit("data.zem", 40)) {
        std::snprintf(why, whySize, "cannot play %s: %s", path,
                      ArchiveFailure ? ArchiveFailure : "it is no world archive");
        return 0;
    }
    const char* failed = LoadFixedPictures();
    if (!failed && !zemLoadScript("game.txt", &Locations)) failed = "Failed Tesrin";
    if (!failed && !Locations) failed = "Failed zemRefreshLoc";
    if (!failed) failed = LoadCursor(CursorX, CursorY);
    if (failed) {
        std::snprintf(why, whySize, "cannot play %s: %s", path, failed);
        return 0;
    }
    AuthorLoadMap();

    Door door;
    std::memset(&door, 0, sizeof door);
    Location* found = Named(place);
    std::memcpy(door.target, found ? found->name : Locations->name, NameBytes);
    door.arrivalPanX = found ? panX : 0;
    door.arrivalPanY = found ? panY : 67;
    CurrentLocation = Locations;
    zemChangeLoc(&door);
    if (!zemHitStamp(CurrentLocation))
        if (!zemHitSprite(CurrentLocation)) zemHitDoor(CurrentLocation);
    why[0] = 0;
    if (CurrentLocation->view && !CurrentLocation->view->picture)
        std::snprintf(why, whySize, "location %.31s: its view %.31s does not load",
                      CurrentLocation->name, CurrentLocation->view->name);
    return 1;
}

int ReloadWorld(const char* path) {
    if (!path || !*path || std::strlen(path) >= PathBytes) {
        std::snprintf(AuthorErrorText, sizeof AuthorErrorText, "cannot reload: no archive named");
        return 0;
    }
    char place[NameBytes] = "";
    if (CurrentLocation) std::memcpy(place, CurrentLocation->name, NameBytes);
    place[NameBytes - 1] = 0;
    int32_t panX = PanX, panY = PanY;
    char before[PathBytes] = "";
    if (ArchivePath && std::strlen(ArchivePath) < PathBytes) std::strcpy(before, ArchivePath);

    int next = 1 - OpenPath;
    std::strcpy(Paths[next], path);
    char why[sizeof AuthorErrorText];
    if (OpenWorld(Paths[next], place, panX, panY, why, sizeof why)) {
        OpenPath = next;
        std::snprintf(AuthorErrorText, sizeof AuthorErrorText, "%s", why);
        return 1;
    }
    std::snprintf(AuthorErrorText, sizeof AuthorErrorText, "%s", why);
    // The world before, as it was.
    char ignored[sizeof AuthorErrorText];
    std::strcpy(Paths[next], before);
    if (before[0] && OpenWorld(Paths[next], place, panX, panY, ignored, sizeof ignored)) {
        OpenPath = next;
        return 0;
    }
    // Nothing to show but the error: both buffers of the chain hold it, as
    // no frame is composed without a location.
    for (int i = 0; i < 2 && BackBuffer; i++) {
        FillRows(BackBuffer, 0, 0, 480);
        DrawAuthorOverlay(BackBuffer);
        PresentFrame();
    }
    return 0;
}
