// The checker's shared steps: diagnostics, member look-up as the archive
// reader does it, and loading a picture as one of its uses does.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "image/image.h"
#include "platform/platform.h"
#include "tools/zemworld/check.h"
#include "tools/zemworld/import.h"
#include "tools/zemworld/world.h"

void CheckError(CheckContext* c, const std::string& file, int32_t line, const std::string& text) {
    ReportError(c->report, JoinPath(c->folder, file), line, text);
}

void CheckWarning(CheckContext* c, const std::string& file, int32_t line, const std::string& text) {
    ReportWarning(c->report, JoinPath(c->folder, file), line, text);
}

int32_t LineOf(const CheckContext* c, const void* record) {
    auto it = c->lines.find(record);
    return it == c->lines.end() ? 0 : it->second;
}

static std::string Lowered(const std::string& s) {
    std::string out = s;
    for (char& ch : out) ch = (char)std::tolower((unsigned char)ch);
    return out;
}

std::vector<uint8_t> MemberBytes(const CheckContext* c, const PackListing& member, size_t offset, size_t length) {
    std::vector<uint8_t> out(length, 0);
    if (member.size <= 0 || offset >= (size_t)member.size) return out;
    size_t have = std::min(length, (size_t)member.size - offset);
    int64_t at = (int64_t)member.offset + (int64_t)offset;
    if (c->archive) {
        if ((uint64_t)at + have <= c->archive->size()) std::memcpy(out.data(), c->archive->data() + at, have);
    } else if (c->archiveFd >= 0) {
        SourceReader file;
        file.fd = c->archiveFd;
        file.size = INT64_MAX;
        SourceReadSome(file, at, out.data(), have);
    }
    return out;
}

// The archive compares names without regard to case and holds at most 12
// characters; an empty name opens nothing.
const PackListing* FindMember(const CheckContext* c, const std::string& name) {
    if (name.empty() || name.size() > 12) return nullptr;
    auto it = c->members.find(Lowered(name));
    return it == c->members.end() ? nullptr : &it->second;
}

std::string MissingText(const std::string& use, const std::string& name) {
    std::string text = use + " " + name + ": no such file in the world";
    std::string why;
    if (!PackValidName(name, &why)) text += " (" + why + ", and the archive holds only 8.3 names)";
    return text;
}

std::string Quoted(const std::string& name) {
    std::string out = "'";
    for (char ch : name) {
        unsigned char u = (unsigned char)ch;
        if (u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out + "'";
}

int EditDistance(const std::string& a, const std::string& b) {
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++) row[j] = (int)j;
    for (size_t i = 1; i <= a.size(); i++) {
        int diagonal = row[0];
        row[0] = (int)i;
        for (size_t j = 1; j <= b.size(); j++) {
            int above = row[j];
            int same = std::tolower((unsigned char)a[i - 1]) == std::tolower((unsigned char)b[j - 1]);
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

int CheckPicture(CheckContext* c, const std::string& name, const PictureUse& use, int32_t line,
                 Image** image, uint8_t* palette) {
    *image = nullptr;
    const PackListing* member = FindMember(c, name);
    if (!member) {
        CheckError(c, line > 0 ? c->script : name, line, MissingText(use.what, name));
        return 0;
    }
    uint8_t* scratch = use.scratch ? c->scratch.data() : nullptr;
    int32_t scratchSize = use.scratch ? (int32_t)c->scratch.size() : 0;
    int ok = zemLoadBMP(name.c_str(), image, palette, scratch, scratchSize, 0, use.encode,
                        use.columnMajor);
    std::string key = member->name + "|" + use.what + "|" + std::to_string(use.columnMajor);
    std::string where = line > 0 ? " (" + c->script + ":" + std::to_string(line) + ")" : "";
    if (!ok) {
        FreeImageList(image);
        if (c->explained.insert(key).second)
            CheckError(c, member->name, 0,
                       std::string("the viewer cannot load this ") + use.what + where + ": " +
                           WhyPictureRefused(c, *member, use));
        return 0;
    }
    uint32_t header = BmpHeaderSize(c, *member);
    if (use.palette && header != 40 && c->explained.insert(key + "|header").second)
        CheckError(c, member->name, 0,
                   "its info header is " + std::to_string(header) +
                       " bytes, not 40, so the viewer does not read its colour table and the " +
                       use.what + where + " shows in wrong colours; save it as a plain " +
                       "Windows 3 BMP (BITMAPINFOHEADER)");
    return 1;
}

void UsedColours(const Image* raw, int transparentFirst, std::set<int>* out) {
    if (!raw || raw->encoded || !raw->pixels) return;
    size_t count = (size_t)raw->width * (size_t)raw->height;
    int transparent = transparentFirst && count ? raw->pixels[0] : -1;
    bool seen[256] = {};
    for (size_t i = 0; i < count; i++) seen[raw->pixels[i]] = true;
    for (int i = 0; i < 256; i++)
        if (seen[i] && i != transparent) out->insert(i);
}
