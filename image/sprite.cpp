// Sprite sequences: numbered frame series with an offset file, and the
// save-under picture that holds what a frame covers.
#include <cstdio>
#include <cstring>

#include "image/image.h"
#include "platform/platform.h"

static const int32_t LineBytes = 500;
static const int32_t NameChars = 127;   // longest sprite name handled
static const int32_t LastFrame = 9999;  // four digits

static int IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One line of the offset file, read a byte at a time. 0 when the file ended
// before the line's first byte; the buffer is then left as it was.
static int ReadLine(AssetFile* file, char* line) {
    int32_t n = 0;
    while (n < LineBytes) {
        char c;
        if (!AssetRead(file, &c, 1)) break;
        line[n++] = c;
        if (c == '\n') break;
    }
    if (n == 0) return 0;
    // A full buffer loses its last byte to the end of the text.
    line[n == LineBytes ? LineBytes - 1 : n] = 0;
    return 1;
}

// The next blank-separated word; 0 when there is none or it does not fit
// capacity bytes with its terminating zero.
static int NextWord(const char** cursor, char* word, size_t capacity) {
    const char* p = *cursor;
    while (*p && IsBlank(*p)) p++;
    if (!*p) return 0;
    size_t n = 0;
    while (p[n] && !IsBlank(p[n])) n++;
    if (n >= capacity) return 0;
    std::memcpy(word, p, n);
    word[n] = 0;
    *cursor = p + n;
    return 1;
}

// The number after a word's first five characters: optional blanks and sign,
// then digits up to the first other character (none: 0). Words too short to
// have a sixth character, and numbers beyond 32 bits, are refused.
static int WordNumber(const char* word, int64_t* out) {
    if (std::strlen(word) < 6) return 0;
    const char* p = word + 5;
    while (IsBlank(*p)) p++;
    int negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (*p - '0');
        if (value > 2147483648LL) return 0;
    }
    value = negative ? -value : value;
    if (value > 2147483647LL) return 0;
    *out = value;
    return 1;
}

// A frame's position from one line of seven words; words 1, 6 and 7 are not
// used. On a column-major view the frame's rightmost column sits at picture
// column word 4, whose stored row counts from the view's bottom.
static int LinePosition(const char* line, const Sprite* sprite, int32_t* x, int32_t* y) {
    char first[40];
    char words[6][20];
    const char* cursor = line;
    if (!NextWord(&cursor, first, sizeof first)) return 0;
    for (int i = 0; i < 6; i++) {
        if (!NextWord(&cursor, words[i], sizeof words[i])) return 0;
    }
    int64_t n[4];
    for (int i = 0; i < 4; i++) {
        if (!WordNumber(words[i], &n[i])) return 0;
    }
    int64_t fx = n[0];
    int64_t fy = n[3];
    if (sprite->columnMajor) {
        fx = n[1];
        fy = (int64_t)sprite->viewHeight - n[2] - 1;
        if (fy < -2147483648LL || fy > 2147483647LL) return 0;
    }
    *x = (int32_t)fx;
    *y = (int32_t)fy;
    return 1;
}

