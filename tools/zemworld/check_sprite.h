// Checking a frame series as zemLoadSprite loads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CheckContext;
struct Sprite;

struct SpriteLoad {
    std::string name;
    int32_t line;           // of the script; 0 for the cursor
    const char* what;       // "sprite", "cursor"
    const char* frameWhat;  // "sprite frame", "cursor frame"
    int scratch;            // decoded in the back buffer
    int columnMajor;
    int32_t viewHeight, viewWidth;
    int wantOffsets;  // frames without an offset file are worth a warning
};

// The loaded sprite (the caller frees it with FreeSprite), or none after
// the refusal was reported.
Sprite* CheckSprite(CheckContext* c, const SpriteLoad& load);
// File names of the first count frames of a series.
std::vector<std::string> SpriteFrameNames(const std::string& name, int32_t count);
