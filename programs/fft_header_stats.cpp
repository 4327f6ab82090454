/*
 * fft_header_stats.cpp --
 *
 *	The running statistics of FFT image headers (fft_file.h): extremes,
 *	means and mean squares of the components, folded in run by run.
 *
 *	A run's sums are made in the order of its values, so the header
 *	comes out the same to the bit however the runs are visited; several
 *	runs are summed side by side (sixteen in the lanes of AVX-512
 *	registers where the machine has them), each in its own lane.
 */
#include "programs/fft_file.h"

#include <cmath>
#include <cstddef>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define OVEX_STATS_X86 1
#include <immintrin.h>

#include "programs/avx512_transpose.h"
#else
#define OVEX_STATS_X86 0
#endif

#if OVEX_STATS_X86
/* GCC 12 takes the undefined upper parts in its own AVX-512 conversions
 * for unset variables. */
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

/*
 * Totals --
 *	What one run of values adds to the statistics: its extremes (each
 *	the first of its equals, as the running comparison keeps it) and its
 *	sums, each summed in the order of the values.
 */
struct Totals {
    double sumRe, sumIm, sumSqRe, sumSqIm;
    float maxRe, minRe, maxIm, minIm;
};

/* The totals of `runs` (1 to 4) runs of count values side by side: the
 * processor overlaps their independent sums, and each run keeps its own
 * order. */
void totalsOf(const float *const *starts, int runs, int count, Totals *totals)
{
    double sumRe[4] = {0, 0, 0, 0}, sumIm[4] = {0, 0, 0, 0};
    double sumSqRe[4] = {0, 0, 0, 0}, sumSqIm[4] = {0, 0, 0, 0};
    float maxRe[4], minRe[4], maxIm[4], minIm[4];
    const float *at[4];
    for (int k = 0; k < 4; k++) {
        maxRe[k] = maxIm[k] = -INFINITY;
        minRe[k] = minIm[k] = INFINITY;
        /* Missing runs repeat the first, their totals unused. */
        at[k] = starts[k < runs ? k : 0];
    }
    for (int i = 0; i < count; i++) {
        for (int k = 0; k < 4; k++) {
            float x = at[k][2 * i], y = at[k][2 * i + 1];
            maxRe[k] = x > maxRe[k] ? x : maxRe[k];
            minRe[k] = x < minRe[k] ? x : minRe[k];
            maxIm[k] = y > maxIm[k] ? y : maxIm[k];
            minIm[k] = y < minIm[k] ? y : minIm[k];
            sumRe[k] += x;
            sumIm[k] += y;
            /* The square of a float is exact in double precision. */
            sumSqRe[k] += (double)x * x;
            sumSqIm[k] += (double)y * y;
        }
    }
    for (int k = 0; k < runs; k++) {
        totals[k] = {sumRe[k], sumIm[k], sumSqRe[k], sumSqIm[k],
                     maxRe[k], minRe[k], maxIm[k], minIm[k]};
    }
}

#if OVEX_STATS_X86

#pragma GCC push_options
#pragma GCC target("avx512f")

/* Lanes 0-7 and 8-15 of sixteen floats, in double precision. */
__m512d lowDoubles(__m512 x)
{
    return _mm512_cvtps_pd(_mm512_castps512_ps256(x));
}

__m512d highDoubles(__m512 x)
{
    return _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(x), 1)));
}

/* The largest float of each lane so far, the first of equals kept: x
 * replaces m only where x > m, as in the running comparison. */
__m512 keptMax(__m512 m, __m512 x)
{
    return _mm512_mask_blend_ps(_mm512_cmp_ps_mask(x, m, _CMP_GT_OQ), m, x);
}

__m512 keptMin(__m512 m, __m512 x)
{
    return _mm512_mask_blend_ps(_mm512_cmp_ps_mask(x, m, _CMP_LT_OQ), m, x);
}

/*
 * totalsOf16 --
 *	Sixteen runs at once, run k from first + 2 k stride, one lane each:
 *	eight values of every run are loaded and transposed, so that each
 *	register holds the same value of all sixteen. Values past the last
 *	multiple of eight continue each run's sums one by one.
 */
