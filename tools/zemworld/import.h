// The importer behind `zemworld build` and `zemworld new`: source scripts,
// pictures and sounds in ordinary formats, palettes, 8.3 names. Private to
// the tool and its tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/zempack/pack.h"
#include "tools/zemworld/world.h"
#include "tools/zemworld/zemworld.h"

// ---------------------------------------------------------------------------
// True-colour pictures: r, g, b, a per pixel, top row first.
struct Rgba {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};

// Refused before decoding: larger than any picture the viewer can use even
// after scaling, and more memory than a tool should take for one picture.
static const int32_t MaxPictureSide = 16384;
static const int64_t MaxPicturePixels = 50000000;
// game.txt and offset files are read whole; no script is so long.
static const int64_t MaxTextFileBytes = 16ll << 20;

// ---------------------------------------------------------------------------
// Files of the source folder. Paths are walked from the folder, a link only
// followed while its target stays inside it; only regular files are opened,
// and never with a wait (a FIFO named as a picture hangs nothing).
struct SourceReader {
    int fd = -1;                       // an open source file, or
    const uint8_t* memory = nullptr;   // bytes in memory
    int64_t size = 0;
};
// 1 with the file open (SourceClose closes it); 0 and why: a folder, a FIFO
// or a device, a link that leads outside, a path through "..".
int SourceOpen(const std::string& root, const std::string& relative, SourceReader* out, std::string* why);
void SourceClose(SourceReader* reader);
SourceReader MemoryReader(const std::vector<uint8_t>& bytes);
// Exactly length bytes from at, or 0.
int SourceReadAt(const SourceReader& reader, int64_t at, void* to, size_t length);
// Up to length bytes from at; how many.
size_t SourceReadSome(const SourceReader& reader, int64_t at, void* to, size_t length);
// Reading on from a place, as the decoders' callbacks do: up to length
// bytes, how many (0 at the end).
struct SourceCursor {
    const SourceReader* reader;
    int64_t at;
};
size_t SourceReadNext(SourceCursor* cursor, void* to, size_t length);
// The whole file, when it has at most `most` bytes.
int SourceReadAll(const SourceReader& reader, int64_t most, std::vector<uint8_t>* bytes, std::string* why);
// A whole source file by its path in the folder.
int ReadSourceFile(const std::string& root, const std::string& relative, int64_t most, std::vector<uint8_t>* bytes,
                   std::string* why);
// The names in a folder of the source folder (none when it is no folder).
std::vector<std::string> SourceEntries(const std::string& root, const std::string& folder);
int SourceIsFolder(const std::string& root, const std::string& relative);

// ---------------------------------------------------------------------------
// Where a picture goes decides how large it may be.
struct PictureLimit {
    const char* place;   // "sprite frame", ...
    int32_t width;       // most columns
    int32_t height;      // most rows
    int64_t pixels;      // most pixels in all
    const char* reason;  // why, or none
};
// Views, transitions and pictures the build scales: only the general bound.
extern const PictureLimit AnyPicture;
extern const PictureLimit StampLimit, ItemFrameLimit, SpriteFrameLimit, PdaLimit, IconLimit, CursorLimit,
    LogoLimit, IconPaletteLimit;
// 1 when a picture of that size may take the place; 0 and why.
int PictureFits(int64_t width, int64_t height, const PictureLimit& limit, std::string* why);
// PNG, JPEG, TGA, GIF (first frame) or BMP of any depth, also RLE
// compressed: the size from the header alone, judged for the place.
int PictureSize(const SourceReader& reader, const PictureLimit& limit, int32_t* width, int32_t* height,
                std::string* why);
// The same judgement, then the pixels. 0 and why when the bytes are not
// such a picture or it does not fit its place.
int DecodePicture(const SourceReader& reader, const PictureLimit& limit, Rgba* out, std::string* why);
int DecodePicture(const std::vector<uint8_t>& bytes, Rgba* out, std::string* why);
// The decoders; with out none, only the header is read and judged.
int DecodePng(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
              std::string* why);
int DecodeJpeg(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
               std::string* why);
int DecodeGif(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
              std::string* why);
int DecodeBmp(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
              std::string* why);
int DecodeRleBmp(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width,
                 int32_t* height, std::string* why);
int LooksLikeTga(const SourceReader& reader);
int DecodeTga(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
              std::string* why);

