// The input is taken as a sound of a source folder: it is read as `zemworld
// build` reads it (its header judged first, its samples converted a piece at
// a time), and what the import writes must be a sound the viewer's loader
// takes, of the length the header promised, within the viewer's bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "backend/headless/headless.h"
#include "fuzz/source_file.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/support/support.h"
#include "tools/zemworld/import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string folder, why, note;
    if (!WriteSourceFile("s.wav", data, size, &folder)) std::abort();
    SourceReader reader;
    if (!SourceOpen(folder, "s.wav", &reader, &why)) std::abort();
    WavHeader header;
    int known = ReadWavHeader(reader, &header, &why);
    Pcm16 sound;
    int ok = DecodeWav(reader, &sound, &why, &note);
    SourceClose(&reader);
    if (ok != known || (!ok && why.empty())) std::abort();
    if (!ok) return 0;
    if (sound.channels != header.outChannels || sound.rate != header.outRate ||
        sound.samples.size() != header.outFrames * header.outChannels ||
        !SoundTooLong(sound.rate, 16, sound.channels, sound.samples.size() * 2).empty())
        std::abort();

    // The viewer plays what the build wrote.
    FreshProgram();
    if (SoundCreate(&SoundObject) != BK_OK) std::abort();
    if (InstallArchive({{"S.WAV", EncodeWav(sound)}}) != 1) std::abort();
    BkSoundBuffer* buffer = LoadSound("S.WAV");
    if (!buffer) std::abort();
    SoundBufferRelease(buffer);
    SoundRelease(SoundObject);
    SoundObject = nullptr;
    return 0;
}
