// The build's memory between two builds of zemworld play: a location is
// built again only when something it is made from changed. What it is made
// from: its own lines (their words and the archive names given to them),
// its view's shape, whether it is the first location (the logo's colours),
// the interface's colours every palette keeps room for, and the files its
// pictures and offset files are read from, each known by its size, time
// and inode.
#include <sys/stat.h>

#include "tools/zemworld/import.h"

static std::string Stamp(const std::string& root, const std::string& path) {
    struct stat st;
    if (stat(JoinPath(root, path).c_str(), &st) != 0) return "gone";
    return std::to_string((long long)st.st_size) + ":" + std::to_string((long long)st.st_mtim.tv_sec) + "." +
           std::to_string((long long)st.st_mtim.tv_nsec) + ":" + std::to_string((unsigned long long)st.st_ino);
}

static void AddColours(std::string* key, const std::vector<FixedSlot>& slots) {
    for (const FixedSlot& f : slots) key->append((const char*)f.rgb, 3).append(std::to_string(f.slot)) += ',';
    *key += ';';
}

static std::vector<size_t> LinesOf(const Build* b, int index) {
    std::vector<size_t> lines;
    for (size_t n = 0; n < b->script.lines.size(); n++)
        if (b->script.lines[n].location == index) lines.push_back(n);
    return lines;
}

static std::string KeyOf(const Build* b, int index, const std::vector<size_t>& lines) {
    const ViewTransform& t = b->transforms[index];
    std::string key = b->script.locations[index].name + '\n' + (index == 0 ? "first\n" : "\n");
    key += std::to_string(t.shape) + " " + std::to_string(t.sourceWidth) + " " + std::to_string(t.sourceHeight) + " " +
           std::to_string(t.width) + " " + std::to_string(t.height) + "\n";
    for (size_t n : lines) {
        const SourceLine& line = b->script.lines[n];
        key += line.text + '\n';
        for (size_t a = 1; a < line.tokens.size(); a++) {
            auto name = b->tokens.find({(int)n, (int)a});
            if (name != b->tokens.end()) key += std::to_string(a) + "=" + name->second + "\t";
        }
        key += '\n';
    }
    AddColours(&key, b->ui.cursorSlots);
    if (index == 0) AddColours(&key, b->ui.logoSlots);
    for (const WeightedColour& w : b->ui.remapped) key.append((const char*)w.rgb, 3).append(std::to_string(w.weight)) += ',';
    return key + ";" + std::to_string((long long)b->ui.pixels);
}

static std::vector<std::pair<std::string, std::string>> FilesOf(const Build* b, const std::vector<size_t>& lines) {
    std::vector<std::pair<std::string, std::string>> files;
    for (size_t n : lines)
        for (size_t a = 1; a < b->script.lines[n].tokens.size(); a++) {
            auto file = b->files.find({(int)n, (int)a});
            if (file != b->files.end()) files.push_back({file->second, ""});
            auto series = b->series.find({(int)n, (int)a});
            if (series == b->series.end()) continue;
            for (const std::string& frame : series->second.source.frames) files.push_back({frame, ""});
            if (!series->second.source.info.empty()) files.push_back({series->second.source.info, ""});
        }
    for (auto& f : files) f.second = Stamp(b->root, f.first);
    return files;
}

static std::string Upper(std::string s) {
    for (char& c : s) c = (char)toupper((unsigned char)c);
    return s;
}

int BuildLocationCached(Build* b, int index, int (*build)(Build*, int)) {
    const std::string& name = b->script.locations[index].name;
    std::vector<size_t> lines = LinesOf(b, index);
    std::string key = KeyOf(b, index, lines);
    std::vector<std::pair<std::string, std::string>> files = FilesOf(b, lines);
    auto kept = b->cache->locations.find(name);
    if (kept != b->cache->locations.end() && kept->second.key == key && kept->second.files == files) {
        const CachedLocation& c = kept->second;
        for (size_t i = 0; i < c.members.size(); i++) AddMember(b, c.members[i].name, c.members[i].data, c.shown[i]);
        for (const auto& r : c.replaced)
            if (r.first < lines.size()) b->replaced[(int)lines[r.first]] = r.second;
        for (const Diagnostic& d : c.diagnostics)
            (d.error ? ReportError : ReportWarning)(b->report, d.file, d.line, d.text);
        b->quality.push_back(c.quality);
        b->cache->reused++;
        Progress(b, "location " + name + ": unchanged since the last build");
        return 1;
    }
    b->cache->locations.erase(name);
    size_t members = b->members.size(), quality = b->quality.size();
    size_t diagnostics = b->report ? b->report->items.size() : 0;
    int ok = build(b, index);
    b->cache->built++;
    if (!ok || b->failed || b->quality.size() != quality + 1) return ok;
    CachedLocation c;
    c.key = key;
    c.files = files;
    for (size_t i = members; i < b->members.size(); i++) {
        c.members.push_back(b->members[i]);
        c.shown.push_back(b->sources[Upper(b->members[i].name)]);
    }
    for (size_t k = 0; k < lines.size(); k++) {
        auto r = b->replaced.find((int)lines[k]);
        if (r != b->replaced.end()) c.replaced[k] = r->second;
    }
    if (b->report) c.diagnostics.assign(b->report->items.begin() + (long)diagnostics, b->report->items.end());
    c.quality = b->quality.back();
    b->cache->locations[name] = std::move(c);
    return ok;
}
