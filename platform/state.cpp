// Program-wide platform state, each start value written once in the list
// below.
#include "platform/platform.h"

// A build option: plain files from the folder "data" instead of data.zem.
#ifndef ZEM_USE_ARCHIVE
#define ZEM_USE_ARCHIVE 1
#endif

#define PLATFORM_STATE(X)                    \
    X(int32_t, LiveBlocks, 0)                \
    X(int32_t, LiveBytes, 0)                 \
    X(int32_t, UseArchive, ZEM_USE_ARCHIVE)

#define DEFINE(type, name, start) type name = start;
PLATFORM_STATE(DEFINE)

void ResetPlatformState() {
#define RESET(type, name, start) name = start;
    PLATFORM_STATE(RESET)
}
