#include "core/raster/raster_primitives.h"

#include "core/raster/pixel_rows.h"

#include <array>

using namespace pixel_rows;

namespace {

// Writes table(base, blend) into base for every channel over the common area, alpha 255.
void blendThroughTable(const QImage& blendImage, QImage& base, const PairTable& table)
{
    const QImage blend = as32Bit(blendImage);
    // The blend walks the first image's size; a smaller second image limits it to the common
    // area so that nothing is read or written outside either raster.
    const int width = std::min(blend.width(), base.width());
    const int height = std::min(blend.height(), base.height());
    if (width <= 0 || height <= 0)
        return;
    const ConstRows in = readableRows(blend);
    const Rows out = writableRows(base);
    const uchar* t = table.data();
    forRowBands(height, qint64(width) * height, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const QRgb* b = in[y];
            QRgb* a = out[y];
            for (int x = 0; x < width; ++x) {
                const QRgb pa = a[x];
                const QRgb pb = b[x];
                const QRgb r = t[((pa >> 8) & 0xFF00) | ((pb >> 16) & 0xFF)];
                const QRgb g = t[(pa & 0xFF00) | ((pb >> 8) & 0xFF)];
                const QRgb bl = t[((pa & 0xFF) << 8) | (pb & 0xFF)];
                a[x] = kOpaque | (r << 16) | (g << 8) | bl;
            }
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Luminosity blend (SetLum and ClipColor of the PDF blend modes) in double precision

struct LuminosityTables
{
    std::array<double, 256> unit; // c / 255.0, the same double the division gives
    // 0.3 * (c / 255.0), 0.59 * (c / 255.0), 0.11 * (c / 255.0): the terms of Lum.
    std::array<double, 256> red, green, blue;
    LuminosityTables()
    {
        for (int c = 0; c < 256; ++c) {
            unit[c] = c / 255.0;
            red[c] = 0.3 * unit[c];
            green[c] = 0.59 * unit[c];
            blue[c] = 0.11 * unit[c];
        }
    }
};

inline double lum(double r, double g, double b)
{
    return 0.3 * r + 0.59 * g + 0.11 * b;
}

// v * 255 rounded to nearest, halves up, limited to a channel. Truncation is the floor for the
// positive values that are not clamped anyway.
inline int toChannel(double v)
{
    const double scaled = v * 255.0 + 0.5;
    return scaled >= 255.0 ? 255 : (scaled > 0.0 ? int(scaled) : 0);
}

// Below full opacity the blended channel k is faded toward the target's t:
// qRound(opacity * (k - t) + t), clamped. Both are channels, so the fade is a table
// fade[k << 8 | t]; null at full opacity.
PairTable makeFadeTable(double opacity)
{
    if (!(opacity < 1.0))
        return PairTable();
    return makePairTable([opacity](int k, int t) { return roundToChannel(opacity * (k - t) + t); });
}

QRgb luminosityPixel(QRgb source, QRgb target, const uchar* fade, const LuminosityTables& t)
{
    const int tr = qRed(target), tg = qGreen(target), tb = qBlue(target);
    const double d = (t.red[qRed(source)] + t.green[qGreen(source)] + t.blue[qBlue(source)]) -
                     (t.red[tr] + t.green[tg] + t.blue[tb]);
    double c[3] = {t.unit[tr] + d, t.unit[tg] + d, t.unit[tb] + d};
    const double l = lum(c[0], c[1], c[2]);
    const double n = std::min(std::min(c[0], c[1]), c[2]);
    const double x = std::max(std::max(c[0], c[1]), c[2]);
    // ClipColor: pull the channels toward l until they fit in 0..1 (x > 1 takes precedence).
    if (x > 1.0) {
        for (double& k : c)
            k = l + (k - l) * (1.0 - l) / (x - l);
    } else if (n < 0.0) {
        for (double& k : c)
            k = l + (k - l) * l / (l - n);
    }
    int out[3] = {toChannel(c[0]), toChannel(c[1]), toChannel(c[2])};
    if (fade) {
        out[0] = fade[(out[0] << 8) | tr];
        out[1] = fade[(out[1] << 8) | tg];
        out[2] = fade[(out[2] << 8) | tb];
    }
    return kOpaque | (QRgb(out[0]) << 16) | (QRgb(out[1]) << 8) | QRgb(out[2]);
}

void luminosityRow(const QRgb* source, QRgb* target, int width, const uchar* fade,
                   const LuminosityTables& tables)
{
    for (int x = 0; x < width; ++x)
        target[x] = luminosityPixel(source[x], target[x], fade, tables);
}

#if DRAWLUME_RASTER_SSE2
// Two pixels at once in the two lanes of SSE2 double vectors: the same IEEE operations in the
// same order as luminosityPixel, so the same bytes, but with the ClipColor branches turned into
// lane selections (a photo clips unpredictably from pixel to pixel).
void luminosityRowSse2(const QRgb* source, QRgb* target, int width, const uchar* fade,
                       const LuminosityTables& tables)
{
    const auto pair = [](const std::array<double, 256>& table, int i0, int i1) {
        return _mm_loadh_pd(_mm_load_sd(&table[i0]), &table[i1]);
    };
    const auto lum = [](__m128d r, __m128d g, __m128d b) {
        return _mm_add_pd(
            _mm_add_pd(_mm_mul_pd(_mm_set1_pd(0.3), r), _mm_mul_pd(_mm_set1_pd(0.59), g)),
            _mm_mul_pd(_mm_set1_pd(0.11), b));
    };
    const auto select = [](__m128d mask, __m128d yes, __m128d no) {
        return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
    };
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d zero = _mm_setzero_pd();
    int x = 0;
    for (; x + 1 < width; x += 2) {
        const QRgb s0 = source[x], s1 = source[x + 1], t0 = target[x], t1 = target[x + 1];
        const int tc[3][2] = {
            {qRed(t0), qRed(t1)}, {qGreen(t0), qGreen(t1)}, {qBlue(t0), qBlue(t1)}};
        const __m128d lumSource = _mm_add_pd(_mm_add_pd(pair(tables.red, qRed(s0), qRed(s1)),
                                                        pair(tables.green, qGreen(s0), qGreen(s1))),
                                             pair(tables.blue, qBlue(s0), qBlue(s1)));
        const __m128d lumTarget = _mm_add_pd(_mm_add_pd(pair(tables.red, tc[0][0], tc[0][1]),
                                                        pair(tables.green, tc[1][0], tc[1][1])),
                                             pair(tables.blue, tc[2][0], tc[2][1]));
        const __m128d d = _mm_sub_pd(lumSource, lumTarget);
        __m128d c[3];
        for (int i = 0; i < 3; ++i)
            c[i] = _mm_add_pd(pair(tables.unit, tc[i][0], tc[i][1]), d);
        const __m128d l = lum(c[0], c[1], c[2]);
        const __m128d n = _mm_min_pd(_mm_min_pd(c[0], c[1]), c[2]);
        const __m128d m = _mm_max_pd(_mm_max_pd(c[0], c[1]), c[2]);
        const __m128d high = _mm_cmpgt_pd(m, one);
        const __m128d low = _mm_andnot_pd(high, _mm_cmplt_pd(n, zero));
        const __m128d clip = _mm_or_pd(high, low);
        // Most pixels of a photo do not clip: skip the divisions when neither lane does.
        if (_mm_movemask_pd(clip)) {
            const __m128d numerator = select(high, _mm_sub_pd(one, l), l);
            // Lanes that do not clip divide by 1 and are not used.
            const __m128d denominator =
                select(high, _mm_sub_pd(m, l), select(low, _mm_sub_pd(l, n), one));
            for (__m128d& k : c) {
                const __m128d clipped =
                    _mm_add_pd(l, _mm_div_pd(_mm_mul_pd(_mm_sub_pd(k, l), numerator), denominator));
                k = select(clip, clipped, k);
            }
        }
        // toChannel: k * 255 + 0.5 limited to 0..255 (a NaN lane becomes 0), truncated.
        __m128i out[3];
        for (int i = 0; i < 3; ++i) {
            const __m128d scaled =
                _mm_add_pd(_mm_mul_pd(c[i], _mm_set1_pd(255.0)), _mm_set1_pd(0.5));
            out[i] = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(scaled, zero), _mm_set1_pd(255.0)));
        }
        // Bytes r0 r1 0 0 g0 g1 0 0 b0 b1 ...
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(out[0], out[1]),
                                               _mm_packs_epi32(out[2], _mm_setzero_si128()));
        const quint64 rg = quint64(_mm_cvtsi128_si64(bytes));
        const unsigned b = unsigned(_mm_extract_epi16(bytes, 4));
        unsigned k[2][3] = {{unsigned(rg & 0xFF), unsigned((rg >> 32) & 0xFF), b & 0xFF},
                            {unsigned((rg >> 8) & 0xFF), unsigned((rg >> 40) & 0xFF), b >> 8}};
        if (fade) {
            for (int p = 0; p < 2; ++p)
                for (int i = 0; i < 3; ++i)
                    k[p][i] = fade[(k[p][i] << 8) | unsigned(tc[i][p])];
        }
        target[x] = kOpaque | (k[0][0] << 16) | (k[0][1] << 8) | k[0][2];
        target[x + 1] = kOpaque | (k[1][0] << 16) | (k[1][1] << 8) | k[1][2];
    }
    if (x < width)
        luminosityRow(source + x, target + x, width - x, fade, tables);
}
#endif

} // namespace

