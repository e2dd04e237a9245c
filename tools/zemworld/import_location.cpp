// One location: its view, stamps, item views and sprites on the picture the
// viewer draws, one palette for all of them, and the script's numbers moved
// with the view where it was scaled or projected.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "scene/scene.h"
#include "tools/zemworld/import.h"

enum { KW_STAMP = 4, KW_SPRITE = 5, KW_DOOR = 7 };

// Share of a location's palette weight given to the colours of the
// pictures remapped onto it (logo, PDA, icons).
static const double RemappedShare = 0.1;

namespace {
// A picture the location writes, in the order the palette takes them.
struct Output {
    std::string name;
    std::string shown;
    int encoded;
};
// Where a sprite frame of a moved view lands.
struct SpritePlace {
    int32_t x, y;        // in the source view
    int32_t X, Y, W, H;  // on the built one
};
}  // namespace

static int Moved(const ViewTransform& t) {
    return t.shape == SHAPE_EQUIRECT || t.width != t.sourceWidth || t.height != t.sourceHeight;
}

// Offset-file words are read from their sixth character on.
static std::string Renumber(const std::string& word, int32_t value) {
    return word.substr(0, std::min<size_t>(5, word.size())) + std::string(5 - std::min<size_t>(5, word.size()), '_') +
           std::to_string(value);
}

static std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isspace((unsigned char)line[i])) i++;
        size_t start = i;
        while (i < line.size() && !isspace((unsigned char)line[i])) i++;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

static std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// A picture moved with its view may grow (a photo's rows near the poles,
// a view scaled up), but never beyond the view itself.
static int Fits(const ViewTransform& t, int32_t w, int32_t h) {
    return w <= std::max(t.width, 640) && h <= 3 * std::max(t.height, 480);
}

// A sprite frame on a moved view is resampled where its offset line (in
// the author's lines) puts it, and the line written gets the new place.
// Frames past the last line share it, as in the viewer. Planned from the
// frame's size alone, before it is decoded; 0 when it would not fit.
static int PlaceSpriteFrame(const ViewTransform& t, int32_t width, int32_t height,
                            const std::vector<std::string>& source, std::vector<std::string>* lines, size_t k,
                            SpritePlace* place) {
    int panorama = t.shape != SHAPE_CLOSEUP;
    size_t n = source.empty() ? 0 : std::min(k, source.size() - 1);
    std::vector<std::string> words = source.empty() ? std::vector<std::string>() : Words(source[n]);
    int32_t x = 0, y = 0;
    int have = words.size() >= 7;
    if (have && panorama) {
        y = ScriptNumber(words[2].size() > 5 ? words[2].substr(5) : "");
        int64_t right = ScriptNumber(words[3].size() > 5 ? words[3].substr(5) : "");
        x = (int32_t)std::clamp<int64_t>(right - width + 1, INT32_MIN, INT32_MAX);
    } else if (have) {
        x = ScriptNumber(words[1].size() > 5 ? words[1].substr(5) : "");
        y = ScriptNumber(words[4].size() > 5 ? words[4].substr(5) : "");
    }
    int32_t X, Y, W, H;
    MapRect(t, x, y, width, height, &X, &Y, &W, &H);
    if (!Fits(t, W, H)) return 0;
    *place = {x, y, X, Y, W, H};
    if (!have) return 1;
    if (panorama) {
        words[2] = Renumber(words[2], Y);
        words[3] = Renumber(words[3], (int32_t)std::min<int64_t>((int64_t)X + W - 1, INT32_MAX));
    } else {
        words[1] = Renumber(words[1], X);
        words[4] = Renumber(words[4], Y);
    }
    std::string line;
    for (size_t i = 0; i < words.size(); i++) line += (i ? " " : "") + words[i];
    (*lines)[n] = line;
    return 1;
}

static int64_t Area(const std::pair<int32_t, int32_t>& size) { return (int64_t)size.first * size.second; }

// The picture the viewer draws for the view, from the author's.
static int BuildView(Build* b, int index, Rgba* view) {
    const SourceLocation& location = b->script.locations[index];
    const ViewTransform& t = b->transforms[index];
    Rgba source;
    if (!LoadSourcePicture(b, b->files[{location.viewLine, 1}], b->script.lines[location.viewLine].number, "picture",
                           AnyPicture, &source))
        return 0;
    *view = ResampleView(t, source, 0, 0, 0, 0, t.width, t.height);
    CompositeOverColour(view, 0);
    return 1;
}

