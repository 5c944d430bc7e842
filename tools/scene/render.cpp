// Ray casting from camera pixels onto the ground, through the library's lens
// model and pose rotation.
#include <cmath>

#include "camera/camera.h"
#include "numerics/rounding.h"
#include "render.h"
#include "scene.h"

namespace {

const unsigned char kSky[3] = {235, 206, 135};
const unsigned char kHaze[3] = {170, 170, 170};
const unsigned char kOutsideLens[3] = {0, 0, 0};

// Ground farther than this is drawn as haze: its tiles would be smaller than
// a pixel and only alias.
const float kFarDistance = 100000.0f;

enum class RayHit { ground, far, sky, outsideLens };

class RayCaster {
public:
    explicit RayCaster(const CameraParam& cam) : cam_(cam) {
        crPoseRotation(cam.angleX, cam.angleZ, cam.angleY, rotation_);
        circleHeight_ = crLensAngleToHeight(cam.distortion, crDegToRad(kSceneHalfFov));
    }

    // Direction from the pixel's incidence angle (inverse polynomial) and its
    // offset from the optical centre, turned into the world by R^T, then
    // followed from the camera centre down to Z = 0.
    RayHit cast(float u, float v, Point2f* ground) const {
        const float x = (u - cam_.principalX) / cam_.pixelScaleX;
        const float y = (v - cam_.principalY) / cam_.pixelScaleY;
        const float rho = std::sqrt(x * x + y * y);
        if (rho > circleHeight_) return RayHit::outsideLens;
        const float theta = crLensHeightToAngle(cam_.undistortion, rho);
        const float radial = rho > 0.0f ? std::sin(theta) / rho : 0.0f;
        const float d[3] = {x * radial, y * radial, std::cos(theta)};
        float t;
        if (!crSceneRayToGround(cam_, rotation_, d, ground, &t)) return RayHit::sky;
        return t > kFarDistance ? RayHit::far : RayHit::ground;
    }

private:
    const CameraParam& cam_;
    float rotation_[3][3];
    float circleHeight_;
};

void crSampleColour(const RayCaster& caster, const SceneGroundColour& ground, float u, float v, int sum[3]) {
    Point2f g;
    unsigned char bgr[3];
    const unsigned char* colour = bgr;
    switch (caster.cast(u, v, &g)) {
        case RayHit::ground: ground(g.x, g.y, bgr); break;
        case RayHit::far: colour = kHaze; break;
        case RayHit::sky: colour = kSky; break;
        case RayHit::outsideLens: colour = kOutsideLens; break;
    }
    for (int k = 0; k < 3; ++k) sum[k] += colour[k];
}

}  // namespace

bool crSceneRayToGround(const CameraParam& cam, const float r[3][3], const float d[3], Point2f* ground, float* t) {
    float w[3];
    for (int j = 0; j < 3; ++j) w[j] = r[0][j] * d[0] + r[1][j] * d[1] + r[2][j] * d[2];
    // Z grows toward the ground: a ray must gain Z to meet it.
    if (w[2] <= 0.0f) return false;
    *t = -cam.positionZ / w[2];
    ground->x = cam.positionX + *t * w[0];
    ground->y = cam.positionY + *t * w[1];
    return true;
}

bool crSceneGroundPoint(const CameraParam& cam, float u, float v, Point2f* ground) {
    return RayCaster(cam).cast(u, v, ground) == RayHit::ground;
}

bool crSceneSees(const CameraParam& cam, Point2f ground, Point2f* pixel) {
    Point2f back;
    crWorldToImage2D(&cam, &ground, pixel, 1);
    if (pixel->x < 0 || pixel->y < 0 || pixel->x >= cam.imageWidth || pixel->y >= cam.imageHeight) return false;
    return crSceneGroundPoint(cam, pixel->x, pixel->y, &back) &&
           std::hypot(back.x - ground.x, back.y - ground.y) < 5.0f;
}

int crSceneGetStride(int width) { return crPackedStride(width); }

std::vector<unsigned char> crSceneCastFrame(const CameraParam& cam, int stride, const SceneGroundColour& ground) {
    const RayCaster caster(cam);
    std::vector<unsigned char> frame(static_cast<size_t>(stride) * cam.imageHeight, 0);
    const float offsets[3] = {-1.0f / 3.0f, 0.0f, 1.0f / 3.0f};
    for (int row = 0; row < cam.imageHeight; ++row) {
        unsigned char* out = frame.data() + static_cast<size_t>(row) * stride;
        for (int col = 0; col < cam.imageWidth; ++col) {
            int sum[3] = {0, 0, 0};
            for (float dv : offsets)
                for (float du : offsets) crSampleColour(caster, ground, col + du, row + dv, sum);
            for (int k = 0; k < 3; ++k) out[3 * col + k] = static_cast<unsigned char>((sum[k] + 4) / 9);
        }
    }
    return frame;
}

std::vector<unsigned char> crSceneRender(const CameraParam& cam) {
    return crSceneCastFrame(cam, crSceneGetStride(cam.imageWidth), crSceneGroundColour);
}
