// zemvr-demo: the program with the demo world's archive linked in, so it
// runs from any folder. It takes the same options as zemvr, but no world.
#include <cstdint>

#include "app/app.h"
#include "backend/sdl/sdl.h"
#include "platform/platform.h"

extern const uint8_t* const DemoArchiveData;
extern const uint32_t DemoArchiveSize;

int main(int argc, char** argv) {
    const char* world = nullptr;
    int status = SdlCommandLine(argc, argv, "zemvr-demo", 0, &world);
    if (status >= 0) return status;
    static LinkedResource table[2] = {{"data.zem", nullptr, 0}, {nullptr, nullptr, 0}};
    table[0].data = DemoArchiveData;
    table[0].size = DemoArchiveSize;
    LinkedResources = table;
    return RunMessageLoop();
}
