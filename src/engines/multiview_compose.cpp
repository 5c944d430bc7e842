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
        const unsigned char* front = s->warped[kPosFront]->data[r];
        const unsigned char* left = s->warped[kPosLeft]->data[r];
        const unsigned char* right = s->warped[kPosRight]->data[r];
        const unsigned char* rear = s->warped[kPosRear]->data[r];
        unsigned char* row = out + static_cast<size_t>(r) * stride;
        for (int i = 0; i < rowBytes; i += 3) {
            const int b0 = map[i], b1 = map[i + 1], b2 = map[i + 2];
            if ((b0 == 0 || b0 == 255) && (b1 == 0 || b1 == 255)) {
                const unsigned char* along = (b0 ? rear : front) + i;
                const unsigned char* side = (b1 ? right : left) + i;
                if (b2 == 0) {
                    // (0, 0) front and (255, 255) rear; (255, 0) left and (0, 255) right.
                    const unsigned char* single = b0 == b1 ? along : side;
                    row[i] = single[0];
                    row[i + 1] = single[1];
                    row[i + 2] = single[2];
                } else {
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
