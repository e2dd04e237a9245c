// Releasing a location: its loaded pictures when it is left, and the whole
// record tree at shutdown.
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"

// The records stay; so do the stamps' icons, which carry the taken state.
void zemFreeLocPictures(Location* location) {
    if (!location) return;
    if (location->view) FreeImageList(&location->view->picture);
    for (SpriteRef* ref = location->sprites; ref; ref = ref->next) FreeSprite(&ref->sprite);
    for (Stamp* stamp = location->stamps; stamp; stamp = stamp->next) {
        FreeImageList(&stamp->picture);
        FreeImageList(&stamp->swapPicture);
        FreeImageList(&stamp->itemPicture);
    }
    for (Door* door = location->doors; door; door = door->next)
        FreeImageList(&door->transitionPicture);
}

void zemFreeStamps(Stamp** head) {
    if (!head) return;
    while (Stamp* stamp = *head) {
        FreeImageList(&stamp->picture);
        FreeImageList(&stamp->swapPicture);
        FreeImageList(&stamp->itemPicture);
        FreeImageList(&stamp->icon);
        *head = stamp->next;
        TrackedFree(stamp);
    }
}

void zemFreeSprites(SpriteRef** head) {
    if (!head) return;
    while (SpriteRef* ref = *head) {
        FreeSprite(&ref->sprite);
        *head = ref->next;
        TrackedFree(ref);
    }
}

void zemFreeDoors(Door** head) {
    if (!head) return;
    while (Door* door = *head) {
        FreeImageList(&door->transitionPicture);
        *head = door->next;
        TrackedFree(door);
    }
}

// In script order: the view's picture list and record, the PDA name, the
// stamps, sprites and doors, then the location itself.
void zemFreeLocations(Location** head) {
    if (!head) return;
    while (Location* location = *head) {
        if (location->view) {
            FreeImageList(&location->view->picture);
            TrackedFree(location->view);
            location->view = nullptr;
        }
        TrackedFree(location->pdaName);
        location->pdaName = nullptr;
        zemFreeStamps(&location->stamps);
        zemFreeSprites(&location->sprites);
        zemFreeDoors(&location->doors);
        *head = location->next;
        TrackedFree(location);
    }
}
