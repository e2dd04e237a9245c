// Pictures and frame series of the source folder. Names are matched without
// regard to case, as the archive does, so a script written on another system
// still finds its pictures; paths may not leave the folder.
#include <algorithm>
#include <cctype>

#include "tools/zemworld/import.h"

static std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

// Names in a folder in the order people number things: "frame9" before
// "frame10".
static int NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isdigit((unsigned char)a[i]) && isdigit((unsigned char)b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && isdigit((unsigned char)a[ei])) ei++;
            while (ej < b.size() && isdigit((unsigned char)b[ej])) ej++;
            std::string da = a.substr(i, ei - i), db = b.substr(j, ej - j);
            da.erase(0, std::min(da.find_first_not_of('0'), da.size()));
            db.erase(0, std::min(db.find_first_not_of('0'), db.size()));
            if (da.size() != db.size()) return da.size() < db.size();
            if (da != db) return da < db;
            i = ei;
            j = ej;
        } else {
            char ca = (char)tolower((unsigned char)a[i]), cb = (char)tolower((unsigned char)b[j]);
            if (ca != cb) return ca < cb;
            i++;
            j++;
        }
    }
    return a.size() - i < b.size() - j;
}

int ResolvePicture(const std::string& root, const std::string& stem, std::string* found, std::string* why) {
    for (int i = 0; PictureExtensions[i]; i++) {
        std::string outside;
        int r = ResolveSourcePath(root, stem + PictureExtensions[i], found, &outside);
        if (r < 0 && why) *why = "'" + stem + PictureExtensions[i] + "' " + outside;
        if (r != 0) return r;
    }
    return 0;
}

// The offset file or icon of a series, when there is one; -1 when its name
// leads outside the folder.
static int Companion(const std::string& root, const std::string& path, int picture, std::string* found,
                     std::string* why) {
    std::string outside;
    int r = picture ? ResolvePicture(root, path, found, why) : ResolveSourcePath(root, path, found, &outside);
    if (r < 0 && !picture) *why = "'" + path + "' " + outside;
    if (r != 1) found->clear();
    return r;
}

static int IsPictureName(const std::string& name) {
    std::string lower = Lower(name);
    for (int i = 0; PictureExtensions[i]; i++) {
        std::string ext = PictureExtensions[i];
        if (lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0) return 1;
    }
    return 0;
}

int ResolveSeries(const std::string& root, const std::string& relative, int maxFrames, SourceSeries* out,
                  std::string* why) {
    *out = SourceSeries();
    std::string found;
    std::string outside;
    int r = ResolveSourcePath(root, relative, &found, &outside);
    if (r < 0) {
        *why = "'" + relative + "' " + outside;
        return 0;
    }
    if (r == 0) {
        *why = "'" + relative + "' not found";
        return 0;
    }
    if (SourceIsFolder(root, found)) {
        std::vector<std::string> names;
        for (const std::string& name : SourceEntries(root, found)) {
            std::string lower = Lower(name);
            if (IsPictureName(name) && lower.compare(0, 5, "icon.") != 0) names.push_back(name);
        }
        std::sort(names.begin(), names.end(), NaturalLess);
        if (names.empty()) {
            *why = "the folder '" + relative + "' holds no pictures";
            return 0;
        }
        for (size_t i = 0; i < names.size() && (int)i < maxFrames; i++) out->frames.push_back(found + "/" + names[i]);
        out->more = names.size() > (size_t)maxFrames;
        out->iconWanted = found + "/icon.png";
        return Companion(root, found + "/info.txt", 0, &out->info, why) >= 0 &&
               Companion(root, found + "/icon", 1, &out->icon, why) >= 0;
    }
    SeriesName series = SplitSeriesName(found);
    out->frames.push_back(found);
    for (int64_t k = series.first + 1; series.digits; k++) {
        std::string next, outside;
        int r = ResolveSourcePath(root, SeriesFrameName(series, k), &next, &outside);
        if (r < 0) {
            *why = "'" + SeriesFrameName(series, k) + "' " + outside;
            return 0;
        }
        if (r == 0) break;
        if ((int)out->frames.size() == maxFrames) {
            out->more = 1;
            break;
        }
        out->frames.push_back(next);
    }
    out->iconWanted = series.prefix + "icon.png";
    return Companion(root, series.prefix + "info.txt", 0, &out->info, why) >= 0 &&
           Companion(root, series.prefix + "icon", 1, &out->icon, why) >= 0;
}
