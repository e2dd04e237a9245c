// The pictures every world needs, in the palettes the viewer draws them
// with: the cursor (through the identity, so its colours get fixed slots in
// every location's palette), the logo and the PDA panels (the logo's
// palette), the item icons (the icon palette read from BATBICON.BMP).
#include <algorithm>
#include <cstring>

#include "tools/zemworld/import.h"

// Made icons fit in this square.
static const int32_t IconSide = 32;

static Rgba Transparent(Build* b, const Rgba& picture, const std::string& shown, int32_t cornerX) {
    Rgba copy = picture;
    if (SplitTransparency(&copy, cornerX))
        ReportWarning(b->report, shown, 0,
                      std::string("its ") + (cornerX ? "top-right" : "top-left") +
                          " pixel is opaque, but the viewer takes that pixel's colour as the transparent one; it is made transparent");
    return copy;
}

static void AddCounts(const std::map<uint32_t, uint32_t>& counts, std::vector<WeightedColour>* out, int64_t* pixels) {
    for (const auto& c : counts) {
        WeightedColour w = {{(uint8_t)(c.first >> 16), (uint8_t)(c.first >> 8), (uint8_t)c.first}, c.second};
        out->push_back(w);
        if (pixels) *pixels += c.second;
    }
}

static int BuildCursor(Build* b) {
    std::string first;
    if (!ResolvePicture(b->root, "CURS0000", &first)) {
        ReportError(b->report, JoinPath(b->root, "CURS0000.png"), 0,
                    "the cursor is missing: every world needs CURS0000.png to CURS0003.png (arrow, over an object or "
                    "a door nearby, in the item view, over a door elsewhere)");
        return 0;
    }
    SourceSeries cursor;
    std::string why;
    if (!ResolveSeries(b->root, first, 9999, &cursor, &why)) {
        ReportError(b->report, JoinPath(b->root, first), 0, why);
        return 0;
    }
    std::vector<Rgba> frames;
    for (const std::string& path : cursor.frames) {
        const Rgba* p = SourcePicture(b, path, 0, "cursor frame");
        if (!p) return 0;
        frames.push_back(Transparent(b, *p, JoinPath(b->root, path), 0));
    }
    PaletteRequest request;
    for (const Rgba& f : frames) request.pictures.push_back(&f);
    request.maxColours = CursorSlotCount;
    request.reserveTransparent = 1;
    request.transparentSlot = CursorTransparent;
    Palette chosen;
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
    for (size_t k = 0; k < frames.size(); k++) {
        char name[16];
        std::snprintf(name, sizeof name, "CURS%04d.BMP", (int)k);
        std::vector<uint8_t> indices = RemapPicture(palette, frames[k], 0);
        AddMember(b, name, PaletteBmp(palette, frames[k].width, frames[k].height, indices),
                  JoinPath(b->root, cursor.frames[k]));
    }
    if (!cursor.info.empty()) {
        std::vector<uint8_t> text;
        if (!ReadSourceFile(JoinPath(b->root, cursor.info), &text, &why)) {
            ReportError(b->report, JoinPath(b->root, cursor.info), 0, why);
            return 0;
        }
        AddMember(b, "CURSinfo.txt", text, JoinPath(b->root, cursor.info));
    }
    Progress(b, "cursor: " + std::to_string(frames.size()) + " frames, " +
                    std::to_string(b->ui.cursorSlots.size() - 1) + " colours besides black");
    return 1;
}