void softLightBlend(const QImage& blendImage, QImage& base)
{
    // A shallow copy: if both arguments are the same image, the alpha given back at the end is
    // still the one from before the blend (writing base detaches it from this copy).
    const QImage blend = blendImage;
    if (blend.isNull() || base.isNull())
        return;
    ensure32Bit(base);
    // a base, b blend: m = ab >> 8, s = 255 - (255 - b)(255 - a) / 256, m + ((s - m) a >> 8).
    static const PairTable table = makePairTable([](int a, int b) {
        const int m = (a * b) >> 8;
        const int s = 255 - (255 - b) * (255 - a) / 256;
        return m + (((s - m) * a) >> 8);
    });
    blendThroughTable(blend, base, table);
    base = restoreAlpha(blend, base);
}

void multiplyBlend(const QImage& blendImage, QImage& base, double opacity)
{
    const QImage blend = blendImage; // see softLightBlend
    if (blend.isNull() || base.isNull())
        return;
    ensure32Bit(base);
    // a base, b blend: m = ba >> 8; below full opacity a + opacity (m - a), rounded.
    const PairTable table = makePairTable([opacity](int a, int b) {
        const int m = (b * a) >> 8;
        return opacity < 1.0 ? roundToChannel(a + opacity * (m - a)) : m;
    });
    blendThroughTable(blend, base, table);
    base = restoreAlpha(blend, base);
}

void luminosityBlend(const QImage& sourceImage, QImage& target, double opacity)
{
    const QImage original = sourceImage; // see softLightBlend
    if (original.isNull() || target.isNull())
        return;
    ensure32Bit(target);
    const QImage source = as32Bit(original);
    // Common area only, as in the other blends.
    const int width = std::min(source.width(), target.width());
    const int height = std::min(source.height(), target.height());
    static const LuminosityTables tables;
    const PairTable fadeTable = makeFadeTable(opacity);
    const uchar* fade = fadeTable.empty() ? nullptr : fadeTable.data();
    const bool simd = execution().simd;
    const ConstRows in = readableRows(source);
    const Rows out = writableRows(target);
    forRowBands(height, qint64(width) * height, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
#if DRAWLUME_RASTER_SSE2
            if (simd) {
                luminosityRowSse2(in[y], out[y], width, fade, tables);
                continue;
            }
#endif
            luminosityRow(in[y], out[y], width, fade, tables);
        }
    });
    target = restoreAlpha(original, target);
}
