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

const char* PackFileKind(unsigned mode) {
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
        if (error) *error = path + " is " + PackFileKind(info.st_mode) + ", not a file";
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

// A regular file opened without waiting, its kind looked at before the
// open (a FIFO or device is never opened) and again after it; -1 and why.
static int OpenRegular(const std::string& path, struct stat* info, std::string* error) {
    if (stat(path.c_str(), info) != 0) {
        if (error) *error = "cannot open " + path + ": " + Reason();
        return -1;
    }
    if (!S_ISREG(info->st_mode)) {
        if (error) *error = path + " is " + PackFileKind(info->st_mode) + ", not a file";
        return -1;
    }
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        if (error) *error = "cannot open " + path + ": " + (fd < 0 ? Reason() : "it is not a file");
        if (fd >= 0) close(fd);
        return -1;
    }
    return fd;
}

int PackReadFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    struct stat info;
    int fd = OpenRegular(path, &info, error);
    if (fd < 0) return 0;
    int ok = ReadOpened(fd, path, bytes, error);
    close(fd);
    return ok;
}

int PackReadDirectory(const std::string& path, std::vector<uint8_t>* head, uint64_t* fileSize,
                      std::string* error) {
    head->clear();
    struct stat info;
    int fd = OpenRegular(path, &info, error);
    if (fd < 0) return 0;
    *fileSize = (uint64_t)info.st_size;
    uint8_t count[4] = {0, 0, 0, 0};
    uint64_t want = *fileSize < 4 ? *fileSize : 4;
    int ok = ReadExactly(fd, count, (size_t)want);
    head->assign(count, count + want);
    uint64_t entries = (uint64_t)(count[0] | count[1] << 8 | count[2] << 16 | (uint32_t)count[3] << 24);
    uint64_t directory = 4 + entries * sizeof(ArchiveEntry);
    // A directory the file cannot hold is refused from its count alone.
    // Otherwise it is read in pieces that double, and what is read so far
    // is checked as a directory of its own before more is read: the head of
    // a large file that is no archive is all that is read of it.
    uint64_t piece = 64 * 1024;
    while (ok && want == 4 && directory <= *fileSize && head->size() < directory) {
        size_t before = head->size();
        head->resize((size_t)std::min<uint64_t>(directory, before + piece));
        ok = ReadExactly(fd, head->data() + before, head->size() - before);
        piece *= 2;
        uint64_t whole = (head->size() - 4) / sizeof(ArchiveEntry);
        if (!ok || head->size() == directory || whole == 0) continue;
        std::vector<uint8_t> part(head->begin(), head->begin() + 4 + (long)(whole * sizeof(ArchiveEntry)));
        uint32_t n = (uint32_t)whole;
        std::memcpy(part.data(), &n, 4);
        const char* why = nullptr;
        if (!ArchiveCheckDirectory(part.data(), part.size(), (size_t)*fileSize, nullptr, &why)) {
            // The entries read so far as a directory of their own, which
            // the checks refuse, naming the entry at fault.
            *head = part;
            break;
        }
    }
    close(fd);
    if (!ok && error) *error = "cannot read " + path + " (it may have changed while being read)";
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

std::vector<std::string> PackFolderNames(int folderFd) {
    std::vector<std::string> names;
    // A description of its own: reading the entries moves its offset.
    int fd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

int PackListFolder(const std::string& folder, std::vector<PackFolderEntry>* out, std::string* error) {
    out->clear();
    int folderFd = OpenFolder(folder, error);
    if (folderFd < 0) return 0;
    for (const std::string& name : PackFolderNames(folderFd)) {
        struct stat info;
        PackFolderEntry entry = {name, 0, ""};
        if (fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            entry.skip = "cannot examine it: " + Reason();
        else if (S_ISLNK(info.st_mode))
            entry.skip = "a symbolic link (links are not followed: copy the file itself in)";
        else if (!S_ISREG(info.st_mode))
            entry.skip = std::string(PackFileKind(info.st_mode)) + " (only files are packed)";
        else
            entry.size = (uint64_t)info.st_size;
        out->push_back(entry);
    }
    close(folderFd);
    return 1;
}

int PackReadFolderFile(const std::string& folder, const std::string& name, std::vector<uint8_t>* bytes,
                       std::string* error) {
    std::string path = folder + "/" + name;
    int folderFd = OpenFolder(folder, error);
    if (folderFd < 0) return 0;
    int fd = openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    close(folderFd);
    if (fd < 0) {
        if (error) *error = "cannot open " + path + ": " + Reason();
        return 0;
    }
    int ok = ReadOpened(fd, path, bytes, error);
    close(fd);
    return ok;
}

uint64_t PackFolderTotal(const std::vector<PackFolderEntry>& entries) {
    uint64_t total = 4 + sizeof(ArchiveEntry);  // the count and the end marker
    for (const PackFolderEntry& e : entries)
        if (e.skip.empty()) total += sizeof(ArchiveEntry) + e.size;
    return total;
}

int PackReadFolder(const std::string& folder, std::vector<PackMember>* out, std::string* error,
                   std::vector<std::string>* skipped) {
    out->clear();
    // What is packed, and the archive's size, before anything is read: a
    // folder too large to pack (or of huge sparse files) is refused at once.
    std::vector<PackFolderEntry> entries;
    if (!PackListFolder(folder, &entries, error)) return 0;
    size_t files = 0;
    for (const PackFolderEntry& e : entries) {
        if (!e.skip.empty()) {
            if (skipped) skipped->push_back("skipped " + PackPrintableName(folder + "/" + e.name) + ": " + e.skip);
            continue;
        }
        if (!PackValidName(e.name, error)) return 0;
        files++;
    }
    uint64_t total = PackFolderTotal(entries);
    if (total > LargestArchive) {
        if (error)
            *error = "the archive would be larger than 2 GiB (" + std::to_string(total) + " bytes of " +
                     std::to_string(files) + " files in " + folder + "); nothing was read";
        return 0;
    }
    total = 4 + sizeof(ArchiveEntry);
    for (const PackFolderEntry& e : entries) {
        if (!e.skip.empty()) continue;
        PackMember member;
        member.name = e.name;
        if (!PackReadFolderFile(folder, e.name, &member.data, error)) return 0;
        // A file that grew since it was counted counts as it is now.
        total += sizeof(ArchiveEntry) + member.data.size();
        if (total > LargestArchive) {
            if (error)
                *error = "the archive would be larger than 2 GiB with " + folder + "/" + e.name +
                         " (it grew while being read)";
            return 0;
        }
        out->push_back(std::move(member));
    }
    return 1;
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
            notFiles += (notFiles.empty() ? "" : ", ") + m.name + " (" + PackFileKind(info.st_mode) + ")";
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
        // Never through a link, not even one made since the look above. A
        // file is replaced by a new one renamed over it, never rewritten in
        // place: a hard link to it from elsewhere keeps its old bytes.
        std::string temporary = m.name;
        int fd = -1;
        for (int attempt = 0; fd < 0 && attempt < (replace ? 100 : 1); attempt++) {
            if (replace) temporary = ".zempack-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
            fd = openat(folderFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                        0666);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            if (error) *error = "cannot create " + folder + "/" + m.name + ": " + Reason();
            ok = 0;
            break;
        }
        int written = WriteAll(fd, archive.data() + m.offset, (size_t)m.size);
        std::string why = written ? "" : Reason();
        if (close(fd) != 0 && written) {
            written = 0;
            why = Reason();
        }
        if (written && replace && renameat(folderFd, temporary.c_str(), folderFd, m.name.c_str()) != 0) {
            written = 0;
            why = Reason();
        }
        if (!written) {
            if (replace) unlinkat(folderFd, temporary.c_str(), 0);
            if (error) *error = "cannot write " + folder + "/" + m.name + ": " + why;
            ok = 0;
            break;
        }
    }
    close(folderFd);
    return ok;
}
