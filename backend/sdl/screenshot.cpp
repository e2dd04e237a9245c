// Screenshots (Print, F10): the 640 x 480 picture on the screen, in the
// colours it is shown in, as a PNG file in the pictures folder of the XDG
// user directories (or the home folder), named by the date and time.
// Nothing is shown on the screen; the file name goes to standard output.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "backend/sdl/parts.h"
#include "backend/soft/soft.h"

static std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    const struct passwd* user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

static int IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The value of XDG_PICTURES_DIR in a user-dirs.dirs file: a quoted path that
// is absolute or starts with $HOME, shell escapes allowed. Empty when the
// file does not name one.
static std::string PicturesFromUserDirs(const std::string& file, const std::string& home) {
    FILE* in = std::fopen(file.c_str(), "r");
    if (!in) return "";
    std::string found;
    char line[4096];
    while (std::fgets(line, sizeof line, in)) {
        const char* p = line;
        while (*p == ' ' || *p == '\t') p++;
        static const char key[] = "XDG_PICTURES_DIR=\"";
        if (std::strncmp(p, key, sizeof key - 1) != 0) continue;
        p += sizeof key - 1;
        std::string value;
        if (std::strncmp(p, "$HOME", 5) == 0 && (p[5] == '/' || p[5] == '"')) {
            value = home;
            p += 5;
        } else if (*p != '/') {
            continue;  // neither form the file may hold
        }
        for (; *p && *p != '"'; p++) {
            if (*p == '\\' && p[1]) p++;
            value += *p;
        }
        if (*p == '"') found = value;  // the last assignment counts, as in a shell
    }
    std::fclose(in);
    return found;
}

static std::string PicturesFolder() {
    std::string home = HomeFolder();
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string dirs = (config && config[0] == '/' ? std::string(config) : home + "/.config") +
                       "/user-dirs.dirs";
    std::string pictures = PicturesFromUserDirs(dirs, home);
    return !pictures.empty() && IsFolder(pictures) ? pictures : home;
}

static void Collect(void* context, void* data, int size) {
    std::vector<uint8_t>* bytes = (std::vector<uint8_t>*)context;
    bytes->insert(bytes->end(), (uint8_t*)data, (uint8_t*)data + size);
}

// A new file (never one that is there already): the name with the time, and
// "-2", "-3", ... when a shot of the same second exists.
static int CreateShotFile(const std::string& folder, std::string* path) {
    std::time_t now = std::time(nullptr);
    struct tm local;
    char stamp[32] = "zemvr";
    if (localtime_r(&now, &local))
        std::strftime(stamp, sizeof stamp, "zemvr-%Y-%m-%d_%H-%M-%S", &local);
    for (int n = 1; n < 1000; n++) {
        *path = folder + "/" + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".png";
        int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

static int WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        done += (size_t)n;
    }
    return 1;
}

void SdlScreenshot() {
    std::vector<uint8_t> rgb((size_t)SOFT_WIDTH * SOFT_HEIGHT * 3);
    if (!SoftShownPicture(rgb.data())) return;
    std::vector<uint8_t> png;
    if (!stbi_write_png_to_func(Collect, &png, SOFT_WIDTH, SOFT_HEIGHT, 3, rgb.data(),
                                SOFT_WIDTH * 3))
        return;
    std::string path;
    int fd = CreateShotFile(PicturesFolder(), &path);
    if (fd < 0) {
        std::fprintf(stderr, "zemvr: no screenshot: %s: %s\n", path.c_str(), std::strerror(errno));
        return;
    }
    int written = WriteAll(fd, png);
    int error = errno;
    if (close(fd) != 0 && written) {
        written = 0;
        error = errno;
    }
    if (!written) {
        unlink(path.c_str());
        std::fprintf(stderr, "zemvr: no screenshot: %s: %s\n", path.c_str(), std::strerror(error));
        return;
    }
    std::printf("zemvr: screenshot %s\n", path.c_str());
    std::fflush(stdout);
}
