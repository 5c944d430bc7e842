// Multi-view engines: every output byte from the blend map. A camera code
// picks one warped picture or mixes a longitudinal and a side camera in
// 256ths; anything else is a colour copied as it is.
#include "multiview.h"

void crComposeView(const MultiviewState* s, unsigned char* out, TintRule tint) {
    const int rowBytes = 3 * s->width;
    const int stride = s->blendMap->stride;
    const bool tintEvery = (s->flags & CR_MULTI_TINT) != 0 && tint == TintRule::kEveryPixel;
    const bool tintMixes = (s->flags & CR_MULTI_TINT) != 0 && tint == TintRule::kMixes;
    for (int r = 0; r < s->height; ++r) {
        const unsigned char* map = s->blendMap->data[r];
        const unsigned char* warped[kMultiviewCameras];
        for (int p = 0; p < kMultiviewCameras; ++p) warped[p] = s->warped[p]->data[r];
        unsigned char* row = out + static_cast<size_t>(r) * stride;
        for (int i = 0; i < rowBytes; i += 3) {
            const int b0 = map[i], b1 = map[i + 1], b2 = map[i + 2];
            if (crIsCameraCode(b0, b1)) {
                const CodeCameras cams = crCodeCameras(b0, b1);
                if (b2 == 0) {
                    const unsigned char* single = warped[cams.singlePosition] + i;
                    row[i] = single[0];
                    row[i + 1] = single[1];
                    row[i + 2] = single[2];
                } else {
                    const unsigned char* along = warped[cams.alongPosition] + i;
                    const unsigned char* side = warped[cams.sidePosition] + i;
                    for (int k = 0; k < 3; ++k)
                        row[i + k] = static_cast<unsigned char>((along[k] * 256 + (side[k] - along[k]) * b2) >> 8);
                }
            } else {
                row[i] = static_cast<unsigned char>(b0);
                row[i + 1] = static_cast<unsigned char>(b1);
                row[i + 2] = static_cast<unsigned char>(b2);
            }
            if (tintEvery || (tintMixes && b2 >= 1 && b2 <= 254))
                row[i + 2] = static_cast<unsigned char>((row[i + 2] + b2) / 2);
        }
    }
}
