// Top-view engine (multi-view type 0): state and the internal operations that
// the engine's source files share.
#pragma once

#include <cstdint>
#include <cstring>

#include "camrig.h"
#include "engines.h"
#include "target/target.h"

// Per-camera tables sit in storage positions 0..3, which hold the camera
// slots front, left, right, rear. Apply takes its frames in this order.
constexpr int kTopviewCameras = 4;
constexpr int kTopviewSlotOf[kTopviewCameras] = {CR_SLOT_FRONT, CR_SLOT_LEFT, CR_SLOT_RIGHT, CR_SLOT_REAR};
enum TopviewPosition { kPosFront, kPosLeft, kPosRight, kPosRear };

// A box of view pixels, right and bottom exclusive; empty when top >= bottom
// or left >= right.
struct WarpBox {
    int top = 0, left = 0, bottom = 0, right = 0;
};

struct TopviewState {
    uint32_t flags = 0;
    Matrix* weights[kTopviewCameras] = {};  // H x W per storage position
    float** luts[kTopviewCameras] = {};     // row form; (-1, -1) where the camera does not see
    Image* overlay = nullptr;               // pictures placed on the view; opaque bytes in 1..254
    Image* blendMap = nullptr;              // camera codes and colours, W x H
    Image* warped[kTopviewCameras] = {};    // each camera's picture in the view frame
    int rotated = 0;                        // flags & 0x8000: the frame is turned
    // The last frame of each camera (all of camera slot 0's size). A camera's
    // picture is warped only over the box of view pixels that the blend map
    // takes from it; while keptFrame is set, frames[p] can warp more of it
    // with the current tables.
    Image* frames[kTopviewCameras] = {};
    bool keptFrame[kTopviewCameras] = {};
    WarpBox usedBox[kTopviewCameras];
    WarpBox warpedBox[kTopviewCameras];
    unsigned char** boxRows = nullptr;  // scratch row pointers for warping a box
    float** boxLutRows = nullptr;
    float frontFov = 0.0f;
    float rearFov = 0.0f;
    float blendAngle = 0.0f;
    int lineWidth = 0;
    uint32_t carColor = 0;
    int mode = 0;
    unsigned char* maskBuffer = nullptr;  // blend map packed in either orientation
    unsigned char fillColor[4] = {0, 0, 255, 0};
    int width = 0;
    int height = 0;
    unsigned char* composeBuffer = nullptr;
    int carTop = 0;
    int carLeft = 0;
    int carRight = 0;
    int carBottom = 0;
    int carWidthPx = 0;
    int carLengthPx = 0;

    TopviewState() = default;
    TopviewState(const TopviewState&) = delete;
    TopviewState& operator=(const TopviewState&) = delete;
    ~TopviewState();
};

// Storage position of a camera slot, or -1 for a slot outside 0..3.
inline int crTopviewPosition(int slot) {
    constexpr int kPositionOf[kTopviewCameras] = {kPosFront, kPosRear, kPosLeft, kPosRight};
    return slot >= 0 && slot < kTopviewCameras ? kPositionOf[slot] : -1;
}

// True once Init has allocated the view-size buffers.
inline bool crTopviewHasView(const TopviewState* s) { return s->blendMap != nullptr; }

// Overlay and placed pictures: a pixel is opaque when all three bytes lie in
// 1..254, so it can never read as a camera code of the blend map.
inline bool crIsOpaque(const unsigned char* p) {
    return p[0] - 1u < 254u && p[1] - 1u < 254u && p[2] - 1u < 254u;
}

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

// topview.cpp: LUTs and weights of the four cameras from the records; false
// (tables untouched) when its scratch matrices cannot be allocated.
bool crTopviewBuildTables(TopviewState* s, const MultiviewParam* p, const TopviewFrame& frame);

// topview_warp.cpp
void crTopviewFindUsedBoxes(TopviewState* s);
void crTopviewWarpFrames(TopviewState* s, const unsigned char* const frames[kTopviewCameras]);
void crTopviewCompleteWarps(TopviewState* s);

// topview_blend.cpp
void crTopviewPlaceCar(TopviewState* s, const MultiviewParam* p, const TopviewFrame& frame);
void crTopviewPaintBlendMap(TopviewState* s, const MultiviewParam* p);

// topview_picture.cpp
void crTopviewTransferOverlay(TopviewState* s);
int crTopviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels, int kind, int x, int y,
                      int placedWidth, int placedHeight);

// topview_apply.cpp
void crTopviewCompose(const TopviewState* s);
int crTopviewApply(EngineHandle* h, const unsigned char* front, const unsigned char* left,
                   const unsigned char* right, const unsigned char* rear, unsigned char* out);
int crTopviewGetLUTLen(EngineHandle* h, int* len);
int crTopviewGetLUT(EngineHandle* h, unsigned char* dst, int len, int slot);
int crTopviewSaveLUT(EngineHandle* h, const char* path, int slot);
int crTopviewGetMaskLen(EngineHandle* h, int* len, int format);
int crTopviewGetMask(EngineHandle* h, unsigned char* dst, int len, int format);
int crTopviewSaveImage(EngineHandle* h, const char* path);

// topview_adjust.cpp
int crTopviewAdjustCameraPose(EngineHandle* h, const MultiviewParam* p, const float* offsets, int slot);
