/*
 * fft_lanes.cpp --
 *
 *	The butterfly stages and group moves of the FFT (fft_lanes.h): a
 *	portable set, and sets for AVX2 and AVX-512 picked at run time.
 *
 *	Every set does the arithmetic of the radix-2 transform the FFT image
 *	files were always written with, operation for operation: the twiddle
 *	product in double precision, rounded to single precision, then the
 *	single-precision sum and difference. Only the order the butterflies
 *	are visited in changes:
 *	- the stages go two at a time, as radix-4 passes: each butterfly of
 *	  the pass loads four values, applies both stages' butterflies in
 *	  registers and stores once, which halves the sweeps over the data;
 *	- the lines of a group are transformed side by side, so that every
 *	  butterfly is a whole vector of lines under one twiddle.
 */
#include "programs/fft_lanes.h"

#include <stdint.h>
#include <string.h>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define OVEX_FFT_X86 1
#include <immintrin.h>

#include "programs/avx512_transpose.h"
#else
#define OVEX_FFT_X86 0
#endif

/* Every product is rounded before it is added: no fused multiply-adds,
 * whichever vector unit a function below is built for. The lane helpers
 * are always inlined, so their vector arguments never cross a call. */
#pragma GCC diagnostic ignored "-Wpsabi"
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
/* GCC 12 takes the undefined upper parts in its own AVX-512 unpacks for
 * unset variables. */
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

const int LANES = FFT_LANES;

int log2Of(int n)
{
    int bits = 0;
    while ((1 << bits) < n) {
        bits++;
    }
    return bits;
}

/* ---- The portable butterfly ------------------------------------------------- */

typedef float Floats8 __attribute__((vector_size(32)));
typedef double Doubles8 __attribute__((vector_size(64)));

inline __attribute__((always_inline)) double widen(float x)
{
    return x;
}

inline __attribute__((always_inline)) Doubles8 widen(Floats8 x)
{
    return __builtin_convertvector(x, Doubles8);
}

inline __attribute__((always_inline)) float narrow(double x)
{
    return (float)x;
}

inline __attribute__((always_inline)) Floats8 narrow(Doubles8 x)
{
    return __builtin_convertvector(x, Floats8);
}

/* The butterfly of low value a and high value x under twiddle (wr, wi),
 * for one value or eight lanes at once. */
template <typename V>
inline __attribute__((always_inline)) void portableButterfly(V &aRe, V &aIm, V &xRe, V &xIm,
                                                             double wr, double wi)
{
    auto dRe = widen(xRe), dIm = widen(xIm);
    V tRe = narrow(wr * dRe - wi * dIm);
    V tIm = narrow(wr * dIm + wi * dRe);
    xRe = aRe - tRe;
    xIm = aIm - tIm;
    aRe = aRe + tRe;
    aIm = aIm + tIm;
}

/*
 * Operation sets of stagesOf: a row of the work area holds LANES real
 * parts, then LANES imaginary parts (one complex value as the data holds
 * it for LANES 1); V is WIDTH of them.
 */
struct ScalarLine {
    static const int ROW_LANES = 1;
    static const int WIDTH = 1;
    typedef float V;
    static V load(const float *at)
    {
        return *at;
    }
    static void store(float *at, V v)
    {
        *at = v;
    }
    static void butterfly(V &aRe, V &aIm, V &xRe, V &xIm, double wr, double wi)
    {
        portableButterfly(aRe, aIm, xRe, xIm, wr, wi);
    }
};

struct PortableLanes {
    static const int ROW_LANES = LANES;
    static const int WIDTH = 8;
    typedef Floats8 V;
    static V load(const float *at)
    {
        V v;
        memcpy(&v, at, sizeof v);
        return v;
    }
    static void store(float *at, V v)
    {
        memcpy(at, &v, sizeof v);
    }
    static void butterfly(V &aRe, V &aIm, V &xRe, V &xIm, double wr, double wi)
    {
        portableButterfly(aRe, aIm, xRe, xIm, wr, wi);
    }
};

