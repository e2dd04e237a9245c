// zemworld build SRC OUT.zem: reads a source world (game.txt in the viewer's
// grammar, pictures and sounds in ordinary formats), writes the viewer's
// world into an archive, and checks it as the viewer will read it.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "tools/zemworld/import.h"
#include "tools/zempack/pack.h"


enum { KW_LOCATION = 1, KW_CLOSEUP, KW_PANORAMA, KW_STAMP, KW_SPRITE, KW_PDA, KW_DOOR };

// More would be a minute-long transition; the series' memory is bounded.
static const int MaxSeriesFrames = 1000;

void Progress(Build* b, const std::string& text) {
    if (b->progress) std::fprintf(b->progress, "zemworld build: %s\n", text.c_str());
}

static void PictureError(Build* b, const std::string& path, int32_t line, const std::string& what,
                         const std::string& why) {
    if (line > 0)
        ReportError(b->report, b->scriptShown, line, what + " '" + path + "' " + why);
    else
        ReportError(b->report, JoinPath(b->root, path), 0, what + " " + why);
    b->failed = 1;
}

int SourcePictureSize(Build* b, const std::string& path, int32_t line, const std::string& what,
                      const PictureLimit& limit) {
    auto hit = b->sizes.find(path);
    std::string why;
    if (hit == b->sizes.end()) {
        SourceReader reader;
        int32_t width = 0, height = 0;
        if (!SourceOpen(b->root, path, &reader, &why)) {
            PictureError(b, path, line, what, why);
            return 0;
        }
        int ok = PictureSize(reader, AnyPicture, &width, &height, &why);
        SourceClose(&reader);
        if (!ok) {
            PictureError(b, path, line, what, why);
            return 0;
        }
        hit = b->sizes.insert({path, {width, height}}).first;
    }
    if (!PictureFits(hit->second.first, hit->second.second, limit, &why)) {
        PictureError(b, path, line, what, why);
        return 0;
    }
    return 1;
}

int LoadSourcePicture(Build* b, const std::string& path, int32_t line, const std::string& what,
                      const PictureLimit& limit, Rgba* out) {
    SourceReader reader;
    std::string why;
    if (!SourceOpen(b->root, path, &reader, &why)) {
        PictureError(b, path, line, what, why);
        return 0;
    }
    int ok = DecodePicture(reader, limit, out, &why);
    SourceClose(&reader);
    auto known = b->sizes.find(path);
    if (ok && known != b->sizes.end() && (known->second.first != out->width || known->second.second != out->height)) {
        why = "changed while the build read it";
        ok = 0;
    }
    if (!ok) {
        *out = Rgba();
        PictureError(b, path, line, what, why);
    }
    return ok;
}

void AddMember(Build* b, const std::string& name, std::vector<uint8_t> data, const std::string& source) {
    b->members.push_back({name, std::move(data)});
    std::string upper = name;
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    b->sources[upper] = source;
}

int32_t ScriptNumber(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f') p++;
    int negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) value = value * 10u + (uint32_t)(*p - '0');
    return (int32_t)(negative ? 0u - value : value);
}

static std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

static const char* KindName(int kind) {
    switch (kind) {
    case FILE_VIEW: return "picture";
    case FILE_STAMP: return "stamp picture";
    case FILE_SPRITE: return "sprite";
    case FILE_ITEM_VIEW: return "item view";
    case FILE_PDA: return "PDA picture";
    case FILE_SOUND: return "sound";
    case FILE_TRANSITION: return "transition";
    default: return "file";
    }
}

