// The stb picture writers, compiled apart from the readers: the JPEG
// writer shifts negative numbers left (undefined before C++20, harmless in
// practice), so under the undefined-behaviour checks this file alone skips
// that one check. It only ever writes pictures the tools make themselves;
// the readers, which see the authors' files, keep every check.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
