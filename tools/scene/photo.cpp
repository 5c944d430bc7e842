// End-of-line calibration photographs: dark targets on a plain floor, then
// the camera's blur and sensor noise.
#include <algorithm>
#include <cmath>
#include <random>

#include "render.h"
#include "scene.h"

namespace {

// Which side of the line a -> b the point p lies on (sign of the cross product).
float crSide(Point2f a, Point2f b, float x, float y) { return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x); }

// Inside or on the edges, whichever way round the corners go.
bool crInTriangle(const Point2f t[3], float x, float y) {
    const float s0 = crSide(t[0], t[1], x, y), s1 = crSide(t[1], t[2], x, y), s2 = crSide(t[2], t[0], x, y);
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

// One pass of the kernel across the frame's interleaved channels, along rows
// or down columns; positions beyond the frame take the edge pixel's value.
void crBlurPass(const std::vector<float>& kernel, const std::vector<float>& in, int width, int height, bool alongRows,
                std::vector<float>* out) {
    const int radius = static_cast<int>(kernel.size() / 2), last = (alongRows ? width : height) - 1;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            for (int ch = 0; ch < 3; ++ch) {
                float sum = 0.0f;
                for (int i = -radius; i <= radius; ++i) {
                    const int j = std::clamp((alongRows ? c : r) + i, 0, last);
                    sum += kernel[i + radius] * in[3 * (alongRows ? r * width + j : j * width + c) + ch];
                }
                (*out)[3 * (r * width + c) + ch] = sum;
            }
}

// Separable Gaussian, radius 3 sigma.
void crBlur(std::vector<unsigned char>* photo, int width, int height, float sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(3.0f * sigma)));
    std::vector<float> kernel(2 * radius + 1);
    float total = 0.0f;
    for (int i = -radius; i <= radius; ++i) total += kernel[i + radius] = std::exp(-0.5f * i * i / (sigma * sigma));
    for (float& k : kernel) k /= total;
    std::vector<float> a(photo->begin(), photo->end()), b(a.size());
    crBlurPass(kernel, a, width, height, true, &b);
    crBlurPass(kernel, b, width, height, false, &a);
    for (size_t i = 0; i < a.size(); ++i) (*photo)[i] = static_cast<unsigned char>(std::lround(a[i]));
}

void crAddNoise(std::vector<unsigned char>* photo, float sigma, unsigned seed) {
    std::mt19937 generator(seed);
    std::normal_distribution<float> noise(0.0f, sigma);
    for (size_t i = 0; i < photo->size(); i += 3) {
        const float n = noise(generator);
        for (size_t ch = i; ch < i + 3; ++ch)
            (*photo)[ch] = static_cast<unsigned char>(std::clamp(std::lround((*photo)[ch] + n), 0L, 255L));
    }
}

}  // namespace

std::vector<unsigned char> crScenePhotograph(const CameraParam& cam, const SceneTarget* targets, int count,
                                             const ScenePhotoConditions& how) {
    const auto ground = [&](float x, float y, unsigned char bgr[3]) {
        unsigned char grey = how.floor;
        for (int k = 0; k < count; ++k)
            if (crInTriangle(targets[k].outer, x, y) && !crInTriangle(targets[k].hole, x, y)) grey = how.target;
        bgr[0] = bgr[1] = bgr[2] = grey;
    };
    std::vector<unsigned char> photo = crSceneCastFrame(cam, 3 * cam.imageWidth, ground);
    if (how.blur > 0.0f) crBlur(&photo, cam.imageWidth, cam.imageHeight, how.blur);
    if (how.noise > 0.0f) crAddNoise(&photo, how.noise, how.seed);
    return photo;
}
