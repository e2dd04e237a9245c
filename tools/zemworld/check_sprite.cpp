// Frame series: loaded with zemLoadSprite as the viewer loads them; when it
// refuses, the frames and the lines of the offset file are gone through to
// say which one it was.
#include <cstdio>
#include <cstring>

#include "image/image.h"
#include "platform/platform.h"
#include "tools/zemworld/check.h"
#include "tools/zemworld/check_sprite.h"

static const int32_t LastFrame = 9999;

// The series a name stands for, as zemLoadSprite forms it: the first "0"
// begins a four-digit frame number.
struct Series {
    bool single = false;
    std::string prefix, suffix;
    int32_t start = 0;
    std::string Frame(int32_t k) const {
        if (single) return prefix;
        char number[16];
        std::snprintf(number, sizeof number, "%04d", (int)k);
        return prefix + number + suffix;
    }
    std::string OffsetFile() const { return prefix + "info.txt"; }
};

static bool MakeSeries(const std::string& name, Series* s, std::string* why) {
    size_t zero = name.find('0');
    if (zero == std::string::npos) {
        s->single = true;
        s->prefix = name;
        return true;
    }
    if (name.size() > 31 || name.size() < zero + 4) {
        *why = "the name must hold a four-digit frame number at its first '0' and have at most 31 characters";
        return false;
    }
    s->prefix = name.substr(0, zero);
    s->suffix = name.substr(zero + 4);
    for (size_t i = zero; i < name.size() && name[i] >= '0' && name[i] <= '9' && s->start <= LastFrame; i++)
        s->start = s->start * 10 + (name[i] - '0');
    return true;
}

// Why a line of the offset file gives no position: fewer than seven words,
// a word too long for the reader's fields, a number word without a sixth
// character or beyond 32 bits.
static std::string BadOffsetLine(const char* text) {
    char words[7][SCRIPT_LINE_BYTES];
    int32_t count = zemSplitTokens(text, &words[0][0], 7, SCRIPT_LINE_BYTES);
    if (count < 7)
        return "it has " + std::to_string(count) + " words; each line needs seven (name, x, row, column, y, and two more)";
    if (std::strlen(words[0]) > 39) return "its first word is longer than 39 characters";
    for (int i = 1; i < 7; i++)
        if (std::strlen(words[i]) > 19)
            return "word " + std::to_string(i + 1) + " is longer than 19 characters";
    for (int i = 1; i < 5; i++) {
        const char* w = words[i];
        if (std::strlen(w) < 6)
            return "word " + std::to_string(i + 1) + " '" + w +
                   "' is shorter than six characters; the number is read from its sixth character on (write it as abcde123)";
        const char* p = w + 5;
        if (*p == '-' || *p == '+') p++;
        long long value = 0;
        for (; *p >= '0' && *p <= '9'; p++)
            if ((value = value * 10 + (*p - '0')) > 2147483648LL)
                return "word " + std::to_string(i + 1) + " holds a number beyond 32 bits";
    }
    return "";
}

// The offset file read as the loader reads it, one line per frame loaded;
// the first line that gives no position is reported at its line.
static bool ExplainOffsets(CheckContext* c, const Series& s, int32_t frames) {
    const PackListing* member = FindMember(c, s.OffsetFile());
    if (!member || frames <= 0) return false;
    AssetFile* file = AssetOpen(s.OffsetFile().c_str());
    if (!file) return false;
    char text[SCRIPT_LINE_BYTES];
    int32_t line = 1;
    size_t offset = 0;
    bool found = false;
    for (int32_t k = 0; k < frames && zemReadScriptLine(file, text); k++) {
        int32_t here = line;
        std::vector<uint8_t> next = MemberBytes(c, *member, offset, SCRIPT_LINE_BYTES);
        size_t n = 0;
        while (offset + n < (size_t)member->size && n < SCRIPT_LINE_BYTES)
            if (next[n++] == '\n') break;
        for (size_t i = 0; i < n; i++) line += next[i] == '\n';
        offset += n;
        std::string why = BadOffsetLine(text);
        if (!why.empty()) {
            CheckError(c, member->name, here,
                       "the line for frame " + s.Frame(s.start + k) + " gives no position: " + why);
            found = true;
            break;
        }
    }
    AssetClose(file);
    return found;
}

Sprite* CheckSprite(CheckContext* c, const SpriteLoad& load) {
    Series s;
    std::string why;
    if (!MakeSeries(load.name, &s, &why)) {
        CheckError(c, load.line > 0 ? c->script : load.name, load.line,
                   std::string(load.what) + " " + load.name + ": " + why);
        return nullptr;
    }
    uint8_t* scratch = load.scratch ? c->scratch.data() : nullptr;
    int32_t scratchSize = load.scratch ? (int32_t)c->scratch.size() : 0;
    Sprite* sprite = nullptr;
    int ok = zemLoadSprite(load.name.c_str(), &sprite, scratch, scratchSize, 1, load.columnMajor,
                           load.viewHeight, load.viewWidth);
    PictureUse use = {load.frameWhat, 0, 1, load.columnMajor, load.scratch};
    if (ok) {
        // A frame that is there but does not load ends the series early.
        std::string next = s.Frame(s.start + sprite->count);
        const PackListing* member = s.single ? nullptr : FindMember(c, next);
        if (member && c->explained.insert(member->name + "|frame").second)
            CheckError(c, member->name, 0,
                       std::string("the viewer cannot load this ") + load.frameWhat +
                           ", so the series ends after " + std::to_string(sprite->count) +
                           " frames: " + WhyPictureRefused(c, *member, use));
        std::string after = s.Frame(s.start + sprite->count + 1);
        if (!s.single && !member && FindMember(c, after))
            CheckWarning(c, load.line > 0 ? c->script : load.name, load.line,
                         std::string(load.what) + " " + load.name + ": frame " + next + " is missing, so " +
                             after + " and the frames after it are never shown");
        if (!s.single && load.wantOffsets && !FindMember(c, s.OffsetFile()))
            CheckWarning(c, load.line > 0 ? c->script : load.name, load.line,
                         std::string(load.what) + " " + load.name + " has no offset file " +
                             s.OffsetFile() + ": every frame is drawn at 0, 0");
        return sprite;
    }
    FreeSprite(&sprite);

    // The frames that load, up to the first that does not; then their lines.
    int32_t frames = 0;
    for (int32_t k = s.start; k <= LastFrame && !s.single; k++) {
        Image* frame = nullptr;
        int loaded = zemLoadBMP(s.Frame(k).c_str(), &frame, nullptr, scratch, scratchSize, 0, 1,
                                load.columnMajor);
        FreeImageList(&frame);
        if (!loaded) break;
        frames++;
    }
    if (frames == 0) {
        Image* first = nullptr;
        std::string name = s.single ? load.name : s.Frame(s.start);
        if (CheckPicture(c, name, use, load.line, &first, nullptr))
            CheckError(c, name, 0, std::string("the viewer cannot load this ") + load.frameWhat);
        FreeImageList(&first);
        return nullptr;
    }
    if (!ExplainOffsets(c, s, frames))
        CheckError(c, load.line > 0 ? c->script : load.name, load.line,
                   std::string("the viewer cannot load the ") + load.what + " " + load.name);
    return nullptr;
}

std::vector<std::string> SpriteFrameNames(const std::string& name, int32_t count) {
    Series s;
    std::string why;
    std::vector<std::string> out;
    if (!MakeSeries(name, &s, &why)) return out;
    for (int32_t k = 0; k < count; k++) out.push_back(s.Frame(s.start + k));
    return out;
}
