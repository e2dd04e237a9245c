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
// The hotspot overlay is drawn over the background of every full frame.
extern int32_t HotspotsShown;
// The scene state back to its start values.
void ResetSceneState();

// Script.
int zemLoadScript(const char* name, Location** head);

// The reader's pieces, shared with the authoring tools so that they read a
// script exactly as the viewer does, line by line.
#define SCRIPT_LINE_BYTES 500
#define SCRIPT_TOKENS 10
#define SCRIPT_NAME_BYTES 32
struct AssetFile;
// Ten 32-byte fields; a longer token is cut to 31 characters.
struct ScriptLine {
    char token[SCRIPT_TOKENS][SCRIPT_NAME_BYTES];
    int32_t count;
};
// Where the lines of the location being filled are appended.
struct ScriptTarget {
    Location** nextLocation;
    Location* location;
    Stamp** nextStamp;
    SpriteRef** nextSprite;
    Door** nextDoor;
};
// The keywords in the order zemScriptKeyword counts them, ending with none.
extern const char* const ScriptKeywords[];
// Index of the keyword (any case), or -1 for a word the reader ignores.
int zemScriptKeyword(const char* word);
// One line into text (SCRIPT_LINE_BYTES): up to and with its line feed, or
// its first 499 bytes. 0 when the file had no byte left.
int zemReadScriptLine(AssetFile* file, char* text);
// Up to count tokens into count fields of tokenBytes each (cut to
// tokenBytes - 1 characters); returns how many there were.
int32_t zemSplitTokens(const char* text, char* tokens, int32_t count, int32_t tokenBytes);
void zemSplitScriptLine(const char* text, ScriptLine* line);
// New locations are appended behind those the head already holds.
void zemBeginScript(Location** head, ScriptTarget* target);
// 0 only when a record could not be allocated; a line without tokens does
// nothing.
int zemApplyScriptLine(const ScriptLine* line, ScriptTarget* target);

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
// The cursor's hot point (the middle of its picture) on the screen; 0 when
// there is no cursor picture (the point is then its corner).
int zemHotPoint(int32_t* x, int32_t* y);
// A screen point in view-picture coordinates, as the hit tests map the hot
// point; 0 when the location has no loaded view picture or the point lies
// outside the warp tables.
int zemScreenToPicture(const Location* location, int32_t x, int32_t y, int32_t* u, int32_t* v);

// The outline and label of every door, stamp and sprite of the location as
// it falls on the destination at the current pan and letterbox (through the
// warp on a panorama). Writes nothing outside the destination.
void zemDrawHotspots(Image* destination, Location* location);
// Labels the overlay shows for names of the script (a stamp's or sprite's
// file): where a name has an entry, the entry's label stands in its place.
// The table ends with a null name; none by default.
struct HotspotLabel {
    const char* name;
    const char* label;
};
extern const HotspotLabel* HotspotLabels;
// One line of text in the overlay's own small letters (6 x 9 pixels a
// character, on a box of the background colour), at (x, y) of the
// destination, cut at its edges. Colours are 0xRRGGBB, drawn with the
// nearest distinct entries of CurrentPalette. Returns the box's width.
int32_t zemDrawOverlayText(Image* destination, int32_t x, int32_t y, const char* text,
                           uint32_t colour, uint32_t background);
// The outline of the screen rectangle between two corners, in the colour
// nearest to rgb (0xRRGGBB), cut at the destination's edges.
void zemDrawOverlayRect(Image* destination, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                        uint32_t rgb);

// Location change and item view.
void zemChangeLoc(Door* door);
void zemItemView(Stamp* stamp, int32_t index);
