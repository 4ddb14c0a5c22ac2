#include "core/raster/raster_primitives.h"

#include <QCryptographicHash>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#define DRAWLUME_RASTER_SSE2 1
#else
#define DRAWLUME_RASTER_SSE2 0
#endif

namespace {

constexpr QRgb kOpaque = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// Scan-line access and formats

bool is32Bit(const QImage& image)
{
    const QImage::Format format = image.format();
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

bool hasAlphaChannel(const QImage& image)
{
    return image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
}

// Callers hand over 32-bit images; anything narrower is converted once here so that no loop
// walks past the end of a shorter scan line.
QImage as32Bit(const QImage& image)
{
    return is32Bit(image) ? image : image.convertToFormat(QImage::Format_RGB32);
}

// Row pointers of a raster whose scan lines are taken once per row.
struct Rows
{
    uchar* bits;
    qsizetype stride;
    QRgb* operator[](int y) const { return reinterpret_cast<QRgb*>(bits + y * stride); }
};

struct ConstRows
{
    const uchar* bits;
    qsizetype stride;
    const QRgb* operator[](int y) const { return reinterpret_cast<const QRgb*>(bits + y * stride); }
};

Rows writableRows(QImage& image)
{
    return {image.bits(), image.bytesPerLine()}; // bits() detaches a shared image here, once
}

ConstRows readableRows(const QImage& image)
{
    return {image.constBits(), image.bytesPerLine()};
}

// ---------------------------------------------------------------------------------------------
// Splitting rows over threads. The bands are independent (each writes only its own rows and
// reads only what no other band writes), so every split gives the bytes of one thread.

std::atomic<int> g_threads{0};
std::atomic<qint64> g_minimumParallelPixels{RasterExecution().minimumPixels};
std::atomic<bool> g_vectorised{true};

bool vectorised()
{
    return g_vectorised.load(std::memory_order_relaxed);
}

int bandCount(int rows, qint64 pixels)
{
    if (pixels < g_minimumParallelPixels.load(std::memory_order_relaxed))
        return 1;
    int threads = g_threads.load(std::memory_order_relaxed);
    if (threads <= 0)
        threads = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
    return std::max(1, std::min(threads, rows));
}

int bandStart(int rows, int bands, int band)
{
    return int(qint64(rows) * band / bands);
}

// Calls body(band, firstRow, endRow) for each band, band 0 on the calling thread. If a thread
// cannot be started its band runs on the calling thread instead.
template <typename Body> void runBands(int rows, int bands, const Body& body)
{
    if (bands <= 1) {
        body(0, 0, rows);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(bands - 1);
    for (int band = 1; band < bands; ++band) {
        const int first = bandStart(rows, bands, band);
        const int end = bandStart(rows, bands, band + 1);
        try {
            workers.emplace_back([&body, band, first, end] { body(band, first, end); });
        } catch (const std::system_error&) {
            body(band, first, end);
        }
    }
    body(0, 0, bandStart(rows, bands, 1));
    for (std::thread& worker : workers)
        worker.join();
}

// Calls body(firstRow, endRow) over bands of [0, rows) of a picture with `pixels` pixels.
template <typename Body> void forRowBands(int rows, qint64 pixels, const Body& body)
{
    runBands(rows, bandCount(rows, pixels), [&body](int, int first, int end) { body(first, end); });
}

// ---------------------------------------------------------------------------------------------
// Per-pixel maps and blends through tables

// Every channel through one 256-entry table, alpha 255.
void mapChannels(QImage& image, const std::array<uchar, 256>& table)
{
    // One table per channel position, so a pixel is three loads and two ors.
    std::array<QRgb, 256> red, green, blue;
    for (int c = 0; c < 256; ++c) {
        red[c] = kOpaque | (QRgb(table[c]) << 16);
        green[c] = QRgb(table[c]) << 8;
        blue[c] = table[c];
    }
    const Rows rows = writableRows(image);
    const int width = image.width();
    forRowBands(image.height(), qint64(width) * image.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            QRgb* line = rows[y];
            for (int x = 0; x < width; ++x) {
                const QRgb p = line[x];
                line[x] = red[(p >> 16) & 0xFF] | green[(p >> 8) & 0xFF] | blue[p & 0xFF];
            }
        }
    });
}

// A two-operand channel function held as a 64 KiB table indexed (base << 8) | blend.
using PairTable = std::vector<uchar>;

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

template <typename Function> PairTable makePairTable(const Function& f)
{
    PairTable table(256 * 256);
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            table[(a << 8) | b] = uchar(clampChannel(f(a, b)));
    return table;
}

// qRound of a value that may lie far outside the channel range: values beyond -1 or 256 clamp
// to the same channel value, and limiting them first keeps the int conversion defined.
int roundToChannel(double v)
{
    if (!(v > -1.0))
        v = -1.0;
    else if (v > 256.0)
        v = 256.0;
    return clampChannel(qRound(v));
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

// ---------------------------------------------------------------------------------------------
// Local contrast

constexpr int kContrastMargin = 9; // padding of the working copy; also the rows/columns kept
constexpr int kContrastRadius = 4; // the window is 9x9 around the pixel
constexpr int kContrastRing = kContrastRadius + 1;

// R, G and B of a pixel in three 16-bit lanes of one word (B lowest): a 9x9 window sums to at
// most 81 * 255 = 20655 per lane, so window sums add and subtract lane-wise without carries as
// long as additions come before subtractions.
inline quint64 lanes(QRgb p)
{
    return (quint64(p & 0xFF0000) << 16) | (quint64(p & 0xFF00) << 8) | quint64(p & 0xFF);
}

constexpr quint64 kWhiteLanes = (quint64(255) << 32) | (quint64(255) << 16) | quint64(255);

// Original pixel rows a band needs that other bands overwrite (4 rows above it, 4 below it),
// copied before the bands start, plus the band's own scratch.
struct ContrastBand
{
    int first = 0;
    int end = 0;
    std::vector<QRgb> above;      // rows first-4 .. first-1 (rows above the image stay unused)
    std::vector<QRgb> below;      // rows end .. end+3
    std::vector<QRgb> saved;      // ring of the band's last 5 rows as they were before writing
    std::vector<quint64> columns; // per column: the 9 rows of the window summed in lanes
};

constexpr int kContrastNeighbourSum = 80 * 255; // the window sum without its centre

struct ContrastTables
{
    // L_c = (3 * ((g_c + 2 m_c) / 3) + g_c) >> 2 with m_c = s / 80, for every neighbour sum s.
    std::vector<uchar> local[3];
    std::array<uchar, 256 * 256> apply; // [G << 8 | c]: c + (c - G) * p / 100, clamped
};

void contrastBand(ContrastBand& band, const Rows& rows, int width, const ContrastTables& tables)
{
    const int first = band.first;
    const int end = band.end;
    // The row as it was before this primitive wrote anything; null for the white rows above.
    const auto original = [&](int r, int current) -> const QRgb* {
        if (r < 0)
            return nullptr;
        if (r < first)
            return band.above.data() + qsizetype(r - (first - kContrastRadius)) * width;
        if (r >= end)
            return band.below.data() + qsizetype(r - end) * width;
        if (r < current)
            return band.saved.data() + qsizetype(r % kContrastRing) * width;
        return rows[r];
    };

    // Column sums of the 9 window rows; the first 4 entries are the white columns left of the
    // image, so columns[x + 4] belongs to image column x.
    const quint64 whiteColumn = kWhiteLanes * (2 * kContrastRadius + 1);
    std::fill(band.columns.begin(), band.columns.begin() + kContrastRadius, whiteColumn);
    std::fill(band.columns.begin() + kContrastRadius, band.columns.end(), 0);
    quint64* columns = band.columns.data() + kContrastRadius;
    for (int r = first - kContrastRadius; r <= first + kContrastRadius; ++r) {
        const QRgb* line = original(r, first);
        for (int x = 0; x < width; ++x)
            columns[x] += line ? lanes(line[x]) : kWhiteLanes;
    }

    const uchar* localR = tables.local[0].data();
    const uchar* localG = tables.local[1].data();
    const uchar* localB = tables.local[2].data();
    const int lastX = width - kContrastMargin - 1;
    for (int y = first; y < end; ++y) {
        QRgb* saved = band.saved.data() + qsizetype(y % kContrastRing) * width;
        std::memcpy(saved, rows[y], sizeof(QRgb) * size_t(width));
        QRgb* out = rows[y];

        quint64 sum = 0; // columns x-4 .. x+4, starting with x = 0
        for (int x = -kContrastRadius; x <= kContrastRadius; ++x)
            sum += columns[x];
        for (int x = 0; x <= lastX; ++x) {
            const QRgb p = saved[x];
            const unsigned r = qRed(p), g = qGreen(p), b = qBlue(p);
            const unsigned grey =
                (unsigned(localR[unsigned(sum >> 32) - r]) +
                 localG[unsigned((sum >> 16) & 0xFFFF) - g] + localB[unsigned(sum & 0xFFFF) - b]) /
                3;
            const uchar* apply = tables.apply.data() + (grey << 8);
            out[x] = kOpaque | (QRgb(apply[r]) << 16) | (QRgb(apply[g]) << 8) | apply[b];
            sum += columns[x + kContrastRadius + 1];
            sum -= columns[x - kContrastRadius];
        }

        if (y + 1 < end) {
            const QRgb* entering = original(y + kContrastRadius + 1, y + 1);
            const QRgb* leaving = original(y - kContrastRadius, y + 1);
            if (leaving) {
                for (int x = 0; x < width; ++x)
                    columns[x] = columns[x] + lanes(entering[x]) - lanes(leaving[x]);
            } else {
                for (int x = 0; x < width; ++x)
                    columns[x] = columns[x] + lanes(entering[x]) - kWhiteLanes;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 3x3 sharpen of one row; `line[x - 1]` and the row above already hold sharpened pixels.

// v = 5m - (N >> 3) with N the sum of the 8 neighbours; the new value is 0 for v < 1, v >> 2
// below 1024, else 255, which is clamp(v, 0, 1023) >> 2.
inline int sharpenChannel(int centre, int neighbours)
{
    const int v = 5 * centre - (neighbours >> 3);
    return (v < 0 ? 0 : (v > 1023 ? 1023 : v)) >> 2;
}

void sharpenRow(const QRgb* above, QRgb* line, const QRgb* below, int width)
{
    // The vertical pairs (above + below) of the columns left of, at and right of the pixel are
    // carried along, red and blue in the two 16-bit halves of one word (at most 7 * 255 each),
    // green apart; the sharpened left pixel is kept as three channels.
    const auto rb = [](QRgb p) { return p & 0xFF00FFu; };
    const auto g = [](QRgb p) { return (p >> 8) & 0xFFu; };
    QRgb pairRbLeft = rb(above[0]) + rb(below[0]), pairGLeft = g(above[0]) + g(below[0]);
    QRgb pairRbMid = rb(above[1]) + rb(below[1]), pairGMid = g(above[1]) + g(below[1]);
    int leftR = qRed(line[0]), leftG = qGreen(line[0]), leftB = qBlue(line[0]);
    for (int x = 1; x + 1 < width; ++x) {
        const QRgb pairRbRight = rb(above[x + 1]) + rb(below[x + 1]);
        const QRgb pairGRight = g(above[x + 1]) + g(below[x + 1]);
        const QRgb othersRb = pairRbLeft + pairRbMid + pairRbRight + rb(line[x + 1]);
        const QRgb othersG = pairGLeft + pairGMid + pairGRight + g(line[x + 1]);
        const QRgb m = line[x];
        leftR = sharpenChannel(qRed(m), int(othersRb >> 16) + leftR);
        leftG = sharpenChannel(qGreen(m), int(othersG) + leftG);
        leftB = sharpenChannel(qBlue(m), int(othersRb & 0xFFFF) + leftB);
        line[x] = kOpaque | (QRgb(leftR) << 16) | (QRgb(leftG) << 8) | QRgb(leftB);
        pairRbLeft = pairRbMid;
        pairGLeft = pairGMid;
        pairRbMid = pairRbRight;
        pairGMid = pairGRight;
    }
}

#if DRAWLUME_RASTER_SSE2
// The same with the four channels of a pixel in the 16-bit lanes of an SSE2 register.
void sharpenRowSse2(const QRgb* above, QRgb* line, const QRgb* below, int width)
{
    const __m128i zero = _mm_setzero_si128();
    const auto load = [zero](const QRgb* p) {
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(*p)), zero);
    };
    __m128i pairLeft = _mm_add_epi16(load(above), load(below));
    __m128i pairMid = _mm_add_epi16(load(above + 1), load(below + 1));
    __m128i left = load(line);
    for (int x = 1; x + 1 < width; ++x) {
        const __m128i pairRight = _mm_add_epi16(load(above + x + 1), load(below + x + 1));
        // Up to 8 * 255 per lane; 5m up to 1275; v within -255..1275.
        const __m128i others = _mm_add_epi16(_mm_add_epi16(pairLeft, pairMid),
                                             _mm_add_epi16(pairRight, load(line + x + 1)));
        const __m128i m = load(line + x);
        const __m128i m5 = _mm_add_epi16(_mm_slli_epi16(m, 2), m);
        const __m128i v = _mm_sub_epi16(m5, _mm_srli_epi16(_mm_add_epi16(others, left), 3));
        // v >> 2 (arithmetic) saturated to 0..255 is clamp(v, 0, 1023) >> 2.
        const __m128i out = _mm_packus_epi16(_mm_srai_epi16(v, 2), zero);
        line[x] = QRgb(_mm_cvtsi128_si32(out)) | kOpaque;
        left = _mm_unpacklo_epi8(out, zero);
        pairLeft = pairMid;
        pairMid = pairRight;
    }
}
#endif

// ---------------------------------------------------------------------------------------------
// Bilinear resize

// qRound(product / 65536.0) for a product 0..2^32 - 2^16: the halves round up.
inline quint32 roundShift16(quint32 product)
{
    return (product + 0x8000u) >> 16;
}

} // namespace

void setRasterExecution(const RasterExecution& execution)
{
    g_threads.store(execution.threads, std::memory_order_relaxed);
    g_minimumParallelPixels.store(execution.minimumPixels, std::memory_order_relaxed);
    g_vectorised.store(execution.vectorised, std::memory_order_relaxed);
}

RasterExecution rasterExecution()
{
    RasterExecution execution;
    execution.threads = g_threads.load(std::memory_order_relaxed);
    execution.minimumPixels = g_minimumParallelPixels.load(std::memory_order_relaxed);
    execution.vectorised = g_vectorised.load(std::memory_order_relaxed);
    return execution;
}

void ensure32Bit(QImage& image)
{
    if (image.isNull() || hasAlphaChannel(image))
        return;
    image = image.convertToFormat(QImage::Format_RGB32);
}

void adjustBrightness(QImage& image, int percent)
{
    if (image.isNull())
        return;
    ensure32Bit(image);
    std::array<uchar, 256> table;
    for (int c = 0; c < 256; ++c) {
        const qint64 p = percent;
        table[c] =
            uchar(std::clamp<qint64>(p <= 0 ? c + p * c / 100 : c + (255 - c) * p / 100, 0, 255));
    }
    mapChannels(image, table);
}

void adjustSaturation(QImage& image, int percent)
{
    if (image.isNull())
        return;
    ensure32Bit(image);
    // apply[grey << 8 | c] = c + p * (c - grey) / 100, clamped.
    const PairTable apply = makePairTable([percent](int grey, int c) {
        return int(std::clamp<qint64>(c + qint64(percent) * (c - grey) / 100, 0, 255));
    });
    const uchar* table = apply.data();
    const Rows rows = writableRows(image);
    const int width = image.width();
    forRowBands(image.height(), qint64(width) * image.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            QRgb* line = rows[y];
            for (int x = 0; x < width; ++x) {
                const QRgb p = line[x];
                const unsigned r = qRed(p), g = qGreen(p), b = qBlue(p);
                const uchar* t = table + (((r + g + b) / 3) << 8);
                line[x] = kOpaque | (QRgb(t[r]) << 16) | (QRgb(t[g]) << 8) | QRgb(t[b]);
            }
        }
    });
}

void sharpen3x3(QImage& image)
{
    if (image.width() < 3 || image.height() < 3)
        return;
    ensure32Bit(image);
    const Rows rows = writableRows(image);
    const int width = image.width();
    const bool simd = vectorised();
    // Row-major and in place: the row above and the pixel to the left are already sharpened when
    // a pixel is computed, so the rows cannot be split over threads.
    for (int y = 1; y + 1 < image.height(); ++y) {
#if DRAWLUME_RASTER_SSE2
        if (simd) {
            sharpenRowSse2(rows[y - 1], rows[y], rows[y + 1], width);
            continue;
        }
#endif
        sharpenRow(rows[y - 1], rows[y], rows[y + 1], width);
    }
}

void localContrast(QImage& image, int percent)
{
    const int width = image.width();
    const int height = image.height();
    if (width <= kContrastMargin || height <= kContrastMargin)
        return;
    ensure32Bit(image);
    const Rows rows = writableRows(image);
    const qint64 pixels = qint64(width) * height;

    // 1. Global channel means over every pixel (sums per band, added in band order).
    const int sumBands = bandCount(height, pixels);
    std::vector<std::array<qint64, 3>> bandSums(size_t(sumBands), {0, 0, 0});
    runBands(height, sumBands, [&](int band, int first, int end) {
        std::array<qint64, 3> total = {0, 0, 0};
        for (int y = first; y < end; ++y) {
            const QRgb* line = rows[y];
            quint32 r = 0, g = 0, b = 0; // a row of up to 2^24 pixels cannot overflow these
            for (int x = 0; x < width; ++x) {
                r += qRed(line[x]);
                g += qGreen(line[x]);
                b += qBlue(line[x]);
            }
            total[0] += r;
            total[1] += g;
            total[2] += b;
        }
        bandSums[size_t(band)] = total;
    });
    std::array<qint64, 3> sums = {0, 0, 0};
    for (const auto& s : bandSums)
        for (int c = 0; c < 3; ++c)
            sums[c] += s[c];

    // 4. and 5. as tables: L_c = (3 * ((g_c + 2 m_c) / 3) + g_c) >> 2 for every local mean, and
    // the final channel for every reference grey G and value c.
    ContrastTables tables;
    for (int c = 0; c < 3; ++c) {
        const int mean = int(sums[c] / pixels);
        tables.local[c].resize(kContrastNeighbourSum + 1);
        for (int sum = 0; sum <= kContrastNeighbourSum; ++sum)
            tables.local[c][size_t(sum)] = uchar((3 * ((mean + 2 * (sum / 80)) / 3) + mean) >> 2);
    }
    for (int grey = 0; grey < 256; ++grey)
        for (int c = 0; c < 256; ++c)
            tables.apply[(grey << 8) | c] =
                uchar(std::clamp<qint64>(c + qint64(c - grey) * percent / 100, 0, 255));

    // 2. and 3. The padded working copy is never built: its white top rows and left columns are
    // added as constants, and the original rows still needed after being overwritten are kept
    // in small per-band buffers. Rows 0..height-10 are written.
    const int writtenRows = height - kContrastMargin;
    const int bands = bandCount(writtenRows, pixels);
    std::vector<ContrastBand> work(static_cast<size_t>(bands));
    for (int i = 0; i < bands; ++i) {
        ContrastBand& band = work[size_t(i)];
        band.first = bandStart(writtenRows, bands, i);
        band.end = bandStart(writtenRows, bands, i + 1);
        band.above.resize(size_t(kContrastRadius) * size_t(width));
        band.below.resize(size_t(kContrastRadius) * size_t(width));
        band.saved.resize(size_t(kContrastRing) * size_t(width));
        band.columns.resize(size_t(width) + kContrastRadius);
        for (int k = 0; k < kContrastRadius; ++k) {
            const int up = band.first - kContrastRadius + k;
            if (up >= 0)
                std::memcpy(band.above.data() + qsizetype(k) * width, rows[up],
                            sizeof(QRgb) * size_t(width));
            std::memcpy(band.below.data() + qsizetype(k) * width, rows[band.end + k],
                        sizeof(QRgb) * size_t(width));
        }
    }
    runBands(writtenRows, bands,
             [&](int band, int, int) { contrastBand(work[size_t(band)], rows, width, tables); });
}

QImage restoreAlpha(const QImage& alphaSource, const QImage& processed)
{
    if (!hasAlphaChannel(alphaSource) || processed.isNull())
        return processed;
    const QImage in = as32Bit(processed);
    // Pixels of an RGB32 image are opaque by definition, so carrying alpha needs ARGB32.
    const QImage::Format format =
        in.format() == QImage::Format_RGB32 ? QImage::Format_ARGB32 : in.format();
    QImage result(in.size(), format);
    if (result.isNull())
        return processed;
    const int width = in.width();
    const int height = in.height();
    // Both images normally have the same size; pixels outside the alpha source keep their own.
    const int alphaWidth = std::min(width, alphaSource.width());
    const int alphaHeight = std::min(height, alphaSource.height());
    const ConstRows source = readableRows(in);
    const ConstRows alpha = readableRows(alphaSource);
    const Rows out = writableRows(result);
    forRowBands(height, qint64(width) * height, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const QRgb* s = source[y];
            QRgb* o = out[y];
            if (y < alphaHeight) {
                const QRgb* a = alpha[y];
                for (int x = 0; x < alphaWidth; ++x)
                    o[x] = (s[x] & 0x00FFFFFFu) | (a[x] & 0xFF000000u);
                std::memcpy(o + alphaWidth, s + alphaWidth,
                            sizeof(QRgb) * size_t(width - alphaWidth));
            } else {
                std::memcpy(o, s, sizeof(QRgb) * size_t(width));
            }
        }
    });
    return result;
}

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
    const bool simd = vectorised();
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

