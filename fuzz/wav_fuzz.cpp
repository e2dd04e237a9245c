// The input is taken as a WAV file in an archive: whatever it says, the
// loader reads and writes only inside its buffers, allocates no more than
// the file holds, and leaves nothing behind.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/support/support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The headless records of what was played and released would grow
    // with every input: a fresh platform each time.
    FreshProgram();
    if (SoundCreate(&SoundObject) != BK_OK) std::abort();
    std::vector<uint8_t> file(data, data + size);
    if (InstallArchive({{"S.WAV", file}}) != 1) return 0;
    int32_t blocks = LiveBlocks;
    int32_t bytes = LiveBytes;
    BkSoundBuffer* buffer = LoadSound("S.WAV");
    if (LiveBlocks != blocks || LiveBytes != bytes) std::abort();
    if (buffer) {
        // A loaded buffer holds exactly the data chunk that was read.
        SoundBufferPlay(buffer, 0, 0, 0);
        const HeadlessPlayed* played = HeadlessPlayedAt(HeadlessPlayedCount() - 1);
        if (!played || played->bytes.size() + 44 > size ||
            !std::equal(played->bytes.begin(), played->bytes.end(), data + 44))
            std::abort();
        SoundBufferRelease(buffer);
    }
    if (HeadlessLiveSoundBuffers() != 0) std::abort();
    SoundRelease(SoundObject);
    SoundObject = nullptr;
    return 0;
}
