// Pictures: the Image record, the BMP loader, colour remapping, sprite
// sequences and the blitters.
#pragma once

#include <cstdint>

struct BkSurface;

struct Image {
    Image* next;
    uint8_t* pixels;
    BkSurface* surface;
    int32_t width;  // bytes per stored row
    int32_t pitch;
    int32_t height;  // stored rows
    int32_t encoded;
    int32_t size;  // bytes of content in pixels
    int32_t x;
    int32_t y;
    char name[32];
};

struct Sprite {
    Image* current;
    Image* saveUnder;
    Image* first;
    int32_t index;
    int32_t count;
    int32_t largestSize;
    int32_t viewHeight;
    int32_t viewWidth;
    int32_t columnMajor;
};

extern double Gamma;
extern uint8_t RemapTable[256];
extern uint8_t RowBuffer[2048];
// The picture state back to its start values.
void ResetImageState();

// Releases a list of pictures (each pixel block, then the record) and leaves
// the head empty.
void FreeImageList(Image** head);

// Loads an 8-bit BMP. reference none: palette only. scratch (with
// scratchSize bytes) is used by encoded loads to hold the raw pixels; a
// picture larger than it is refused.
int zemLoadBMP(const char* name, Image** reference, uint8_t* palette,
               uint8_t* scratch, int32_t scratchSize, int reuse, int encode,
               int columnMajor);

// Maps every colour of source onto the nearest of entries 10 to 209 of
// target; either one none resets the table to the identity.
void BuildRemapTable(const uint8_t* target, const uint8_t* source);

int zemLoadSprite(const char* name, Sprite** reference, uint8_t* scratch,
                  int32_t scratchSize, int encode, int columnMajor,
                  int32_t viewHeight, int32_t viewWidth);
void AdvanceSprite(Sprite* sprite);
// Frames, save-under picture, then the record; the reference ends empty.
void FreeSprite(Sprite** reference);

int LockImage(Image* image);
void UnlockImage(Image* image);
int BlitImage(Image* destination, Image* source, Image* saveUnder);
int BlitImageDouble(Image* destination, Image* source);
int FillRows(Image* image, uint8_t value, int32_t start, int32_t end);