// The series: frames start, start + 1, ... up to the first that does not
// load, each positioned by the next line of the offset file.
static int LoadSeries(Sprite* sprite, const char* name, int32_t zero, int32_t start,
                      uint8_t* scratch, int32_t scratchSize, int encode, int columnMajor) {
    const char* suffix = name + zero + 4;
    char offsetName[NameChars + 16];
    std::snprintf(offsetName, sizeof offsetName, "%.*sinfo.txt", (int)zero, name);
    AssetFile* offsets = AssetOpen(offsetName);

    char line[LineBytes];
    int haveLine = 0;
    Image* last = nullptr;
    int32_t count = 0;
    int32_t largest = 0;
    int32_t largestFrame = -1;
    char frameName[32];
    for (int32_t k = start; k <= LastFrame; k++) {
        std::snprintf(frameName, sizeof frameName, "%.*s%04d%s", (int)zero, name, (int)k, suffix);
        Image* frame = nullptr;
        if (!zemLoadBMP(frameName, &frame, nullptr, scratch, scratchSize, 0, encode, columnMajor))
            break;
        if (offsets) {
            // Once the file has run out of lines, the last one is used again;
            // a file without any line leaves the frames at 0, 0.
            if (ReadLine(offsets, line)) haveLine = 1;
            if (haveLine && !LinePosition(line, sprite, &frame->x, &frame->y)) {
                FreeImageList(&frame);
                AssetClose(offsets);
                return 0;
            }
        }
        if (last)
            last->next = frame;
        else
            sprite->first = frame;
        last = frame;
        sprite->current = frame;
        count++;
        if (largestFrame < 0 || frame->size > largest) {
            largest = frame->size;
            largestFrame = k;
        }
    }
    if (offsets) AssetClose(offsets);
    sprite->current = sprite->first;
    sprite->index = 0;
    sprite->count = count;
    sprite->largestSize = largest;
    if (count == 0) return 0;

    // The save-under copy is a second load of the largest frame, so its block
    // holds what any frame covers.
    std::snprintf(frameName, sizeof frameName, "%.*s%04d%s", (int)zero, name, (int)largestFrame,
                  suffix);
    if (!zemLoadBMP(frameName, &sprite->saveUnder, nullptr, scratch, scratchSize, 0, encode,
                    columnMajor))
        return 0;
    sprite->saveUnder->x = -1;
    return 1;
}

static int LoadSingle(Sprite* sprite, const char* name, uint8_t* scratch, int32_t scratchSize,
                      int encode, int columnMajor) {
    if (!zemLoadBMP(name, &sprite->first, nullptr, scratch, scratchSize, 0, encode, columnMajor))
        return 0;
    if (!zemLoadBMP(name, &sprite->saveUnder, nullptr, scratch, scratchSize, 0, encode,
                    columnMajor))
        return 0;
    sprite->current = sprite->first;
    sprite->index = 0;
    sprite->count = 1;
    sprite->largestSize = sprite->first->size;
    sprite->saveUnder->x = -1;
    return 1;
}

int zemLoadSprite(const char* name, Sprite** reference, uint8_t* scratch, int32_t scratchSize,
                  int encode, int columnMajor, int32_t viewHeight, int32_t viewWidth) {
    if (!name || !reference) return 0;
    size_t length = std::strlen(name);
    if (length > (size_t)NameChars) return 0;

    // The first "0" begins the four-digit frame number. The frame names must
    // fit a picture's 32-byte name field.
    const char* zero = std::strchr(name, '0');
    int32_t at = zero ? (int32_t)(zero - name) : -1;
    int32_t start = 0;
    if (zero) {
        if (length < (size_t)at + 4 || length > sizeof(Image::name) - 1) return 0;
        for (const char* p = zero; *p >= '0' && *p <= '9' && start <= LastFrame; p++)
            start = start * 10 + (*p - '0');
    }

    Sprite* sprite = (Sprite*)TrackedAlloc((int32_t)sizeof(Sprite));
    if (!sprite) return 0;
    std::memset(sprite, 0, sizeof *sprite);
    *reference = sprite;
    sprite->columnMajor = columnMajor;
    sprite->viewHeight = viewHeight;
    sprite->viewWidth = viewWidth;
    if (!zero) return LoadSingle(sprite, name, scratch, scratchSize, encode, columnMajor);
    return LoadSeries(sprite, name, at, start, scratch, scratchSize, encode, columnMajor);
}

void AdvanceSprite(Sprite* sprite) {
    if (!sprite) return;
    if (sprite->current && sprite->current->next) {
        sprite->current = sprite->current->next;
        sprite->index++;
    } else {
        sprite->current = sprite->first;
        sprite->index = 0;
    }
}

void FreeSprite(Sprite** reference) {
    if (!reference || !*reference) return;
    Sprite* sprite = *reference;
    FreeImageList(&sprite->first);
    FreeImageList(&sprite->saveUnder);
    TrackedFree(sprite);
    *reference = nullptr;
}
