// Playing a sound once, and the list of started buffers that shutdown
// releases.
#include "backend/backend.h"
#include "platform/platform.h"
#include "sound/sound.h"

void PlaySoundFile(const char* name) {
    if (!SoundObject) return;
    // Finished sounds give their slots back first, so a long session keeps
    // only the buffers that are still sounding.
    ReleaseSounds(0);

    BkSoundBuffer* buffer = LoadSound(name);
    if (!buffer) return;

    SoundNode* node = SoundList;
    SoundNode* last = nullptr;
    while (node && node->buffer) {
        last = node;
        node = node->next;
    }
    if (!node) {
        node = (SoundNode*)TrackedAlloc((int32_t)sizeof(SoundNode));
        if (!node) {
            SoundBufferRelease(buffer);
            return;
        }
        node->next = nullptr;
        node->buffer = nullptr;
        // No empty slot: the walk ended at the tail (none for an empty list).
        if (last)
            last->next = node;
        else
            SoundList = node;
    }
    node->buffer = buffer;
    SoundBufferPlay(buffer, 0, 0, 0);
}

void ReleaseSounds(int all) {
    for (SoundNode* node = SoundList; node; node = node->next) {
        if (!node->buffer) continue;
        uint32_t status = 0;
        SoundBufferGetStatus(node->buffer, &status);
        if (all || status != DSBSTATUS_PLAYING) {
            SoundBufferRelease(node->buffer);
            node->buffer = nullptr;
        }
    }
}

void FreeSoundList() {
    while (SoundList) {
        SoundNode* next = SoundList->next;
        if (SoundList->buffer) SoundBufferRelease(SoundList->buffer);
        TrackedFree(SoundList);
        SoundList = next;
    }
}
