// The source game.txt: split into tokens and keywords by the viewer's own
// steps, so that the two grammars cannot drift apart. What the source adds:
// file names are relative paths of any length, lines may be as long as they
// need, and a panorama's picture may be followed by option words.
#include <algorithm>
#include <cstring>

#include "scene/scene.h"
#include "tools/zemworld/import.h"

enum { KW_REM, KW_LOCATION, KW_CLOSEUP, KW_PANORAMA, KW_STAMP, KW_SPRITE, KW_PDA, KW_DOOR };

int SourceFileKind(int keyword, int argument) {
    switch (keyword) {
    case KW_CLOSEUP:
    case KW_PANORAMA: return argument == 1 ? FILE_VIEW : FILE_NONE;
    case KW_STAMP:
        return argument == 1 ? FILE_STAMP : argument == 6 ? FILE_SOUND : argument == 7 ? FILE_ITEM_VIEW : FILE_NONE;
    case KW_SPRITE: return argument == 1 ? FILE_SPRITE : FILE_NONE;
    case KW_PDA: return argument == 1 ? FILE_PDA : FILE_NONE;
    case KW_DOOR: return argument == 6 ? FILE_SOUND : argument == 7 ? FILE_TRANSITION : FILE_NONE;
    default: return FILE_NONE;
    }
}

int SourceKindIsSeries(int kind) {
    return kind == FILE_SPRITE || kind == FILE_ITEM_VIEW || kind == FILE_TRANSITION;
}

static std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

// Option words after a panorama's picture.
static int ReadPanoramaOptions(const SourceLine& line, SourceLocation* location, const std::string& shown,
                               Report* report) {
    location->shape = -1;
    location->width = 0;
    int ok = 1;
    for (size_t i = 2; i < line.tokens.size(); i++) {
        std::string word = Lower(line.tokens[i]);
        if (word == "equirect") {
            location->shape = SHAPE_EQUIRECT;
        } else if (word == "cylinder") {
            location->shape = SHAPE_CYLINDER;
        } else if (word.compare(0, 6, "width=") == 0 && word.size() > 6 && word.size() <= 10 &&
                   word.find_first_not_of("0123456789", 6) == std::string::npos) {
            location->width = std::stoi(word.substr(6));
            if (location->width < 64 || location->width > 2048) {
                ReportError(report, shown, line.number,
                            "panorama width " + word.substr(6) + " is outside 64 to 2048 columns");
                ok = 0;
            }
        } else {
            ReportError(report, shown, line.number,
                        "unknown panorama option '" + line.tokens[i] +
                            "' (the options are equirect, cylinder and width=N)");
            ok = 0;
        }
    }
    return ok;
}

