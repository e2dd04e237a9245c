// A small world for the location-change, item-view and soak tests, started
// through InitApp against the headless backend.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"
#include "tests/support/support.h"

// The logo's one opaque pixel is its bottom-right one; start-up puts the
// logo in the screen's bottom-right corner, so the pixel lands here.
static const int32_t LogoPixelX = 638;
static const int32_t LogoPixelY = 478;

// A picture of one colour index, that index in the given colour and a grey
// ramp everywhere else.
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

inline std::string Numbered(const char* prefix, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%04d.bmp", prefix, number);
    return name;
}

// Item-view frame k is 10 + 2k pixels wide, so the picture tells its number.
inline int32_t FrameWidth(int k) { return 10 + 2 * k; }

// hall1's stamp has an item view and its door a sound, a transition (whose
// frames each test adds) and an arrival pan; cellar's door leads to itself
// without arrival values, and its stamps have item views that cannot show.
const char* const WorldScript =
    "location hall1\n"
    "closeup HALL1.BMP\n"
    "stamp KEYS.BMP 10 10 20 20 pick.wav keys0000.bmp\n"
    "door hall2 0 0 50 50 door.wav t0001.bmp 100 20\n"
    "location hall2\n"
    "closeup HALL2.BMP\n"
    "door hall1 0 0 50 50 back.wav u0001.bmp 5 6\n"
    "location cellar\n"
    "closeup CELLAR.BMP\n"
    "door cellar 0 0 9 9\n"
    "stamp KEYS.BMP 40 10 20 20 pick.wav ab.bmp\n"
    "stamp KEYS.BMP 10 30 20 20 pick.wav gone0000.bmp\n"
    "stamp KEYS.BMP 40 30 20 20 pick.wav\n";

struct World {
    std::vector<PackMember> members;

    World() {
        BmpLayout logo;
        logo.width = 8;
        logo.height = 4;
        logo.pixels.assign(32, 0);
        logo.pixels.back() = 1;
        logo.colours = {0, 0x00C8C8C8};
        Add("ZEMLOGO.BMP", MakeBmp(logo));
        Add("BATBICON.BMP", MakeFilledBmp(1, 1, 0));
        for (int i = 0; i < 4; i++) Add("CURS000" + std::to_string(i) + ".BMP", MakeFilledBmp(32, 32, 0));
        Add("HALL1.BMP", Picture(64, 48, 3));
        Add("HALL2.BMP", Picture(64, 48, 4, 0x000000FF));
        Add("CELLAR.BMP", Picture(64, 48, 5));
        Add("KEYS.BMP", Picture(20, 20, 9));
        Add("KEYSICON.BMP", Picture(4, 4, 2));
        Add("PICK.WAV", Sound(32, 0x90));
        Add("DOOR.WAV", Sound(64, 0x70));
        for (int k = 0; k < 24; k++) Add(Numbered("keys", k), Picture(FrameWidth(k), 8, 1));
    }
    void Add(const std::string& name, const std::vector<uint8_t>& data) {
        for (PackMember& m : members)
            if (m.name == name) {
                m.data = data;
                return;
            }
        members.push_back({name, data});
    }
    // silent: on a machine without a sound device. Every clock read moves
    // time on by 1 ms, so the busy waits of transitions end.
    bool Start(const std::string& script = WorldScript, bool silent = false) {
        Add("game.txt", Bytes(script));
        FreshProgram();
        if (silent) HeadlessFail(HOP_SOUND_CREATE, DSERR_NODRIVER, -1);
        if (InstallArchive(members) != 1) return false;
        ArchiveRelease();  // start-up opens it; the image stays linked
        if (InitApp() != 1) return false;
        HeadlessSetClockStep(1);
        return true;
    }
};

// The world with a PDA, a background sound and hall1's door's transition
// frames: the long sessions' and the fault sweeps' world.
inline World TransitionWorld() {
    World world;
    world.Add("PDA.BMP", Picture(40, 10, 1));
    world.Add("BACK.WAV", Sound(16, 0x20));
    world.Add("t0001.bmp", Picture(200, 100, 1));
    world.Add("t0002.bmp", Picture(480, 360, 2));
    world.Add("u0001.bmp", Picture(320, 240, 1));
    return world;
}

inline std::string TransitionScript() {
    std::string script = WorldScript;
    script.insert(script.find("closeup HALL1"), "pda PDA.BMP\n");
    return script;
}

inline Location* FindLoc(const char* name) {
    for (Location* l = Locations; l; l = l->next)
        if (std::strcmp(l->name, name) == 0) return l;
    return nullptr;
}

// The program ends as it does on window destruction.
inline void StopProgram() { ShutdownApp(); }
