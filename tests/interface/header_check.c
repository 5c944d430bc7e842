/* Built as C89, C99 and C++17 with -pedantic -Werror: the public header must serve each kind of
 * caller, and its inline helpers must fill every field of the records they make. */
#include <camrig.h>

#include <stdio.h>

static int failures = 0;

static void check(int ok, const char* what, int line) {
    if (!ok) {
        printf("line %d: %s\n", line, what);
        ++failures;
    }
}
#define CHECK(cond) check((cond) != 0, #cond, __LINE__)

static void checkImageWrap(void) {
    /* channels, width, stride: rows padded to 4 bytes */
    static const int32_t cases[][3] = {{1, 1, 4}, {1, 4, 4}, {1, 5, 8}, {3, 1, 4}, {3, 4, 12}, {3, 5, 16}, {4, 3, 12}};
    unsigned char pixels[3 * 16];
    unsigned char* rows[3];
    Image img;
    size_t i, r;
    for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        CHECK(crImageStride(cases[i][0], cases[i][1]) == cases[i][2]);
        crImageWrap(&img, cases[i][0], cases[i][1], 3, pixels, rows);
        CHECK(img.size == (int32_t)sizeof(Image) && img.reserved == 0);
        CHECK(img.channels == cases[i][0] && img.width == cases[i][1] && img.height == 3);
        CHECK(img.stride == cases[i][2] && img.imageSize == 3 * cases[i][2]);
        CHECK(img.data == rows);
        for (r = 0; r < 3; ++r) CHECK(rows[r] == pixels + r * cases[i][2]);
    }
}

static void checkMatrixWrap(void) {
    float elements[12];
    float* rows[3];
    Matrix m;
    size_t r;
    crMatrixWrap(&m, 3, 4, elements, rows);
    CHECK(m.data == rows && m.rows == 3 && m.cols == 4);
    for (r = 0; r < 3; ++r) CHECK(rows[r] == elements + 4 * r);
}

int main(void) {
    checkImageWrap();
    checkMatrixWrap();
    return failures == 0 ? 0 : 1;
}
