// The pictures every world needs, in the palettes the viewer draws them
// with: the cursor (through the identity, so its colours get fixed slots in
// every location's palette), the logo and the PDA panels (the logo's
// palette), the item icons (the icon palette read from BATBICON.BMP).
#include <algorithm>
#include <cstring>
#include <memory>

#include "tools/zemworld/import.h"

// Made icons fit in this square.
static const int32_t IconSide = 32;

static void Transparent(Build* b, Rgba* picture, const std::string& shown, int32_t cornerX, int warn) {
    if (SplitTransparency(picture, cornerX) && warn)
        ReportWarning(b->report, shown, 0,
                      std::string("its ") + (cornerX ? "top-right" : "top-left") +
                          " pixel is opaque, but the viewer takes that pixel's colour as the transparent one; it is made transparent");
}

// A picture of the interface, made transparent as the viewer draws it; the
// warning about its corner is given once however often it is made.
static void AddInterfacePicture(Build* b, Batch* batch, const std::string& path, int32_t line, const char* what,
                                const PictureLimit& limit) {
    auto warned = std::make_shared<int>(0);
    auto size = b->sizes.find(path);
    int64_t pixels = size == b->sizes.end() ? 0 : (int64_t)size->second.first * size->second.second;
    AddToBatch(batch, pixels, [b, path, line, what, &limit, warned](Rgba* out) {
        if (!LoadSourcePicture(b, path, line, what, limit, out)) return 0;
        Transparent(b, out, JoinPath(b->root, path), 0, !*warned);
        *warned = 1;
        return 1;
    });
}

static void AddCounts(const std::map<uint32_t, uint32_t>& counts, std::vector<WeightedColour>* out, int64_t* pixels) {
    for (const auto& c : counts) {
        WeightedColour w = {{(uint8_t)(c.first >> 16), (uint8_t)(c.first >> 8), (uint8_t)c.first}, c.second};
        out->push_back(w);
        if (pixels) *pixels += c.second;
    }
}

static int BuildCursor(Build* b) {
    std::string first, why;
    int found = ResolvePicture(b->root, "CURS0000", &first, &why);
    if (found != 1) {
        ReportError(b->report, JoinPath(b->root, "CURS0000.png"), 0,
                    found < 0 ? why
                              : "the cursor is missing: every world needs CURS0000.png to CURS0003.png (arrow, over an "
                                "object or a door nearby, in the item view, over a door elsewhere)");
        return 0;
    }
    SourceSeries cursor;
    if (!ResolveSeries(b->root, first, 9999, &cursor, &why)) {
        ReportError(b->report, JoinPath(b->root, first), 0, why);
        return 0;
    }
    Batch frames;
    for (const std::string& path : cursor.frames) {
        if (!SourcePictureSize(b, path, 0, "cursor frame", CursorLimit)) return 0;
        AddInterfacePicture(b, &frames, path, 0, "cursor frame", CursorLimit);
    }
    PaletteRequest request;
    request.maxColours = CursorSlotCount;
    request.reserveTransparent = 1;
    request.transparentSlot = CursorTransparent;
    Palette chosen;
    if (!SampleBatch(&frames, &request)) return 0;
    if (!BuildPalette(request, &chosen, &why)) {
        ReportError(b->report, JoinPath(b->root, first), 0, why);
        return 0;
    }
    b->ui.cursorSlots.push_back({{0, 0, 0}, 0});
    int next = 0;
    for (int i = 0; i < 256; i++) {
        if (!chosen.real[i] || i == chosen.transparent) continue;
        const uint8_t* c = chosen.wanted[i];
        if (!c[0] && !c[1] && !c[2]) continue;  // black is slot 0 everywhere
        if (next < CursorSlotCount) b->ui.cursorSlots.push_back({{c[0], c[1], c[2]}, CursorSlots[next++]});
    }
    Palette palette;
    FixedPalette(b->ui.cursorSlots, &palette);
    palette.transparent = CursorTransparent;
    for (size_t k = 0; k < cursor.frames.size(); k++) {
        Rgba frame;
        if (!TakeFromBatch(&frames, k, &frame)) return 0;
        char name[16];
        std::snprintf(name, sizeof name, "CURS%04d.BMP", (int)k);
        std::vector<uint8_t> indices = RemapPicture(palette, frame, 0);
        AddMember(b, name, PaletteBmp(palette, frame.width, frame.height, indices),
                  JoinPath(b->root, cursor.frames[k]));
    }
    if (!cursor.info.empty()) {
        std::vector<uint8_t> text;
        if (!ReadSourceFile(b->root, cursor.info, MaxTextFileBytes, &text, &why)) {
            ReportError(b->report, JoinPath(b->root, cursor.info), 0, why);
            return 0;
        }
        AddMember(b, "CURSinfo.txt", text, JoinPath(b->root, cursor.info));
    }
    Progress(b, "cursor: " + std::to_string(cursor.frames.size()) + " frames, " +
                    std::to_string(b->ui.cursorSlots.size() - 1) + " colours besides black");
    return 1;
}

