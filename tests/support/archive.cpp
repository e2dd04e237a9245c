// Archives built in memory and opened as the program opens data.zem.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/support.h"
std::vector<uint8_t> BuildArchive(const std::vector<PackMember>& members) {
    std::vector<uint8_t> archive;
    std::string error;
    EXPECT_TRUE(PackBuild(members, &archive, &error)) << error;
    return archive;
}

// The installed archive lives until the next install, as a linked resource.
static std::vector<uint8_t> InstalledImage;
static LinkedResource InstalledTable[2];

int InstallArchive(const std::vector<PackMember>& members) {
    ArchiveRelease();
    InstalledImage = BuildArchive(members);
    InstalledTable[0] = {"data.zem", InstalledImage.data(), (uint32_t)InstalledImage.size()};
    InstalledTable[1] = {nullptr, nullptr, 0};
    LinkedResources = InstalledTable;
    return FastFileInit("data.zem", 40);
}
