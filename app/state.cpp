// Program-wide state of the shell, each start value written once in the
// list below, and the one reset that calls every subsystem's own.
#include <cstring>

#include "app/app.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"

#define APP_STATE(X)                          \
    X(BkFont*, StatusFont, nullptr)           \
    X(int32_t, DataDirectoryEntered, 0)       \
    X(int32_t, RedrawRequested, 0)            \
    X(int32_t, CursorOnlyRequested, 0)        \
    X(int32_t, ShrinkRequested, 0)            \
    X(int32_t, GrowRequested, 0)

#define DEFINE(type, name, start) type name = start;
APP_STATE(DEFINE)
char MessageText[128];

void ResetAppState() {
#define RESET(type, name, start) name = start;
    APP_STATE(RESET)
    std::memset(MessageText, 0, sizeof MessageText);
    // AuthorMode is the command line's, chosen before start-up resets.
    AuthorErrorText[0] = 0;
}

void ResetGlobals() {
    ResetPlatformState();
    ResetImageState();
    ResetScreenState();
    ResetSoundState();
    ResetSceneState();
    ResetAppState();
}
