// Program-wide sound state.
#include "sound/sound.h"

BkSoundDevice* SoundObject = nullptr;
SoundNode* SoundList = nullptr;

void ResetSoundState() {
    SoundObject = nullptr;
    SoundList = nullptr;
}
