// crRemapAlpha: overlay sampling where one colour marks transparent source
// pixels. Keying is per channel, so a key-coloured neighbour never pulls the
// mix towards the key colour.
#include "sampling.h"

namespace {

// A neighbour that holds the key stands in for the top-left tap.
inline unsigned char crUnlessKey(unsigned char p, unsigned char key, unsigned char stand) {
    return p == key ? stand : p;
}

template <int N>
void crKeyedBilinearRows(const Image* src, Image* dst, float** lut, const unsigned char* key) {
    const int n = N ? N : dst->channels;
    crForEachBilinearSample<N>(
        src, dst, lut, key,
        [n, key](unsigned char* out, const unsigned char* top, const unsigned char* bottom, const TapWeights& wx,
                 const TapWeights& wy) {
            for (int k = 0; k < n; ++k) {
                const unsigned char kk = key[k];
                const unsigned char p00 = top[k];
                out[k] = p00 == kk ? kk
                                   : crBilinearByte(p00, crUnlessKey(top[k + n], kk, p00),
                                                    crUnlessKey(bottom[k], kk, p00),
                                                    crUnlessKey(bottom[k + n], kk, p00), wx, wy);
            }
        });
}

}  // namespace

// Only bit 0 of flags counts: keyed bilinear, else nearest with key as fill.
int crRemapAlpha(const Image* src, Image* dst, float** lut, int flags, const unsigned char* key) {
    if (flags & 0x1)
        crWithChannelCount(dst->channels,
                           [&](auto ch) { crKeyedBilinearRows<decltype(ch)::value>(src, dst, lut, key); });
    else
        crRemapNearest(src, dst, lut, key);
    return 0;
}
