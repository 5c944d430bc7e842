// Multi-view engines (the top view, type 0, and the bowl views, types 1 and
// 2): the state they share and the operations that are one implementation
// for every type. Each type derives its own state from MultiviewState; the
// handle holds the state as a MultiviewState pointer.
#pragma once

#include <cstdint>
#include <cstring>

#include "blend_code.h"
#include "camrig.h"
#include "engines.h"
#include "image/image.h"
#include "numerics/rounding.h"

// Per-camera tables sit in storage positions 0..3 (MultiviewPosition), which
// hold the camera slots front, left, right, rear. Apply takes its frames in
// this order.
constexpr int kMultiviewCameras = 4;
constexpr int kMultiviewSlotOf[kMultiviewCameras] = {CR_SLOT_FRONT, CR_SLOT_LEFT, CR_SLOT_RIGHT, CR_SLOT_REAR};

// Storage position of a camera slot, or -1 for a slot outside 0..3.
inline int crMultiviewPosition(int slot) {
    constexpr int kPositionOf[kMultiviewCameras] = {kPosFront, kPosRear, kPosLeft, kPosRight};
    return slot >= 0 && slot < kMultiviewCameras ? kPositionOf[slot] : -1;
}

// Half-angle of the side cameras' weight cones: 75 degrees in radians.
constexpr float kSideConeHalfAngle = 1.3089969f;

// A run of view pixels in one row, end exclusive; empty when begin >= end.
struct RowSpan {
    int begin = 0, end = 0;
};

struct MultiviewState {
    uint32_t flags = 0;
    int rotated = 0;  // the top view's flag 0x8000: the frame is turned
    int width = 0;    // W x H: the frame the tables are computed in
    int height = 0;
    Matrix* weights[kMultiviewCameras] = {};  // H x W per storage position
    float** luts[kMultiviewCameras] = {};     // row form; (-1, -1) where the camera does not see
    Image* overlay = nullptr;                 // pictures placed on the view; opaque bytes in 1..254
    Image* blendMap = nullptr;                // camera codes and colours, W x H
    Image* warped[kMultiviewCameras] = {};    // each camera's picture in the view frame
    // The last frame of each camera (all of camera slot 0's size). A camera's
    // picture is warped only over the span of each row from the first to the
    // last pixel that the blend map takes from it; while keptFrame is set,
    // frames[p] can warp more of it with the current tables, and spansWarped
    // says whether the picture holds the current spans of that frame.
    Image* frames[kMultiviewCameras] = {};
    bool keptFrame[kMultiviewCameras] = {};
    bool spansWarped[kMultiviewCameras] = {};
    RowSpan* usedSpans = nullptr;            // row r, position p at r * kMultiviewCameras + p
    unsigned char* maskBuffer = nullptr;     // blend map packed in the caller's orientation
    unsigned char* composeBuffer = nullptr;  // only for engines that compose before handing out
    unsigned char fillColor[4] = {0, 0, 255, 0};
    float frontFov = 0.0f;
    float rearFov = 0.0f;
    float blendAngle = 0.0f;

    MultiviewState() = default;
    MultiviewState(const MultiviewState&) = delete;
    MultiviewState& operator=(const MultiviewState&) = delete;
    virtual ~MultiviewState();
};

inline MultiviewState* crMultiviewState(EngineHandle* h) { return crEngineState<MultiviewState>(h); }

// The state of one engine type, or null when the handle has none.
template <typename State> State* crMultiviewStateOf(EngineHandle* h) {
    return static_cast<State*>(crMultiviewState(h));
}

// Create operation of a multi-view type: the handle stores the state as its
// MultiviewState base, so the shared operations and Release reach it.
template <typename State> EngineHandle* crCreateMultiview(const CrMultiviewOps* ops) {
    return crCreateEngine<State, MultiviewState>(ops);
}

// True once Init has allocated the view-size buffers.
inline bool crHasViewBuffers(const MultiviewState* s) { return s->blendMap != nullptr; }

// Overlay and placed pictures: a pixel is opaque when all three bytes lie in
// 1..254, so it can never read as a camera code of the blend map.
inline bool crIsOpaque(const unsigned char* p) { return p[0] - 1u < 254u && p[1] - 1u < 254u && p[2] - 1u < 254u; }

// The caller sees a turned frame (W x H) as an H x W picture whose pixel
// (c, r) is frame pixel (W - 1 - r, c). Moves `Bytes`-byte elements from the
// frame to the caller's orientation or back; frameRow(y) and callerRow(y)
// give the start of a row of each.
template <int Bytes, bool ToCaller, typename FrameRow, typename CallerRow>
inline void crTurnFrame(int width, int height, FrameRow frameRow, CallerRow callerRow) {
    for (int r = 0; r < width; ++r) {
        auto* caller = callerRow(r);
        const int x = (width - 1 - r) * Bytes;
        for (int c = 0; c < height; ++c) {
            auto* frame = frameRow(c) + x;
            if constexpr (ToCaller)
                std::memcpy(caller + c * Bytes, frame, Bytes);
            else
                std::memcpy(frame, caller + c * Bytes, Bytes);
        }
    }
}

// ---- multiview_buffers.cpp ----------------------------------------------------

