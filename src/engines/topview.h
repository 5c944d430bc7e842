// Top-view engine (multi-view type 0): state and the internal operations that
// the engine's source files share.
#pragma once

#include <cstdint>

#include "camrig.h"
#include "multiview.h"
#include "topview_frame.h"

struct TopviewState : MultiviewState {
    int lineWidth = 0;
    uint32_t carColor = 0;
    int mode = 0;
    int carTop = 0;
    int carLeft = 0;
    int carRight = 0;
    int carBottom = 0;
    int carWidthPx = 0;
    int carLengthPx = 0;
};

inline TopviewState* crTopviewState(EngineHandle* h) { return crMultiviewStateOf<TopviewState>(h); }

// topview.cpp: LUTs and weights of the four cameras from the records.
void crTopviewBuildTables(TopviewState* s, const MultiviewParam* p, const TopviewFrame& frame);

// topview_blend.cpp
void crTopviewPlaceCar(TopviewState* s, const MultiviewParam* p, const TopviewFrame& frame);
void crTopviewPaintBlendMap(TopviewState* s, const MultiviewParam* p);

// topview_picture.cpp
int crTopviewSetImage(EngineHandle* h, int width, int height, const unsigned char* pixels, int kind, int x, int y,
                      int placedWidth, int placedHeight);

// topview_apply.cpp
int crTopviewApply(EngineHandle* h, const unsigned char* front, const unsigned char* left, const unsigned char* right,
                   const unsigned char* rear, unsigned char* out);
int crTopviewGetLUT(EngineHandle* h, unsigned char* dst, int len, int slot);

// topview_adjust.cpp
int crTopviewAdjustCameraPose(EngineHandle* h, const MultiviewParam* p, const float* offsets, int slot);