// A sound is read when the script first names it, so that a damaged one
// stops the build before any picture is worked on; its header is judged
// before a sample is read.
static void ReadSound(Build* b, const std::string& path, int32_t line) {
    SourceReader reader;
    std::string why, note;
    Pcm16 sound;
    int ok = SourceOpen(b->root, path, &reader, &why) && DecodeWav(reader, &sound, &why, &note);
    SourceClose(&reader);
    if (!ok) {
        ReportError(b->report, b->scriptShown, line, "sound '" + path + "' " + why);
        b->failed = 1;
        return;
    }
    if (!note.empty()) Progress(b, "sound " + path + ": " + note);
    AddMember(b, b->shared["sound:" + path], EncodeWav(sound), JoinPath(b->root, path));
}

// Every file the script names: found in the folder, decoded, and given its
// archive name, in script order.
static void ResolveFiles(Build* b) {
    for (size_t n = 0; n < b->script.lines.size(); n++) {
        const SourceLine& line = b->script.lines[n];
        for (size_t a = 1; a < line.tokens.size(); a++) {
            int kind = SourceFileKind(line.keyword, (int)a);
            if (kind == FILE_NONE) continue;
            const std::string& token = line.tokens[a];
            std::pair<int, int> at((int)n, (int)a);
            b->tokens[at] = "-";
            if (token == "-") continue;
            if (line.location < 0) continue;  // before any location: the viewer ignores it
            std::string why, path;
            if (SourceKindIsSeries(kind)) {
                SeriesOut out;
                int most = kind == FILE_ITEM_VIEW ? (int)ItemViewFrames : MaxSeriesFrames;
                if (!ResolveSeries(b->root, token, most, &out.source, &why)) {
                    ReportError(b->report, b->scriptShown, line.number, std::string(KindName(kind)) + " " + why);
                    b->failed = 1;
                    continue;
                }
                if (out.source.more)
                    ReportWarning(b->report, b->scriptShown, line.number,
                                  std::string(KindName(kind)) + " '" + token + "' has more than " + std::to_string(most) +
                                      " frames; " + (kind == FILE_ITEM_VIEW ? "the viewer turns through the first 24"
                                                                            : "the rest are left out"));
                int ok = 1;
                for (const std::string& frame : out.source.frames)
                    ok &= SourcePictureSize(b, frame, line.number, std::string(KindName(kind)) + " frame", AnyPicture);
                if (!ok) continue;
                if (kind == FILE_TRANSITION && b->shared.count("transition:" + token)) {
                    b->tokens[at] = b->shared["transition:" + token];
                    continue;
                }
                // A folder series is named after the folder.
                out.prefix = SeriesPrefix(&b->names, token.back() == '/' ? token : out.source.frames[0]);
                if (out.prefix.empty()) {
                    ReportError(b->report, b->scriptShown, line.number, "too many frame series for 8.3 names");
                    b->failed = 1;
                    continue;
                }
                std::string first = out.prefix + "0000";
                b->tokens[at] = kind == FILE_SPRITE ? first + ".BMP" : Lower(first) + ".bmp";
                if (kind == FILE_TRANSITION) b->shared["transition:" + token] = b->tokens[at];
                b->series[at] = out;
                continue;
            }
            int r = ResolveSourcePath(b->root, token, &path, &why);
            if (r != 1) {
                ReportError(b->report, b->scriptShown, line.number,
                            std::string(KindName(kind)) + " '" + token + "' " + (r < 0 ? why : "not found"));
                b->failed = 1;
                continue;
            }
            b->files[at] = path;
            if (kind == FILE_SOUND || kind == FILE_PDA) {
                std::string key = (kind == FILE_SOUND ? "sound:" : "pda:") + path;
                int first = !b->shared.count(key);
                if (first) b->shared[key] = PlainName(&b->names, path, kind == FILE_SOUND ? ".WAV" : ".BMP");
                b->tokens[at] = b->shared[key];
                if (kind == FILE_PDA) SourcePictureSize(b, path, line.number, KindName(kind), PdaLimit);
                if (kind == FILE_SOUND && first) ReadSound(b, path, line.number);
                continue;
            }
            if (SourcePictureSize(b, path, line.number, KindName(kind), AnyPicture))
                b->tokens[at] = PlainName(&b->names, path, ".BMP");
        }
    }
}

