// What every backend accepts, for the tools that prepare data for them.
#pragma once

// Sample rates a sound buffer may have: what recorded sound uses. Beyond
// them a conversion to the device's rate would cost without bound.
#define SOUND_LOWEST_RATE 4000
#define SOUND_HIGHEST_RATE 192000
