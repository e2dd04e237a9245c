// Helpers shared by the picture tests.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "image/image.h"
#include "platform/platform.h"
#include "tests/support/support.h"

// A memory picture over a block the test owns.
inline Image MemoryPicture(std::vector<uint8_t>& block, int32_t width, int32_t height) {
    Image image{};
    image.pixels = block.data();
    image.width = image.pitch = width;
    image.height = height;
    image.size = (int32_t)block.size();
    return image;
}

inline std::vector<uint8_t> Content(const Image* image) {
    return std::vector<uint8_t>(image->pixels, image->pixels + image->size);
}

// The archive keeps a block of its own; the tests count what lies beyond it.
inline int32_t ArchiveBlocks = 0;
inline int32_t ArchiveBytes = 0;
inline int Install(const std::vector<PackMember>& members) {
    int ok = InstallArchive(members);
    ArchiveBlocks = LiveBlocks;
    ArchiveBytes = LiveBytes;
    return ok;
}
inline int32_t Blocks() { return LiveBlocks - ArchiveBlocks; }
inline int32_t BytesAlive() { return LiveBytes - ArchiveBytes; }