static int BuildLogoAndPdas(Build* b) {
    std::string path, why;
    int found = ResolvePicture(b->root, "ZEMLOGO", &path, &why);
    if (found != 1) {
        ReportError(b->report, JoinPath(b->root, "ZEMLOGO.png"), 0,
                    found < 0 ? why : "the logo is missing: every world needs ZEMLOGO.png (drawn in the bottom-right corner)");
        return 0;
    }
    Rgba logo;
    if (!LoadSourcePicture(b, path, 0, "logo", LogoLimit, &logo)) return 0;
    Transparent(b, &logo, JoinPath(b->root, path), 0, 1);
    PaletteRequest request;
    request.pictures.push_back(&logo);
    request.maxColours = LogoColours;
    request.reserveTransparent = 1;
    request.transparentSlot = 0;
    Palette chosen;
    if (!BuildPalette(request, &chosen, &why)) {
        ReportError(b->report, JoinPath(b->root, path), 0, why);
        return 0;
    }
    for (int i = 0, slot = RemapFirst; i < 256; i++)
        if (chosen.real[i] && i != chosen.transparent) b->ui.logoSlots.push_back({{chosen.wanted[i][0], chosen.wanted[i][1], chosen.wanted[i][2]}, slot++});
    Palette logoOnly;
    FixedPalette(b->ui.logoSlots, &logoOnly);
    logoOnly.transparent = 0;

    // The PDA panels share the logo's palette, the logo's colours kept.
    std::vector<std::string> pdaPaths;
    Batch pdas;
    for (const auto& f : b->files) {
        const SourceLine& line = b->script.lines[f.first.first];
        if (SourceFileKind(line.keyword, f.first.second) != FILE_PDA) continue;
        if (std::find(pdaPaths.begin(), pdaPaths.end(), f.second) != pdaPaths.end()) continue;
        pdaPaths.push_back(f.second);
        AddInterfacePicture(b, &pdas, f.second, line.number, "PDA picture", PdaLimit);
    }
    Palette palette = logoOnly;
    if (!pdaPaths.empty()) {
        PaletteRequest all;
        if (!SampleBatch(&pdas, &all)) return 0;
        all.fixed = b->ui.logoSlots;
        all.reserveTransparent = 1;
        all.transparentSlot = 0;
        if (!BuildPalette(all, &palette, &why)) {
            ReportError(b->report, JoinPath(b->root, pdaPaths[0]), 0, why);
            return 0;
        }
    }
    std::map<uint32_t, uint32_t> logoCounts, counts;
    std::vector<uint8_t> indices = RemapPicture(logoOnly, logo, ImportDither);
    AddUsedColours(palette, indices, &logoCounts);
    AddMember(b, "ZEMLOGO.BMP", PaletteBmp(palette, logo.width, logo.height, indices), JoinPath(b->root, path));
    for (size_t i = 0; i < pdaPaths.size(); i++) {
        Rgba pda;
        if (!TakeFromBatch(&pdas, i, &pda)) return 0;
        std::vector<uint8_t> p = RemapPicture(palette, pda, ImportDither);
        AddUsedColours(palette, p, &counts);
        AddMember(b, b->shared["pda:" + pdaPaths[i]], PaletteBmp(palette, pda.width, pda.height, p),
                  JoinPath(b->root, pdaPaths[i]));
    }
    AddCounts(logoCounts, &b->ui.logoRemapped, nullptr);
    AddCounts(logoCounts, &b->ui.remapped, &b->ui.pixels);
    AddCounts(counts, &b->ui.remapped, &b->ui.pixels);
    Progress(b, "logo: " + std::to_string(b->ui.logoSlots.size()) + " colours" +
                    (pdaPaths.empty() ? "" : ", " + std::to_string(pdaPaths.size()) + " PDA picture(s) in its palette"));
    return 1;
}

