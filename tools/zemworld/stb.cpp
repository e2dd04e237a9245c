// The stb picture readers and resizer, compiled once for the whole tool
// (the writers are in stb_write.cpp). Only the BMP and TGA readers are
// built: every other format has a maintained decoder of its own, and the
// checks in picture_stb.cpp stand before these two. Blocks are handed out
// cleared, so that no reader can show what memory held before.
#include <cstdlib>

#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(block, size) std::realloc(block, size)
#define STBI_FREE(block) std::free(block)
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_resize.h>
