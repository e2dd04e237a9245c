// Every source file is untrusted: damaged pictures and sounds are refused
// with the script line that names them and the file's own name, never a
// crash, and absurd sizes before anything is allocated for them.
#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <filesystem>

#include "tests/zemworld/build_support.h"

namespace {

std::vector<uint8_t> Read(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(PackReadFile(path, &bytes, &error)) << error;
    return bytes;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t keep) {
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

// A PNG chunk's CRC after its bytes were changed, so that the decoder reads
// what the header says.
void SetChunkCrc(std::vector<uint8_t>* png, size_t chunk) {
    uint32_t length = (uint32_t)(*png)[chunk] << 24 | (*png)[chunk + 1] << 16 | (*png)[chunk + 2] << 8 | (*png)[chunk + 3];
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = chunk + 4; i < chunk + 8 + length; i++) {
        crc ^= (*png)[i];
        for (int k = 0; k < 8; k++) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    for (int k = 0; k < 4; k++) (*png)[chunk + 8 + length + k] = (uint8_t)(crc >> (24 - 8 * k));
}

int LineOf(const std::string& script, const std::string& word) {
    size_t at = script.find(word);
    return at == std::string::npos ? -1 : 1 + (int)std::count(script.begin(), script.begin() + (long)at, '\n');
}

TEST(ImportDamagedTest, EachDamagedFileIsNamedWithTheLineThatUsesIt) {
    std::string base = TestFolder("damaged") + "/clean";
    std::string why;
    ASSERT_EQ(WriteStarterWorld(base, &why), 1) << why;
    std::vector<uint8_t> png = Read(base + "/garden.png"), wav = Read(base + "/sounds/door.wav");
    Rgba small = PhotoLike(64, 48, 0);
    int jpegBytes = 0;
    std::vector<uint8_t> jpeg;
    stbi_write_jpg_to_func([](void* c, void* d, int n) {
        auto* out = (std::vector<uint8_t>*)c;
        out->insert(out->end(), (uint8_t*)d, (uint8_t*)d + n);
    }, &jpeg, small.width, small.height, 4, small.pixels.data(), 90);
    jpegBytes = (int)jpeg.size();
    // A PNG whose header claims 8000 x 8000 pixels (0x1F40), which the
    // decoder itself would take on.
    std::vector<uint8_t> huge = png;
    for (int i = 0; i < 2; i++) {
        huge[16 + i * 4] = huge[17 + i * 4] = 0;
        huge[18 + i * 4] = 0x1F;
        huge[19 + i * 4] = 0x40;
    }
    SetChunkCrc(&huge, 8);
    std::vector<uint8_t> garbled = jpeg;
    for (size_t i = 200; i < garbled.size(); i++) garbled[i] = (uint8_t)(i * 7);
    std::vector<uint8_t> longWav = wav;
    longWav[40] = 0xFF;  // the data chunk claims more than the file holds
    longWav[41] = 0xFF;
    longWav[42] = 0x0F;

    WavLayout compressed;
    compressed.formatTag = 2;
    compressed.bitsPerSample = 4;
    compressed.data.assign(100, 0x11);
    std::vector<uint8_t> adpcm = MakeWav(compressed);

    const struct {
        const char* file;
        std::vector<uint8_t> bytes;  // empty: the file is removed
        const char* says;
    } cases[] = {
        {"garden.png", Cut(png, 4000), "damaged"},
        {"garden.png", huge, "more than a world can use"},
        {"shed.jpg", Cut(jpeg, (size_t)jpegBytes / 2), "damaged"},
        {"shed.jpg", garbled, "damaged"},
        {"objects/vase.png", {}, "not found"},
        {"sounds/door.wav", longWav, "runs past the end"},
        {"sounds/door.wav", Cut(wav, 30), "damaged"},
        {"sounds/door.wav", adpcm, "cannot read"},
        {"sounds/door.wav", Bytes("ID3 this is not a wave file at all"), "not a WAV"},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string folder = base + std::to_string(n++);
        std::filesystem::copy(base, folder, std::filesystem::copy_options::recursive);
        std::vector<uint8_t> scriptBytes = Read(folder + "/game.txt");
        std::string script(scriptBytes.begin(), scriptBytes.end());
        if (std::string(c.file) == "shed.jpg") {
            script.replace(script.find("shed.png"), 8, "shed.jpg");
            WriteBytes(folder + "/game.txt", Bytes(script));
        }
        if (c.bytes.empty())
            std::filesystem::remove(folder + "/" + c.file);
        else
            WriteBytes(folder + "/" + c.file, c.bytes);
        BuildResult result;
        Report report;
        EXPECT_EQ(BuildWorld(folder, &result, &report, nullptr), 0) << c.file;
        EXPECT_TRUE(result.archive.empty());
        ASSERT_GE(report.errors, 1) << c.file;
        const Diagnostic& d = report.items[0];
        EXPECT_EQ(d.file, folder + "/game.txt") << FormatDiagnostic(d);
        EXPECT_EQ(d.line, LineOf(script, c.file)) << FormatDiagnostic(d);
        EXPECT_NE(d.text.find(c.file), std::string::npos) << FormatDiagnostic(d);
        EXPECT_NE(d.text.find(c.says), std::string::npos) << FormatDiagnostic(d);
    }
}

}  // namespace
