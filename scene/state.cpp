// Program-wide scene state, each start value written once in the list
// below.
#include <cstring>

#include "scene/scene.h"

#define SCENE_STATE(X)                         \
    X(Location*, Locations, nullptr)           \
    X(Location*, CurrentLocation, nullptr)     \
    X(Door*, DoorUnderCursor, nullptr)         \
    X(Stamp*, StampUnderCursor, nullptr)       \
    X(SpriteRef*, SpriteUnderCursor, nullptr)  \
    X(int32_t, HotspotsShown, 0)               \
    X(const HotspotLabel*, HotspotLabels, nullptr)

#define DEFINE(type, name, start) type name = start;
SCENE_STATE(DEFINE)
uint8_t CurrentPalette[1024];
uint8_t LogoPalette[1024];
uint8_t IconPalette[1024];

void ResetSceneState() {
#define RESET(type, name, start) name = start;
    SCENE_STATE(RESET)
    std::memset(CurrentPalette, 0, sizeof CurrentPalette);
    std::memset(LogoPalette, 0, sizeof LogoPalette);
    std::memset(IconPalette, 0, sizeof IconPalette);
}
