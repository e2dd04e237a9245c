// The author's map: the member AUTHOR.TXT of a world that zemworld play
// built (the normal viewer never opens it). One record a line, its fields
// separated by tabs:
//
//   name  VIEWERNAME  AUTHORNAME      a name of the viewer's script, as the
//                                      author wrote it
//   view  INDEX  W H  SW SH  FILE      location INDEX (script order): its
//                                      view picture W x H, made from the
//                                      author's SW x SH picture FILE
//   rows  INDEX  FIRST  R R R ...      the author's row at each built row
//                                      from FIRST on, where rows were not
//                                      just scaled (a 360-degree photo)
//
// Columns are always scaled evenly. Every number is checked before use; a
// record that does not read is left out.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/parts.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"

static const int32_t ShownBytes = 256;
// Larger than any view picture the viewer draws.
static const int32_t MostRows = 4096;
static const int32_t MostSide = 65536;
static const int32_t Fields = 8;

struct AuthorName {
    AuthorName* next;
    char name[32];
    char shown[ShownBytes];
};

struct AuthorView {
    AuthorView* next;
    int32_t index;
    int32_t width, height, sourceWidth, sourceHeight;
    char shown[ShownBytes];
    int32_t* rows;  // height + 1 entries, or none
};

static AuthorName* Names = nullptr;
static AuthorView* Views = nullptr;
static HotspotLabel* Labels = nullptr;