Rgba MakeRgba(int32_t width, int32_t height, uint32_t rgba);
Rgba ResizeRgba(const Rgba& in, int32_t width, int32_t height);
// A picture over a background (straight alpha), left fully opaque.
void CompositeOver(Rgba* picture, const Rgba& background, int32_t x, int32_t y, int wrapColumns);
void CompositeOverColour(Rgba* picture, uint32_t rgb);
// Transparency of a picture the viewer draws with a transparent colour:
// pixels less than half opaque become transparent (alpha 0), the others
// opaque; a picture with no transparent pixel takes the viewer's own rule,
// every pixel of the first stored pixel's colour is transparent. The first
// stored pixel (cornerX, 0) is always transparent in the viewer; 1 when it
// was opaque in a picture that had transparency of its own.
int SplitTransparency(Rgba* picture, int32_t cornerX);
int WritePng(const std::string& path, const Rgba& picture, std::string* why);

// ---------------------------------------------------------------------------
// How a view's source picture becomes the picture the viewer draws, and
// where the source's coordinates land on it.
enum ViewShape { SHAPE_CLOSEUP, SHAPE_CYLINDER, SHAPE_EQUIRECT };
struct ViewTransform {
    int shape = SHAPE_CLOSEUP;
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    int32_t width = 0;   // of the built picture
    int32_t height = 0;
    double rowsPerTan = 0;  // equirect: cylinder rows per unit of tan(latitude)
    double horizon = 0;     // equirect: the row the warp keeps straight
};
// Rows of a cylinder made from a 360-degree photo, and its horizon row.
static const int32_t CylinderRows = 533;
double WarpHorizonRow();
ViewTransform MakeViewTransform(int shape, int32_t sourceWidth, int32_t sourceHeight, int32_t width);
double MapColumn(const ViewTransform& t, double u);
double MapRow(const ViewTransform& t, double v);
double SourceColumn(const ViewTransform& t, double x);
double SourceRow(const ViewTransform& t, double y);
// A source rectangle's place on the built picture (the cells it covers).
void MapRect(const ViewTransform& t, int32_t x, int32_t y, int32_t w, int32_t h, int32_t* outX,
             int32_t* outY, int32_t* outW, int32_t* outH);
// The part of the built picture at (x, y, w, h) made from a source patch
// whose top-left corner lies at (patchX, patchY) in source coordinates;
// panoramas wrap round. Area-averaged where the source is larger.
Rgba ResampleView(const ViewTransform& t, const Rgba& patch, int32_t patchX, int32_t patchY, int32_t x,
                  int32_t y, int32_t w, int32_t h);

// ---------------------------------------------------------------------------
// Sounds as 16-bit PCM, interleaved.
struct Pcm16 {
    uint16_t channels = 0;
    uint32_t rate = 0;
    std::vector<int16_t> samples;
};
// RIFF WAVE with its chunks in any order; 8/16/24/32-bit PCM or 32/64-bit
// float, any number of channels (more than two are mixed to mono). note
// says what was changed.
int DecodeWav(const SourceReader& reader, Pcm16* out, std::string* why, std::string* note);
int DecodeWav(const std::vector<uint8_t>& bytes, Pcm16* out, std::string* why, std::string* note);
// What the header says, read before any sample is: the sound's layout and
// what the import makes of it, its length judged as the viewer will hold it.
struct WavHeader {
    int floating = 0;
    uint32_t bits = 0, channels = 0, rate = 0, frameBytes = 0;
    int64_t dataAt = 0;
    uint64_t dataBytes = 0, frames = 0;
    uint32_t outChannels = 0, outRate = 0;
    uint64_t outFrames = 0;
};
int ReadWavHeader(const SourceReader& reader, WavHeader* out, std::string* why);

// The viewer's layout: 44-byte header, 16-byte format, data behind it.
std::vector<uint8_t> EncodeWav(const Pcm16& sound);

// ---------------------------------------------------------------------------
// Palettes. The viewer shows a file byte c as ViewerGamma(c); the importer
// writes the byte whose shown value is nearest to the colour wanted.
uint8_t ViewerGamma(uint8_t fileByte);
uint8_t FileByteFor(uint8_t wanted);

