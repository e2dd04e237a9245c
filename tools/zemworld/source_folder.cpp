// The source folder as the only place the build reads. A world folder may
// come from anyone: a link in it may point anywhere, a name may stand for a
// FIFO, a device or a folder. A path is walked from the folder one name at a
// time, each folder opened without following a link; a link is followed by
// hand, and only while its target stays inside the folder. Only a regular
// file is opened, and the open does not wait.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "tools/zempack/pack.h"
#include "tools/zemworld/import.h"

// More links on one path are a loop.
static const int MostLinks = 40;

namespace {
struct Walk {
    std::vector<int> folders;  // open folders from the root down to where the walk is
    std::string rootReal;      // the root's own path, for absolute links
    int links = 0;
    std::string last;          // the last name, as it is in folders.back()
    struct stat info = {};     // what the last name is (a link not followed)
    std::string why;
};
}  // namespace

static std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

static void CloseWalk(Walk* w) {
    for (int fd : w->folders) close(fd);
    w->folders.clear();
}

static int StartWalk(const std::string& root, Walk* w) {
    int fd = open(root.empty() ? "." : root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        w->why = "the world folder cannot be read: " + std::string(std::strerror(errno));
        return 0;
    }
    w->folders.push_back(fd);
    char* real = realpath(root.empty() ? "." : root.c_str(), nullptr);
    if (real) w->rootReal = real;
    std::free(real);
    return 1;
}

static int Step(Walk* w, const std::string& name, int exact, int isLast, int followLast,
                std::string* matched = nullptr);

// The names of a link's target walked from the link's own folder.
static int FollowLink(Walk* w, const std::string& name, int isLast, int followLast) {
    if (++w->links > MostLinks) {
        w->why = "leads through more than " + std::to_string(MostLinks) + " links (a loop?)";
        return -1;
    }
    char target[PATH_MAX];
    ssize_t n = readlinkat(w->folders.back(), name.c_str(), target, sizeof target - 1);
    if (n < 0) {
        w->why = "is a link that cannot be read: " + std::string(std::strerror(errno));
        return -1;
    }
    std::string to(target, (size_t)n);
    if (!to.empty() && to[0] == '/') {
        const std::string& r = w->rootReal;
        if (r.empty() || to.compare(0, r.size(), r) != 0 || (to.size() > r.size() && to[r.size()] != '/')) {
            w->why = "is a link to " + to + ", outside the world folder; only links to files inside it are followed";
            return -1;
        }
        while (w->folders.size() > 1) {
            close(w->folders.back());
            w->folders.pop_back();
        }
        to = to.substr(r.size());
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= to.size()) {
        size_t end = to.find('/', start);
        if (end == std::string::npos) end = to.size();
        std::string part = to.substr(start, end - start);
        if (!part.empty()) parts.push_back(part);
        start = end + 1;
    }
    if (parts.empty()) parts.push_back(".");
    for (size_t i = 0; i < parts.size(); i++) {
        int r = Step(w, parts[i], 1, isLast && i + 1 == parts.size(), followLast);
        if (r != 1) {
            if (r < 0 && parts[i] == "..")
                w->why = "is a link to " + to + ", outside the world folder; only links to files inside it are followed";
            return r;
        }
    }
    return 1;
}

// One name from where the walk is: into it when it is a folder on the way,
// onto it when it is the last. 1 done, 0 no such name, -1 refused (why).
static int Step(Walk* w, const std::string& asked, int exact, int isLast, int followLast,
                std::string* matched) {
    if (matched) *matched = asked;
    int here = w->folders.back();
    if (asked == "." || asked == "..") {
        if (asked == "..") {
            if (w->folders.size() == 1) {
                w->why = "leads outside the world folder";
                return -1;
            }
            close(w->folders.back());
            w->folders.pop_back();
        }
        if (isLast) {
            w->last = ".";
            fstat(w->folders.back(), &w->info);
        }
        return 1;
    }
    std::string name = asked;
    if (fstatat(here, name.c_str(), &w->info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            w->why = "cannot be examined: " + std::string(std::strerror(errno));
            return -1;
        }
        if (exact) return 0;
        // Names are matched without regard to case, as the archive does.
        name.clear();
        for (const std::string& entry : PackFolderNames(here))
            if (Lower(entry) == Lower(asked)) {
                name = entry;
                break;
            }
        if (name.empty() || fstatat(here, name.c_str(), &w->info, AT_SYMLINK_NOFOLLOW) != 0) return 0;
    }
    if (matched) *matched = name;
    if (S_ISLNK(w->info.st_mode) && (!isLast || followLast)) return FollowLink(w, name, isLast, followLast);
    if (isLast) {
        w->last = name;
        return 1;
    }
    if (!S_ISDIR(w->info.st_mode)) return 0;
    int fd = openat(here, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        w->why = "cannot be entered: " + std::string(std::strerror(errno));
        return -1;
    }
    w->folders.push_back(fd);
    return 1;
}

