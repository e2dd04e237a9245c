// Folders and files for the zempack tool. Everything it is given may be
// hostile: an archive path may name a folder, a FIFO or a device, a folder
// to pack may hold links, FIFOs and files too large to pack, and a folder to
// extract into may already hold links pointing anywhere. Files are examined
// before they are opened, opened without waiting and without following
// links, and created only where nothing stands unless replacing is asked for.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/platform.h"
#include "tools/zempack/pack.h"

// Offsets in an archive are signed 32-bit numbers.
static const uint64_t LargestArchive = 0x7fffffff;

static std::string Reason() { return std::strerror(errno); }

static const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

// Exactly length bytes from fd, or 0.
static int ReadExactly(int fd, uint8_t* to, size_t length) {
    while (length > 0) {
        ssize_t got = read(fd, to, length);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return 0;
        to += got;
        length -= (size_t)got;
    }
    return 1;
}

static int WriteAll(int fd, const uint8_t* from, size_t length) {
    while (length > 0) {
        ssize_t put = write(fd, from, length);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return 0;
        from += put;
        length -= (size_t)put;
    }
    return 1;
}

// A regular file already opened without waiting: its bytes, its size
// checked before anything is read.
static int ReadOpened(int fd, const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    struct stat info;
    if (fstat(fd, &info) != 0) {
        if (error) *error = "cannot examine " + path + ": " + Reason();
        return 0;
    }
    if (!S_ISREG(info.st_mode)) {
        if (error) *error = path + " is " + KindOf(info.st_mode) + ", not a file";
        return 0;
    }
    if ((uint64_t)info.st_size > LargestArchive) {
        if (error) *error = path + " is larger than 2 GiB";
        return 0;
    }
    bytes->assign((size_t)info.st_size, 0);
    if (!ReadExactly(fd, bytes->data(), bytes->size())) {
        if (error) *error = "cannot read " + path + " (it may have changed while being read)";
        return 0;
    }
    return 1;
}

int PackReadFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        if (error) *error = "cannot open " + path + ": " + Reason();
        return 0;
    }
    if (!S_ISREG(info.st_mode)) {
        if (error) *error = path + " is " + KindOf(info.st_mode) + ", not a file";
        return 0;
    }
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = "cannot open " + path + ": " + Reason();
        return 0;
    }
    int ok = ReadOpened(fd, path, bytes, error);
    close(fd);
    return ok;
}

// Written beside the target and renamed over it: a program reading the old
// file (such as a viewer running on the archive) keeps it whole, and a link
// standing at the target is replaced, not followed.
int PackWriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
        temporary = path + ".new" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        if (error) *error = "cannot write " + path + ": " + Reason();
        return 0;
    }
    int ok = WriteAll(fd, bytes.data(), bytes.size());
    std::string why = ok ? "" : Reason();
    if (close(fd) != 0 && ok) {
        ok = 0;
        why = Reason();
    }
    if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
        ok = 0;
        why = Reason();
    }
    if (!ok) {
        unlink(temporary.c_str());
        if (error) *error = "cannot write " + path + ": " + why;
    }
    return ok;
}

static int OpenFolder(const std::string& folder, std::string* error) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && error) *error = "cannot read folder " + folder + ": " + Reason();
    return fd;
}

static std::vector<std::string> FolderNames(int folderFd) {
    std::vector<std::string> names;
    int fd = dup(folderFd);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0) close(fd);
        return names;
    }
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

int PackReadFolder(const std::string& folder, std::vector<PackMember>* out, std::string* error,
                   std::vector<std::string>* skipped) {
    int folderFd = OpenFolder(folder, error);
    if (folderFd < 0) return 0;
    out->clear();
    uint64_t total = 4 + sizeof(ArchiveEntry);  // the count and the end marker
    int ok = 1;
    for (const std::string& name : FolderNames(folderFd)) {
        std::string path = folder + "/" + name;
        struct stat info;
        std::string skip;
        if (fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            skip = "cannot examine it: " + Reason();
        else if (S_ISLNK(info.st_mode))
            skip = "a symbolic link (links are not followed: copy the file itself in)";
        else if (!S_ISREG(info.st_mode))
            skip = std::string(KindOf(info.st_mode)) + " (only files are packed)";
        if (!skip.empty()) {
            if (skipped) skipped->push_back("skipped " + PackPrintableName(path) + ": " + skip);
            continue;
        }
        PackMember member;
        member.name = name;
        if (!PackValidName(member.name, error)) {
            ok = 0;
            break;
        }
        // Counted before anything is read: a huge (or sparse) file is
        // refused at once.
        uint64_t before = total + sizeof(ArchiveEntry);
        total = before + (uint64_t)info.st_size;
        if (total > LargestArchive) {
            if (error) *error = "the archive would be larger than 2 GiB with " + path;
            ok = 0;
            break;
        }
        int fd = openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (error) *error = "cannot open " + path + ": " + Reason();
            ok = 0;
            break;
        }
        ok = ReadOpened(fd, path, &member.data, error);
        close(fd);
        if (ok && member.data.size() != (size_t)info.st_size) {  // it changed meanwhile
            total = before + member.data.size();
            if (total > LargestArchive) {
                if (error) *error = "the archive would be larger than 2 GiB with " + path;
                ok = 0;
            }
        }
        if (!ok) break;
        out->push_back(std::move(member));
    }
    close(folderFd);
    return ok;
}

int PackExtract(const std::vector<uint8_t>& archive, const std::string& folder, std::string* error,
                int replace) {
    std::vector<PackListing> listing;
    if (!PackList(archive, &listing, error)) return 0;
    for (const PackListing& m : listing)
        if (!PackValidName(m.name, error)) return 0;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        if (error) *error = "cannot create folder " + folder + ": " + ec.message();
        return 0;
    }
    int folderFd = OpenFolder(folder, error);
    if (folderFd < 0) return 0;

    // Whatever stands in the way is named before anything is written.
    std::string inTheWay, notFiles;
    for (const PackListing& m : listing) {
        struct stat info;
        if (fstatat(folderFd, m.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode))
            notFiles += (notFiles.empty() ? "" : ", ") + m.name + " (" + KindOf(info.st_mode) + ")";
        else if (!replace)
            inTheWay += (inTheWay.empty() ? "" : ", ") + m.name;
    }
    if (!notFiles.empty() || !inTheWay.empty()) {
        if (error) {
            if (!notFiles.empty())
                *error = "in " + folder + ", not replaced: " + notFiles;
            else
                *error = "already in " + folder + ": " + inTheWay + " (--force replaces files)";
        }
        close(folderFd);
        return 0;
    }

    int ok = 1;
    for (const PackListing& m : listing) {
        // Never through a link, not even one made since the look above.
        int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        flags |= replace ? O_TRUNC : O_EXCL;
        int fd = openat(folderFd, m.name.c_str(), flags, 0666);
        struct stat info;
        if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            std::string why = fd < 0 ? Reason() : "not a file";
            if (error) *error = "cannot create " + folder + "/" + m.name + ": " + why;
            if (fd >= 0) close(fd);
            ok = 0;
            break;
        }
        int written = WriteAll(fd, archive.data() + m.offset, (size_t)m.size);
        std::string why = written ? "" : Reason();
        if (close(fd) != 0 && written) {
            written = 0;
            why = Reason();
        }
        if (!written) {
            if (error) *error = "cannot write " + folder + "/" + m.name + ": " + why;
            ok = 0;
            break;
        }
    }
    close(folderFd);
    return ok;
}