static const int RemapFirst = 10;  // the range the viewer remaps onto
static const int RemapLast = 209;
// The cursor is drawn through the identity in every location, so its
// colours sit at these slots of every location's palette (black at 0).
static const int CursorSlotCount = 16;
extern const int CursorSlots[CursorSlotCount];
static const int CursorTransparent = 255;
// The start-up logo is drawn through the identity in the first location's
// palette, so the logo's colours sit at 10.. in the logo's palette and in
// the first location's.
static const int LogoColours = 48;
// Frames of an item view, turned by the cursor.
static const size_t ItemViewFrames = 24;

struct FixedSlot {
    uint8_t rgb[3];
    int slot;
};
struct WeightedColour {
    uint8_t rgb[3];
    uint32_t weight;
};
struct PaletteRequest {
    std::vector<const Rgba*> pictures;    // alpha 0: transparent
    std::vector<FixedSlot> fixed;         // exact colours at exact slots
    std::vector<WeightedColour> remapped; // colours the remap range must serve
    int maxColours = 256;                 // distinct colours, fixed ones included
    int transparentSlot = -1;             // -1: a slot outside the remap range
    int reserveTransparent = 0;           // a key slot for encoded pictures
};
struct Palette {
    uint8_t wanted[256][3];  // what the screen should show
    uint8_t file[256][3];    // the bytes written into the BMP's colour table
    uint8_t shown[256][3];   // what the viewer shows from them
    uint8_t real[256];       // 1: a colour of the palette, 0: padding
    int transparent = -1;    // key slot of encoded pictures, -1: none
    std::vector<int16_t> nearest;  // filled as pictures are mapped onto it
};
int BuildPalette(const PaletteRequest& request, Palette* out, std::string* why);
// Pixels of one picture that go into a palette's histogram: a larger one is
// sampled down to about that many, which gives the same histogram.
static const double HistogramPixels = 300000;
int HistogramStep(const Rgba& picture, double most);
Rgba HistogramSample(const Rgba& picture, double most);
// A palette of exactly these colours (slot i = colours[i]); the rest black.
void FixedPalette(const std::vector<FixedSlot>& colours, Palette* out);
// Error diffusion at three quarters: gradients without bands, at a little
// less noise than the full amount.
static const float ImportDither = 0.75f;
// Nearest colours with error diffusion (dither 0..1); transparent pixels
// take the key slot, opaque ones never do.
std::vector<uint8_t> RemapPicture(Palette& palette, const Rgba& picture, float dither);
// Peak signal-to-noise ratio in dB over the opaque pixels of picture shown
// as indices in palette; squared error and pixel count added to the sums.
double PicturePsnr(const Palette& palette, const Rgba& picture, const std::vector<uint8_t>& indices,
                   double* errorSum = nullptr, int64_t* pixelSum = nullptr);
double PsnrFromError(double squaredError, int64_t samples);
std::vector<uint8_t> PaletteBmp(const Palette& palette, int32_t width, int32_t height,
                                const std::vector<uint8_t>& indices);
// Colours used by indices with their pixel counts.
void AddUsedColours(const Palette& palette, const std::vector<uint8_t>& indices,
                    std::map<uint32_t, uint32_t>* counts);

// ---------------------------------------------------------------------------
// The source script: the viewer's grammar with relative paths of any length
// for file names and option words after a panorama's picture.
enum SourceKind {
    FILE_NONE,
    FILE_VIEW,        // closeup or panorama picture
    FILE_STAMP,
    FILE_SPRITE,      // first frame of a series, or a folder
    FILE_ITEM_VIEW,   // first of 24 frames, or a folder
    FILE_PDA,
    FILE_SOUND,
    FILE_TRANSITION,  // first frame, or a folder
};
// The file argument kind of a keyword's argument (1..9), FILE_NONE for
// names and numbers.
int SourceFileKind(int keyword, int argument);
int SourceKindIsSeries(int kind);

struct SourceLine {
    int32_t number = 0;
    std::string text;  // without its line end
    int keyword = -1;  // index into ScriptKeywords, -1 for any other word
    std::vector<std::string> tokens;
    int location = -1;  // the location it belongs to
};
struct SourceLocation {
    std::string name;
    int32_t line = 0;
    int viewLine = -1;  // index into lines of its last view line
    int shape = SHAPE_CLOSEUP;  // for a panorama: cylinder, equirect or -1 (by size)
    int32_t width = 0;          // width=N, 0: the default
};
struct SourceScript {
    std::vector<SourceLine> lines;
    std::vector<SourceLocation> locations;
};
// Longest file name a source token may hold.
static const int32_t SourceTokenBytes = 4097;
// Reads the text of a source game.txt; errors name `shown` and the line.
int ReadSourceScript(const std::string& text, const std::string& shown, SourceScript* out,
                     Report* report);
