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
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        *error = "cannot read the folder: " + ec.message();
        return 0;
    }
    // Sorted, so the same folder always gives the same report.
    std::vector<std::pair<std::string, bool>> entries;
    while (it != fs::directory_iterator()) {
        std::error_code kind;
        bool file = it->is_regular_file(kind);
        entries.push_back({it->path().filename().string(), file && !kind});
        it.increment(ec);
        if (ec) {
            *error = "cannot read the folder: " + ec.message();
            return 0;
        }
    }
    std::sort(entries.begin(), entries.end());

    std::vector<PackMember> members;
    std::map<std::string, std::string> seen;  // lower-case name -> the name kept
    for (const auto& entry : entries) {
        const std::string& name = entry.first;
        std::string path = JoinPath(folder, name);
        if (!entry.second) {
            problems->push_back({path, "not a plain file: the archive holds no folders, so it is left out", 0});
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
        if (!PackReadFile(path, &member.data, &why)) {
            problems->push_back({path, why, 1});
            continue;
        }
        seen[Lowered(name)] = name;
        members.push_back(std::move(member));
    }
    return PackBuild(members, archive, error);
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
    if (!PackReadFile(path, archive, error)) return 0;
    if (!PackCheck(*archive, error)) {
        *error = "not a world archive: " + *error;
        return 0;
    }
    return 1;
}