// Each location's view decides how its pictures and numbers are placed.
static void PlanViews(Build* b) {
    b->transforms.assign(b->script.locations.size(), ViewTransform());
    for (size_t i = 0; i < b->script.locations.size(); i++) {
        SourceLocation& location = b->script.locations[i];
        if (location.viewLine < 0) {
            ReportError(b->report, b->scriptShown, location.line,
                        "location " + location.name + " has no view (a closeup or panorama line)");
            b->failed = 1;
            continue;
        }
        auto file = b->files.find({location.viewLine, 1});
        if (file == b->files.end()) continue;
        Rgba header;  // the size alone
        header.width = b->sizes[file->second].first;
        header.height = b->sizes[file->second].second;
        const Rgba* view = &header;
        const SourceLine& line = b->script.lines[location.viewLine];
        int shape = location.shape;
        std::string how;
        if (line.keyword == KW_CLOSEUP) {
            shape = SHAPE_CLOSEUP;
        } else if (shape < 0) {
            shape = view->width == 2 * view->height ? SHAPE_EQUIRECT : SHAPE_CYLINDER;
            if (shape == SHAPE_EQUIRECT) how = " (2:1, taken as a 360-degree photo; write 'cylinder' after its name to keep it as drawn)";
        }
        int32_t width = location.width;
        if (shape == SHAPE_CLOSEUP && (view->width > 640 || view->height > 480)) {
            double scale = std::min(640.0 / view->width, 480.0 / view->height);
            width = std::max(1, (int32_t)(view->width * scale));
            how = " (larger than the screen: scaled down)";
        }
        ViewTransform& t = b->transforms[i];
        t = MakeViewTransform(shape, view->width, view->height, width);
        if (shape == SHAPE_CYLINDER && location.width == 0 && view->width > 2048)
            how = " (wider than 2048 columns: scaled down)";
        // The warp addresses at most 1023 rows; a taller panorama is refused
        // before its pixels are decoded.
        if (shape != SHAPE_CLOSEUP && t.height > 1023) {
            ReportError(b->report, b->scriptShown, line.number,
                        "panorama '" + file->second + "' would be " + std::to_string(t.width) + " x " +
                            std::to_string(t.height) + " pixels; the viewer draws at most 1023 rows (" +
                            std::to_string(view->width) + " x " + std::to_string(view->height) + " as painted)");
            b->failed = 1;
            continue;
        }
        const char* kinds[] = {"closeup", "cylinder panorama", "360-degree photo"};
        char text[256];
        std::snprintf(text, sizeof text, "location %s: %s %s, %d x %d -> %d x %d", location.name.c_str(), kinds[shape],
                      file->second.c_str(), view->width, view->height, t.width, t.height);
        Progress(b, text + how);
    }
}

// A frame 480 wide is drawn as it is; any other is drawn doubled and must
// fit 320 x 240.
static void FitTransitionFrame(Rgba* f) {
    if ((f->width == 480 && f->height <= 480) || (f->width <= 320 && f->height <= 240)) return;
    int32_t h480 = (int32_t)std::lround((double)f->height * 480 / f->width);
    if (h480 <= 480) {
        *f = ResizeRgba(*f, 480, std::max(1, h480));
    } else {
        double scale = std::min(320.0 / f->width, 240.0 / f->height);
        *f = ResizeRgba(*f, std::max(1, (int32_t)(f->width * scale)), std::max(1, (int32_t)(f->height * scale)));
    }
}