// The viewer's game.txt, line for line: file arguments by names[line][arg]
// ("-" where there is none), numbers by numbers[line][arg] where given.
std::string WriteViewerScript(const SourceScript& script,
                              const std::map<int, std::map<int, std::string>>& replaced);

// Frame numbering of a source series: the last run of digits in the file's
// name; the next frame has the next number with as many digits.
struct SeriesName {
    std::string prefix;  // path up to the digits
    std::string suffix;  // after them, the extension included
    int64_t first = 0;
    int digits = 0;      // 0: no digits, a single picture
};
SeriesName SplitSeriesName(const std::string& path);
std::string SeriesFrameName(const SeriesName& series, int64_t number);

// ---------------------------------------------------------------------------
// 8.3 names for the archive, unique without regard to case.
struct NameTable {
    std::set<std::string> taken;  // upper case
};
void ReserveName(NameTable* table, const std::string& name);
// LETTERS.EXT from the source's name, at most 8 letters and digits.
std::string PlainName(NameTable* table, const std::string& source, const std::string& extension);
// Up to four letters P: P0000.BMP .. P9999.BMP, PINFO.TXT and PICON.BMP
// are kept for the series.
std::string SeriesPrefix(NameTable* table, const std::string& source);

// ---------------------------------------------------------------------------
// Files of the source folder, found without regard to case.
static const char* const PictureExtensions[] = {".png", ".jpg", ".jpeg", ".tga", ".gif", ".bmp", nullptr};
// 1 with the path as it is spelled on disk, 0 when there is no such file,
// -1 when the path leaves the folder (absolute, through "..", or by a link
// to outside it; why says which).
int ResolveSourcePath(const std::string& root, const std::string& relative, std::string* found,
                      std::string* why = nullptr);
// A name without extension with any picture extension; -1 (and why) when
// it leads outside the folder.
int ResolvePicture(const std::string& root, const std::string& stem, std::string* found,
                   std::string* why = nullptr);
// The frames of a series: the first frame's name and the numbers after it,
// or every picture of a folder (a name ending in "/") in name order. The
// offset file is the frames' common prefix + "info.txt" (info.txt in a
// folder), the icon prefix + "icon" with a picture extension.
struct SourceSeries {
    std::vector<std::string> frames;
    std::string info;
    std::string icon;
    std::string iconWanted;  // where the icon would be
    int more = 0;            // frames beyond maxFrames were left out
};
int ResolveSeries(const std::string& root, const std::string& relative, int maxFrames, SourceSeries* out,
                  std::string* why);

// ---------------------------------------------------------------------------
// The build's shared state, filled in script order.
struct LocationQuality {
    std::string location;
    double meanPsnr = 0;
    double worstPsnr = 0;
    std::string worstPicture;
    int colours = 0;
};
struct SeriesOut {
    std::string prefix;   // archive prefix
    SourceSeries source;
};
struct Interface {
    std::vector<FixedSlot> cursorSlots;        // black and the cursor's colours
    std::vector<FixedSlot> logoSlots;          // the logo's colours at 10..
    std::vector<WeightedColour> remapped;      // logo, PDA and icon colours by pixel count
    std::vector<WeightedColour> logoRemapped;  // the logo's alone (transitions)
    int64_t pixels = 0;
};
// What each location produced, kept by zemworld play from one build to
// the next: a location whose lines, names, view and interface colours are
// as they were, and whose files are unchanged on disk (size, time, inode),
// is not built again.
struct CachedLocation {
    std::string key;
    std::vector<std::pair<std::string, std::string>> files;  // path in the folder -> its stamp
    std::vector<PackMember> members;
    std::vector<std::string> shown;                          // each member's source
    std::map<size_t, std::map<int, std::string>> replaced;   // by the line's place in the location
    std::vector<Diagnostic> diagnostics;
    LocationQuality quality;
};
struct BuildCache {
    std::map<std::string, CachedLocation> locations;  // by location name
    int reused = 0;
    int built = 0;
};
struct Build;
// BuildLocation through the cache: the kept result when it still holds,
// otherwise built and kept.
int BuildLocationCached(Build* b, int index, int (*build)(Build*, int));

