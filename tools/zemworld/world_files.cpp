// A world's files as an archive image: an archive file read as it is, a
// folder packed in memory with the zempack code, so that check and render
// see exactly what zempack would have written.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "tools/zempack/pack.h"
#include "tools/zemworld/world.h"

namespace fs = std::filesystem;

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

static std::string Lowered(const std::string& name) {
    std::string out = name;
    for (char& c : out) c = (char)std::tolower((unsigned char)c);
    return out;
}

int PackFolderInMemory(const std::string& folder, std::vector<uint8_t>* archive,
                       std::vector<FolderProblem>* problems, std::string* error) {
    // As zempack packs a folder: links are never followed, FIFOs, devices
    // and subfolders are left out unopened, and the size is counted before
    // anything is read.
    std::vector<PackFolderEntry> entries;
    if (!PackListFolder(folder, &entries, error)) return 0;
    uint64_t total = PackFolderTotal(entries);
    if (total > 0x7fffffff) {
        *error = "the folder's files would make an archive larger than 2 GiB (" + std::to_string(total) +
                 " bytes); nothing was read";
        return 0;
    }
    std::vector<PackMember> members;
    std::map<std::string, std::string> seen;  // lower-case name -> the name kept
    for (const PackFolderEntry& entry : entries) {
        const std::string& name = entry.name;
        std::string path = JoinPath(folder, name);
        if (!entry.skip.empty()) {
            problems->push_back({path, "left out: " + entry.skip, 0});
            continue;
        }
        std::string why;
        if (!PackValidName(name, &why)) {
            problems->push_back({path, "the archive cannot hold this name: " + why, 1});
            continue;
        }
        auto same = seen.find(Lowered(name));
        if (same != seen.end()) {
            problems->push_back({path, "the archive cannot hold both \"" + same->second + "\" and \"" +
                                           name + "\": names match regardless of case",
                                 1});
            continue;
        }
        PackMember member;
        member.name = name;
        if (!PackReadFolderFile(folder, name, &member.data, &why)) {
            problems->push_back({path, why, 1});
            continue;
        }
        seen[Lowered(name)] = name;
        members.push_back(std::move(member));
    }
    return PackBuild(std::move(members), archive, error);
}

int ReadWorld(const std::string& path, std::vector<uint8_t>* archive, std::string* error) {
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        *error = "no such file or folder";
        return 0;
    }
    if (fs::is_directory(status)) {
        std::vector<FolderProblem> problems;
        if (!PackFolderInMemory(path, archive, &problems, error)) return 0;
        bool refused = false;
        for (const FolderProblem& p : problems) refused |= p.error != 0;
        if (refused) {
            *error = "the folder cannot be packed as it is:";
            for (const FolderProblem& p : problems)
                if (p.error) *error += "\n  " + p.file + ": " + p.text;
            return 0;
        }
        return 1;
    }
    // The directory first: a file that is no archive is refused from its head.
    uint64_t size = 0;
    if (!PackReadDirectory(path, archive, &size, error)) return 0;
    if (!PackCheckDirectory(*archive, size, error)) {
        *error = "not a world archive: " + *error;
        return 0;
    }
    if (!PackReadFile(path, archive, error)) return 0;
    if (!PackCheck(*archive, error)) {
        *error = "not a world archive: " + *error;
        return 0;
    }
    return 1;
}
