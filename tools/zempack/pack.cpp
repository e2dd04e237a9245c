// Archive layout: count, sorted 17-byte entries ending with the end marker,
// then the members' bytes in directory order.
#include "tools/zempack/pack.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

const char PackEndMarker[] = "\xff";

static int AllowedNameChar(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return 1;
    return std::strchr("_-~!#$%&'()@^{}", c) != nullptr && c != 0;
}

int PackValidName(const std::string& name, std::string* why) {
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    const char* problem = nullptr;
    if (base.empty() || base.size() > 8)
        problem = "needs 1 to 8 characters before the dot";
    else if (dot != std::string::npos && (ext.empty() || ext.size() > 3))
        problem = "needs 1 to 3 characters after the dot";
    else if (ext.find('.') != std::string::npos)
        problem = "has more than one dot";
    else {
        for (char c : base + ext)
            if (!AllowedNameChar(c)) problem = "holds a character an 8.3 name cannot have";
    }
    if (problem) {
        if (why) *why = "\"" + PackPrintableName(name) + "\" is not an 8.3 name: it " + problem;
        return 0;
    }
    return 1;
}

int PackBuild(std::vector<PackMember> members, std::vector<uint8_t>* archive,
              std::string* error) {
    for (const PackMember& m : members) {
        if (!PackValidName(m.name, error)) return 0;
    }
    std::stable_sort(members.begin(), members.end(), [](const PackMember& a, const PackMember& b) {
        return ArchiveNameCompare(a.name.c_str(), b.name.c_str()) < 0;
    });
    for (size_t i = 1; i < members.size(); i++) {
        if (ArchiveNameCompare(members[i - 1].name.c_str(), members[i].name.c_str()) == 0) {
            if (error)
                *error = "\"" + members[i - 1].name + "\" and \"" + members[i].name +
                         "\" are the same name to the archive";
            return 0;
        }
    }
    uint64_t count = members.size() + 1;
    uint64_t offset = 4 + count * sizeof(ArchiveEntry);
    uint64_t total = offset;
    for (const PackMember& m : members) total += m.data.size();
    if (total > 0x7fffffff) {
        if (error) *error = "the archive would be larger than 2 GiB";
        return 0;
    }

    std::vector<uint8_t> out(4 + count * sizeof(ArchiveEntry), 0);
    uint32_t n = (uint32_t)count;
    std::memcpy(out.data(), &n, 4);
    for (uint64_t i = 0; i < count; i++) {
        ArchiveEntry entry;
        std::memset(&entry, 0, sizeof entry);
        entry.offset = (int32_t)offset;
        const char* name = i < members.size() ? members[i].name.c_str() : PackEndMarker;
        std::strncpy(entry.name, name, sizeof entry.name - 1);
        std::memcpy(out.data() + 4 + i * sizeof(ArchiveEntry), &entry, sizeof entry);
        if (i < members.size()) offset += members[i].data.size();
    }
    // Each member is let go once copied, so that packing needs the room of
    // the archive and not of two.
    out.reserve((size_t)total);
    for (PackMember& m : members) {
        out.insert(out.end(), m.data.begin(), m.data.end());
        std::vector<uint8_t>().swap(m.data);
    }
    *archive = std::move(out);
    return 1;
}

static const ArchiveEntry* EntryAt(const std::vector<uint8_t>& archive, uint32_t i) {
    return (const ArchiveEntry*)(archive.data() + 4 + (size_t)i * sizeof(ArchiveEntry));
}

int PackList(const std::vector<uint8_t>& archive, std::vector<PackListing>* out,
             std::string* error) {
    return PackListDirectory(archive, archive.size(), out, error);
}

int PackListDirectory(const std::vector<uint8_t>& archive, uint64_t fileSize, std::vector<PackListing>* out,
                      std::string* error) {
    const char* why = nullptr;
    if (!ArchiveCheckDirectory(archive.data(), archive.size(), (size_t)fileSize, nullptr, &why)) {
        if (error) *error = std::string("not a valid archive: ") + why + " (zempack check tells more)";
        return 0;
    }
    uint32_t count;
    std::memcpy(&count, archive.data(), 4);
    out->clear();
    for (uint32_t i = 0; i + 1 < count; i++) {
        const ArchiveEntry* e = EntryAt(archive, i);
        out->push_back({e->name, e->offset, EntryAt(archive, i + 1)->offset - e->offset});
    }
    return 1;
}

std::string PackPrintableName(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += (char)c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
        }
    }
    return out;
}

static std::string Quoted(const char* name) { return "\"" + PackPrintableName(name) + "\""; }

int PackCheck(const std::vector<uint8_t>& archive, std::string* error) {
    return PackCheckDirectory(archive, archive.size(), error);
}

int PackCheckDirectory(const std::vector<uint8_t>& archive, uint64_t fileSize, std::string* error) {
    uint32_t bad = 0;
    const char* why = nullptr;
    if (!ArchiveCheckDirectory(archive.data(), archive.size(), (size_t)fileSize, &bad, &why)) {
        if (error) {
            *error = std::string("not a valid archive: ") + why;
            uint32_t count = 0;
            if (archive.size() >= 4) std::memcpy(&count, archive.data(), 4);
            // The entry is named when the directory holds it.
            if (bad < count && 4 + (uint64_t)(bad + 1) * sizeof(ArchiveEntry) <= archive.size()) {
                ArchiveEntry e;
                std::memcpy(&e, EntryAt(archive, bad), sizeof e);
                e.name[sizeof e.name - 1] = 0;
                *error += " (entry " + std::to_string(bad + 1) + ", " + Quoted(e.name) + ")";
            }
        }
        return 0;
    }
    uint32_t count;
    std::memcpy(&count, archive.data(), 4);
    const char* last = EntryAt(archive, count - 1)->name;
    if (std::strcmp(last, PackEndMarker) != 0) {
        if (error)
            *error = "no end marker: the last entry is " + Quoted(last) +
                     ", which the program takes for the end marker, so that member cannot be read";
        return 0;
    }
    std::vector<PackListing> listing;
    if (!PackListDirectory(archive, fileSize, &listing, error)) return 0;
    for (const PackListing& m : listing) {
        std::string why83;
        if (!PackValidName(m.name, &why83)) {
            if (error) *error = why83;
            return 0;
        }
    }
    return 1;
}