/*
 * stagesOf --
 *	Every stage of the transform of the lines of the work area, n
 *	positions in bit-reversed order. An odd stage count starts with one
 *	radix-2 stage; the rest go in radix-4 passes: a pass over groups of
 *	4h positions does the stage of half h (pairs m, m + h and m + 2h,
 *	m + 3h under its twiddle m) and the stage of half 2h (pairs m, m + 2h
 *	under its twiddle m and m + h, m + 3h under its twiddle m + h) with
 *	the four values held.
 */
template <class Ops> inline void stagesOf(int n, float *work, const double *table)
{
    typedef typename Ops::V V;
    const int L = Ops::ROW_LANES;
    const size_t ROW = 2 * (size_t)L;
    int half = 1;
    if (log2Of(n) & 1) {
        double wr = table[0], wi = table[1];
        for (int base = 0; base < n; base += 2) {
            float *low = work + (size_t)base * ROW, *high = low + ROW;
            for (int k = 0; k < L; k += Ops::WIDTH) {
                V aRe = Ops::load(low + k), aIm = Ops::load(low + L + k);
                V xRe = Ops::load(high + k), xIm = Ops::load(high + L + k);
                Ops::butterfly(aRe, aIm, xRe, xIm, wr, wi);
                Ops::store(low + k, aRe);
                Ops::store(low + L + k, aIm);
                Ops::store(high + k, xRe);
                Ops::store(high + L + k, xIm);
            }
        }
        half = 2;
    }
    for (; 4 * (int64_t)half <= n; half *= 4) {
        const double *aRe = table + 2 * (size_t)(half - 1), *aIm = aRe + half;
        const double *bRe = table + 2 * (size_t)(2 * half - 1), *bIm = bRe + 2 * half;
        size_t span = (size_t)half * ROW;
        for (int base = 0; base < n; base += 4 * half) {
            for (int m = 0; m < half; m++) {
                float *r0 = work + (size_t)(base + m) * ROW;
                float *r1 = r0 + span, *r2 = r1 + span, *r3 = r2 + span;
                double w1r = aRe[m], w1i = aIm[m];
                double w2r = bRe[m], w2i = bIm[m];
                double w3r = bRe[m + half], w3i = bIm[m + half];
                for (int k = 0; k < L; k += Ops::WIDTH) {
                    V re0 = Ops::load(r0 + k), im0 = Ops::load(r0 + L + k);
                    V re1 = Ops::load(r1 + k), im1 = Ops::load(r1 + L + k);
                    V re2 = Ops::load(r2 + k), im2 = Ops::load(r2 + L + k);
                    V re3 = Ops::load(r3 + k), im3 = Ops::load(r3 + L + k);
                    Ops::butterfly(re0, im0, re1, im1, w1r, w1i);
                    Ops::butterfly(re2, im2, re3, im3, w1r, w1i);
                    Ops::butterfly(re0, im0, re2, im2, w2r, w2i);
                    Ops::butterfly(re1, im1, re3, im3, w3r, w3i);
                    Ops::store(r0 + k, re0);
                    Ops::store(r0 + L + k, im0);
                    Ops::store(r1 + k, re1);
                    Ops::store(r1 + L + k, im1);
                    Ops::store(r2 + k, re2);
                    Ops::store(r2 + L + k, im2);
                    Ops::store(r3 + k, re3);
                    Ops::store(r3 + L + k, im3);
                }
            }
        }
    }
}

/* ---- The portable set --------------------------------------------------------- */

void stagesPortable(int n, float *work, const double *table)
{
    stagesOf<PortableLanes>(n, work, table);
}

void gatherStripPortable(const FftLaneMap *map, float *work, const float *base, size_t step)
{
    for (int p = 0; p < map->n; p++) {
        const float *from = base + 2 * step * (size_t)p;
        float *to = work + (size_t)map->slot[p] * 2 * LANES;
        for (int q = 0; q < LANES; q++) {
            to[q] = from[2 * q];
            to[LANES + q] = from[2 * q + 1];
        }
    }
}

void scatterStripPortable(const FftLaneMap *map, const float *work, float *base, size_t step)
{
    for (int j = 0; j < map->n; j++) {
        float *to = base + 2 * step * (size_t)map->target[j];
        const float *from = work + (size_t)j * 2 * LANES;
        for (int q = 0; q < LANES; q++) {
            float re = from[q], im = from[LANES + q];
            if (map->scaled) {
                re *= map->factor;
                im *= map->factor;
            }
            to[2 * q] = re;
            to[2 * q + 1] = im;
        }
    }
}

