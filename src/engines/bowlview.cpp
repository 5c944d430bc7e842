// Bowl-view engines (multi-view types 1 and 2): Init, which calibrates the
// four cameras from their point pairs and builds the tables, and the
// operations in which the two types differ. Type 1 pastes placed pictures
// transparently and can tint the view, type 2 pastes them opaque.
#include "bowlview.h"

#include "camera/camera.h"
#include "image/image.h"

namespace {

// GetMask and GetMaskLen offer RGB16, RGB32 and YCbCr.
constexpr int kBowlviewMaskFormats = 3;

constexpr PasteRule kTransparentPaste = {2, false};
constexpr PasteRule kOpaquePaste = {0, true};

void crCopyBowlFields(BowlviewState* s, const MultiviewParam* p) {
    s->bowlCenterX = p->cameras[CR_SLOT_FRONT].originX;
    s->bowlCenterY = p->cameras[CR_SLOT_FRONT].originY;
    s->bowlWallX = p->bowlWallX;
    s->bowlWallY = p->bowlWallY;
    s->bowlHeight = p->bowlHeight;
    s->bowlFloorY = p->bowlFloorY;
    crTakeWeightCones(s, p);
}

// Calibrates the four cameras, then draws the bowl into each one's LUT and
// weights. False when a step ran out of memory.
bool crCalibrateAndRasterise(BowlviewState* s, const MultiviewParam* p) {
    CameraParam* cams = p->cameras;
    for (int slot : kMultiviewSlotOf)
        if (!crEstimateCameraPos(&cams[slot])) return false;
    crCopyBowlFields(s, p);
    crBuildBowlMesh(s);
    crProjectMesh(s, crPinholeCamera(&cams[kVirtualSlot]), &BowlVertex::viewU, &BowlVertex::viewV);
    for (int pos = 0; pos < kMultiviewCameras; ++pos)
        if (!crRasteriseCamera(s, &cams[kMultiviewSlotOf[pos]], pos, kMultiviewSlotOf[pos])) return false;
    return true;
}

// Init: the record's cameras must be five, the fifth the virtual one. Each
// real camera's pose is replaced by the estimate from its calibration pairs
// (a camera with fewer than four pairs keeps its pose); the virtual camera's
// principal point becomes the view's centre.
template <int Type> int crBowlviewInit(EngineHandle* h, const MultiviewParam* p) {
    BowlviewState* s = crBowlviewState(h);
    if (!s) return -1;
    if (!p || !p->cameras) return 0;
    CameraParam* cams = p->cameras;
    crCompleteWarps(s);  // the pictures keep the warps of the outgoing tables
    s->flags = p->flags;
    s->carWidth = p->carWidth;
    s->carLength = p->carLength;
    cams[kVirtualSlot].principalX = p->viewCenterX;
    cams[kVirtualSlot].principalY = p->viewCenterY;
    if (!crPrepareViewBuffers(s, &cams[CR_SLOT_FRONT], p->viewWidth, p->viewHeight, false)) return 0;
    if (!crCalibrateAndRasterise(s, p)) {  // out of memory: no tables, as when the buffers failed
        crReleaseViewBuffers(s);
        return 0;
    }
    if (Type == 2) {
        crPaintBowlBlendMap(s, &cams[kVirtualSlot], false);
    } else if (p->mode != 4) {
        crRepaintBlendMap(s, [s, cams] { crPaintBowlBlendMap(s, &cams[kVirtualSlot], true); });
    }
    crFindUsedBoxes(s);
    return 0;
}

// A null frame keeps its camera's previous picture; a null output composes
// nothing. Type 1 with flag 0x4000 tints every pixel by its third map byte.
template <int Type> int crBowlviewApply(EngineHandle* h, const unsigned char* front, const unsigned char* left,
                                        const unsigned char* right, const unsigned char* rear, unsigned char* out) {
    BowlviewState* s = crBowlviewState(h);
    if (!s) return -1;
    if (!s->frames[0] || !crHasViewBuffers(s)) return 0;
    const unsigned char* const frames[kMultiviewCameras] = {front, left, right, rear};
    crApplyFrames(s, frames, {out, Type == 1 ? TintRule::kEveryPixel : TintRule::kNone, false});
    return 0;
}

// Type 1 knows kind 6 (clear the overlay); for type 2 it is a placed picture
// like every kind but replaceMap. Placed pictures are clipped to the view
// on every side; an empty one still clears the overlay (and, resized, pastes
// black, which type 2 makes opaque).
template <int Type> int crBowlviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels,
                                           int kind, int x, int y, int placedWidth, int placedHeight) {
    BowlviewState* s = crBowlviewState(h);
    if (!s) return -1;
    if (!crHasViewBuffers(s)) return 0;
    if (Type == 1 && kind == CR_CLEAR_OVERLAY) {
        crClearOverlay(s);
        return 0;
    }
    if (width < 0 || height < 0 || (!pixels && width > 0 && height > 0)) return 0;
    if (kind == CR_REPLACE_MAP && (width != s->width || height != s->height)) return 0;
    Image* picture = crPictureInFrame(s, width, height, pixels);
    if (!picture) return 0;
    if (kind == CR_REPLACE_MAP)
        crReplaceBlendMap(s, picture);
    else
        crPlacePicture(s, picture, x, y, placedWidth, placedHeight, Type == 1 ? kTransparentPaste : kOpaquePaste);
    crReleaseImage(&picture);
    crFindUsedBoxes(s);
    return 0;
}

// The length is not read: the buffer must hold the view's table.
int crBowlviewGetLUT(EngineHandle* h, unsigned char* dst, int, int slot) {
    BowlviewState* s = crBowlviewState(h);
    if (!s) return -1;
    const int pos = crMultiviewPosition(slot);
    if (dst && pos >= 0 && s->luts[pos]) crWriteViewLut(s, dst, pos);
    return 0;
}

// The bowl views calibrate at every Init; there is nothing to adjust.
int crBowlviewAdjustCameraPose(EngineHandle* h, const MultiviewParam*, const float*, int) {
    return crBowlviewState(h) ? 0 : -1;
}

template <int Type> EngineHandle* crBowlviewCreate(int) {
    return crCreateMultiview<BowlviewState>(Type == 1 ? &kBowlviewOps1 : &kBowlviewOps2);
}

}  // namespace

// The two types' tables differ only in their own operations.
template <int Type> constexpr CrMultiviewOps crBowlviewOps() {
    return {{CrEngineFamily::kMultiview},
            &crBowlviewCreate<Type>,
            &crBowlviewInit<Type>,
            &crBowlviewApply<Type>,
            &crGetViewLutLen,
            &crBowlviewGetLUT,
            &crSaveViewLut,
            &crGetViewMaskLen<kBowlviewMaskFormats>,
            &crGetViewMask<kBowlviewMaskFormats>,
            &crBowlviewSetImage<Type>,
            &crSaveViewImage,
            &crBowlviewAdjustCameraPose,
            &crReleaseEngine<MultiviewState>};
}

const CrMultiviewOps kBowlviewOps1 = crBowlviewOps<1>();
const CrMultiviewOps kBowlviewOps2 = crBowlviewOps<2>();
