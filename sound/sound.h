// WAV sounds played once.
#pragma once

#include <cstdint>

struct BkSoundDevice;
struct BkSoundBuffer;

struct SoundNode {
    SoundNode* next;
    BkSoundBuffer* buffer;  // none: an empty slot
};

extern BkSoundDevice* SoundObject;
extern SoundNode* SoundList;
// The sound state back to its start values.
void ResetSoundState();

BkSoundBuffer* LoadSound(const char* name);
void PlaySoundFile(const char* name);
// all: every buffer; otherwise only those not playing.
void ReleaseSounds(int all);
// Shutdown, after ReleaseSounds(1): the list's own nodes, so that nothing
// tracked outlives the program's objects.
void FreeSoundList();