static int BuildLocation(Build* b, int index) {
    const SourceLocation& location = b->script.locations[index];
    const ViewTransform t = b->transforms[index];
    int panorama = t.shape != SHAPE_CLOSEUP, moved = Moved(t);
    std::vector<Output> outputs;
    Batch batch;

    // Built once and kept for the location: the stamps are laid over it.
    Rgba view;
    if (!BuildView(b, index, &view)) return 0;
    outputs.push_back({b->tokens[{location.viewLine, 1}], JoinPath(b->root, b->files[{location.viewLine, 1}]), 0});
    AddToBatch(&batch, (int64_t)view.width * view.height, [&view](Rgba* out) {
        *out = view;
        return 1;
    });

    for (size_t n = 0; n < b->script.lines.size(); n++) {
        const SourceLine& line = b->script.lines[n];
        if (line.location != index) continue;
        int32_t number = line.number;
        auto arg = [&](size_t i) { return i < line.tokens.size() ? line.tokens[i] : std::string(); };
        if (line.keyword == KW_STAMP && b->files.count({(int)n, 1})) {
            const std::string path = b->files[{(int)n, 1}];
            std::pair<int32_t, int32_t> size = b->sizes[path];
            int32_t x = ScriptNumber(arg(2)), y = ScriptNumber(arg(3)), X, Y, W, H;
            MapRect(t, x, y, size.first, size.second, &X, &Y, &W, &H);
            if (!Fits(t, W, H)) {
                ReportError(b->report, b->scriptShown, line.number,
                            "stamp picture '" + path + "' would be " + std::to_string(W) + " x " + std::to_string(H) +
                                " pixels on its view, larger than the view");
                b->failed = 1;
                continue;
            }
            // A stamp drawn as it is must be one the viewer reads.
            const PictureLimit* limit = moved ? &AnyPicture : &StampLimit;
            if (!SourcePictureSize(b, path, number, "stamp picture", *limit)) continue;
            outputs.push_back({b->tokens[{(int)n, 1}], JoinPath(b->root, path), 0});
            AddToBatch(&batch, (int64_t)W * H, [b, path, number, limit, t, x, y, X, Y, W, H, &view, panorama](Rgba* out) {
                Rgba source;
                if (!LoadSourcePicture(b, path, number, "stamp picture", *limit, &source)) return 0;
                *out = ResampleView(t, source, x, y, X, Y, W, H);
                // A stamp is drawn whole: where it is transparent it shows
                // the view it was cut from.
                CompositeOver(out, view, X, Y, panorama);
                return 1;
            });
            if (moved && line.tokens.size() >= 6) {
                MapRect(t, x, y, ScriptNumber(arg(4)), ScriptNumber(arg(5)), &X, &Y, &W, &H);
                int32_t v[4] = {X, Y, W, H};
                for (int i = 0; i < 4; i++) b->replaced[(int)n][2 + i] = std::to_string(v[i]);
            }
        }
        if (line.keyword == KW_STAMP && b->series.count({(int)n, 7})) {
            const SeriesOut& item = b->series[{(int)n, 7}];
            // The viewer turns through 24 frames; fewer are spread over them.
            size_t count = item.source.frames.size();
            if (count < ItemViewFrames)
                Progress(b, "item view " + item.source.frames[0] + ": " + std::to_string(count) +
                                " frames spread over the viewer's 24");
            int ok = 1;
            for (const std::string& frame : item.source.frames)
                ok &= SourcePictureSize(b, frame, number, "item view frame", ItemFrameLimit);
            if (!ok) continue;
            for (size_t k = 0; k < ItemViewFrames; k++) {
                const std::string path = item.source.frames[k * count / ItemViewFrames];
                char name[16];
                std::snprintf(name, sizeof name, "%s%04d.BMP", item.prefix.c_str(), (int)k);
                outputs.push_back({name, JoinPath(b->root, path), 0});
                AddToBatch(&batch, Area(b->sizes[path]), [b, path, number](Rgba* out) {
                    if (!LoadSourcePicture(b, path, number, "item view frame", ItemFrameLimit, out)) return 0;
                    CompositeOverColour(out, 0);
                    return 1;
                });
            }
        }
        if (line.keyword == KW_SPRITE && b->series.count({(int)n, 1})) {
            const SeriesOut& sprite = b->series[{(int)n, 1}];
            std::vector<uint8_t> infoBytes;
            std::string why;
            if (!sprite.source.info.empty() &&
                !ReadSourceFile(b->root, sprite.source.info, MaxTextFileBytes, &infoBytes, &why)) {
                ReportError(b->report, JoinPath(b->root, sprite.source.info), 0, why);
                b->failed = 1;
                continue;
            }
            const std::vector<std::string> source = SplitLines(std::string(infoBytes.begin(), infoBytes.end()));
            std::vector<std::string> lines = source;
            for (size_t k = 0; k < sprite.source.frames.size(); k++) {
                const std::string path = sprite.source.frames[k];
                std::pair<int32_t, int32_t> size = b->sizes[path];
                SpritePlace place = {0, 0, 0, 0, size.first, size.second};
                if (!moved && !SourcePictureSize(b, path, number, "sprite frame", SpriteFrameLimit)) break;
                if (moved && !PlaceSpriteFrame(t, size.first, size.second, source, &lines, k, &place)) {
                    ReportError(b->report, b->scriptShown, line.number,
                                "sprite frame '" + path + "' would be larger than its view");
                    b->failed = 1;
                    break;
                }
                std::string shown = JoinPath(b->root, path);
                char name[16];
                std::snprintf(name, sizeof name, "%s%04d.BMP", sprite.prefix.c_str(), (int)k);
                outputs.push_back({name, shown, 1});
                auto warned = std::make_shared<int>(0);
                AddToBatch(&batch, (int64_t)place.W * place.H,
                           [b, path, number, moved, t, place, shown, panorama, warned](Rgba* out) {
                    if (!LoadSourcePicture(b, path, number, "sprite frame", moved ? AnyPicture : SpriteFrameLimit, out))
                        return 0;
                    if (moved) *out = ResampleView(t, *out, place.x, place.y, place.X, place.Y, place.W, place.H);
                    // On a panorama the frame is stored column by column from
                    // the right: its first stored pixel is its top-right one.
                    if (SplitTransparency(out, panorama ? out->width - 1 : 0) && !*warned)
                        ReportWarning(b->report, shown, 0,
                                      std::string("its ") + (panorama ? "top-right" : "top-left") +
                                          " pixel is opaque, but the viewer takes that pixel's colour as the "
                                          "transparent one; it is made transparent");
                    *warned = 1;
                    return 1;
                });
            }
            if (!sprite.source.info.empty()) {
                std::string text;
                if (moved) {
                    for (const std::string& l : lines) text += l + "\n";
                } else {
                    text.assign(infoBytes.begin(), infoBytes.end());
                }
                AddMember(b, sprite.prefix + "info.txt", std::vector<uint8_t>(text.begin(), text.end()),
                          JoinPath(b->root, sprite.source.info));
            }
        }
        if (line.keyword == KW_DOOR && moved && line.tokens.size() >= 6) {
            int32_t X, Y, W, H;
            MapRect(t, ScriptNumber(arg(2)), ScriptNumber(arg(3)), ScriptNumber(arg(4)), ScriptNumber(arg(5)), &X, &Y,
                    &W, &H);
            int32_t v[4] = {X, Y, W, H};
            for (int i = 0; i < 4; i++) b->replaced[(int)n][2 + i] = std::to_string(v[i]);
        }
    }
    if (b->failed) return 0;

    // One palette for everything drawn raw or through the identity here.
    PaletteRequest request;
    int64_t pixels = 0;
    for (size_t i = 0; i < outputs.size(); i++) {
        pixels += batch.items[i].pixels;
        request.reserveTransparent |= outputs[i].encoded;
    }
    if (!SampleBatch(&batch, &request)) return 0;
    request.fixed = b->ui.cursorSlots;
    if (index == 0)
        request.fixed.insert(request.fixed.end(), b->ui.logoSlots.begin(), b->ui.logoSlots.end());
    double scale = b->ui.pixels > 0 ? RemappedShare * (double)pixels / (double)b->ui.pixels : 0;
    for (WeightedColour w : b->ui.remapped) {
        w.weight = (uint32_t)std::max(1.0, std::min(1e9, w.weight * scale));
        request.remapped.push_back(w);
    }
    Palette palette;
    std::string why;
    if (!BuildPalette(request, &palette, &why)) {
        ReportError(b->report, b->scriptShown, location.line, "location " + location.name + ": " + why);
        return 0;
    }
    LocationQuality quality;
    quality.location = location.name;
    quality.worstPsnr = 1e9;
    for (int i = 0; i < 256; i++) quality.colours += palette.real[i];
    double error = 0;
    int64_t samples = 0;
    for (size_t i = 0; i < outputs.size(); i++) {
        Rgba p;
        if (!TakeFromBatch(&batch, i, &p)) return 0;
        std::vector<uint8_t> indices = RemapPicture(palette, p, ImportDither);
        double psnr = PicturePsnr(palette, p, indices, &error, &samples);
        if (psnr < quality.worstPsnr) {
            quality.worstPsnr = psnr;
            quality.worstPicture = outputs[i].shown;
        }
        AddMember(b, outputs[i].name, PaletteBmp(palette, p.width, p.height, indices), outputs[i].shown);
    }
    quality.meanPsnr = PsnrFromError(error, samples);
    b->quality.push_back(quality);
    char text[160];
    std::snprintf(text, sizeof text, "location %s: %d pictures, %d colours", location.name.c_str(), (int)outputs.size(),
                  quality.colours);
    Progress(b, text);
    return 1;
}

int BuildLocations(Build* b) {
    int ok = 1;
    for (size_t i = 0; i < b->script.locations.size(); i++)
        if (b->script.locations[i].viewLine >= 0)
            ok &= b->cache ? BuildLocationCached(b, (int)i, BuildLocation) : BuildLocation(b, (int)i);
    // A door's arrival pan is a column of its target's panorama.
    for (size_t n = 0; n < b->script.lines.size(); n++) {
        const SourceLine& line = b->script.lines[n];
        if (line.keyword != KW_DOOR || line.tokens.size() < 9) continue;
        for (size_t i = 0; i < b->script.locations.size(); i++) {
            if (b->script.locations[i].name != line.tokens[1]) continue;
            if (b->script.locations[i].viewLine >= 0 && Moved(b->transforms[i]) &&
                b->transforms[i].shape != SHAPE_CLOSEUP)
                b->replaced[(int)n][8] =
                    std::to_string((int32_t)std::lround(MapColumn(b->transforms[i], ScriptNumber(line.tokens[8]))));
            break;
        }
    }
    return ok && !b->failed;
}