// Frame images of camera slot 0's size and all view-size buffers of a W x H
// frame, each kept while its size stays; false for an empty view or when
// memory runs out. A failure leaves the blend map null, so the engine reads
// as uninitialised and the next Init allocates again. New pictures are
// cleared; LUT rows are zero.
bool crPrepareViewBuffers(MultiviewState* s, const CameraParam* front, int width, int height, bool withComposeBuffer);
void crReleaseViewBuffers(MultiviewState* s);
// Takes the weight cones of the front and rear cameras from the record.
void crTakeWeightCones(MultiviewState* s, const MultiviewParam* p);

// ---- multiview_warp.cpp -------------------------------------------------------

// Each camera's span of every row (the row's box of pixels the blend map
// takes from it); called whenever the map changes.
void crFindUsedBoxes(MultiviewState* s);
// Takes the frames (null keeps a camera's previous picture) and returns the
// positions (bit p) whose spans Apply must warp.
unsigned crTakeFrames(MultiviewState* s, const unsigned char* const frames[kMultiviewCameras]);
// Warps row r of the cameras in `positions` over their spans.
void crWarpRow(const MultiviewState* s, int r, unsigned positions);
// Before the tables change: warps every kept frame over the whole view.
void crCompleteWarps(MultiviewState* s);

// ---- multiview_compose.cpp ----------------------------------------------------

// How flag 0x4000 tints the composed view: not at all, the mixing zones
// only, or every pixel.
enum class TintRule { kNone, kMixes, kEveryPixel };

// Where Apply composes: rows the blend map's stride apart, or nowhere when
// null; the padding after each row's pixels is cleared or left alone.
struct ComposeTarget {
    unsigned char* rows;
    TintRule tint;
    bool clearPadding;
};

// Apply's one pass over the view: takes the frames, and row by row warps the
// cameras that need it and composes the row from the blend map while its
// warps are in cache.
void crApplyFrames(MultiviewState* s, const unsigned char* const frames[kMultiviewCameras], ComposeTarget target);

// ---- multiview_picture.cpp ----------------------------------------------------

// How a placed picture lands on the overlay: transparent pastes skip pixels
// that are not opaque and leave a band `margin` pixels wide on each side of
// the pasted area; opaque pastes write every pixel, bytes 0 and 255 becoming
// 1 and 254.
struct PasteRule {
    int margin;
    bool opaque;
};

void crClearOverlay(MultiviewState* s);
// Every opaque overlay pixel replaces the blend-map pixel under it.
void crTransferOverlay(MultiviewState* s);
// Clears the blend map, has paint() draw it and transfers the overlay onto it.
template <typename Paint> void crRepaintBlendMap(MultiviewState* s, Paint paint) {
    crClearRows(s->blendMap->data, s->blendMap->height, s->blendMap->stride);
    paint();
    crTransferOverlay(s);
}
// The caller's packed picture in the frame's orientation (turned when the
// frame is), whole rows including their padding; null when it cannot be made.
// An empty picture reads no pixels.
Image* crPictureInFrame(const MultiviewState* s, int width, int height, const unsigned char* pixels);
// Resizes `src` (bilinear) into a new picture; null for a negative size or
// when memory runs out.
Image* crResizedPicture(const Image* src, int width, int height);
// Copies the picture's whole rows over the blend map when their sizes agree.
void crReplaceBlendMap(MultiviewState* s, const Image* picture);
// Resizes the picture to width x height, clears the overlay, pastes the
// picture with its top-left corner at (x, y), clipped to the view, and
// transfers the overlay. Positions are 64-bit so that callers can form them
// from any ints without overflow.
void crPlacePicture(MultiviewState* s, const Image* picture, int64_t x, int64_t y, int width, int height,
                    PasteRule rule);
// Pastes `picture` on the overlay with its top-left corner at (x, y).
void crPasteOnOverlay(MultiviewState* s, const Image* picture, int64_t x, int64_t y, PasteRule rule);

// ---- multiview_output.cpp -----------------------------------------------------

// Shared operations of every multi-view type.
int crGetViewLutLen(EngineHandle* h, int* len);
int crSaveViewLut(EngineHandle* h, const char* path, int slot);
int crSaveViewImage(EngineHandle* h, const char* path);

// The LUT of storage position `pos` in the target's binary form, in the
// caller's orientation.
void crWriteViewLut(const MultiviewState* s, unsigned char* dst, int pos);
// GetMaskLen and GetMask of an engine type that offers the first `Formats`
// mask formats (RGB16, RGB32, YCbCr, RGB24); defined for 3 and 4. The blend
// map is handed out in the caller's orientation; the length is not read.
template <int Formats> int crGetViewMaskLen(EngineHandle* h, int* len, int format);
template <int Formats> int crGetViewMask(EngineHandle* h, unsigned char* dst, int len, int format);

// The caller's view: the frame, turned back when the engine works turned.
inline int crCallerWidth(const MultiviewState* s) { return s->rotated ? s->height : s->width; }
inline int crCallerHeight(const MultiviewState* s) { return s->rotated ? s->width : s->height; }

// Packs a 3-channel frame picture (rows from frameRow) into caller rows of
// the packed stride, turning it back when the frame is turned.
template <typename FrameRow> void crPackForCaller(const MultiviewState* s, FrameRow frameRow, unsigned char* out) {
    const int stride = crPackedStride(crCallerWidth(s));
    const auto callerRow = [out, stride](int r) { return out + static_cast<size_t>(r) * stride; };
    if (s->rotated) {
        crTurnFrame<3, true>(s->width, s->height, frameRow, callerRow);
        return;
    }
    for (int r = 0; r < s->height; ++r) std::memcpy(callerRow(r), frameRow(r), stride);
}
