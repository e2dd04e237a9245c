// The item view: one of 24 pictures of a stamp's object, chosen by the
// cursor's horizontal position, shown near the top of the screen.
#include <cstdio>
#include <cstring>

#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "screen/screen.h"
#include "sound/sound.h"

static const int32_t FramesPerTurn = 24;
static const int32_t ViewTop = 40;
static const int32_t CursorFrameItem = 2;

// The item view's name is rewritten in place to name the frame shown. 0 when
// the name has fewer than four characters before its ".bmp", whose digits
// cannot be rewritten.
static int NameFrame(char* name, int32_t frame) {
    name[31] = 0;
    char* bmp = std::strstr(name, ".bmp");
    if (!bmp) return 1;  // used as it stands
    if (bmp - name < 4) return 0;
    // Four digits and ".bmp" take the place of the old ones: always fits.
    std::snprintf(bmp - 4, 9, "%04d.bmp", (int)frame);
    return 1;
}

void zemItemView(Stamp* stamp, int32_t index) {
    if (!stamp) return;
    if (index < 0) {
        FreeImageList(&stamp->itemPicture);
        return;
    }
    if (!stamp->itemView[0]) {
        ItemViewActive = 0;
        return;
    }
    if (!NameFrame(stamp->itemView, index % FramesPerTurn)) return;

    // No picture yet: the view has just opened.
    int opening = stamp->itemPicture == nullptr;
    if (!zemLoadBMP(stamp->itemView, &stamp->itemPicture, nullptr, nullptr, 0, !opening, 0, 0))
        return;
    // The sound belongs to the opening; played only once a frame is there,
    // so a view whose frames fail to load does not replay it on every move.
    if (opening && SoundObject) PlaySoundFile(stamp->sound);

    Image* picture = stamp->itemPicture;
    picture->x = 320 - picture->width / 2;
    picture->y = ViewTop;

    int32_t x = Cursor && Cursor->current ? Cursor->current->x : 0;
    int32_t y = Cursor && Cursor->current ? Cursor->current->y : 0;
    zemSetCursorFrame(CursorFrameItem);
    if (Cursor && Cursor->current) {
        Cursor->current->x = x;
        Cursor->current->y = y;
    }
}
