// Folders and files for the zempack tool.
#include <filesystem>
#include <fstream>

#include "tools/zempack/pack.h"

namespace fs = std::filesystem;

int PackReadFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return 0;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error) *error = "cannot read " + path;
        return 0;
    }
    return 1;
}

int PackWriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
    if (!out) {
        if (error) *error = "cannot write " + path;
        return 0;
    }
    return 1;
}

int PackReadFolder(const std::string& folder, std::vector<PackMember>* out, std::string* error) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        if (error) *error = "cannot read folder " + folder;
        return 0;
    }
    out->clear();
    for (const fs::directory_entry& entry : it) {
        if (!entry.is_regular_file()) continue;
        PackMember member;
        member.name = entry.path().filename().string();
        if (!PackValidName(member.name, error)) return 0;
        if (!PackReadFile(entry.path().string(), &member.data, error)) return 0;
        out->push_back(std::move(member));
    }
    return 1;
}

int PackExtract(const std::vector<uint8_t>& archive, const std::string& folder, std::string* error) {
    std::vector<PackListing> listing;
    if (!PackList(archive, &listing, error)) return 0;
    for (const PackListing& m : listing)
        if (!PackValidName(m.name, error)) return 0;
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (const PackListing& m : listing) {
        std::vector<uint8_t> bytes(archive.begin() + m.offset, archive.begin() + m.offset + m.size);
        if (!PackWriteFile(folder + "/" + m.name, bytes, error)) return 0;
    }
    return 1;
}
