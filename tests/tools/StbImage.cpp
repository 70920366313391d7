// The JPEG/TGA decoder the data tests read the baked pictures with.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