static int BuildIcons(Build* b) {
    struct Icon {
        std::string name;
        std::string shown;
    };
    std::vector<Icon> icons;
    Batch pictures;
    for (const auto& s : b->series) {
        const SourceLine& line = b->script.lines[s.first.first];
        if (SourceFileKind(line.keyword, s.first.second) != FILE_ITEM_VIEW) continue;
        const SourceSeries& series = s.second.source;
        Icon icon;
        icon.name = s.second.prefix + "ICON.BMP";
        if (!series.icon.empty()) {
            if (!SourcePictureSize(b, series.icon, line.number, "item icon", IconLimit)) return 0;
            icon.shown = JoinPath(b->root, series.icon);
            AddInterfacePicture(b, &pictures, series.icon, line.number, "item icon", IconLimit);
        } else {
            // Without an icon of its own the stamp would never be painted
            // into its view: one is made from the first frame.
            icon.shown = JoinPath(b->root, series.iconWanted) + " (made from " + series.frames[0] + ")";
            std::string first = series.frames[0];
            int32_t number = line.number;
            AddToBatch(&pictures, IconSide * IconSide, [b, first, number](Rgba* out) {
                Rgba p;
                if (!LoadSourcePicture(b, first, number, "item view frame", ItemFrameLimit, &p)) return 0;
                double scale = std::min(1.0, std::min((double)IconSide / p.width, (double)IconSide / p.height));
                *out = ResizeRgba(p, std::max(1, (int32_t)(p.width * scale)), std::max(1, (int32_t)(p.height * scale)));
                SplitTransparency(out, 0);
                return 1;
            });
        }
        icons.push_back(icon);
    }
    std::string path, why;
    int haveBat = ResolvePicture(b->root, "BATBICON", &path, &why);
    if (haveBat < 0) {
        ReportError(b->report, JoinPath(b->root, "BATBICON.png"), 0, why);
        return 0;
    }
    if (haveBat) {
        if (!SourcePictureSize(b, path, 0, "icon palette picture", IconPaletteLimit)) return 0;
        AddToBatch(&pictures, 0, [b, path](Rgba* out) {
            if (!LoadSourcePicture(b, path, 0, "icon palette picture", IconPaletteLimit, out)) return 0;
            SplitTransparency(out, 0);
            return 1;
        });
    }
    PaletteRequest request;
    if (!SampleBatch(&pictures, &request)) return 0;
    request.reserveTransparent = 1;
    request.transparentSlot = 0;
    Palette palette;
    if (!BuildPalette(request, &palette, &why)) {
        ReportError(b->report, b->scriptShown, 0, "icon palette: " + why);
        return 0;
    }
    std::map<uint32_t, uint32_t> counts;
    for (size_t i = 0; i < icons.size(); i++) {
        Rgba picture;
        if (!TakeFromBatch(&pictures, i, &picture)) return 0;
        std::vector<uint8_t> indices = RemapPicture(palette, picture, ImportDither);
        AddUsedColours(palette, indices, &counts);
        AddMember(b, icons[i].name, PaletteBmp(palette, picture.width, picture.height, indices), icons[i].shown);
    }
    if (haveBat) {
        Rgba bat;
        if (!TakeFromBatch(&pictures, icons.size(), &bat)) return 0;
        std::vector<uint8_t> indices = RemapPicture(palette, bat, ImportDither);
        AddMember(b, "BATBICON.BMP", PaletteBmp(palette, bat.width, bat.height, indices), JoinPath(b->root, path));
    } else {
        // Only its colour table is read: a swatch of the palette.
        std::vector<uint8_t> swatch(256);
        for (int i = 0; i < 256; i++) swatch[i] = (uint8_t)i;
        AddMember(b, "BATBICON.BMP", PaletteBmp(palette, 16, 16, swatch),
                  JoinPath(b->root, "BATBICON.png") + " (made by the build from the icons' colours)");
    }
    AddCounts(counts, &b->ui.remapped, &b->ui.pixels);
    Progress(b, "icons: " + std::to_string(icons.size()) + " in the icon palette");
    return 1;
}

int BuildInterface(Build* b) {
    int ok = BuildCursor(b);
    ok &= BuildLogoAndPdas(b);
    ok &= BuildIcons(b);
    return ok;
}