void gatherRowsPortable(const FftLaneMap *map, float *work, const float *base, size_t lineStep)
{
    for (int p = 0; p < map->n; p++) {
        float *to = work + (size_t)map->slot[p] * 2 * LANES;
        for (int q = 0; q < LANES; q++) {
            const float *from = base + 2 * ((size_t)q * lineStep + (size_t)p);
            to[q] = from[0];
            to[LANES + q] = from[1];
        }
    }
}

void scatterRowsPortable(const FftLaneMap *map, const float *work, float *base,
                         size_t lineStep)
{
    for (int j = 0; j < map->n; j++) {
        const float *from = work + (size_t)j * 2 * LANES;
        for (int q = 0; q < LANES; q++) {
            float re = from[q], im = from[LANES + q];
            if (map->scaled) {
                re *= map->factor;
                im *= map->factor;
            }
            float *to = base + 2 * ((size_t)q * lineStep + (size_t)map->target[j]);
            to[0] = re;
            to[1] = im;
        }
    }
}

const FftLaneKernel PORTABLE = {"portable", stagesPortable, gatherStripPortable,
                                scatterStripPortable, gatherRowsPortable, scatterRowsPortable};

#if OVEX_FFT_X86

/* ---- AVX2 ------------------------------------------------------------------------ */

#pragma GCC push_options
#pragma GCC target("avx2")

struct Avx2Lanes {
    static const int ROW_LANES = LANES;
    static const int WIDTH = 8;
    typedef __m256 V;
    static V load(const float *at)
    {
        return _mm256_load_ps(at);
    }
    static void store(float *at, V v)
    {
        _mm256_store_ps(at, v);
    }
    static __m128 product(__m256d r, __m256d i, __m256d x, __m256d y, bool imaginary)
    {
        /* wr x - wi y for the real part, wr y + wi x for the imaginary. */
        return _mm256_cvtpd_ps(imaginary ? _mm256_add_pd(_mm256_mul_pd(r, y), _mm256_mul_pd(i, x))
                                         : _mm256_sub_pd(_mm256_mul_pd(r, x), _mm256_mul_pd(i, y)));
    }
    static void butterfly(V &aRe, V &aIm, V &xRe, V &xIm, double wr, double wi)
    {
        __m256d r = _mm256_set1_pd(wr), i = _mm256_set1_pd(wi);
        __m256d reLo = _mm256_cvtps_pd(_mm256_castps256_ps128(xRe));
        __m256d reHi = _mm256_cvtps_pd(_mm256_extractf128_ps(xRe, 1));
        __m256d imLo = _mm256_cvtps_pd(_mm256_castps256_ps128(xIm));
        __m256d imHi = _mm256_cvtps_pd(_mm256_extractf128_ps(xIm, 1));
        __m256 tRe = _mm256_insertf128_ps(
            _mm256_castps128_ps256(product(r, i, reLo, imLo, false)),
            product(r, i, reHi, imHi, false), 1);
        __m256 tIm = _mm256_insertf128_ps(
            _mm256_castps128_ps256(product(r, i, reLo, imLo, true)),
            product(r, i, reHi, imHi, true), 1);
        xRe = _mm256_sub_ps(aRe, tRe);
        xIm = _mm256_sub_ps(aIm, tIm);
        aRe = _mm256_add_ps(aRe, tRe);
        aIm = _mm256_add_ps(aIm, tIm);
    }
};

__attribute__((flatten)) void stagesAvx2(int n, float *work, const double *table)
{
    stagesOf<Avx2Lanes>(n, work, table);
}

#pragma GCC pop_options

/* ---- AVX-512 ---------------------------------------------------------------------- */

#pragma GCC push_options
#pragma GCC target("avx512f")

