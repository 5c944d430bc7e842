// Lens model, projections, world/image mapping and homographies of one camera record taken
// straight from the input, so that every float may be NaN, infinite or huge.
#include "fuzz_input.h"

namespace {

enum Op : uint8_t {
    kUndistort,
    kDistort,
    kFov,
    kImageToWorld,
    kWorldToImage,
    kWorldToImage2D,
    kProjections,
    kHomography,
    kConvertImage2World,
    kCameraPos,
    kOpCount
};

void crFuzzWorldToImage2D(const CameraParam& cam, int32_t count, FuzzInput& in) {
    const int64_t n = crFuzzArea(count, 1);
    if (n < 0) return;
    auto world = crFuzzBuffer<Point2f>(n);
    auto image = crFuzzBuffer<Point2f>(n);
    in.read(world.get(), sizeof(Point2f) * size_t(n));
    crWorldToImage2D(&cam, world.get(), image.get(), count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t op = in.take<uint8_t>() % kOpCount;
    CameraParam cam = in.take<CameraParam>();
    const Point2f p = in.take<Point2f>();
    const Point3f w = in.take<Point3f>();
    const int32_t count = in.take<int32_t>();
    FuzzMatrix h(3, 3);
    h.load(in);
    Point2f out{};
    float degrees = 0.0f;
    switch (op) {
    case kUndistort: crFeatureUndistortion(&p, &out, &cam); break;
    case kDistort: crFeatureDistortion(&p, &out, &cam); break;
    case kFov: crGetFOV(&cam, p.x, p.y, &degrees); break;
    case kImageToWorld: crImageToWorld(p, &cam, h.get()); break;
    case kWorldToImage: crWorldToImage(&cam, w, h.get()); break;
    case kWorldToImage2D: crFuzzWorldToImage2D(cam, count, in); break;
    case kProjections: {
        FuzzMatrix m34(3, 4);
        crGetProjectionZ3x3(h.get(), &cam);
        crGetProjection3x4(m34.get(), &cam);
        break;
    }
    case kHomography:  // the estimate then serves both mappings, as callers use it
        crGetHomography(h.get(), &cam, count & 1);
        crImageToWorld(p, &cam, h.get());
        crWorldToImage(&cam, w, h.get());
        break;
    case kConvertImage2World: crConvertImage2World(&cam, 0, 0, count); break;
    case kCameraPos: crGetCameraPos(&cam); break;
    }
    return 0;
}
