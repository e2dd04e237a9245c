// Building, listing and checking data.zem archives. Used by the zempack tool,
// the demo-world build and the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PackMember {
    std::string name;
    std::vector<uint8_t> data;
};

struct PackListing {
    std::string name;
    int32_t offset;
    int32_t size;
};

// The end marker's name: a byte no 8.3 name may hold, so it sorts last.
extern const char PackEndMarker[];

// 1 for an 8.3 name (1 to 8 characters, optionally a dot and 1 to 3 more,
// letters, digits and _ - ~ ! # $ % & ' ( ) @ ^ { }); otherwise 0 and why.
int PackValidName(const std::string& name, std::string* why);

// Sorts the members in the archive's name order and lays out the archive.
int PackBuild(std::vector<PackMember> members, std::vector<uint8_t>* archive,
              std::string* error);

// Members in directory order, without the end marker.
int PackList(const std::vector<uint8_t>& archive, std::vector<PackListing>* out,
             std::string* error);

// Everything the program checks (among it the order of the names, so no
// name twice), plus zempack's end marker in last place and 8.3 member names.
int PackCheck(const std::vector<uint8_t>& archive, std::string* error);

// The same two for the head of an archive file of fileSize bytes that holds
// at least its directory (PackReadDirectory).
int PackListDirectory(const std::vector<uint8_t>& head, uint64_t fileSize, std::vector<PackListing>* out,
                      std::string* error);
int PackCheckDirectory(const std::vector<uint8_t>& head, uint64_t fileSize, std::string* error);
// The count and directory of an archive file and the file's size, nothing
// more: what is no archive is refused before the rest of it is read. Only a
// regular file is opened, without waiting.
int PackReadDirectory(const std::string& path, std::vector<uint8_t>* head, uint64_t* fileSize,
                      std::string* error);

// A name from an archive as it may be shown on a terminal: bytes that are
// not printable ASCII, and the backslash, as \xNN escapes.
std::string PackPrintableName(const std::string& name);

// The regular files of one folder as members; every name must be 8.3. Links
// (not followed), folders, FIFOs, devices and what cannot be examined are
// left out, each with a line in skipped. The archive's size is checked
// against 2 GiB before any file is read.
int PackReadFolder(const std::string& folder, std::vector<PackMember>* out,
                   std::string* error, std::vector<std::string>* skipped = nullptr);
// The entries of one folder as build sees them, links not followed: skip
// says why one is left out ("" for a regular file, whose size is given).
struct PackFolderEntry {
    std::string name;
    uint64_t size;
    std::string skip;
};
int PackListFolder(const std::string& folder, std::vector<PackFolderEntry>* out, std::string* error);
// The archive's size with the regular files among them.
uint64_t PackFolderTotal(const std::vector<PackFolderEntry>& entries);
// One regular file of the folder, opened without following a link or
// waiting; anything else is refused unread.
int PackReadFolderFile(const std::string& folder, const std::string& name, std::vector<uint8_t>* bytes,
                       std::string* error);
// The names in an open folder, sorted, without "." and "..".
std::vector<std::string> PackFolderNames(int folderFd);
// What a file of this mode (st_mode) is, as "a FIFO", "a folder", ...
const char* PackFileKind(unsigned mode);
// Writes a file beside path and renames it over path.
int PackWriteFile(const std::string& path, const std::vector<uint8_t>& bytes,
                  std::string* error);
// A regular file's bytes (up to 2 GiB); anything else is refused unread.
int PackReadFile(const std::string& path, std::vector<uint8_t>* bytes,
                 std::string* error);
// Writes every member into the folder (made when missing). The names come
// from the file, so all must be 8.3 names (no path) before anything is
// written. Files are created without following links; one that exists stops
// the extraction before anything is written, unless replace is set, and
// what is not a regular file is never replaced. A file is replaced by a new
// one renamed over it, so a hard link to it keeps the old contents.
int PackExtract(const std::vector<uint8_t>& archive, const std::string& folder,
                std::string* error, int replace = 0);
