// Ray casting from camera pixels onto the ground.
#include <cmath>

#include "render.h"
#include "scene.h"

namespace {

const unsigned char kSky[3] = {235, 206, 135};
const unsigned char kHaze[3] = {170, 170, 170};
const unsigned char kOutsideLens[3] = {0, 0, 0};

// Ground farther than this is drawn as haze: its tiles would be smaller than
// a pixel and only alias.
const double kFarDistance = 100000.0;

// Image height of incidence angle t: k1 t + k2 t^3 + ... + k5 t^9.
double crForwardLens(const float k[5], double t) {
    const double t2 = t * t;
    double sum = k[4];
    for (int i = 3; i >= 0; --i) sum = sum * t2 + k[i];
    return sum * t;
}

// Incidence angle of image height r: c0 + c1 r + ... + c8 r^8.
double crInverseLens(const float c[9], double r) {
    double sum = c[8];
    for (int i = 7; i >= 0; --i) sum = sum * r + c[i];
    return sum;
}

// Right-handed rotation by `radians` about axis 0 (x), 1 (y) or 2 (z).
void crAxisRotation(int axis, double radians, double m[3][3]) {
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    const double c = std::cos(radians), s = std::sin(radians);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = i == j ? 1.0 : 0.0;
    m[a][a] = c, m[a][b] = -s;
    m[b][a] = s, m[b][b] = c;
}

void crMultiply(const double a[3][3], const double b[3][3], double out[3][3]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
}

void crSampleColour(const SceneCamera& camera, const SceneGroundColour& ground, double u, double v, int sum[3]) {
    Point2f g;
    unsigned char bgr[3];
    const unsigned char* colour = bgr;
    switch (camera.cast(u, v, &g)) {
    case SceneRayHit::ground: ground(g.x, g.y, bgr); break;
    case SceneRayHit::far: colour = kHaze; break;
    case SceneRayHit::sky: colour = kSky; break;
    case SceneRayHit::outsideLens: colour = kOutsideLens; break;
    }
    for (int k = 0; k < 3; ++k) sum[k] += colour[k];
}

}  // namespace

// World to camera is Rx(-angleX) Ry(-angleY) Rz(-angleZ); its transpose,
// Rz(angleZ) Ry(angleY) Rx(angleX), turns camera rays into the world.
SceneCamera::SceneCamera(const CameraParam& cam) : cam_(cam) {
    double z[3][3], y[3][3], x[3][3], zy[3][3];
    crAxisRotation(2, crSceneRadians(cam.angleZ), z);
    crAxisRotation(1, crSceneRadians(cam.angleY), y);
    crAxisRotation(0, crSceneRadians(cam.angleX), x);
    crMultiply(z, y, zy);
    crMultiply(zy, x, toWorld_);
    circleHeight_ = crForwardLens(cam.distortion, crSceneRadians(kSceneHalfFov));
}

void SceneCamera::offset(double u, double v, double* x, double* y) const {
    *x = (u - cam_.principalX) / cam_.pixelScaleX;
    *y = (v - cam_.principalY) / cam_.pixelScaleY;
}

// The pixel's sensor offset gives the ray's direction about the optical axis,
// the inverse polynomial its angle from it.
bool SceneCamera::toGround(double u, double v, Point2f* ground, double* distance) const {
    double x, y;
    offset(u, v, &x, &y);
    const double rho = std::hypot(x, y), theta = crInverseLens(cam_.undistortion, rho);
    const double radial = rho > 0.0 ? std::sin(theta) / rho : 0.0;
    const double d[3] = {x * radial, y * radial, std::cos(theta)};
    double w[3];
    for (int i = 0; i < 3; ++i) w[i] = toWorld_[i][0] * d[0] + toWorld_[i][1] * d[1] + toWorld_[i][2] * d[2];
    // Z grows toward the ground: a ray must gain Z to meet it.
    if (w[2] <= 0.0) return false;
    const double t = -cam_.positionZ / w[2];
    ground->x = static_cast<float>(cam_.positionX + t * w[0]);
    ground->y = static_cast<float>(cam_.positionY + t * w[1]);
    if (distance) *distance = t;
    return true;
}

SceneRayHit SceneCamera::cast(double u, double v, Point2f* ground) const {
    double x, y;
    offset(u, v, &x, &y);
    if (std::hypot(x, y) > circleHeight_) return SceneRayHit::outsideLens;
    double distance;
    if (!toGround(u, v, ground, &distance)) return SceneRayHit::sky;
    return distance > kFarDistance ? SceneRayHit::far : SceneRayHit::ground;
}

bool crSceneGroundPoint(const CameraParam& cam, float u, float v, Point2f* ground) {
    return SceneCamera(cam).cast(u, v, ground) == SceneRayHit::ground;
}

bool crSceneSees(const CameraParam& cam, Point2f ground, Point2f* pixel) {
    Point2f back;
    crWorldToImage2D(&cam, &ground, pixel, 1);
    if (pixel->x < 0 || pixel->y < 0 || pixel->x >= cam.imageWidth || pixel->y >= cam.imageHeight) return false;
    return crSceneGroundPoint(cam, pixel->x, pixel->y, &back) &&
           std::hypot(back.x - ground.x, back.y - ground.y) < 5.0f;
}

std::vector<unsigned char> crSceneCastFrame(const CameraParam& cam, int stride, const SceneGroundColour& ground) {
    const SceneCamera camera(cam);
    std::vector<unsigned char> frame(static_cast<size_t>(stride) * cam.imageHeight, 0);
    const double offsets[3] = {-1.0 / 3.0, 0.0, 1.0 / 3.0};
    for (int row = 0; row < cam.imageHeight; ++row) {
        unsigned char* out = frame.data() + static_cast<size_t>(row) * stride;
        for (int col = 0; col < cam.imageWidth; ++col) {
            int sum[3] = {0, 0, 0};
            for (double dv : offsets)
                for (double du : offsets) crSampleColour(camera, ground, col + du, row + dv, sum);
            for (int k = 0; k < 3; ++k) out[3 * col + k] = static_cast<unsigned char>((sum[k] + 4) / 9);
        }
    }
    return frame;
}

std::vector<unsigned char> crSceneRender(const CameraParam& cam) {
    return crSceneCastFrame(cam, crImageStride(3, cam.imageWidth), crSceneGroundColour);
}
