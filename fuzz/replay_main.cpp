// A fuzz target without libFuzzer: every file named on the command line, and
// every file in every folder named there (in name order), goes through the
// target once. A folder that does not exist counts as empty. The test builds
// replay the seed corpus and the regression cases this way.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static bool ReadWhole(const std::string& path, std::vector<uint8_t>* bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

static void Collect(const std::string& path, std::vector<std::string>* files) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return;
    if (S_ISREG(info.st_mode)) {
        files->push_back(path);
        return;
    }
    if (!S_ISDIR(info.st_mode)) return;
    DIR* dir = opendir(path.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(path + "/" + name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode)) files->push_back(name);
}

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; i++) Collect(argv[i], &files);
    for (const std::string& file : files) {
        std::vector<uint8_t> bytes;
        if (!ReadWhole(file, &bytes)) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", file.c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return 0;
}