static void BuildTransitions(Build* b) {
    std::set<std::string> done;
    for (auto& s : b->series) {
        const SourceLine& line = b->script.lines[s.first.first];
        if (SourceFileKind(line.keyword, s.first.second) != FILE_TRANSITION) continue;
        if (!done.insert(s.second.prefix).second) continue;
        const std::vector<std::string>& paths = s.second.source.frames;
        Batch frames;
        for (const std::string& path : paths)
            AddToBatch(&frames, 480 * 480, [b, path, &line](Rgba* f) {
                if (!LoadSourcePicture(b, path, line.number, "transition frame", AnyPicture, f)) return 0;
                CompositeOverColour(f, 0);
                FitTransitionFrame(f);
                return 1;
            });
        PaletteRequest request;
        request.fixed.push_back({{0, 0, 0}, 0});
        request.remapped = b->ui.logoRemapped;
        Palette palette;
        std::string why;
        if (!SampleBatch(&frames, &request)) return;
        if (!BuildPalette(request, &palette, &why)) {
            ReportError(b->report, b->scriptShown, line.number, "transition: " + why);
            b->failed = 1;
            continue;
        }
        for (size_t k = 0; k < paths.size(); k++) {
            Rgba f;
            if (!TakeFromBatch(&frames, k, &f)) return;
            char name[16];
            std::snprintf(name, sizeof name, "%s%04d.BMP", s.second.prefix.c_str(), (int)k);
            AddMember(b, name, PaletteBmp(palette, f.width, f.height, RemapPicture(palette, f, ImportDither)),
                      JoinPath(b->root, paths[k]));
        }
        Progress(b, "transition " + paths[0] + ": " + std::to_string(paths.size()) + " frames");
    }
}

// Archive names in a diagnostic become the author's own file names.
static std::string MapNames(const std::map<std::string, std::string>& sources, const std::string& script,
                            const std::string& text) {
    auto isName = [](char c) { return isalnum((unsigned char)c) || std::strchr("_.~!#$%&()@^{}-", c) != nullptr; };
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (!isName(text[i])) {
            out += text[i++];
            continue;
        }
        size_t j = i;
        while (j < text.size() && isName(text[j])) j++;
        std::string word = text.substr(i, j - i), upper = word;
        for (char& c : upper) c = (char)toupper((unsigned char)c);
        // A sentence may end right after a name.
        std::string tail;
        while (!upper.empty() && upper.back() == '.' && !sources.count(upper)) {
            upper.pop_back();
            tail += '.';
        }
        auto hit = sources.find(upper);
        if (upper == "GAME.TXT")
            out += script + tail;
        else if (hit != sources.end())
            out += hit->second + tail;
        else
            out += word;
        i = j;
    }
    return out;
}

void MapCheckReport(const Report& check, const BuildResult& built, Report* out) {
    for (const Diagnostic& d : check.items) {
        std::string upper = d.file;
        for (char& c : upper) c = (char)toupper((unsigned char)c);
        auto hit = built.sources.find(upper);
        std::string file = upper == "GAME.TXT" ? built.script : hit != built.sources.end() ? hit->second : d.file;
        // A made file's description follows its name in brackets.
        size_t bracket = file.find(" (");
        std::string text = MapNames(built.sources, built.script, d.text);
        if (bracket != std::string::npos) {
            text += file.substr(bracket);
            file.resize(bracket);
        }
        if (d.error)
            ReportError(out, file, d.line, text);
        else
            ReportWarning(out, file, d.line, text);
    }
}