int ReadSourceScript(const std::string& text, const std::string& shown, SourceScript* out, Report* report) {
    *out = SourceScript();
    int ok = 1;
    std::vector<char> tokens((size_t)SCRIPT_TOKENS * SourceTokenBytes);
    size_t start = 0;
    int32_t number = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        SourceLine line;
        line.number = ++number;
        line.text = text.substr(start, end - start);
        start = end + 1;
        // The viewer stops reading a line's words at a zero byte. No word
        // is longer than its line, so the fields need be no longer either.
        int32_t bytes = (int32_t)std::min<size_t>(SourceTokenBytes, line.text.size() + 1);
        int32_t count = zemSplitTokens(line.text.c_str(), tokens.data(), SCRIPT_TOKENS, bytes);
        for (int32_t i = 0; i < count; i++) {
            const char* token = &tokens[(size_t)i * bytes];
            line.tokens.push_back(token);
            if (bytes == SourceTokenBytes && line.tokens.back().size() == (size_t)SourceTokenBytes - 1) {
                ReportError(report, shown, line.number,
                            "a word longer than " + std::to_string(SourceTokenBytes - 1) + " characters");
                ok = 0;
            }
        }
        line.keyword = count ? zemScriptKeyword(line.tokens[0].c_str()) : -1;
        line.location = (int)out->locations.size() - 1;
        if (line.keyword == KW_LOCATION) {
            SourceLocation location;
            location.name = count > 1 ? line.tokens[1] : "";
            location.line = line.number;
            if (location.name.size() > SCRIPT_NAME_BYTES - 1) {
                ReportError(report, shown, line.number,
                            "location name '" + location.name + "' is longer than the " +
                                std::to_string(SCRIPT_NAME_BYTES - 1) + " characters the viewer keeps");
                ok = 0;
            }
            out->locations.push_back(location);
            line.location = (int)out->locations.size() - 1;
        } else if ((line.keyword == KW_CLOSEUP || line.keyword == KW_PANORAMA) && line.location >= 0) {
            SourceLocation& location = out->locations[line.location];
            location.viewLine = (int)out->lines.size();
            location.shape = SHAPE_CLOSEUP;
            location.width = 0;
            if (line.keyword == KW_PANORAMA) ok &= ReadPanoramaOptions(line, &location, shown, report);
        } else if (line.keyword == KW_DOOR && count > 1 && line.tokens[1].size() > SCRIPT_NAME_BYTES - 1) {
            ReportError(report, shown, line.number,
                        "door target '" + line.tokens[1] + "' is longer than the " +
                            std::to_string(SCRIPT_NAME_BYTES - 1) + " characters the viewer keeps");
            ok = 0;
        }
        out->lines.push_back(line);
    }
    return ok;
}

// Comments and lines the viewer ignores are copied; a copy is cut short of
// the viewer's 499 characters so that it stays one line there too.
static const size_t CopiedLineBytes = 490;

std::string WriteViewerScript(const SourceScript& script,
                              const std::map<int, std::map<int, std::string>>& replaced) {
    std::string out;
    for (size_t n = 0; n < script.lines.size(); n++) {
        const SourceLine& line = script.lines[n];
        std::string text;
        if (line.keyword <= KW_REM || line.tokens.empty()) {
            text = line.text.substr(0, std::min(line.text.find('\0'), CopiedLineBytes));
            while (!text.empty() && text.back() == '\r') text.pop_back();
        } else {
            auto here = replaced.find((int)n);
            size_t count = line.keyword == KW_PANORAMA ? std::min<size_t>(2, line.tokens.size()) : line.tokens.size();
            for (size_t i = 0; i < count; i++) {
                std::string token = line.tokens[i];
                if (here != replaced.end()) {
                    auto r = here->second.find((int)i);
                    if (r != here->second.end()) token = r->second;
                }
                // The viewer keeps 31 characters of a word.
                if (token.size() > SCRIPT_NAME_BYTES - 1) token.resize(SCRIPT_NAME_BYTES - 1);
                text += (i ? " " : "") + token;
            }
        }
        out += text + "\n";
    }
    return out;
}

SeriesName SplitSeriesName(const std::string& path) {
    SeriesName s;
    size_t slash = path.find_last_of('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.find_last_of('.');
    size_t stemEnd = dot == std::string::npos || dot < nameStart ? path.size() : dot;
    size_t end = stemEnd;
    while (end > nameStart && !(path[end - 1] >= '0' && path[end - 1] <= '9')) end--;
    size_t begin = end;
    while (begin > nameStart && path[begin - 1] >= '0' && path[begin - 1] <= '9') begin--;
    if (begin == end || end - begin > 9) {
        s.prefix = path.substr(0, stemEnd);
        s.suffix = path.substr(stemEnd);
        return s;
    }
    s.prefix = path.substr(0, begin);
    s.suffix = path.substr(end);
    s.digits = (int)(end - begin);
    s.first = std::stoll(path.substr(begin, end - begin));
    return s;
}

std::string SeriesFrameName(const SeriesName& series, int64_t number) {
    if (!series.digits) return series.prefix + series.suffix;
    std::string digits = std::to_string(number);
    if ((int)digits.size() < series.digits) digits.insert(0, (size_t)series.digits - digits.size(), '0');
    return series.prefix + digits + series.suffix;
}
