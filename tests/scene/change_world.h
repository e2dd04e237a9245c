// A small world for the location-change, item-view and soak tests: the fixed
// pictures start-up needs, the test's own script and files, started through
// InitApp against the headless backend.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"
#include "tests/support/support.h"

// The logo's one opaque pixel is its bottom-right one. Start-up places the
// logo at (639 - width, 479 - height), so that pixel lands on (638, 478).
static const int32_t LogoWidth = 8;
static const int32_t LogoHeight = 4;
static const int32_t LogoPixelX = 638;
static const int32_t LogoPixelY = 478;
static const uint32_t LogoColour = 0x00C8C8C8;

// A picture of one colour index with the given colour at that index and a
// grey ramp everywhere else.
inline std::vector<uint8_t> Picture(int32_t width, int32_t height, uint8_t index,
                                    uint32_t colour = 0x00FF0000) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels.assign((size_t)width * height, index);
    for (uint32_t i = 0; i < 256; i++) layout.colours.push_back(i * 0x010101u);
    layout.colours[index] = colour;
    return MakeBmp(layout);
}

inline std::vector<uint8_t> Sound(size_t samples, uint8_t value) {
    WavLayout layout;
    layout.data.assign(samples, value);
    return MakeWav(layout);
}

struct World {
    std::vector<PackMember> members;

    World() {
        std::vector<uint8_t> logo((size_t)LogoWidth * LogoHeight, 0);
        logo.back() = 1;
        BmpLayout layout;
        layout.width = LogoWidth;
        layout.height = LogoHeight;
        layout.pixels = logo;
        layout.colours = {0, LogoColour};
        Add("ZEMLOGO.BMP", MakeBmp(layout));
        Add("BATBICON.BMP", MakeFilledBmp(1, 1, 0));
        for (int i = 0; i < 4; i++) Add("CURS000" + std::to_string(i) + ".BMP", MakeFilledBmp(32, 32, 0));
    }
    void Add(const std::string& name, const std::vector<uint8_t>& data) {
        for (PackMember& m : members)
            if (m.name == name) {
                m.data = data;
                return;
            }
        members.push_back({name, data});
    }
    // Installs the archive and starts the program on it; silent: on a
    // machine without a sound device. Every clock read moves time on by 1 ms,
    // so the busy waits of transitions end.
    bool Start(const std::string& script, bool silent = false) {
        Add("game.txt", Bytes(script));
        FreshProgram();
        if (silent) HeadlessFail(HOP_SOUND_CREATE, DSERR_NODRIVER, -1);
        if (InstallArchive(members) != 1) return false;
        if (InitApp() != 1) return false;
        HeadlessSetClockStep(1);
        return true;
    }
};

inline Location* FindLoc(const char* name) {
    for (Location* l = Locations; l; l = l->next)
        if (std::strcmp(l->name, name) == 0) return l;
    return nullptr;
}

inline Location* LastLoc() {
    Location* l = Locations;
    while (l && l->next) l = l->next;
    return l;
}

// Screen pixels inside the rectangle equal inside, all others (but the
// logo's pixel) equal outside; returns the number of pixels that differ.
inline int ScreenMismatches(int32_t x, int32_t y, int32_t w, int32_t h, uint8_t inside,
                            uint8_t outside) {
    const uint8_t* screen = HeadlessScreen();
    int bad = 0;
    for (int32_t row = 0; row < 480; row++)
        for (int32_t col = 0; col < 640; col++) {
            if (col == LogoPixelX && row == LogoPixelY) continue;
            bool in = col >= x && col < x + w && row >= y && row < y + h;
            bad += screen[row * 640 + col] != (in ? inside : outside);
        }
    return bad;
}

// The program ends as it does on window destruction. The sound list's nodes
// live to the end of the process; a test hands them back itself.
inline void StopProgram() {
    ShutdownApp();
    while (SoundList) {
        SoundNode* next = SoundList->next;
        TrackedFree(SoundList);
        SoundList = next;
    }
}
