// Four float lanes on x86 for the vector samplers (remap_kernels.h). The
// same code serves the SSE2 file and, compiled with AVX2 enabled, the AVX2
// file, which takes eight coordinates at a time and uses the shorter SSE4.1
// and AVX forms of a few steps. Included inside an anonymous namespace.
//
// Needs, before inclusion: <immintrin.h>, <cstdint>.

struct CrX86Lanes {
    using F = __m128;

#ifdef __AVX2__
    static constexpr int kBlock = 4;  // pixels whose coordinates are split together
#else
    static constexpr int kBlock = 2;
#endif

    // Four bytes (the first in the low byte) as four floats.
    static F Taps(uint32_t bytes) {
        const __m128i b = _mm_cvtsi32_si128(static_cast<int>(bytes));
#ifdef __SSE4_1__
        return _mm_cvtepi32_ps(_mm_cvtepu8_epi32(b));
#else
        const __m128i zero = _mm_setzero_si128();
        return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(b, zero), zero));
#endif
    }
    static F Splat(const float* p) {
#ifdef __AVX__
        return _mm_broadcast_ss(p);
#else
        return _mm_set1_ps(*p);
#endif
    }
    static F Mul(F a, F b) { return _mm_mul_ps(a, b); }
    static F Add(F a, F b) { return _mm_add_ps(a, b); }

    // Lanes as bytes, each limited to 0..255.
    static uint32_t Bytes(__m128i v) {
        const __m128i words = _mm_packs_epi32(v, v);
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    }
    // Lanes known to be at least 0, rounded half up.
    static uint32_t RoundUpToBytes(F v) { return Bytes(_mm_cvttps_epi32(_mm_add_ps(v, _mm_set1_ps(0.5f)))); }
    static F HalfAway(F v) {
        const F up = _mm_cmpge_ps(v, _mm_setzero_ps());
        return _mm_or_ps(_mm_and_ps(up, _mm_add_ps(v, _mm_set1_ps(0.5f))),
                         _mm_andnot_ps(up, _mm_sub_ps(v, _mm_set1_ps(0.5f))));
    }
    static uint32_t RoundHalfAwayToBytes(F v) { return Bytes(_mm_cvttps_epi32(HalfAway(v))); }

    // tap where it differs from the key, else p00.
    static F KeyedTap(F tap, F key, F p00) {
        const F same = _mm_cmpeq_ps(tap, key);
        return _mm_or_ps(_mm_and_ps(same, p00), _mm_andnot_ps(same, tap));
    }
    // 0xFF in each byte whose lane equals the key.
    static uint32_t KeyLanes(F v, F key) {
        const __m128i same = _mm_castps_si128(_mm_cmpeq_ps(v, key));
        const __m128i words = _mm_packs_epi32(same, same);
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packs_epi16(words, words)));
    }

#ifdef __AVX2__
    using C = __m256;
    using Ci = __m256i;
    static C LoadCoords(const float* p) { return _mm256_loadu_ps(p); }
    static Ci RoundHalfAwayToInt(C v) {
        const C up = _mm256_cmp_ps(v, _mm256_setzero_ps(), _CMP_GE_OQ);
        const C half = _mm256_set1_ps(0.5f);
        // Out of range and NaN give INT_MIN, as the scalar rule does.
        return _mm256_cvttps_epi32(_mm256_blendv_ps(_mm256_sub_ps(v, half), _mm256_add_ps(v, half), up));
    }
    static void Subpixel(const float* pos, int* whole, int* fraction) {
        const Ci q = RoundHalfAwayToInt(_mm256_mul_ps(LoadCoords(pos), _mm256_set1_ps(1024.0f)));
        _mm256_store_si256(reinterpret_cast<Ci*>(whole), _mm256_srai_epi32(q, kSubpixelBits));
        _mm256_store_si256(reinterpret_cast<Ci*>(fraction), _mm256_and_si256(q, _mm256_set1_epi32(kSubpixelMask)));
    }
    static void Nearest(const float* pos, int* index) {
        _mm256_store_si256(reinterpret_cast<Ci*>(index), RoundHalfAwayToInt(LoadCoords(pos)));
    }
#else
    static __m128i RoundHalfAwayToInt(F v) { return _mm_cvttps_epi32(HalfAway(v)); }
    static void Subpixel(const float* pos, int* whole, int* fraction) {
        const __m128i q = RoundHalfAwayToInt(_mm_mul_ps(_mm_loadu_ps(pos), _mm_set1_ps(1024.0f)));
        _mm_store_si128(reinterpret_cast<__m128i*>(whole), _mm_srai_epi32(q, kSubpixelBits));
        _mm_store_si128(reinterpret_cast<__m128i*>(fraction), _mm_and_si128(q, _mm_set1_epi32(kSubpixelMask)));
    }
    static void Nearest(const float* pos, int* index) {
        _mm_store_si128(reinterpret_cast<__m128i*>(index), RoundHalfAwayToInt(_mm_loadu_ps(pos)));
    }
#endif
};