int BuildWorld(const std::string& source, BuildResult* result, Report* report, FILE* progress,
               BuildCache* cache) {
    *result = BuildResult();
    Build b;
    b.cache = cache;
    b.root = source;
    b.scriptShown = JoinPath(source, "game.txt");
    b.report = report;
    b.progress = progress;
    for (const char* name : {"GAME.TXT", "ZEMLOGO.BMP", "BATBICON.BMP", "SERIES:CURS", "CURSICON.BMP", "CURSINFO.TXT"})
        ReserveName(&b.names, name);

    std::string found, why;
    std::vector<uint8_t> text;
    int where = ResolveSourcePath(source, "game.txt", &found, &why);
    if (where == 1) b.scriptShown = JoinPath(source, found);
    if (where != 1 || !ReadSourceFile(source, found, MaxTextFileBytes, &text, &why)) {
        ReportError(report, b.scriptShown, 0, where == 0 ? "not found: every world starts with game.txt" : why);
        return 0;
    }
    b.scriptShown = JoinPath(source, found);
    Progress(&b, "reading " + b.scriptShown);
    if (!ReadSourceScript(std::string(text.begin(), text.end()), b.scriptShown, &b.script, report)) return 0;
    if (b.script.locations.empty()) {
        ReportError(report, b.scriptShown, 0, "no location line: the viewer needs at least one location");
        return 0;
    }
    ResolveFiles(&b);
    if (b.failed) return 0;
    PlanViews(&b);
    if (b.failed) return 0;
    if (!BuildInterface(&b) || b.failed) return 0;
    if (!BuildLocations(&b) || b.failed) return 0;
    BuildTransitions(&b);
    if (b.failed) return 0;
    for (const auto& t : b.tokens) b.replaced[t.first.first][t.first.second] = t.second;
    std::string script = WriteViewerScript(b.script, b.replaced);
    AddMember(&b, "game.txt", std::vector<uint8_t>(script.begin(), script.end()), b.scriptShown);

    std::string error;
    size_t count = b.members.size();
    // The members' bytes move into the archive: one copy of the world, not two.
    if (!PackBuild(std::move(b.members), &result->archive, &error)) {
        ReportError(report, b.scriptShown, 0, "the archive cannot be built: " + error);
        return 0;
    }
    Progress(&b, "checking " + std::to_string(count) + " files as the viewer reads them");
    result->quality = b.quality;
    result->sources = b.sources;
    result->script = b.scriptShown;
    result->transforms = b.transforms;
    for (const SourceLocation& l : b.script.locations) {
        auto view = b.files.find({l.viewLine, 1});
        result->viewFiles.push_back(view == b.files.end() ? "" : view->second);
    }
    for (const auto& t : b.tokens)
        if (t.second != "-") result->scriptNames[t.second] = b.script.lines[t.first.first].tokens[t.first.second];
    Report check;
    int checked = CheckArchive(result->archive, &check);
    MapCheckReport(check, *result, report);
    return checked && check.errors == 0;
}

int CommandBuild(int argc, char** argv) {
    int quiet = 0;
    std::vector<std::string> paths;
    for (int i = 0; i < argc; i++) {
        if (!std::strcmp(argv[i], "--quiet") || !std::strcmp(argv[i], "-q"))
            quiet = 1;
        else
            paths.push_back(argv[i]);
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "usage: zemworld build SRC OUT.zem [--quiet]\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    BuildResult result;
    Report report;
    int ok = BuildWorld(paths[0], &result, &report, quiet ? nullptr : stderr);
    PrintReport(report, stderr);
    for (const LocationQuality& q : result.quality)
        std::printf("%-20s %3d colours  mean %5.1f dB  worst %5.1f dB (%s)\n", q.location.c_str(), q.colours, q.meanPsnr,
                    q.worstPsnr, q.worstPicture.c_str());
    if (!ok) {
        std::fprintf(stderr, "zemworld build: failed, %s not written\n", paths[1].c_str());
        return 1;
    }
    // Written beside the target under a name of its own and renamed, so that
    // a failed write never leaves half an archive where the viewer looks for
    // one, and a link standing at the target is replaced, not followed.
    std::string error;
    if (!PackWriteFile(paths[1], result.archive, &error)) {
        std::fprintf(stderr, "zemworld build: %s\n", error.c_str());
        return 1;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!quiet)
        std::fprintf(stderr, "zemworld build: wrote %s (%zu bytes) in %.1f s\n", paths[1].c_str(), result.archive.size(),
                     seconds);
    return 0;
}
