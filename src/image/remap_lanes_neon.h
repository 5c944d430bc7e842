// Four float lanes on 64-bit ARM for the vector samplers (remap_kernels.h).
// Included inside an anonymous namespace.
//
// Needs, before inclusion: <arm_neon.h>, <cstdint>.

struct CrNeonLanes {
    using F = float32x4_t;

    static constexpr int kBlock = 2;  // pixels whose coordinates are split together

    // Four bytes (the first in the low byte) as four floats.
    static F Taps(uint32_t bytes) {
        const uint16x8_t words = vmovl_u8(vreinterpret_u8_u32(vdup_n_u32(bytes)));
        return vcvtq_f32_u32(vmovl_u16(vget_low_u16(words)));
    }
    static F Splat(const float* p) { return vld1q_dup_f32(p); }
    static F Mul(F a, F b) { return vmulq_f32(a, b); }
    static F Add(F a, F b) { return vaddq_f32(a, b); }

    // Lanes as bytes, each limited to 0..255.
    static uint32_t Bytes(int32x4_t v) {
        const int16x4_t words = vqmovn_s32(v);
        return vget_lane_u32(vreinterpret_u32_u8(vqmovun_s16(vcombine_s16(words, words))), 0);
    }
    // Lanes known to be at least 0, rounded half up (the conversion truncates).
    static uint32_t RoundUpToBytes(F v) { return Bytes(vcvtq_s32_f32(vaddq_f32(v, vdupq_n_f32(0.5f)))); }
    static F HalfAway(F v) {
        const F half = vdupq_n_f32(0.5f);
        return vbslq_f32(vcgeq_f32(v, vdupq_n_f32(0.0f)), vaddq_f32(v, half), vsubq_f32(v, half));
    }
    static uint32_t RoundHalfAwayToBytes(F v) { return Bytes(vcvtq_s32_f32(HalfAway(v))); }

    // tap where it differs from the key, else p00.
    static F KeyedTap(F tap, F key, F p00) { return vbslq_f32(vceqq_f32(tap, key), p00, tap); }
    // 0xFF in each byte whose lane equals the key.
    static uint32_t KeyLanes(F v, F key) {
        const uint16x4_t words = vmovn_u32(vceqq_f32(v, key));
        return vget_lane_u32(vreinterpret_u32_u8(vmovn_u16(vcombine_u16(words, words))), 0);
    }

    // ARM's conversion saturates, so out of range and NaN are set to
    // INT_MIN here, as the scalar rule does.
    static int32x4_t RoundHalfAwayToInt(F v) {
        const F r = HalfAway(v);
        const uint32x4_t inRange =
            vandq_u32(vcgtq_f32(r, vdupq_n_f32(-2147483648.0f)), vcltq_f32(r, vdupq_n_f32(2147483648.0f)));
        return vbslq_s32(inRange, vcvtq_s32_f32(r), vdupq_n_s32(INT32_MIN));
    }
    static void Subpixel(const float* pos, int* whole, int* fraction) {
        const int32x4_t q = RoundHalfAwayToInt(vmulq_f32(vld1q_f32(pos), vdupq_n_f32(1024.0f)));
        vst1q_s32(whole, vshrq_n_s32(q, kSubpixelBits));
        vst1q_s32(fraction, vandq_s32(q, vdupq_n_s32(kSubpixelMask)));
    }
    static void Nearest(const float* pos, int* index) { vst1q_s32(index, RoundHalfAwayToInt(vld1q_f32(pos))); }
};
