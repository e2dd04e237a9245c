// Releasing pictures.
#include "image/image.h"
#include "platform/platform.h"

void FreeImageList(Image** head) {
    if (!head) return;
    while (*head) {
        Image* image = *head;
        *head = image->next;
        if (image->pixels && !image->surface) TrackedFree(image->pixels);
        TrackedFree(image);
    }
}
