// zemvr in a web page: the world's archive is the one the page fetched from
// beside itself, handed to the archive reader as an image linked into the
// program; when the world ends the page says so.
#include <cstdint>
#include <cstdlib>

#include <emscripten.h>

#include "app/app.h"
#include "platform/platform.h"

extern "C" {
// Bytes of the fetched archive (0 when the fetch failed), and a copy of
// them; the page lets go of its own copy.
uint32_t zem_web_archive_size();
void zem_web_archive_take(uint8_t* to);
void zem_web_ended(int32_t code);
}

int main() {
    static LinkedResource table[2] = {{"data.zem", nullptr, 0}, {nullptr, nullptr, 0}};
    uint32_t size = zem_web_archive_size();
    uint8_t* archive = size ? (uint8_t*)std::malloc(size) : nullptr;
    if (archive) {
        zem_web_archive_take(archive);
        table[0].data = archive;
        table[0].size = size;
        LinkedResources = table;
    }
    // Without an archive start-up fails as it does on the desktop, and the
    // page shows its message.
    int code = RunMessageLoop();
    LinkedResources = nullptr;
    std::free(archive);
    zem_web_ended(code);
    return code;
}