static int BuildLogoAndPdas(Build* b) {
    std::string path, why;
    if (!ResolvePicture(b->root, "ZEMLOGO", &path)) {
        ReportError(b->report, JoinPath(b->root, "ZEMLOGO.png"), 0,
                    "the logo is missing: every world needs ZEMLOGO.png (drawn in the bottom-right corner)");
        return 0;
    }
    const Rgba* source = SourcePicture(b, path, 0, "logo");
    if (!source) return 0;
    Rgba logo = Transparent(b, *source, JoinPath(b->root, path), 0);
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
    std::vector<Rgba> pdas;
    for (const auto& f : b->files) {
        const SourceLine& line = b->script.lines[f.first.first];
        if (SourceFileKind(line.keyword, f.first.second) != FILE_PDA) continue;
        if (std::find(pdaPaths.begin(), pdaPaths.end(), f.second) != pdaPaths.end()) continue;
        const Rgba* p = SourcePicture(b, f.second, line.number, "PDA picture");
        if (!p) return 0;
        pdaPaths.push_back(f.second);
        pdas.push_back(Transparent(b, *p, JoinPath(b->root, f.second), 0));
    }
    Palette palette = logoOnly;
    if (!pdas.empty()) {
        PaletteRequest all;
        for (const Rgba& p : pdas) all.pictures.push_back(&p);
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
    for (size_t i = 0; i < pdas.size(); i++) {
        std::vector<uint8_t> p = RemapPicture(palette, pdas[i], ImportDither);
        AddUsedColours(palette, p, &counts);
        AddMember(b, b->shared["pda:" + pdaPaths[i]], PaletteBmp(palette, pdas[i].width, pdas[i].height, p),
                  JoinPath(b->root, pdaPaths[i]));
    }
    AddCounts(logoCounts, &b->ui.logoRemapped, nullptr);
    AddCounts(logoCounts, &b->ui.remapped, &b->ui.pixels);
    AddCounts(counts, &b->ui.remapped, &b->ui.pixels);
    Progress(b, "logo: " + std::to_string(b->ui.logoSlots.size()) + " colours" +
                    (pdas.empty() ? "" : ", " + std::to_string(pdas.size()) + " PDA picture(s) in its palette"));
    return 1;
}

static int BuildIcons(Build* b) {
    struct Icon {
        std::string name;
        std::string shown;
        Rgba picture;
    };
    std::vector<Icon> icons;
    for (const auto& s : b->series) {
        const SourceLine& line = b->script.lines[s.first.first];
        if (SourceFileKind(line.keyword, s.first.second) != FILE_ITEM_VIEW) continue;
        const SourceSeries& series = s.second.source;
        Icon icon;
        icon.name = s.second.prefix + "ICON.BMP";
        if (!series.icon.empty()) {
            const Rgba* p = SourcePicture(b, series.icon, line.number, "item icon");
            if (!p) return 0;
            icon.shown = JoinPath(b->root, series.icon);
            icon.picture = Transparent(b, *p, icon.shown, 0);
        } else {
            // Without an icon of its own the stamp would never be painted
            // into its view: one is made from the first frame.
            const Rgba* p = SourcePicture(b, series.frames[0], line.number, "item view frame");
            if (!p) return 0;
            double scale = std::min(1.0, std::min((double)IconSide / p->width, (double)IconSide / p->height));
            Rgba small = ResizeRgba(*p, std::max(1, (int32_t)(p->width * scale)), std::max(1, (int32_t)(p->height * scale)));
            icon.shown = JoinPath(b->root, series.iconWanted) + " (made from " + series.frames[0] + ")";
            SplitTransparency(&small, 0);
            icon.picture = small;
        }
        icons.push_back(icon);
    }
    std::string path, why;
    Rgba bat;
    int haveBat = ResolvePicture(b->root, "BATBICON", &path);
    if (haveBat) {
        const Rgba* p = SourcePicture(b, path, 0, "icon palette picture");
        if (!p) return 0;
        bat = *p;
        SplitTransparency(&bat, 0);
    }
    PaletteRequest request;
    for (const Icon& i : icons) request.pictures.push_back(&i.picture);
    if (haveBat) request.pictures.push_back(&bat);
    request.reserveTransparent = 1;
    request.transparentSlot = 0;
    Palette palette;
    if (!BuildPalette(request, &palette, &why)) {
        ReportError(b->report, b->scriptShown, 0, "icon palette: " + why);
        return 0;
    }
    std::map<uint32_t, uint32_t> counts;
    for (const Icon& i : icons) {
        std::vector<uint8_t> indices = RemapPicture(palette, i.picture, ImportDither);
        AddUsedColours(palette, indices, &counts);
        AddMember(b, i.name, PaletteBmp(palette, i.picture.width, i.picture.height, indices), i.shown);
    }
    if (haveBat) {
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
