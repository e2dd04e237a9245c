// 8.3 names for everything the importer writes. Plain pictures and sounds
// get letters (and, to tell two apart, a number that does not start with
// 0); a frame series gets a prefix of up to four letters, so that the first
// "0" of its name starts its four-digit frame number as the viewer needs,
// and the names its offset file and icon are made from stay free.
#include <algorithm>

#include "tools/zemworld/import.h"

static std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return s;
}

void ReserveName(NameTable* table, const std::string& name) { table->taken.insert(Upper(name)); }

// The letters of a source name's last part (a folder's name when it ends
// in a slash), without its extension.
static std::string Letters(const std::string& source) {
    std::string path = source;
    while (!path.empty() && path.back() == '/') path.pop_back();
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    std::string letters;
    for (char c : Upper(name))
        if (c >= 'A' && c <= 'Z') letters += c;
    return letters;
}

std::string PlainName(NameTable* table, const std::string& source, const std::string& extension) {
    std::string base = Letters(source);
    if (base.empty()) base = extension == ".WAV" ? "SOUND" : "PICTURE";
    if (base.size() > 8) base.resize(8);
    for (int n = 0;; n++) {
        std::string number = n ? std::to_string(n) : "";
        std::string name = base.substr(0, 8 - number.size()) + number + extension;
        if (!table->taken.count(Upper(name))) {
            ReserveName(table, name);
            return name;
        }
    }
}

static int PrefixFree(const NameTable* table, const std::string& prefix) {
    return !table->taken.count("SERIES:" + prefix) && !table->taken.count(prefix + "ICON.BMP") &&
           !table->taken.count(prefix + "INFO.TXT");
}

std::string SeriesPrefix(NameTable* table, const std::string& source) {
    std::string base = Letters(source);
    if (base.empty()) base = "ANIM";
    if (base.size() > 4) base.resize(4);
    std::vector<std::string> candidates = {base};
    for (size_t keep = std::min<size_t>(base.size(), 3);; keep--) {
        std::string stem = base.substr(0, keep);
        size_t free = 4 - stem.size();
        if (free >= 1)
            for (char a = 'A'; a <= 'Z'; a++) candidates.push_back(stem + a);
        if (free >= 2)
            for (char a = 'A'; a <= 'Z'; a++)
                for (char b = 'A'; b <= 'Z'; b++) candidates.push_back(stem + a + b);
        if (keep == 0) break;
    }
    for (const std::string& c : candidates)
        if (PrefixFree(table, c)) {
            ReserveName(table, "SERIES:" + c);
            ReserveName(table, c + "ICON.BMP");
            ReserveName(table, c + "INFO.TXT");
            return c;
        }
    return "";  // more than 18000 series
}
