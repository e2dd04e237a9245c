// The author's map in a world that zemworld play builds: one record a line,
// fields separated by tabs (the viewer reads it in app/author_map.cpp), each
// line kept well inside the viewer's 500-byte lines.
#include <cmath>

#include "tools/zempack/pack.h"
#include "tools/zemworld/import.h"

static const size_t MostShown = 200;
static const int RowsPerLine = 48;

// A long path keeps its end, where the file's own name is.
static std::string Shorter(const std::string& text) {
    std::string clean;
    for (char c : text) clean += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
    if (clean.size() <= MostShown) return clean;
    return "..." + clean.substr(clean.size() - (MostShown - 3));
}

std::string AuthorMapText(const BuildResult& built) {
    std::string text;
    for (const auto& n : built.scriptNames)
        if (n.first.size() < 32) text += "name\t" + n.first + "\t" + Shorter(n.second) + "\n";
    for (size_t i = 0; i < built.transforms.size() && i < built.viewFiles.size(); i++) {
        const ViewTransform& t = built.transforms[i];
        if (built.viewFiles[i].empty() || t.width < 1 || t.height < 1) continue;
        std::string index = std::to_string(i);
        text += "view\t" + index + "\t" + std::to_string(t.width) + "\t" + std::to_string(t.height) + "\t" +
                std::to_string(t.sourceWidth) + "\t" + std::to_string(t.sourceHeight) + "\t" +
                Shorter(built.viewFiles[i]) + "\n";
        if (t.shape != SHAPE_EQUIRECT) continue;
        // A photo's rows are not scaled evenly: the author's row at each.
        for (int32_t first = 0; first <= t.height; first += RowsPerLine) {
            text += "rows\t" + index + "\t" + std::to_string(first) + "\t";
            for (int32_t y = first; y < first + RowsPerLine && y <= t.height; y++)
                text += (y > first ? " " : "") + std::to_string((long)std::lround(std::max(0.0, SourceRow(t, y))));
            text += "\n";
        }
    }
    return text;
}

int AddAuthorMap(BuildResult* built, std::string* why) {
    std::vector<PackListing> listing;
    if (!PackList(built->archive, &listing, why)) return 0;
    std::vector<PackMember> members;
    for (const PackListing& l : listing) {
        if (l.name == "AUTHOR.TXT") {
            *why = "the world already has a file AUTHOR.TXT";
            return 0;
        }
        members.push_back({l.name, std::vector<uint8_t>(built->archive.begin() + l.offset,
                                                        built->archive.begin() + l.offset + l.size)});
    }
    std::string text = AuthorMapText(*built);
    members.push_back({"AUTHOR.TXT", std::vector<uint8_t>(text.begin(), text.end())});
    std::vector<uint8_t> archive;
    if (!PackBuild(std::move(members), &archive, why)) return 0;
    built->archive = std::move(archive);
    return 1;
}
