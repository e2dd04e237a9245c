// A small world that the viewer runs and the checker passes, to be damaged
// one piece at a time, and a way to run the zemworld tool on it.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/support.h"

// One colour table for every picture, so every remap is exact: entry i is
// (i, 255 - i, 37 i mod 256), all different.
inline uint32_t WorldColour(int i) {
    return (uint32_t)i << 16 | (uint32_t)(255 - i) << 8 | (uint32_t)(i * 37 % 256);
}

inline std::vector<uint8_t> WorldBmp(int32_t width, int32_t height,
                                     const std::vector<uint8_t>& pixels) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels = pixels;
    for (int i = 0; i < 256; i++) layout.colours.push_back(WorldColour(i));
    return MakeBmp(layout);
}

// All `index`, except the transparent top-left pixel of encoded pictures.
inline std::vector<uint8_t> WorldPicture(int32_t width, int32_t height, uint8_t index,
                                         int transparentCorner = 0) {
    std::vector<uint8_t> pixels((size_t)width * height, index);
    if (transparentCorner) pixels[0] = 0;
    return WorldBmp(width, height, pixels);
}

inline std::vector<uint8_t> WorldSound() {
    WavLayout layout;
    layout.bitsPerSample = 16;
    layout.data.assign(64, 0);
    return MakeWav(layout);
}

inline std::string SpriteLine(int32_t x, int32_t y) {
    return "f abcde" + std::to_string(x) + " abcde0 abcde0 abcde" + std::to_string(y) + " a b\n";
}

// hall (closeup 640 x 480 of index 20) and yard (panorama 1024 x 480 of
// index 30), a door each way, a stamp with its item view, icon and sound,
// a two-frame sprite with its offset file.
const char* const GoodScript =
    "rem a world with nothing wrong\n"
    "location hall\n"
    "closeup HALL.BMP\n"
    "stamp KEY.BMP 100 100 20 10 PICK.WAV key0000.bmp\n"
    "sprite ANIM0000.BMP on\n"
    "door yard 300 200 100 100 PICK.WAV - 500 40\n"
    "location yard\n"
    "panorama YARD.BMP\n"
    "door hall 10 100 50 200\n";

struct TestWorld {
    std::vector<PackMember> members;

    TestWorld() {
        Put("ZEMLOGO.BMP", WorldPicture(20, 8, 40, 1));
        Put("BATBICON.BMP", WorldPicture(4, 4, 50));
        for (int k = 0; k < 4; k++)
            Put("CURS000" + std::to_string(k) + ".BMP", WorldPicture(16, 16, (uint8_t)(60 + k), 1));
        Put("HALL.BMP", WorldPicture(640, 480, 20));
        Put("YARD.BMP", WorldPicture(1024, 480, 30));
        Put("KEY.BMP", WorldPicture(20, 10, 70));
        Put("KEYICON.BMP", WorldPicture(8, 8, 80, 1));
        for (int k = 0; k < 24; k++) {
            char name[16];
            std::snprintf(name, sizeof name, "key%04d.bmp", k);
            Put(name, WorldPicture(32, 32, (uint8_t)(90 + k)));
        }
        Put("PICK.WAV", WorldSound());
        Put("ANIM0000.BMP", WorldPicture(10, 10, 120, 1));
        Put("ANIM0001.BMP", WorldPicture(10, 10, 121, 1));
        Put("ANIMinfo.txt", Bytes(SpriteLine(200, 300) + SpriteLine(210, 300)));
        Put("game.txt", Bytes(GoodScript));
    }
    void Put(const std::string& name, const std::vector<uint8_t>& data) {
        Remove(name);
        members.push_back({name, data});
    }
    void Remove(const std::string& name) {
        for (size_t i = 0; i < members.size(); i++)
            if (members[i].name == name) members.erase(members.begin() + (long)i--);
    }
    std::vector<uint8_t> Archive() const { return BuildArchive(members); }
    // The world as an archive file, or as a folder of its files.
    bool WriteArchive(const std::string& path) const {
        std::string error;
        return PackWriteFile(path, Archive(), &error);
    }
    bool WriteFolder(const std::string& folder) const {
        if (std::system(("rm -rf " + folder + " && mkdir -p " + folder).c_str()) != 0) return false;
        std::string error;
        for (const PackMember& m : members)
            if (!PackWriteFile(folder + "/" + m.name, m.data, &error)) return false;
        return true;
    }
};

struct ToolResult {
    int code;
    std::string output;  // standard output and error together
};

// Runs "zemworld ARGUMENTS".
inline ToolResult Zemworld(const std::string& arguments) {
    const char* tool = std::getenv("ZEMWORLD");
    std::string command = std::string(tool ? tool : "../tools/zemworld/zemworld") + " " + arguments + " 2>&1";
    ToolResult result = {-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    int status = pclose(pipe);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
