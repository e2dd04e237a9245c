#include "fuzz/source_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

static std::string Folder;

static void RemoveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Folder, ec);
}

int WriteSourceFile(const std::string& name, const uint8_t* data, size_t size, std::string* folder) {
    if (Folder.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zem-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0])) return 0;
        Folder = pattern;
        std::atexit(RemoveFolder);
    }
    *folder = Folder;
    std::string path = Folder + "/" + name;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) break;
        done += (size_t)n;
    }
    close(fd);
    return done == size;
}