struct Avx512Lanes {
    static const int ROW_LANES = LANES;
    static const int WIDTH = 16;
    typedef __m512 V;
    static V load(const float *at)
    {
        return _mm512_load_ps(at);
    }
    static void store(float *at, V v)
    {
        _mm512_store_ps(at, v);
    }
    static __m512d lowHalf(__m512 x)
    {
        return _mm512_cvtps_pd(_mm512_castps512_ps256(x));
    }
    static __m512d highHalf(__m512 x)
    {
        return _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(x), 1)));
    }
    static __m512 joined(__m256 low, __m256 high)
    {
        return _mm512_castpd_ps(_mm512_insertf64x4(_mm512_castps_pd(_mm512_castps256_ps512(low)),
                                                   _mm256_castps_pd(high), 1));
    }
    static __m256 product(__m512d r, __m512d i, __m512d x, __m512d y, bool imaginary)
    {
        /* wr x - wi y for the real part, wr y + wi x for the imaginary. */
        return _mm512_cvtpd_ps(imaginary ? _mm512_add_pd(_mm512_mul_pd(r, y), _mm512_mul_pd(i, x))
                                         : _mm512_sub_pd(_mm512_mul_pd(r, x), _mm512_mul_pd(i, y)));
    }
    static void butterfly(V &aRe, V &aIm, V &xRe, V &xIm, double wr, double wi)
    {
        __m512d r = _mm512_set1_pd(wr), i = _mm512_set1_pd(wi);
        __m512d reLo = lowHalf(xRe), reHi = highHalf(xRe);
        __m512d imLo = lowHalf(xIm), imHi = highHalf(xIm);
        __m512 tRe = joined(product(r, i, reLo, imLo, false), product(r, i, reHi, imHi, false));
        __m512 tIm = joined(product(r, i, reLo, imLo, true), product(r, i, reHi, imHi, true));
        xRe = _mm512_sub_ps(aRe, tRe);
        xIm = _mm512_sub_ps(aIm, tIm);
        aRe = _mm512_add_ps(aRe, tRe);
        aIm = _mm512_add_ps(aIm, tIm);
    }
};

__attribute__((flatten)) void stagesAvx512(int n, float *work, const double *table)
{
    stagesOf<Avx512Lanes>(n, work, table);
}

/* Even and odd floats of two registers: the real and imaginary parts of
 * sixteen complex values. */
__m512i evenIndices()
{
    return _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
}

__m512i oddIndices()
{
    return _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
}

void gatherStripAvx512(const FftLaneMap *map, float *work, const float *base, size_t step)
{
    const __m512i even = evenIndices(), odd = oddIndices();
    for (int p = 0; p < map->n; p++) {
        const float *from = base + 2 * step * (size_t)p;
        __m512 a = _mm512_loadu_ps(from), b = _mm512_loadu_ps(from + 16);
        float *to = work + (size_t)map->slot[p] * 2 * LANES;
        _mm512_store_ps(to, _mm512_permutex2var_ps(a, even, b));
        _mm512_store_ps(to + LANES, _mm512_permutex2var_ps(a, odd, b));
    }
}

void scatterStripAvx512(const FftLaneMap *map, const float *work, float *base, size_t step)
{
    const __m512i low = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    const __m512i high =
        _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
    const __m512 factor = _mm512_set1_ps(map->factor);
    for (int j = 0; j < map->n; j++) {
        const float *from = work + (size_t)j * 2 * LANES;
        __m512 re = _mm512_load_ps(from), im = _mm512_load_ps(from + LANES);
        if (map->scaled) {
            re = _mm512_mul_ps(re, factor);
            im = _mm512_mul_ps(im, factor);
        }
        float *to = base + 2 * step * (size_t)map->target[j];
        _mm512_storeu_ps(to, _mm512_permutex2var_ps(re, low, im));
        _mm512_storeu_ps(to + 16, _mm512_permutex2var_ps(re, high, im));
    }
}

/* Rows eight positions at a time: the 16 rows' eight complex values
 * transposed give the real and imaginary parts of each position. */
__attribute__((flatten)) void gatherRowsAvx512(const FftLaneMap *map, float *work,
                                               const float *base, size_t lineStep)
{
    if (map->n < 8) {
        gatherRowsPortable(map, work, base, lineStep);
        return;
    }
    __m512 v[16];
    for (int p = 0; p < map->n; p += 8) {
        for (int q = 0; q < LANES; q++) {
            v[q] = _mm512_loadu_ps(base + 2 * ((size_t)q * lineStep + (size_t)p));
        }
        transpose16(v);
        for (int k = 0; k < 8; k++) {
            float *to = work + (size_t)map->slot[p + k] * 2 * LANES;
            _mm512_store_ps(to, v[2 * k]);
            _mm512_store_ps(to + LANES, v[2 * k + 1]);
        }
    }
}

