// The viewer itself, started over a world on the headless backend.
#include "app/app.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "tools/zemworld/world.h"

static LinkedResource LinkedWorld[2];
static std::string WorldFile;

void LinkArchive(const std::vector<uint8_t>& archive) {
    LinkedWorld[0] = {"data.zem", archive.data(), (uint32_t)archive.size()};
    LinkedWorld[1] = {nullptr, nullptr, 0};
    LinkedResources = LinkedWorld;
}

void LinkArchiveFile(const std::string& path) {
    LinkedResources = nullptr;
    WorldFile = path;
    ArchivePath = WorldFile.c_str();
}

void UnlinkArchive() {
    ArchiveRelease();
    LinkedResources = nullptr;
    ArchivePath = nullptr;
}

static int Start(std::string* message) {
    if (!InitApp()) {
        *message = HeadlessMessageBoxText();
        UnlinkArchive();
        return 0;
    }
    // Transitions wait on the clock; let every read move it on.
    HeadlessSetClockStep(1);
    return 1;
}

int StartViewerFile(const std::string& path, std::string* message) {
    HeadlessReset();
    UnlinkArchive();
    TrackedFailAt(0);
    LinkArchiveFile(path);
    return Start(message);
}

int StartViewer(const std::vector<uint8_t>& archive, std::string* message) {
    HeadlessReset();
    UnlinkArchive();
    TrackedFailAt(0);
    LinkArchive(archive);
    return Start(message);
}

int32_t StopViewer() {
    ShutdownApp();
    UnlinkArchive();
    return LiveBlocks;
}