__attribute__((flatten)) void totalsOf16(const float *first, size_t stride, int count,
                                         Totals *totals)
{
    __m512 maxRe = _mm512_set1_ps(-INFINITY), maxIm = maxRe;
    __m512 minRe = _mm512_set1_ps(INFINITY), minIm = minRe;
    __m512d sumRe[2], sumIm[2], sumSqRe[2], sumSqIm[2];
    for (int h = 0; h < 2; h++) {
        sumRe[h] = sumIm[h] = sumSqRe[h] = sumSqIm[h] = _mm512_setzero_pd();
    }
    int whole = count & ~7;
    __m512 v[16];
    for (int i = 0; i < whole; i += 8) {
        for (int k = 0; k < 16; k++) {
            v[k] = _mm512_loadu_ps(first + 2 * (stride * (size_t)k + (size_t)i));
        }
        transpose16(v);
        for (int e = 0; e < 8; e++) {
            __m512 x = v[2 * e], y = v[2 * e + 1];
            maxRe = keptMax(maxRe, x);
            minRe = keptMin(minRe, x);
            maxIm = keptMax(maxIm, y);
            minIm = keptMin(minIm, y);
            __m512d xd[2] = {lowDoubles(x), highDoubles(x)};
            __m512d yd[2] = {lowDoubles(y), highDoubles(y)};
            for (int h = 0; h < 2; h++) {
                sumRe[h] = _mm512_add_pd(sumRe[h], xd[h]);
                sumIm[h] = _mm512_add_pd(sumIm[h], yd[h]);
                sumSqRe[h] = _mm512_add_pd(sumSqRe[h], _mm512_mul_pd(xd[h], xd[h]));
                sumSqIm[h] = _mm512_add_pd(sumSqIm[h], _mm512_mul_pd(yd[h], yd[h]));
            }
        }
    }
    float extremes[4][16];
    double sums[4][16];
    _mm512_storeu_ps(extremes[0], maxRe);
    _mm512_storeu_ps(extremes[1], minRe);
    _mm512_storeu_ps(extremes[2], maxIm);
    _mm512_storeu_ps(extremes[3], minIm);
    for (int h = 0; h < 2; h++) {
        _mm512_storeu_pd(sums[0] + 8 * h, sumRe[h]);
        _mm512_storeu_pd(sums[1] + 8 * h, sumIm[h]);
        _mm512_storeu_pd(sums[2] + 8 * h, sumSqRe[h]);
        _mm512_storeu_pd(sums[3] + 8 * h, sumSqIm[h]);
    }
    for (int k = 0; k < 16; k++) {
        Totals t = {sums[0][k], sums[1][k], sums[2][k], sums[3][k],
                    extremes[0][k], extremes[1][k], extremes[2][k], extremes[3][k]};
        const float *run = first + 2 * stride * (size_t)k;
        for (int i = whole; i < count; i++) {
            float x = run[2 * i], y = run[2 * i + 1];
            t.maxRe = x > t.maxRe ? x : t.maxRe;
            t.minRe = x < t.minRe ? x : t.minRe;
            t.maxIm = y > t.maxIm ? y : t.maxIm;
            t.minIm = y < t.minIm ? y : t.minIm;
            t.sumRe += x;
            t.sumIm += y;
            t.sumSqRe += (double)x * x;
            t.sumSqIm += (double)y * y;
        }
        totals[k] = t;
    }
}

#pragma GCC pop_options

/* Whether the machine has the unit for sixteen runs at once. */
bool sixteenAtOnce()
{
    static const bool unit = (__builtin_cpu_init(), __builtin_cpu_supports("avx512f") != 0);
    return unit;
}

#endif /* OVEX_STATS_X86 */

/* Folds the totals of count values into the header, as the values one by
 * one would. */
void foldTotals(FftHeader *head, int count, const Totals &t)
{
    if (t.maxRe > head->maxRe) {
        head->maxRe = t.maxRe;
    }
    if (t.minRe < head->minRe) {
        head->minRe = t.minRe;
    }
    if (t.maxIm > head->maxIm) {
        head->maxIm = t.maxIm;
    }
    if (t.minIm < head->minIm) {
        head->minIm = t.minIm;
    }
    double n = count;
    double before = head->count;
    double after = before + n;
    double kept = before / after, added = n / after;
    head->meanRe = head->meanRe * kept + t.sumRe / n * added;
    head->meanIm = head->meanIm * kept + t.sumIm / n * added;
    head->stdRe = head->stdRe * kept + t.sumSqRe / n * added;
    head->stdIm = head->stdIm * kept + t.sumSqIm / n * added;
    head->count = after;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * fftHeaderStats --
 *
 *	Folds count complex values into the header statistics: the four
 *	extremes, and the running means of the components and of their
 *	squares (kept in stdRe and stdIm until the run turns them into
 *	standard deviations), weighted by the counts before and after.
 *
 * Results:
 *	None.
 *
 * Side effects:
 *	Changes head's extremes, means, mean squares and count.
 *
 *----------------------------------------------------------------------
 */
void fftHeaderStats(FftHeader *head, int count, const float *elements)
{
    fftHeaderStatsRows(head, 1, count, elements, 0);
}

/*
 * fftHeaderStatsRows --
 *	fftHeaderStats of each of rowCount runs of count values in turn, the
 *	run r from elements + 2 r stride.
 */
void fftHeaderStatsRows(FftHeader *head, int rowCount, int count, const float *elements,
                        size_t stride)
{
    if (head == NULL || elements == NULL || count < 1) {
        return;
    }
    Totals totals[16];
    int r = 0;
#if OVEX_STATS_X86
    if (sixteenAtOnce()) {
        for (; r + 16 <= rowCount; r += 16) {
            totalsOf16(elements + 2 * stride * (size_t)r, stride, count, totals);
            for (int k = 0; k < 16; k++) {
                foldTotals(head, count, totals[k]);
            }
        }
    }
#endif
    for (; r < rowCount; r += 4) {
        int runs = rowCount - r < 4 ? rowCount - r : 4;
        const float *starts[4];
        for (int k = 0; k < runs; k++) {
            starts[k] = elements + 2 * stride * (size_t)(r + k);
        }
        totalsOf(starts, runs, count, totals);
        for (int k = 0; k < runs; k++) {
            foldTotals(head, count, totals[k]);
        }
    }
}
