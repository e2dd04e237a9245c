// The test platform's sound output: a record of every buffer played (format
// and bytes as they were at the start), and a playing state that lasts until
// the test finishes the sounds.
#include <algorithm>
#include <vector>

#include "backend/headless/headless.h"
#include "backend/headless/parts.h"
#include "backend/soft/soft.h"

static std::vector<HeadlessPlayed> Played;
static std::vector<BkSoundBuffer*> Playing;

void HeadlessResetSound() {
    Played.clear();
    Playing.clear();
}

BkResult BackendSoundOpen() { return BK_OK; }

void BackendSoundClose() { Playing.clear(); }

// The record keeps the whole buffer, a part frame at its end too.
BkResult BackendSoundStart(BkSoundBuffer* buffer, uint32_t usable) {
    (void)usable;
    HeadlessPlayed record;
    record.format = buffer->format;
    record.bytes.assign(buffer->bytes, buffer->bytes + buffer->size);
    Played.push_back(record);
    if (std::find(Playing.begin(), Playing.end(), buffer) == Playing.end())
        Playing.push_back(buffer);
    return BK_OK;
}

int BackendSoundPlaying(BkSoundBuffer* buffer) {
    return std::find(Playing.begin(), Playing.end(), buffer) != Playing.end();
}

void BackendSoundStop(BkSoundBuffer* buffer) {
    Playing.erase(std::remove(Playing.begin(), Playing.end(), buffer),
                  Playing.end());
}

int HeadlessPlayedCount() { return (int)Played.size(); }

const HeadlessPlayed* HeadlessPlayedAt(int index) {
    if (index < 0 || index >= (int)Played.size()) return nullptr;
    return &Played[index];
}

int HeadlessLiveSoundBuffers() { return SoftLiveSoundBuffers(); }

void HeadlessFinishSounds() { Playing.clear(); }
