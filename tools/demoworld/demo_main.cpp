// zemvr-demo: the program with the demo world's archive linked in, so it
// runs from any folder.
#include <cstdint>

#include "app/app.h"
#include "platform/platform.h"

extern const uint8_t* const DemoArchiveData;
extern const uint32_t DemoArchiveSize;

int main() {
    static LinkedResource table[2] = {{"data.zem", nullptr, 0}, {nullptr, nullptr, 0}};
    table[0].data = DemoArchiveData;
    table[0].size = DemoArchiveSize;
    LinkedResources = table;
    return RunMessageLoop();
}
