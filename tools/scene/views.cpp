// Multi-view records for the rig: the top view and the bowl view with its
// virtual camera.
#include <algorithm>
#include <cmath>

#include "render.h"
#include "scene.h"

namespace {

// Ground kept visible beyond each side of the vehicle in the top view, mm.
const float kMargin = 5000.0f;

// The virtual camera of the bowl view: where it stands and the point on the
// ground it looks at, mm.
struct Viewpoint {
    Point3f position;
    Point3f target;
};

const Viewpoint kViewpoints[] = {
    {{0.0f, 6000.0f, -4000.0f}, {0.0f, 0.0f, 0.0f}},           // SceneViewpoint::behind
    {{-4500.0f, 4500.0f, -3500.0f}, {-800.0f, 800.0f, 0.0f}},  // SceneViewpoint::corner
};

// Half the virtual camera's field of view across the view's longer side,
// degrees.
const float kViewHalfFov = 45.0f;

// The bowl: a round floor of 7 m radius around the vehicle that rises into a
// wall 5 m high at 13 m. On the floor the four cameras agree exactly, so tiles
// and lines run on across the seams; the wall, tall enough for the view's top
// rows to meet it from either viewpoint, shows the far ground and the sky.
const float kBowlFloorY = 7000.0f;  // floor semi-axis along Y
const float kBowlWallX = 6000.0f;   // the wall's horizontal growth along X; the floor's X semi-axis is
const float kBowlWallY = 6000.0f;   // kBowlWallX * kBowlFloorY / kBowlWallY
const float kBowlHeight = 5000.0f;

// What every multi-view record of the rig shares: the vehicle, the front and
// rear lenses' full field of view, the seam width and the view's size.
MultiviewParam crSceneMultiview(CameraParam* cams, int viewWidth, int viewHeight) {
    MultiviewParam p{};
    p.carWidth = kRigCarWidth;
    p.carLength = kRigCarLength;
    p.frontFov = 2.0f * kSceneHalfFov;
    p.rearFov = 2.0f * kSceneHalfFov;
    p.blendAngle = 10.0f;
    p.mode = 0;
    p.viewWidth = viewWidth;
    p.viewHeight = viewHeight;
    p.viewCenterX = viewWidth / 2.0f;
    p.viewCenterY = viewHeight / 2.0f;
    p.cameras = cams;
    return p;
}

}  // namespace

MultiviewParam crSceneTopview(CameraParam* cams, int viewWidth, int viewHeight) {
    MultiviewParam p = crSceneMultiview(cams, viewWidth, viewHeight);
    p.carColor = 0x00606060;
    p.lineWidth = 2;
    p.scale = std::max((kRigCarWidth + 2 * kMargin) / viewWidth, (kRigCarLength + 2 * kMargin) / viewHeight);
    return p;
}

MultiviewParam crSceneBowlview(CameraParam cams[5], int viewWidth, int viewHeight, SceneViewpoint where) {
    crSceneRig(cams);
    const Viewpoint& at = kViewpoints[static_cast<int>(where)];
    CameraParam view{};
    view.focalLength = 1.0f;
    view.pixelScaleX =
        std::max(viewWidth, viewHeight) / 2.0f / static_cast<float>(std::tan(crSceneRadians(kViewHalfFov)));
    view.pixelScaleY = view.pixelScaleX;
    view.principalX = viewWidth / 2.0f;
    view.principalY = viewHeight / 2.0f;
    view.imageWidth = viewWidth;
    view.imageHeight = viewHeight;
    view.positionX = at.position.x;
    view.positionY = at.position.y;
    view.positionZ = at.position.z;
    crSceneAimCamera(&view, at.target);
    cams[4] = view;

    MultiviewParam p = crSceneMultiview(cams, viewWidth, viewHeight);
    p.flags = CR_MULTI_BILINEAR;
    p.bowlFloorY = kBowlFloorY;
    p.bowlWallX = kBowlWallX;
    p.bowlWallY = kBowlWallY;
    p.bowlHeight = kBowlHeight;
    return p;
}