__attribute__((flatten)) void scatterRowsAvx512(const FftLaneMap *map, const float *work,
                                                float *base, size_t lineStep)
{
    const __m512 factor = _mm512_set1_ps(map->factor);
    __m512 v[16];
    for (int j = 0; j < map->n; j += 8) {
        int first = map->target[j];
        if (j + 8 > map->n || map->target[j + 7] != first + 7) {
            /* Positions not in one run (lines of 8 or fewer): one by one. */
            FftLaneMap part = *map;
            for (int e = j; e < j + 8 && e < map->n; e++) {
                for (int q = 0; q < LANES; q++) {
                    const float *from = work + (size_t)e * 2 * LANES;
                    float re = from[q], im = from[LANES + q];
                    if (part.scaled) {
                        re *= part.factor;
                        im *= part.factor;
                    }
                    float *to = base + 2 * ((size_t)q * lineStep + (size_t)map->target[e]);
                    to[0] = re;
                    to[1] = im;
                }
            }
            continue;
        }
        for (int k = 0; k < 8; k++) {
            const float *from = work + (size_t)(j + k) * 2 * LANES;
            v[2 * k] = _mm512_load_ps(from);
            v[2 * k + 1] = _mm512_load_ps(from + LANES);
            if (map->scaled) {
                v[2 * k] = _mm512_mul_ps(v[2 * k], factor);
                v[2 * k + 1] = _mm512_mul_ps(v[2 * k + 1], factor);
            }
        }
        transpose16(v);
        for (int q = 0; q < LANES; q++) {
            _mm512_storeu_ps(base + 2 * ((size_t)q * lineStep + (size_t)first), v[q]);
        }
    }
}

#pragma GCC pop_options

const FftLaneKernel AVX2 = {"avx2", stagesAvx2, gatherStripPortable, scatterStripPortable,
                            gatherRowsPortable, scatterRowsPortable};
const FftLaneKernel AVX512 = {"avx512f", stagesAvx512, gatherStripAvx512, scatterStripAvx512,
                              gatherRowsAvx512, scatterRowsAvx512};

#endif /* OVEX_FFT_X86 */

/* The kernel sets this machine runs, the portable one first. */
struct Available {
    const FftLaneKernel *sets[3];
    int count;
    Available() : count(0)
    {
        sets[count++] = &PORTABLE;
#if OVEX_FFT_X86
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2")) {
            sets[count++] = &AVX2;
        }
        if (__builtin_cpu_supports("avx512f")) {
            sets[count++] = &AVX512;
        }
#endif
    }
};

const Available &available()
{
    static const Available sets;
    return sets;
}

} // namespace

void fftStageTwiddles(int n, const double *cosTable, const double *sinTable, double *table)
{
    for (int length = 2; length <= n; length <<= 1) {
        int half = length / 2;
        double *wReAt = table + 2 * (size_t)(half - 1), *wImAt = wReAt + half;
        double stepRe = cosTable[length - 1], stepIm = sinTable[length - 1];
        double wRe = 1.0, wIm = 0.0;
        for (int m = 0; m < half; m++) {
            wReAt[m] = wRe;
            wImAt[m] = wIm;
            double previous = wRe;
            wRe = wRe * stepRe - wIm * stepIm;
            wIm = wIm * stepRe + previous * stepIm;
        }
    }
}

void fftLineStages(int n, float *data, const double *table)
{
    stagesOf<ScalarLine>(n, data, table);
}

const FftLaneKernel *fftLaneKernel(void)
{
    const Available &sets = available();
    return sets.sets[sets.count - 1];
}

int fftLaneKernelCount(void)
{
    return available().count;
}

const FftLaneKernel *fftLaneKernelAt(int index)
{
    const Available &sets = available();
    return index >= 0 && index < sets.count ? sets.sets[index] : NULL;
}
