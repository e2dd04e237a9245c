// One location: its view, stamps, item views and sprites on the picture the
// viewer draws, one palette for all of them, and the script's numbers moved
// with the view where it was scaled or projected.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "scene/scene.h"
#include "tools/zemworld/import.h"

enum { KW_STAMP = 4, KW_SPRITE = 5, KW_DOOR = 7 };

// Share of a location's palette weight given to the colours of the
// pictures remapped onto it (logo, PDA, icons).
static const double RemappedShare = 0.1;

namespace {
struct Picture {
    Rgba rgba;
    std::string name;
    std::string shown;
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

// Frames of a sprite on a moved view: each is resampled where its offset
// line (in the author's lines) puts it, and the line written gets the new
// place. Frames past the last line share it, as in the viewer.
static int MoveSpriteFrame(const ViewTransform& t, Rgba* frame, const std::vector<std::string>& source,
                           std::vector<std::string>* lines, size_t k) {
    int panorama = t.shape != SHAPE_CLOSEUP;
    size_t n = source.empty() ? 0 : std::min(k, source.size() - 1);
    std::vector<std::string> words = source.empty() ? std::vector<std::string>() : Words(source[n]);
    int32_t x = 0, y = 0;
    int have = words.size() >= 7;
    if (have && panorama) {
        y = ScriptNumber(words[2].size() > 5 ? words[2].substr(5) : "");
        int64_t right = ScriptNumber(words[3].size() > 5 ? words[3].substr(5) : "");
        x = (int32_t)std::clamp<int64_t>(right - frame->width + 1, INT32_MIN, INT32_MAX);
    } else if (have) {
        x = ScriptNumber(words[1].size() > 5 ? words[1].substr(5) : "");
        y = ScriptNumber(words[4].size() > 5 ? words[4].substr(5) : "");
    }
    int32_t X, Y, W, H;
    MapRect(t, x, y, frame->width, frame->height, &X, &Y, &W, &H);
    if (!Fits(t, W, H)) return 0;
    *frame = ResampleView(t, *frame, x, y, X, Y, W, H);
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

static int BuildLocation(Build* b, int index) {
    const SourceLocation& location = b->script.locations[index];
    const ViewTransform& t = b->transforms[index];
    const SourceLine& viewLine = b->script.lines[location.viewLine];
    int panorama = t.shape != SHAPE_CLOSEUP, moved = Moved(t);
    std::vector<Picture> pictures;
    std::vector<int> encoded;

    Picture view;
    view.rgba = ResampleView(t, *b->views[index], 0, 0, 0, 0, t.width, t.height);
    CompositeOverColour(&view.rgba, 0);
    view.name = b->tokens[{location.viewLine, 1}];
    view.shown = JoinPath(b->root, b->files[{location.viewLine, 1}]);
    pictures.push_back(view);
    encoded.push_back(0);
    (void)viewLine;

    for (size_t n = 0; n < b->script.lines.size(); n++) {
        const SourceLine& line = b->script.lines[n];
        if (line.location != index) continue;
        auto arg = [&](size_t i) { return i < line.tokens.size() ? line.tokens[i] : std::string(); };
        if (line.keyword == KW_STAMP && b->files.count({(int)n, 1})) {
            const std::string& path = b->files[{(int)n, 1}];
            const Rgba& source = b->pictures[path];
            int32_t x = ScriptNumber(arg(2)), y = ScriptNumber(arg(3)), X, Y, W, H;
            MapRect(t, x, y, source.width, source.height, &X, &Y, &W, &H);
            if (!Fits(t, W, H)) {
                ReportError(b->report, b->scriptShown, line.number,
                            "stamp picture '" + path + "' would be " + std::to_string(W) + " x " + std::to_string(H) +
                                " pixels on its view, larger than the view");
                b->failed = 1;
                continue;
            }
            Picture stamp;
            stamp.rgba = ResampleView(t, source, x, y, X, Y, W, H);
            // A stamp is drawn whole: where it is transparent it shows the
            // view it was cut from.
            CompositeOver(&stamp.rgba, pictures[0].rgba, X, Y, panorama);
            stamp.name = b->tokens[{(int)n, 1}];
            stamp.shown = JoinPath(b->root, path);
            pictures.push_back(stamp);
            encoded.push_back(0);
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
            for (size_t k = 0; k < ItemViewFrames; k++) {
                const std::string& path = item.source.frames[k * count / ItemViewFrames];
                Picture frame;
                frame.rgba = b->pictures[path];
                CompositeOverColour(&frame.rgba, 0);
                char name[16];
                std::snprintf(name, sizeof name, "%s%04d.BMP", item.prefix.c_str(), (int)k);
                frame.name = name;
                frame.shown = JoinPath(b->root, path);
                pictures.push_back(frame);
                encoded.push_back(0);
            }
        }
        if (line.keyword == KW_SPRITE && b->series.count({(int)n, 1})) {
            const SeriesOut& sprite = b->series[{(int)n, 1}];
            std::vector<uint8_t> infoBytes;
            std::string why;
            if (!sprite.source.info.empty() &&
                !ReadSourceFile(JoinPath(b->root, sprite.source.info), &infoBytes, &why)) {
                ReportError(b->report, JoinPath(b->root, sprite.source.info), 0, why);
                b->failed = 1;
                continue;
            }
            const std::vector<std::string> source = SplitLines(std::string(infoBytes.begin(), infoBytes.end()));
            std::vector<std::string> lines = source;
            for (size_t k = 0; k < sprite.source.frames.size(); k++) {
                Picture frame;
                frame.rgba = b->pictures[sprite.source.frames[k]];
                if (moved && !MoveSpriteFrame(t, &frame.rgba, source, &lines, k)) {
                    ReportError(b->report, b->scriptShown, line.number,
                                "sprite frame '" + sprite.source.frames[k] + "' would be larger than its view");
                    b->failed = 1;
                    break;
                }
                frame.shown = JoinPath(b->root, sprite.source.frames[k]);
                // On a panorama the frame is stored column by column from the
                // right: its first stored pixel is its top-right one.
                if (SplitTransparency(&frame.rgba, panorama ? frame.rgba.width - 1 : 0))
                    ReportWarning(b->report, frame.shown, 0,
                                  std::string("its ") + (panorama ? "top-right" : "top-left") +
                                      " pixel is opaque, but the viewer takes that pixel's colour as the transparent one; "
                                      "it is made transparent");
                char name[16];
                std::snprintf(name, sizeof name, "%s%04d.BMP", sprite.prefix.c_str(), (int)k);
                frame.name = name;
                pictures.push_back(frame);
                encoded.push_back(1);
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

    // One palette for everything drawn raw or through the identity here.
    PaletteRequest request;
    int64_t pixels = 0;
    for (size_t i = 0; i < pictures.size(); i++) {
        request.pictures.push_back(&pictures[i].rgba);
        pixels += (int64_t)pictures[i].rgba.width * pictures[i].rgba.height;
        request.reserveTransparent |= encoded[i];
    }
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
    for (Picture& p : pictures) {
        std::vector<uint8_t> indices = RemapPicture(palette, p.rgba, ImportDither);
        double psnr = PicturePsnr(palette, p.rgba, indices, &error, &samples);
        if (psnr < quality.worstPsnr) {
            quality.worstPsnr = psnr;
            quality.worstPicture = p.shown;
        }
        AddMember(b, p.name, PaletteBmp(palette, p.rgba.width, p.rgba.height, indices), p.shown);
    }
    quality.meanPsnr = PsnrFromError(error, samples);
    b->quality.push_back(quality);
    char line[160];
    std::snprintf(line, sizeof line, "location %s: %d pictures, %d colours", location.name.c_str(),
                  (int)pictures.size(), quality.colours);
    Progress(b, line);
    return 1;
}

int BuildLocations(Build* b) {
    int ok = 1;
    for (size_t i = 0; i < b->script.locations.size(); i++)
        if (b->script.locations[i].viewLine >= 0) ok &= BuildLocation(b, (int)i);
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
