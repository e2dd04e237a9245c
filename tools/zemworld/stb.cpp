// The stb picture readers and resizer, compiled once for the whole tool
// (the writers are in stb_write.cpp).
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_resize.h>
