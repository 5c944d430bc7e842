// crDetectCorner: the twelve corners of two triangle targets with triangular
// holes, found on the undistorted canvas and mapped back to the photograph.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "features.h"
#include "image/image.h"

namespace {

// Every picture one window needs, in one block.
class Workspace {
public:
    explicit Workspace(const CanvasWindow& w) : window_(w) {
        const size_t n = static_cast<size_t>(w.width) * w.height;
        const size_t integralCount = static_cast<size_t>(w.width + 1) * (w.height + 1);
        block_ = static_cast<unsigned char*>(std::malloc(sizeof(float) * (n + integralCount) + 4 * n));
        if (!block_) return;
        labels = reinterpret_cast<float*>(block_);
        integral = labels + n;
        unsigned char* planes = block_ + sizeof(float) * (n + integralCount);
        for (Plane* p : {&u, &a, &scratch, &b}) *p = {w.width, w.height, planes}, planes += n;
    }
    ~Workspace() { std::free(block_); }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    bool ready() const { return block_ != nullptr; }
    const CanvasWindow& window() const { return window_; }

    Plane u, a, scratch, b;
    float* labels = nullptr;
    float* integral = nullptr;

private:
    CanvasWindow window_;
    unsigned char* block_ = nullptr;
};

// Fits a triangle to the outline of the dark area of `area` and stores its
// corners, mapped to the photograph, at imagePoints[firstIndex..firstIndex + 2].
// A fit that gives no triangle leaves them at (0, 0).
void crStoreTriangle(Workspace& ws, const Plane& area, CameraParam* cam, int firstIndex) {
    Plane& outline = ws.scratch;
    crMarkOutline(area, &outline);
    const size_t n = static_cast<size_t>(outline.width) * outline.height;
    size_t marked = 0;
    for (size_t i = 0; i < n; ++i) marked += outline.px[i] != 0;
    Point2f* points = static_cast<Point2f*>(std::malloc(sizeof(Point2f) * (marked ? marked : 1)));
    if (!points) return;
    const int count = crListMarked(outline, points);
    Point2f corners[3];
    if (crFitTriangle(points, count, corners)) {
        const CanvasWindow& w = ws.window();
        for (int i = 0; i < 3; ++i)
            cam->imagePoints[firstIndex + i] =
                crCanvasToPhoto(cam, static_cast<float>(w.x0) + corners[i].x, static_cast<float>(w.y0) + corners[i].y);
    }
    std::free(points);
}

// The largest dark blob not touching the window's border, in ws.b (0 on the
// blob, 255 elsewhere); false when there is no memory to count the labels.
bool crFindBlob(Workspace& ws, const Image* gray, const CameraParam* cam) {
    crRenderWindow(gray, cam, ws.window(), &ws.u);
    crBinarise(ws.u, &ws.a, ws.integral);
    crClearBorderDark(&ws.a, &ws.scratch);
    const int largest = crLabelDark(ws.a, ws.labels);
    int* counts = static_cast<int*>(std::malloc(sizeof(int) * (static_cast<size_t>(largest) + 1)));
    if (!counts) return false;
    crKeepLargestBlob(ws.labels, largest, counts, &ws.b);
    std::free(counts);
    return true;
}

// Target k: outer corners at imagePoints 3k.., hole corners at 6 + 3k...
void crDetectTarget(const Image* gray, CameraParam* cam, int mode, int k) {
    Workspace ws(crProjectWindow(cam, crCornerSearchWindow(mode, k)));
    const bool found = ws.ready() && crFindBlob(ws, gray, cam);
    if (found) crStoreTriangle(ws, ws.b, cam, 3 * k);
    cam->pointCount = 3 + 3 * k;
    if (found) {
        // The blob turned light: what stays dark after the surroundings are
        // cleared from the border is the hole.
        const size_t n = static_cast<size_t>(ws.b.width) * ws.b.height;
        for (size_t i = 0; i < n; ++i) ws.a.px[i] = ws.b.px[i] == 0 ? 255 : 0;
        crClearBorderDark(&ws.a, &ws.scratch);
        crStoreTriangle(ws, ws.a, cam, 6 + 3 * k);
    }
    cam->pointCount = 9 + 3 * k;
}

}  // namespace

extern "C" CR_API void crDetectCorner(const unsigned char* photo, CameraParam* cam, int mode) {
    if (!cam) return;
    std::memset(cam->imagePoints, 0, sizeof cam->imagePoints);
    std::memset(cam->worldPoints, 0, sizeof cam->worldPoints);
    cam->pointCount = 0;
    if (mode < 0 || mode > 3) std::printf("Invalid mode\n");
    Image* gray = photo && cam->imageWidth > 0 && cam->imageHeight > 0
                      ? crCreateImage(1, cam->imageWidth, cam->imageHeight)
                      : nullptr;
    if (!gray) return;
    crGrayFromBgr(photo, gray);
    for (int k = 0; k < 2; ++k) crDetectTarget(gray, cam, mode, k);
    crReleaseImage(&gray);
}
