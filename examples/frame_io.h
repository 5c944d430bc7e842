/* frame_io.h: the examples' picture files. Frames are decoded by stb_image (Debian: libstb-dev),
 * compiled into the including program for BMP only; pictures are encoded by the library's
 * crImageToBmp. Include it in one source file of a program. */
#ifndef CAMRIG_EXAMPLES_FRAME_IO_H
#define CAMRIG_EXAMPLES_FRAME_IO_H

#include <camrig.h>

#include <stdio.h>
#include <stdlib.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_LINEAR
#include <stb/stb_image.h>

/* Reads a BMP into a packed frame: rows of crImageStride(3, width) bytes, blue, green, red.
 * Returns null, after a message, unless the file holds a width x height picture. */
static unsigned char* loadFrame(const char* path, int width, int height) {
    int w = 0, h = 0, channels = 0, r, c;
    unsigned char* rgb = stbi_load(path, &w, &h, &channels, 3); /* rows of 3 x w bytes, red first */
    const int stride = crImageStride(3, width);
    unsigned char* frame;
    if (!rgb) {
        fprintf(stderr, "%s: %s\n", path, stbi_failure_reason());
        return NULL;
    }
    if (w != width || h != height) {
        fprintf(stderr, "%s: %d x %d pixels, expected %d x %d\n", path, w, h, width, height);
        stbi_image_free(rgb);
        return NULL;
    }
    frame = calloc((size_t)stride * height, 1);
    if (!frame) {
        fprintf(stderr, "%s: out of memory\n", path);
    } else {
        for (r = 0; r < height; ++r) {
            const unsigned char* in = rgb + (size_t)r * 3 * width;
            unsigned char* out = frame + (size_t)r * stride;
            for (c = 0; c < width; ++c, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
    }
    stbi_image_free(rgb);
    return frame;
}

static int writeFile(const char* path, const unsigned char* bytes, size_t length) {
    FILE* f = fopen(path, "wb");
    int ok = f && fwrite(bytes, 1, length, f) == length;
    if (f && fclose(f) != 0) ok = 0;
    if (!ok) fprintf(stderr, "%s: cannot write\n", path);
    return ok;
}

/* Saves a packed picture as BMP, encoded by the library. */
static int saveBmp(const char* path, unsigned char* pixels, int width, int height) {
    Image img;
    int length = 0, ok;
    unsigned char* bmp;
    unsigned char** rows = malloc(sizeof *rows * height);
    if (!rows) {
        fprintf(stderr, "%s: out of memory\n", path);
        return 0;
    }
    crImageWrap(&img, 3, width, height, pixels, rows);
    bmp = crImageToBmp(&img, &length); /* malloc'd, ours to free */
    free(rows);
    if (!bmp) {
        fprintf(stderr, "%s: out of memory\n", path);
        return 0;
    }
    ok = writeFile(path, bmp, (size_t)length);
    free(bmp);
    return ok;
}

#endif