struct Build {
    BuildCache* cache = nullptr;
    std::string root;
    std::string scriptShown;
    Report* report = nullptr;
    FILE* progress = nullptr;
    SourceScript script;
    NameTable names;
    std::map<std::string, std::pair<int32_t, int32_t>> sizes;  // pictures' headers, by path in the folder
    std::vector<PackMember> members;
    std::map<std::string, std::string> sources;  // archive name (upper case) -> shown source
    std::map<int, std::map<int, std::string>> replaced;
    std::map<std::pair<int, int>, std::string> files;    // (line, argument) -> path in the folder
    std::map<std::pair<int, int>, std::string> tokens;   // (line, argument) -> name in the script
    std::map<std::pair<int, int>, SeriesOut> series;
    std::map<std::string, std::string> shared;  // sounds, PDAs, transitions: path -> name
    std::vector<ViewTransform> transforms;      // per location
    Interface ui;
    std::vector<LocationQuality> quality;
    int failed = 0;
};
void Progress(Build* b, const std::string& text);
// A picture's size from its header alone, judged for its place; 0 after an
// error naming the line (or, with line 0, the file).
int SourcePictureSize(Build* b, const std::string& path, int32_t line, const std::string& what,
                      const PictureLimit& limit);
// The picture decoded, its header judged first; 0 after such an error.
// Nothing keeps it: each use decodes it again and lets it go when done.
int LoadSourcePicture(Build* b, const std::string& path, int32_t line, const std::string& what,
                      const PictureLimit& limit, Rgba* out);

// Pictures that share one palette: each made (decoded and prepared) for the
// histogram, which keeps a sample of it, and kept for the mapping only while
// the kept ones stay small; the others are made again for the mapping. The
// same item made twice must come out the same.
struct BatchItem {
    std::function<int(Rgba*)> make;  // 0 after an error was reported
    int64_t pixels = 0;              // about how many the made picture has
};
struct Batch {
    std::vector<BatchItem> items;
    std::vector<Rgba> kept;
    std::vector<Rgba> samples;
};
void AddToBatch(Batch* batch, int64_t pixels, std::function<int(Rgba*)> make);
// Makes every picture once; the request's pictures become the samples
// (valid until the first TakeFromBatch). 0 when one could not be made.
int SampleBatch(Batch* batch, PaletteRequest* request);
// Picture i for its mapping, once: the kept one, or made again.
int TakeFromBatch(Batch* batch, size_t i, Rgba* out);
void AddMember(Build* b, const std::string& name, std::vector<uint8_t> data, const std::string& source);
// A number as the viewer reads it.
int32_t ScriptNumber(const std::string& text);
int BuildInterface(Build* b);
int BuildLocations(Build* b);

// ---------------------------------------------------------------------------
// The build as a whole.
struct BuildResult {
    std::vector<uint8_t> archive;
    std::vector<LocationQuality> quality;
    std::map<std::string, std::string> sources;  // archive name (upper case) -> source path
    std::string script;                          // the source game.txt's path
    // For the viewer's author mode, per location in script order: its
    // view's file in the folder ("" where it has none) and how the view was
    // made from it; and the viewer's names of the script's files -> the
    // script's own words.
    std::vector<std::string> viewFiles;
    std::vector<ViewTransform> transforms;
    std::map<std::string, std::string> scriptNames;
};
// Reads the world in `source`, writes nothing; diagnostics into report
// (mapped back to source names), progress lines to `progress` (or none).
// With a cache, unchanged locations are taken from it.
int BuildWorld(const std::string& source, BuildResult* result, Report* report, FILE* progress,
               BuildCache* cache = nullptr);
// The map the viewer's author mode reads (the member AUTHOR.TXT, which the
// viewer otherwise never opens): the script's names as the author wrote
// them, and per location its view's file and how its rows and columns were
// moved. AddAuthorMap packs it into the built archive.
std::string AuthorMapText(const BuildResult& built);
int AddAuthorMap(BuildResult* built, std::string* why);
// The checker's diagnostics of a built world, with the author's file names
// for the archive's.
void MapCheckReport(const Report& check, const BuildResult& built, Report* out);

// The starter world of `zemworld new`.
int WriteStarterWorld(const std::string& folder, std::string* why);
