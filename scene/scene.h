// The scene: script records, location loading and release, hit tests,
// location change and the item view.
#pragma once

#include <cstdint>

struct Image;
struct Sprite;

struct View {
    char name[32];
    Image* picture;
    int32_t panorama;
};

struct Stamp {
    Stamp* next;
    char name[32];
    Image* picture;
    Image* swapPicture;
    int32_t x;
    int32_t y;
    int32_t w;
    int32_t h;
    char sound[32];
    char itemView[32];
    Image* itemPicture;
    Image* icon;  // its x is the taken state: -1 in the scene, 0 taken
};

struct Door {
    Door* next;
    char target[32];
    int32_t x;
    int32_t y;
    int32_t w;
    int32_t h;
    char sound[32];
    Image* transitionPicture;
    char transition[32];
    int32_t arrivalPanX;
    int32_t arrivalPanY;
};

struct SpriteRef {
    SpriteRef* next;
    char name[32];
    Sprite* sprite;
    int32_t on;
};

struct Location {
    Location* next;
    char name[32];
    View* view;
    Stamp* stamps;
    SpriteRef* sprites;
    Door* doors;
    char* pdaName;  // a separate 32-byte block, or none
};

extern Location* Locations;
extern Location* CurrentLocation;
extern Door* DoorUnderCursor;
extern Stamp* StampUnderCursor;
extern SpriteRef* SpriteUnderCursor;
extern uint8_t CurrentPalette[1024];
extern uint8_t LogoPalette[1024];
extern uint8_t IconPalette[1024];

// Script.
int zemLoadScript(const char* name, Location** head);

// Loading and release.
int zemRefreshLoc(Location* location);
void zemLoadIcons();
void zemFreeLocPictures(Location* location);
void zemFreeStamps(Stamp** head);
void zemFreeSprites(SpriteRef** head);
void zemFreeDoors(Door** head);
// Every location with everything that hangs from it; Locations ends empty.
void zemFreeLocations(Location** head);

// Hit tests.
Door* zemHitDoor(Location* location);
Stamp* zemHitStamp(Location* location);
SpriteRef* zemHitSprite(Location* location);
void zemSetCursorFrame(int32_t index);

// Location change and item view.
void zemChangeLoc(Door* door);
void zemItemView(Stamp* stamp, int32_t index);