void resizeBilinear(const QImage& sourceImage, QImage& target)
{
    if (sourceImage.size() == target.size()) {
        target = sourceImage;
        return;
    }
    if (sourceImage.isNull() || target.isNull())
        return;
    ensure32Bit(target);
    const QImage source = as32Bit(sourceImage);
    const int w = source.width(), h = source.height();
    const int w2 = target.width(), h2 = target.height();
    // 16.16 fixed point steps.
    const qint64 xstep = (qint64(w - 1) * 65536) / w2;
    const qint64 ystep = (qint64(h - 1) * 65536) / h2;

    // Per target column: the left source column and the fraction fx.
    std::vector<int> columnX(static_cast<size_t>(w2));
    std::vector<quint32> columnFx(static_cast<size_t>(w2));
    for (int j = 0; j < w2; ++j) {
        const qint64 sx = j * xstep;
        columnX[size_t(j)] = int(sx >> 16);
        columnFx[size_t(j)] = quint32(sx & 0xFFFF);
    }
    const ConstRows in = readableRows(source);
    const Rows out = writableRows(target);
    forRowBands(h2, qint64(w2) * h2, [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            const qint64 sy = i * ystep;
            const int y0 = int(sy >> 16);
            const quint32 fy = quint32(sy & 0xFFFF);
            const int y1 = y0 < h - 1 ? y0 + 1 : y0;
            const QRgb* top = in[y0];
            const QRgb* bottom = in[y1];
            const quint32 upper = 65536 - fy; // share of row y0
            const quint32 lower = fy + 1;     // share of row y1 (the weights add up to 65537)
            QRgb* line = out[i];
            for (int j = 0; j < w2; ++j) {
                const int x0 = columnX[size_t(j)];
                const quint32 fx = columnFx[size_t(j)];
                // With a single source column fx is 0 and the right neighbour has no weight.
                const int x1 = x0 + 1 < w ? x0 + 1 : x0;
                const quint32 upperRight = roundShift16(upper * fx);
                const quint32 lowerRight = roundShift16(lower * fx);
                const quint64 wTL = upper - upperRight;
                const quint64 wR = upperRight + lowerRight;
                const quint64 wB = lower - lowerRight;
                const QRgb tl = top[x0], r = top[x1], b = bottom[x0];
                // Red and blue in two 32-bit lanes (each weighted sum is below 2^24), green apart.
                const auto rb = [](QRgb p) {
                    return (quint64(p & 0xFF0000) << 16) | quint64(p & 0xFF);
                };
                const quint64 sumRb = wTL * rb(tl) + wR * rb(r) + wB * rb(b);
                const quint64 sumG =
                    wTL * ((tl >> 8) & 0xFF) + wR * ((r >> 8) & 0xFF) + wB * ((b >> 8) & 0xFF);
                line[j] = kOpaque | (QRgb((sumRb >> 48) & 0xFF) << 16) |
                          (QRgb((sumG >> 16) & 0xFF) << 8) | QRgb((sumRb >> 16) & 0xFF);
            }
        }
    });
}