// The names of a path as the author wrote it; -1 for one that leaves the
// folder by itself (absolute, or through "..").
static int SplitPath(const std::string& relative, std::vector<std::string>* parts) {
    std::string path = relative;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path[0] == '/') return -1;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") return -1;
        if (!part.empty() && part != ".") parts->push_back(part);
        start = end + 1;
    }
    return 1;
}

// Walks to the last name of the path, following a last link too. The path
// as it is spelled on disk (links kept as names) goes to spelled.
static int WalkTo(const std::string& root, const std::string& relative, Walk* w, std::string* spelled) {
    std::vector<std::string> parts;
    if (SplitPath(relative, &parts) < 0) {
        w->why = "is not a path inside the world folder";
        return -1;
    }
    if (!StartWalk(root, w)) return -1;
    if (parts.empty()) {
        w->last = ".";
        fstat(w->folders.back(), &w->info);
        if (spelled) spelled->clear();
        return 1;
    }
    std::string done;
    for (size_t i = 0; i < parts.size(); i++) {
        // The spelling on disk, a link's own name rather than its target's.
        std::string name;
        int r = Step(w, parts[i], 0, i + 1 == parts.size(), 1, &name);
        if (r != 1) return r;
        done = done.empty() ? name : done + "/" + name;
    }
    if (spelled) *spelled = done;
    return 1;
}

int ResolveSourcePath(const std::string& root, const std::string& relative, std::string* found,
                      std::string* why) {
    Walk w;
    std::string spelled;
    int r = WalkTo(root, relative, &w, &spelled);
    CloseWalk(&w);
    if (r < 0 && why) *why = w.why;
    if (r == 1) *found = spelled;
    return r;
}

int SourceIsFolder(const std::string& root, const std::string& relative) {
    Walk w;
    int r = WalkTo(root, relative, &w, nullptr);
    CloseWalk(&w);
    return r == 1 && S_ISDIR(w.info.st_mode);
}

std::vector<std::string> SourceEntries(const std::string& root, const std::string& folder) {
    Walk w;
    std::vector<std::string> names;
    if (WalkTo(root, folder, &w, nullptr) == 1 && S_ISDIR(w.info.st_mode)) {
        int fd = openat(w.folders.back(), w.last.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            names = PackFolderNames(fd);
            close(fd);
        }
    }
    CloseWalk(&w);
    return names;
}

int SourceOpen(const std::string& root, const std::string& relative, SourceReader* out, std::string* why) {
    *out = SourceReader();
    Walk w;
    int r = WalkTo(root, relative, &w, nullptr);
    if (r <= 0) {
        *why = r < 0 ? w.why : "not found";
        CloseWalk(&w);
        return 0;
    }
    // The kind is known before the open: a FIFO or a device is never opened.
    if (!S_ISREG(w.info.st_mode)) {
        *why = std::string("is ") + PackFileKind(w.info.st_mode) + ", not a file";
        CloseWalk(&w);
        return 0;
    }
    int fd = openat(w.folders.back(), w.last.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    std::string reason = fd < 0 ? std::strerror(errno) : "";
    CloseWalk(&w);
    struct stat info;
    if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        close(fd);
        fd = -1;
        reason = "it changed while being opened";
    }
    if (fd < 0) {
        *why = "cannot be opened: " + reason;
        return 0;
    }
    out->fd = fd;
    out->size = info.st_size;
    return 1;
}