// Splits at tabs, in place; the rest of the line stays in the last field.
static int32_t SplitFields(char* text, char** field, int32_t most) {
    size_t length = std::strlen(text);
    while (length && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[--length] = 0;
    int32_t count = 0;
    char* at = text;
    while (count < most) {
        field[count++] = at;
        char* tab = std::strchr(at, '\t');
        if (!tab || count == most) break;
        *tab = 0;
        at = tab + 1;
    }
    return count;
}

// A whole number of digits only, from 0 to most.
static int Number(const char* text, int32_t most, int32_t* out) {
    if (!text || !*text) return 0;
    int64_t value = 0;
    for (const char* p = text; *p; p++) {
        if (*p < '0' || *p > '9') return 0;
        value = value * 10 + (*p - '0');
        if (value > most) return 0;
    }
    *out = (int32_t)value;
    return 1;
}

static void CopyText(char* to, const char* from, size_t bytes) {
    std::strncpy(to, from, bytes - 1);
    to[bytes - 1] = 0;
}

static AuthorView* ViewAt(int32_t index) {
    for (AuthorView* v = Views; v; v = v->next)
        if (v->index == index) return v;
    return nullptr;
}

static void AddName(char** f, int32_t count) {
    if (count < 3 || std::strlen(f[1]) > 31) return;
    AuthorName* n = (AuthorName*)TrackedAlloc((int32_t)sizeof(AuthorName));
    if (!n) return;
    CopyText(n->name, f[1], sizeof n->name);
    CopyText(n->shown, f[2], sizeof n->shown);
    n->next = Names;
    Names = n;
}

static void AddView(char** f, int32_t count) {
    AuthorView v = {};
    if (count < 7 || !Number(f[1], MostSide, &v.index) || !Number(f[2], MostSide, &v.width) ||
        !Number(f[3], MostRows, &v.height) || !Number(f[4], MostSide, &v.sourceWidth) ||
        !Number(f[5], MostSide, &v.sourceHeight) || v.width < 1 || v.height < 1 ||
        v.sourceWidth < 1 || v.sourceHeight < 1 || ViewAt(v.index))
        return;
    AuthorView* record = (AuthorView*)TrackedAlloc((int32_t)sizeof(AuthorView));
    if (!record) return;
    *record = v;
    CopyText(record->shown, f[6], sizeof record->shown);
    record->next = Views;
    Views = record;
}

static void AddRows(char** f, int32_t count) {
    int32_t index, first;
    AuthorView* v = count >= 4 && Number(f[1], MostSide, &index) ? ViewAt(index) : nullptr;
    if (!v || !Number(f[2], MostRows, &first) || first > v->height) return;
    if (!v->rows) {
        v->rows = (int32_t*)TrackedAlloc((v->height + 1) * (int32_t)sizeof(int32_t));
        if (!v->rows) return;
        // Until a line says otherwise, rows are scaled as columns are.
        for (int32_t y = 0; y <= v->height; y++)
            v->rows[y] = (int32_t)std::lround((double)y * v->sourceHeight / v->height);
    }
    int32_t y = first;
    for (char* word = std::strtok(f[3], " "); word && y <= v->height; word = std::strtok(nullptr, " "))
        if (Number(word, MostSide, &v->rows[y])) y++;
}

// The overlay's labels: the author's names for the script's.
static void MakeLabels() {
    int32_t count = 0;
    for (AuthorName* n = Names; n; n = n->next) count++;
    Labels = (HotspotLabel*)TrackedAlloc((count + 1) * (int32_t)sizeof(HotspotLabel));
    if (!Labels) return;
    int32_t i = 0;
    for (AuthorName* n = Names; n; n = n->next, i++) Labels[i] = {n->name, n->shown};
    Labels[i] = {nullptr, nullptr};
    HotspotLabels = Labels;
}

void AuthorLoadMap() {
    AuthorFreeMap();
    AssetFile* file = AssetOpen("AUTHOR.TXT");
    if (!file) return;
    char text[SCRIPT_LINE_BYTES];
    while (zemReadScriptLine(file, text)) {
        char* f[Fields];
        int32_t count = SplitFields(text, f, Fields);
        if (std::strcmp(f[0], "name") == 0) AddName(f, count);
        if (std::strcmp(f[0], "view") == 0) AddView(f, count);
        if (std::strcmp(f[0], "rows") == 0) AddRows(f, count);
    }
    AssetClose(file);
    MakeLabels();
}

void AuthorFreeMap() {
    if (HotspotLabels == Labels) HotspotLabels = nullptr;
    TrackedFree(Labels);
    Labels = nullptr;
    while (Names) {
        AuthorName* next = Names->next;
        TrackedFree(Names);
        Names = next;
    }
    while (Views) {
        AuthorView* next = Views->next;
        TrackedFree(Views->rows);
        TrackedFree(Views);
        Views = next;
    }
}

static AuthorView* CurrentView() {
    int32_t index = 0;
    for (Location* l = Locations; l && l != CurrentLocation; l = l->next) index++;
    AuthorView* v = CurrentLocation ? ViewAt(index) : nullptr;
    const Image* picture =
        CurrentLocation && CurrentLocation->view ? CurrentLocation->view->picture : nullptr;
    // The map belongs to the picture only while the sizes agree.
    if (!v || !picture) return nullptr;
    int32_t width = CurrentLocation->view->panorama ? picture->height : picture->width;
    int32_t height = CurrentLocation->view->panorama ? picture->width : picture->height;
    return width == v->width && height == v->height ? v : nullptr;
}

const char* AuthorViewFile() {
    AuthorView* v = CurrentView();
    return v ? v->shown : "";
}

static double Column(const AuthorView* v, double u) { return u * v->sourceWidth / v->width; }

static double Row(const AuthorView* v, int64_t y) {
    if (!v->rows) return (double)y * v->sourceHeight / v->height;
    // Beyond the picture the ends hold.
    return v->rows[y < 0 ? 0 : y > v->height ? v->height : y];
}

static int32_t Whole(double value) {
    if (value > 2147483647.0) return INT32_MAX;
    if (value < -2147483648.0) return INT32_MIN;
    return (int32_t)std::lround(value);
}

int AuthorSourcePoint(int32_t u, int32_t v, int32_t* x, int32_t* y) {
    AuthorView* view = CurrentView();
    if (!view) return 0;
    *x = Whole(std::floor(Column(view, u)));
    *y = Whole(std::floor(Row(view, v)));
    return 1;
}

void AuthorPan(int32_t* x, int32_t* y) {
    *x = PanX;
    *y = PanY;
    AuthorView* view = CurrentView();
    // A door's PANX is a column of a panorama; its PANY is kept as it is.
    if (!view || !CurrentLocation->view->panorama) return;
    int64_t column = (int64_t)PanX % view->width;
    if (column < 0) column += view->width;
    *x = Whole(Column(view, (double)column));
}

int AuthorSourceRect(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t out[4]) {
    AuthorView* view = CurrentView();
    if (!view) return 0;
    double left = Column(view, (double)x0), right = Column(view, (double)x1);
    double top = Row(view, y0), bottom = Row(view, y1);
    out[0] = Whole(left);
    out[1] = Whole(top);
    out[2] = Whole(right) - out[0];
    out[3] = Whole(bottom) - out[1];
    return 1;
}