QImage scaleToSize(const QImage& image, const QImage& sizeOf)
{
    if (image.isNull())
        return image;
    return image.scaled(sizeOf.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage scaleByFactor(const QImage& image, double factor)
{
    if (image.isNull())
        return image;
    const double w = factor * image.width();
    const double h = factor * image.height();
    // A factor that gives no pixels (or no number) gives a null image.
    if (!(w >= 1.0 && h >= 1.0) || w > std::numeric_limits<int>::max() ||
        h > std::numeric_limits<int>::max())
        return QImage();
    return image.scaled(QSize(int(w), int(h)), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void rotate90(int direction, const QImage& sourceImage, QImage& target)
{
    const QImage source = as32Bit(sourceImage);
    const int w = source.width(), h = source.height();
    // Callers pass square pictures; the target is allocated turned (h x w) so that a rectangular
    // one is turned correctly instead of written out of bounds.
    target = QImage(h, w, QImage::Format_RGB32);
    if (source.isNull() || target.isNull())
        return;
    const ConstRows in = readableRows(source);
    const Rows out = writableRows(target);
    // Tiles keep both the rows read and the rows written in cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < w; ty += kTile) {
        const int tyEnd = std::min(w, ty + kTile);
        for (int tx = 0; tx < h; tx += kTile) {
            const int txEnd = std::min(h, tx + kTile);
            for (int row = ty; row < tyEnd; ++row) {
                QRgb* line = out[row];
                for (int col = tx; col < txEnd; ++col) {
                    // Clockwise: source (x, y) -> (h-1-y, x); otherwise (x, y) -> (y, w-1-x).
                    const QRgb p = direction > 0 ? in[h - 1 - col][row] : in[col][w - 1 - row];
                    line[col] = kOpaque | p;
                }
            }
        }
    }
}

QImage rotateByAngle(const QImage& imageIn, int degrees)
{
    if (imageIn.isNull())
        return imageIn;
    const QImage image = as32Bit(imageIn);
    const int w = image.width(), h = image.height();
    const double theta = -double(degrees) / 180.0 * kPi;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const int W = std::abs(qRound(w * c)) + std::abs(qRound(h * s));
    const int H = std::abs(qRound(h * c)) + std::abs(qRound(w * s));
    if (W - 2 <= 0 || H - 2 <= 0)
        return QImage();
    QImage result(W - 2, H - 2, image.format());
    if (result.isNull())
        return result;
    const int halfW = w >> 1, halfH = h >> 1;
    const int offsetX = halfW + (W - w) / 2;
    const int offsetY = halfH + (H - h) / 2;
    const ConstRows in = readableRows(image);
    const Rows out = writableRows(result);
    const int resultWidth = result.width();
    // Offsets from the centre in half pixels: u for the column, v for the row. The products
    // c * u and s * u are the same doubles for every row, so they are computed once.
    std::vector<double> cu(static_cast<size_t>(resultWidth)), su(cu.size());
    for (int x = 0; x < resultWidth; ++x) {
        const int u = 2 * (x - offsetX) + 1;
        cu[size_t(x)] = c * u;
        su[size_t(x)] = s * u;
    }
    forRowBands(result.height(), qint64(resultWidth) * result.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            QRgb* line = out[y];
            const int v = 2 * (y - offsetY) + 1;
            const double cv = c * v, sv = s * v;
            for (int x = 0; x < resultWidth; ++x) {
                const int n = qRound(cu[size_t(x)] - sv);
                const int p = qRound(cv + su[size_t(x)]);
                const int sx = halfW + (n - 1) / 2;
                const int sy = halfH + (p - 1) / 2;
                // One unsigned comparison per axis tests both bounds.
                line[x] = (unsigned(sx) < unsigned(w) && unsigned(sy) < unsigned(h)) ? in[sy][sx]
                                                                                     : kWhite;
            }
        }
    });
    return result;
}

void floodFill(uchar* bits, qsizetype bytesPerLine, int width, int height, int x, int y,
               QRgb newColour, QRgb targetColour)
{
    constexpr QRgb kRgb = 0x00FFFFFFu;
    const QRgb target = targetColour & kRgb;
    if (target == (newColour & kRgb) || x < 0 || y < 0 || x >= width || y >= height)
        return;
    const Rows rows{bits, bytesPerLine};
    // Last in, first out; the vector grows in blocks as needed. A neighbour outside the image or
    // not of the target colour is not pushed at all: it would be popped and skipped, since a
    // pixel that does not match never comes to match, so the filled region is the same.
    std::vector<std::pair<int, int>> stack;
    stack.reserve(4096);
    stack.emplace_back(x, y);
    const auto matches = [&](int px, int py) { return (rows[py][px] & kRgb) == target; };
    while (!stack.empty()) {
        const auto [px, py] = stack.back();
        stack.pop_back();
        QRgb& pixel = rows[py][px];
        if ((pixel & kRgb) != target)
            continue; // filled since it was pushed
        pixel = newColour;
        if (px + 1 < width && matches(px + 1, py))
            stack.emplace_back(px + 1, py);
        if (px > 0 && matches(px - 1, py))
            stack.emplace_back(px - 1, py);
        if (py + 1 < height && matches(px, py + 1))
            stack.emplace_back(px, py + 1);
        if (py > 0 && matches(px, py - 1))
            stack.emplace_back(px, py - 1);
    }
}

QByteArray imageDigest(const QImage& image)
{
    return QCryptographicHash::hash(QByteArrayView(image.constBits(), image.sizeInBytes()),
                                    QCryptographicHash::Md5);
}
