// Program-wide scene state.
#include "scene/scene.h"

Location* Locations = nullptr;
Location* CurrentLocation = nullptr;
Door* DoorUnderCursor = nullptr;
Stamp* StampUnderCursor = nullptr;
SpriteRef* SpriteUnderCursor = nullptr;
uint8_t CurrentPalette[1024];
uint8_t LogoPalette[1024];
uint8_t IconPalette[1024];
int32_t HotspotsShown = 0;
