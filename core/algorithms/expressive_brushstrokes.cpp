#include "core/algorithms/expressive_brushstrokes.h"

#include "core/raster/parallel_rows.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "core/framework/iprogress_reporter.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <new>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#define DRAWLUME_EXPRESSIVE_SSE2 1
#else
#define DRAWLUME_EXPRESSIVE_SSE2 0
#endif

namespace {

using Brush = ExpressiveBrushstrokes::Brush;
using BrushSet = ExpressiveBrushstrokes::BrushSet;
using MatchTable = ExpressiveBrushstrokes::MatchTable;

const QString kBrushBitmap = QStringLiteral(":/brushstroke.bmp");

constexpr int kEmptyScore = ExpressiveBrushstrokes::kEmptyScore;
constexpr int kBrushCount = ExpressiveBrushstrokes::kBrushCount;
constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;
// Brush sizes are held here whatever a caller passes: from 2 the brush set can be built, and up
// to 400 every error sum (at most 6095 a pixel) fits in an int.
constexpr int kSmallestBrush = 2;
constexpr int kLargestBrush = 400;
// Pixels whose edge value is below this count as flat: the cooldown after a very good match
// runs down over them and skips them.
constexpr int kFlatEdge = 5;
// The random matching looks ahead by batches of about this many pixels, at most kBatchRows rows.
constexpr qint64 kBatchPixels = 65536;
constexpr int kBatchRows = 16;

// The counters behind the progress values and the step labels, shared by every run in the
// process.
std::atomic<int> g_progressCounter{0};
std::atomic<int> g_stepCounter{0};
std::atomic<int> g_totalSteps{0};

inline int redOf(QRgb p)
{
    return int((p >> 16) & 0xFF);
}
inline int greenOf(QRgb p)
{
    return int((p >> 8) & 0xFF);
}
inline int blueOf(QRgb p)
{
    return int(p & 0xFF);
}
inline QRgb opaque(int r, int g, int b)
{
    return kBlack | (QRgb(r) << 16) | (QRgb(g) << 8) | QRgb(b);
}
inline int colourDistance(QRgb a, QRgb b)
{
    return std::abs(blueOf(a) - blueOf(b)) + std::abs(redOf(a) - redOf(b)) +
           std::abs(greenOf(a) - greenOf(b));
}

bool is32Bit(const QImage& image)
{
    const QImage::Format format = image.format();
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// A 32-bit raster seen through its scan lines.
struct Pixels
{
    QRgb* bits;
    std::ptrdiff_t stride; // in pixels
    int width;
    int height;
    QRgb* row(int y) const { return bits + std::ptrdiff_t(y) * stride; }
};

struct ConstPixels
{
    const QRgb* bits;
    std::ptrdiff_t stride;
    int width;
    int height;
    const QRgb* row(int y) const { return bits + std::ptrdiff_t(y) * stride; }
};

Pixels pixelsOf(QImage& image)
{
    QRgb* bits = reinterpret_cast<QRgb*>(image.bits()); // detaches a shared image, once
    return {bits, image.bytesPerLine() / 4, image.width(), image.height()};
}

ConstPixels pixelsOf(const QImage& image)
{
    return {reinterpret_cast<const QRgb*>(image.constBits()), image.bytesPerLine() / 4,
            image.width(), image.height()};
}

bool isCancelled(const ExpressiveSettings& settings)
{
    return settings.cancelled && settings.cancelled->load(std::memory_order_relaxed);
}

void resetCounters()
{
    g_progressCounter.store(0);
    g_stepCounter.store(0);
    g_totalSteps.store(0);
}

void reportNextProgress(const ExpressiveSettings& settings)
{
    settings.reporter->report_progress(++g_progressCounter);
}

// "Step (k/n)": the next step of the run.
void announceStep(const ExpressiveSettings& settings)
{
    if (!settings.reporter)
        return;
    const int step = ++g_stepCounter;
    settings.reporter->report_label(
        QStringLiteral("Step (%1/%2)").arg(step).arg(g_totalSteps.load()));
}

// The settings held to the ranges of their sliders (a damaged document may carry anything), so
// that brush sizes, pick counts and thresholds stay bounded.
ExpressiveSettings bounded(const ExpressiveSettings& settings)
{
    ExpressiveSettings s = settings;
    s.maximumStrokeSize = std::clamp(s.maximumStrokeSize, 0, 254);
    s.precision = std::clamp(s.precision, 0, 100);
    return s;
}

int threadsFor(qint64 pixels)
{
    const RasterExecution execution = rasterExecution();
    if (pixels < execution.minimumPixels)
        return 1;
    return execution.threads > 0 ? execution.threads : workerThreadCount();
}

// ---------------------------------------------------------------------------------------------
// Edges

// Row y of the edge magnitude (1 <= y <= height - 2): the mean channel distance of each interior
// pixel to the mean of its eight neighbours; the first and last column are 0.
void edgeRow(const ConstPixels& work, int y, uchar* out)
{
    const int width = work.width;
    const QRgb* up = work.row(y - 1);
    const QRgb* mid = work.row(y);
    const QRgb* down = work.row(y + 1);
    out[0] = 0;
    out[width - 1] = 0;
    for (int x = 1; x + 1 < width; ++x) {
        int sum[3] = {0, 0, 0};
        for (const QRgb p : {up[x - 1], up[x], up[x + 1], mid[x - 1], mid[x + 1], down[x - 1],
                             down[x], down[x + 1]}) {
            sum[0] += redOf(p);
            sum[1] += greenOf(p);
            sum[2] += blueOf(p);
        }
        const QRgb c = mid[x];
        const int g = (std::abs(redOf(c) - (sum[0] >> 3)) + std::abs(greenOf(c) - (sum[1] >> 3)) +
                       std::abs(blueOf(c) - (sum[2] >> 3))) /
                      3;
        out[x] = uchar(g);
    }
}

// The edge magnitude of work, one byte a pixel (the border 0).
std::vector<uchar> edgePlane(const QImage& workImage)
{
    const ConstPixels work = pixelsOf(workImage);
    const int width = work.width, height = work.height;
    std::vector<uchar> plane(std::size_t(width) * std::size_t(height), 0);
    if (width < 3 || height < 3)
        return plane;
    parallelRows(1, height - 1, threadsFor(qint64(width) * height), 64,
                 [&](int first, int end, int) {
                     for (int y = first; y < end; ++y)
                         edgeRow(work, y, plane.data() + std::size_t(y) * width);
                 });
    return plane;
}

// ---------------------------------------------------------------------------------------------
// Brushes on raw pixels

// Lays the ink of the brush (rows and columns 0..a-2) in colour onto the raster, the brush's
// top-left at (x0, y0).
void stampInk(const Brush& brush, int a, int x0, int y0, const Pixels& canvas, QRgb colour)
{
    const int cr = redOf(colour), cg = greenOf(colour), cb = blueOf(colour);
    for (const ExpressiveBrushstrokes::Ink& ink : brush.ink) {
        if (ink.row > a - 2 || ink.column > a - 2)
            continue;
        const int px = x0 + ink.column, py = y0 + ink.row;
        if (unsigned(px) >= unsigned(canvas.width) || unsigned(py) >= unsigned(canvas.height))
            continue;
        QRgb& p = canvas.row(py)[px];
        const int g = ink.red, paint = 255 - g;
        p = opaque((redOf(p) * g + cr * paint) >> 8, (greenOf(p) * g + cg * paint) >> 8,
                   (blueOf(p) * g + cb * paint) >> 8);
    }
}

// The blend of a pick of rank q onto the raster, the brush's top-left at (x0, y0); see
// ExpressiveBrushstrokes::blendPick.
void blendInk(int q, int edge, QRgb colour, const Brush& brush, int x0, int y0,
              const Pixels& target)
{
    const int a = brush.image.width();
    const int cr = redOf(colour), cg = greenOf(colour), cb = blueOf(colour);
    const auto inside = [&](int px, int py) {
        return unsigned(px) < unsigned(target.width) && unsigned(py) < unsigned(target.height);
    };
    if (q < 3 && edge > 9) {
        // On an edge the best pick is darkened by 1, the second kept, the third lightened by 1.
        const int ar = clampChannel(cr + q - 1), ag = clampChannel(cg + q - 1),
                  ab = clampChannel(cb + q - 1);
        for (const ExpressiveBrushstrokes::Ink& ink : brush.ink) {
            if (ink.row > a - 2 || ink.red >= 240 || !inside(x0 + ink.column, y0 + ink.row))
                continue;
            QRgb& p = target.row(y0 + ink.row)[x0 + ink.column];
            const int g = ink.red, paint = 255 - g;
            const auto mix = [&](int old, int adjusted, int c) {
                return (((old + adjusted) >> 1) + ((old * g + c * paint) >> 8)) >> 1;
            };
            p = opaque(mix(redOf(p), ar, cr), mix(greenOf(p), ag, cg), mix(blueOf(p), ab, cb));
        }
        return;
    }
    // Elsewhere the pick is stamped again.
    stampInk(brush, a, x0, y0, target, colour);
}

// The ink of a brush as offsets into the canvas from the brush's top-left pixel, for brushes
// that lie wholly on the canvas: the pixels a stamp (and an ordinary pick) paints, and those an
// edge pick paints.
struct CanvasBrush
{
    std::vector<std::int32_t> stampOffsets;
    std::vector<std::uint8_t> stampReds;
    std::vector<std::int32_t> edgeOffsets;
    std::vector<std::uint8_t> edgeReds;
};

std::vector<CanvasBrush> canvasBrushes(const BrushSet& brushes, int a, std::ptrdiff_t stride)
{
    std::vector<CanvasBrush> result(brushes.size());
    for (std::size_t k = 0; k < brushes.size(); ++k) {
        for (const ExpressiveBrushstrokes::Ink& ink : brushes[k].ink) {
            const std::int32_t offset = std::int32_t(ink.row * stride + ink.column);
            if (ink.row <= a - 2 && ink.column <= a - 2) {
                result[k].stampOffsets.push_back(offset);
                result[k].stampReds.push_back(std::uint8_t(ink.red));
            }
            if (ink.row <= a - 2 && ink.red < 240) {
                result[k].edgeOffsets.push_back(offset);
                result[k].edgeReds.push_back(std::uint8_t(ink.red));
            }
        }
    }
    return result;
}

// The three channels of a pixel spread over 16-bit fields of a 64-bit word (blue, red, green
// from the bottom), so that one multiplication weighs them all: every product and sum below
// stays under 2^16 within its field.
constexpr std::uint64_t kFieldMask = 0x000000FF00FF00FFull;

inline std::uint64_t spread(QRgb p)
{
    return (std::uint64_t(p) & 0x00FF00FFu) | ((std::uint64_t(p) & 0x0000FF00u) << 24);
}

inline QRgb gather(std::uint64_t fields)
{
    return kBlack | QRgb(fields & 0x00FF00FFu) | (QRgb(fields >> 24) & 0x0000FF00u);
}

void stampOnCanvas(QRgb* origin, const CanvasBrush& brush, QRgb colour)
{
    const std::uint64_t c = spread(colour);
    const std::size_t n = brush.stampOffsets.size();
    for (std::size_t k = 0; k < n; ++k) {
        QRgb& p = origin[brush.stampOffsets[k]];
        const std::uint64_t g = brush.stampReds[k];
        p = gather(((spread(p) * g + c * (255 - g)) >> 8) & kFieldMask);
    }
}

void blendEdgeOnCanvas(QRgb* origin, const CanvasBrush& brush, int q, QRgb colour)
{
    const std::uint64_t c = spread(colour);
    const std::uint64_t adjusted =
        spread(opaque(clampChannel(redOf(colour) + q - 1), clampChannel(greenOf(colour) + q - 1),
                      clampChannel(blueOf(colour) + q - 1)));
    const std::size_t n = brush.edgeOffsets.size();
    for (std::size_t k = 0; k < n; ++k) {
        QRgb& p = origin[brush.edgeOffsets[k]];
        const std::uint64_t old = spread(p), g = brush.edgeReds[k];
        const std::uint64_t half = ((old + adjusted) >> 1) & kFieldMask;
        const std::uint64_t weighed = ((old * g + c * (255 - g)) >> 8) & kFieldMask;
        p = gather(((half + weighed) >> 1) & kFieldMask);
    }
}

// ---------------------------------------------------------------------------------------------
// The brush search away from the border

// A brush's ink as offsets into the photograph from the footprint's top-left pixel, for
// footprints that lie wholly inside the interior: there every ink pixel counts in both the
// average and the error, so the count is fixed and its division becomes a multiplication. The
// lists are padded with offset 0, weight 0 to a multiple of four.
struct InteriorBrush
{
    std::vector<std::int32_t> offsets;
    std::vector<std::int32_t> weights; // 255 - red
    int count = 0;
    std::uint64_t reciprocal = 0; // floor(2^32 / count)

    // sum / count for sums below 2^32: the product is at most one below the quotient.
    int divide(std::uint64_t sum) const
    {
        std::uint64_t q = (sum * reciprocal) >> 32;
        if ((q + 1) * std::uint64_t(count) <= sum)
            ++q;
        return int(q);
    }
    QRgb average(std::uint64_t r, std::uint64_t g, std::uint64_t b) const
    {
        return count == 0 ? kBlack : opaque(divide(r), divide(g), divide(b));
    }
};

std::vector<InteriorBrush> interiorBrushes(const BrushSet& brushes, std::ptrdiff_t stride)
{
    std::vector<InteriorBrush> result(brushes.size());
    for (std::size_t k = 0; k < brushes.size(); ++k) {
        InteriorBrush& b = result[k];
        for (const ExpressiveBrushstrokes::Ink& ink : brushes[k].ink) {
            b.offsets.push_back(std::int32_t(ink.row * stride + ink.column));
            b.weights.push_back(255 - ink.red);
        }
        b.count = int(b.offsets.size());
        b.reciprocal = b.count > 0 ? (std::uint64_t(1) << 32) / std::uint64_t(b.count) : 0;
        while (b.offsets.size() % 4 != 0) {
            b.offsets.push_back(0);
            b.weights.push_back(0);
        }
    }
    return result;
}

struct Match
{
    int score = kEmptyScore;
    QRgb colour = kWhite & 0x00FFFFFFu; // alpha byte: the brush index
};

QRgb averageOfCount(quint64 r, quint64 g, quint64 b, int count)
{
    if (count == 0)
        return kBlack;
    return opaque(int(r / unsigned(count)), int(g / unsigned(count)), int(b / unsigned(count)));
}

void interiorScalar(const QRgb* origin, const InteriorBrush& brush, QRgb& colour, int& error)
{
    const std::int32_t* offsets = brush.offsets.data();
    const std::int32_t* weights = brush.weights.data();
    const int n = brush.count;
    quint64 rb = 0, g = 0; // blue in the low half of rb, red in the high half
    for (int k = 0; k < n; ++k) {
        const quint64 p = origin[offsets[k]];
        rb += (p & 0xFF) | ((p & 0xFF0000) << 16);
        g += (p >> 8) & 0xFF;
    }
    colour = brush.average(rb >> 32, g, rb & 0xFFFFFFFFu);
    const int cr = redOf(colour), cg = greenOf(colour), cb = blueOf(colour);
    int sum = 0;
    for (int k = 0; k < n; ++k) {
        const QRgb p = origin[offsets[k]];
        const int d =
            std::abs(blueOf(p) - cb) + std::abs(redOf(p) - cr) + std::abs(greenOf(p) - cg);
        sum += (d * weights[k]) >> 5;
    }
    error = sum;
}

#if DRAWLUME_EXPRESSIVE_SSE2
// Four gathered pixels.
struct alignas(16) Quad
{
    std::uint32_t lanes[4];
};

// The same sums four ink pixels at a time. The pixels gathered for the average are kept in
// `gathered` for the error.
void interiorSse2(const QRgb* origin, const InteriorBrush& brush, std::vector<Quad>& gathered,
                  QRgb& colour, int& error)
{
    const int n = brush.count;
    if (n == 0) {
        colour = kBlack;
        error = 0;
        return;
    }
    const std::int32_t* offsets = brush.offsets.data();
    const int groups = int(brush.offsets.size() / 4);
    if (gathered.size() < std::size_t(groups))
        gathered.resize(std::size_t(groups));
    __m128i* kept = reinterpret_cast<__m128i*>(gathered.data());
    // The last group's padding lanes are cleared so that they add nothing to the sums.
    const int used = n - 4 * (groups - 1);
    const __m128i lastMask =
        _mm_set_epi32(used > 3 ? -1 : 0, used > 2 ? -1 : 0, used > 1 ? -1 : 0, -1);
    const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF);
    // Each 16-bit half of a lane takes at most 256 additions of 255 before it is added into
    // the 64-bit totals.
    quint64 totals[3] = {0, 0, 0}; // blue, red, green
    for (int start = 0; start < groups; start += 256) {
        const int stop = std::min(groups, start + 256);
        __m128i rb = _mm_setzero_si128(), gg = _mm_setzero_si128();
        for (int k = start; k < stop; ++k) {
            const std::int32_t* o = offsets + 4 * k;
            __m128i v = _mm_set_epi32(int(origin[o[3]]), int(origin[o[2]]), int(origin[o[1]]),
                                      int(origin[o[0]]));
            if (k == groups - 1)
                v = _mm_and_si128(v, lastMask);
            _mm_store_si128(kept + k, v);
            rb = _mm_add_epi32(rb, _mm_and_si128(v, lowBytes));
            gg = _mm_add_epi32(gg, _mm_and_si128(_mm_srli_epi32(v, 8), lowBytes));
        }
        // Fold the four lanes: the 16-bit halves are added as 32-bit numbers.
        const __m128i low16 = _mm_set1_epi32(0xFFFF);
        const __m128i blue = _mm_and_si128(rb, low16), red = _mm_srli_epi32(rb, 16),
                      green = _mm_and_si128(gg, low16);
        alignas(16) std::uint32_t lanes[12];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), blue);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), red);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 8), green);
        for (int c = 0; c < 3; ++c)
            totals[c] +=
                quint64(lanes[4 * c]) + lanes[4 * c + 1] + lanes[4 * c + 2] + lanes[4 * c + 3];
    }
    colour = brush.average(totals[1], totals[2], totals[0]);

    // Error: per pixel the three absolute channel differences, added in the 32-bit lane, times
    // the weight (both below 2^16, so one madd gives the product), shifted, summed. Padding
    // lanes have weight 0.
    const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
    const __m128i c = _mm_set1_epi32(int(colour & 0x00FFFFFFu));
    const __m128i byte = _mm_set1_epi32(0xFF);
    const __m128i* weights = reinterpret_cast<const __m128i*>(brush.weights.data());
    __m128i sum = _mm_setzero_si128();
    for (int k = 0; k < groups; ++k) {
        const __m128i v = _mm_and_si128(_mm_load_si128(kept + k), rgb);
        const __m128i diff = _mm_or_si128(_mm_subs_epu8(v, c), _mm_subs_epu8(c, v));
        const __m128i d = _mm_add_epi32(
            _mm_add_epi32(_mm_and_si128(diff, byte), _mm_and_si128(_mm_srli_epi32(diff, 8), byte)),
            _mm_srli_epi32(diff, 16));
        const __m128i w = _mm_loadu_si128(weights + k);
        sum = _mm_add_epi32(sum, _mm_srli_epi32(_mm_madd_epi16(d, w), 5));
    }
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
    error = _mm_cvtsi128_si32(sum);
}
#endif

// Everything the search of one pass reads.
struct Search
{
    const BrushSet* brushes;
    std::vector<InteriorBrush> interior;
    const QImage* work;
    ConstPixels pixels;
    int a;
    bool vectorised;
};

// The best of the ten orientations at (x, y): the lowest error, the first on ties, starting
// from an empty table entry.
Match bestMatch(const Search& search, int x, int y)
{
    const int a = search.a, h = a / 2;
    const ConstPixels& work = search.pixels;
    const bool interior =
        x - h >= 1 && x + h - 1 <= work.width - 2 && y - h >= 1 && y + h - 1 <= work.height - 2;
    int bestScore = kEmptyScore;
    int bestIndex = 0;
    QRgb bestColour = kWhite;
#if DRAWLUME_EXPRESSIVE_SSE2
    thread_local std::vector<Quad> gathered;
#endif
    for (int j = 0; j < kBrushCount; ++j) {
        QRgb colour;
        int error;
        if (interior) {
            const QRgb* origin = work.row(y - h) + (x - h);
#if DRAWLUME_EXPRESSIVE_SSE2
            if (search.vectorised)
                interiorSse2(origin, search.interior[std::size_t(j)], gathered, colour, error);
            else
#endif
                interiorScalar(origin, search.interior[std::size_t(j)], colour, error);
        } else {
            const Brush& brush = (*search.brushes)[std::size_t(j)];
            colour = ExpressiveBrushstrokes::averageUnderBrush(brush, a, x, y, *search.work);
            error = ExpressiveBrushstrokes::brushError(brush, a, colour, x, y, *search.work);
        }
        if (error < bestScore) {
            bestScore = error;
            bestIndex = j;
            bestColour = colour;
        }
    }
    return {bestScore, (bestColour & 0x00FFFFFFu) | (QRgb(bestIndex) << 24)};
}

// ---------------------------------------------------------------------------------------------
// The two halves of a pass

struct PassData
{
    ExpressiveSettings settings;
    const QImage* work;
    QImage* canvas;
    int a;
    int b;
    int c;
    std::int64_t w;
    std::vector<uchar> edges;
    BrushSet brushes;
    std::vector<CanvasBrush> canvasInk;
    MatchTable* table;
};

// A pixel that passed the chance test, with its acceptance level r.
struct Candidate
{
    int x;
    std::int64_t r;
};

// Row by row: every pixel draws r and t; a pixel whose t reaches 97 - e and that no cooldown
// holds back gets the best of the ten brushes in the table, and a good enough match is stamped
// at once. Returns false when cancelled.
//
// The search reads only the photograph, so a batch of rows is worked ahead: the draws of every
// pixel are made first, in order, then every pixel that passed the chance test is searched (on
// several threads), and then the rows are walked in order for the cooldown, the table and the
// stamps. Pixels the cooldown holds back have been searched in vain but are never used.
bool randomMatching(PassData& pass)
{
    const ExpressiveSettings& settings = pass.settings;
    const QImage& workImage = *pass.work;
    const int W = workImage.width(), H = workImage.height();
    const int a = pass.a;
    Pixels canvas = pixelsOf(*pass.canvas);
    Search search{&pass.brushes,       {}, &workImage,
                  pixelsOf(workImage), a,  rasterExecution().vectorised};
    search.interior = interiorBrushes(pass.brushes, search.pixels.stride);
    const std::int64_t w = pass.w;
    // The draw range is w / 8 taken as an unsigned shift of the int.
    const int drawRange = int(std::uint32_t(w) >> 3);
    const int chance = pass.c;
    const int cooldownAfterGoodMatch = 33 - (settings.numberOfBrushstrokes >> 3);
    const int reportEvery = std::max(1, (H / 100) * g_totalSteps.load());
    const int threads = threadsFor(qint64(W) * H);
    const int batchRows = int(std::clamp<qint64>(kBatchPixels / std::max(W, 1), 1, kBatchRows));

    std::uint32_t state = randomState();
    int cooldown = 0;
    std::vector<Candidate> candidates;
    std::vector<Match> matches;
    std::vector<int> rowStart(static_cast<std::size_t>(batchRows) + 1);
    std::vector<std::uint32_t> rowState(static_cast<std::size_t>(batchRows));

    for (int first = 0; first < H; first += batchRows) {
        const int end = std::min(H, first + batchRows);
        // 1. The draws of every pixel of the batch, in order.
        candidates.clear();
        for (int y = first; y < end; ++y) {
            rowState[std::size_t(y - first)] = state;
            rowStart[std::size_t(y - first)] = int(candidates.size());
            const uchar* e = pass.edges.data() + std::size_t(y) * W;
            for (int x = 0; x < W; ++x) {
                const std::int64_t r = w + randomBelowFrom(state, drawRange);
                const int t = randomBelowFrom(state, chance);
                if (t >= 97 - e[x])
                    candidates.push_back({x, r});
            }
        }
        rowStart[std::size_t(end - first)] = int(candidates.size());

        // 2. The search of every candidate.
        matches.assign(candidates.size(), Match());
        const auto searchRange = [&](int begin, int stop, int) {
            int y = first;
            for (int k = begin; k < stop; ++k) {
                while (rowStart[std::size_t(y - first + 1)] <= k)
                    ++y;
                matches[std::size_t(k)] = bestMatch(search, candidates[std::size_t(k)].x, y);
            }
        };
        const bool searched = parallelRows(0, int(candidates.size()), threads, 64, searchRange,
                                           [&settings]() { return isCancelled(settings); });
        if (!searched && !isCancelled(settings))
            searchRange(0, int(candidates.size()), 0); // the flag was taken back meanwhile

        // 3. The rows in order: cancel flag, progress, cooldown, table and stamps.
        for (int y = first; y < end; ++y) {
            if (isCancelled(settings)) {
                setRandomState(rowState[std::size_t(y - first)]);
                resetCounters();
                return false;
            }
            if (settings.reporter && y % reportEvery == 0)
                reportNextProgress(settings);
            const uchar* e = pass.edges.data() + std::size_t(y) * W;
            int k = rowStart[std::size_t(y - first)];
            const int kEnd = rowStart[std::size_t(y - first + 1)];
            for (int x = 0; x < W; ++x) {
                if (e[x] < kFlatEdge) {
                    if (cooldown > 0)
                        --cooldown;
                } else {
                    cooldown = 0;
                }
                if (k == kEnd || candidates[std::size_t(k)].x != x)
                    continue;
                const Candidate& candidate = candidates[std::size_t(k)];
                const Match& match = matches[std::size_t(k)];
                ++k;
                if (cooldown != 0)
                    continue;
                const int index = int(match.colour >> 24);
                const QRgb colour = match.colour | kBlack;
                pass.table->set(x, y, match.score, index, colour);
                if (std::int64_t(match.score) <= candidate.r) {
                    if (std::int64_t(match.score) <= (candidate.r >> 3))
                        cooldown = cooldownAfterGoodMatch;
                    const int x0 = x - a / 2, y0 = y - a / 2;
                    if (x0 >= 0 && y0 >= 0 && x0 + a - 2 < W && y0 + a - 2 < H)
                        stampOnCanvas(canvas.row(y0) + x0, pass.canvasInk[std::size_t(index)],
                                      colour);
                    else
                        stampInk(pass.brushes[std::size_t(index)], a, x0, y0, canvas, colour);
                }
            }
        }
    }
    setRandomState(state);
    return true;
}

// Whether the a x a patch at (x0, y0) holds a canvas pixel that is not opaque. Drawing such a
// patch back composes it with itself, which only QPainter does the way it does.
bool patchHasTranslucency(const Pixels& canvas, int x0, int y0, int a)
{
    for (int y = std::max(0, y0); y < std::min(canvas.height, y0 + a); ++y) {
        const QRgb* line = canvas.row(y);
        for (int x = std::max(0, x0); x < std::min(canvas.width, x0 + a); ++x) {
            if ((line[x] >> 24) != 0xFF)
                return true;
        }
    }
    return false;
}

// Cell by cell from the bottom-right: the best matches of each cell restamped, worst first.
// Returns false when cancelled.
bool cellPicking(PassData& pass)
{
    const ExpressiveSettings& settings = pass.settings;
    QImage& canvasImage = *pass.canvas;
    const int W = canvasImage.width(), H = canvasImage.height();
    const int a = pass.a, h = a / 2;
    const std::int64_t threshold = pass.w * 100 / 250;
    const int reportEvery = std::max(1, int(double(H) / (a * 100.0)) * g_totalSteps.load());
    const bool opaqueFormat = canvasImage.format() == QImage::Format_RGB32;
    Pixels canvas = pixelsOf(canvasImage);
    for (int row = H / a - 1; row >= 2; --row) {
        if (isCancelled(settings)) {
            resetCounters();
            return false;
        }
        if (settings.reporter && row % reportEvery == 0)
            reportNextProgress(settings);
        for (int column = W / a - 1; column >= 2; --column) {
            const std::vector<QPoint> picks = ExpressiveBrushstrokes::pickBestInCell(
                *pass.table, a, column, row, pass.b, threshold);
            for (int q = int(picks.size()) - 1; q >= 0; --q) {
                const int X = picks[std::size_t(q)].x(), Y = picks[std::size_t(q)].y();
                if (X == 0 || Y == 0)
                    continue;
                const std::size_t index = std::size_t(pass.table->brushIndex(X, Y));
                const Brush& brush = pass.brushes[index];
                const QRgb colour = pass.table->colour(X, Y);
                const int edge = pass.edges[std::size_t(Y) * W + X];
                const int x0 = X - h, y0 = Y - h;
                if (opaqueFormat || !patchHasTranslucency(canvas, x0, y0, a)) {
                    // Drawing an opaque patch back only copies it: blend in place.
                    const bool onEdge = q < 3 && edge > 9;
                    const bool inside =
                        x0 >= 0 && y0 >= 0 && y0 + a - 2 < H && x0 + (onEdge ? a - 1 : a - 2) < W;
                    if (!inside)
                        blendInk(q, edge, colour, brush, x0, y0, canvas);
                    else if (onEdge)
                        blendEdgeOnCanvas(canvas.row(y0) + x0, pass.canvasInk[index], q, colour);
                    else
                        stampOnCanvas(canvas.row(y0) + x0, pass.canvasInk[index], colour);
                    continue;
                }
                QImage patch = canvasImage.copy(x0, y0, a, a);
                ExpressiveBrushstrokes::blendPick(q, edge, patch, colour, brush);
                {
                    QPainter painter(&canvasImage);
                    painter.drawImage(QPoint(x0, y0), patch);
                }
                canvas = pixelsOf(canvasImage);
            }
        }
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------

void paintExpressiveBrushstrokes(const ExpressiveSettings& settingsIn, QImage& image)
{
    const ExpressiveSettings settings = bounded(settingsIn);
    // The photograph at the working size with its contrast raised; the painting starts from it.
    QImage work = image.copy();
    if (settings.scaled)
        work = scaleByFactor(work, settings.scale);
    if (work.isNull())
        return; // a scale that leaves no pixel: nothing to paint
    ensure32Bit(work);
    // The photograph's alpha at the painting's size, for the finished painting.
    const QImage alphaDonor = work;
    localContrast(work, settings.contrast / 3);
    QImage canvas = work.copy();

    // Progress and the step counters start afresh.
    if (settings.reporter)
        settings.reporter->report_progress(0);
    g_progressCounter.store(0);
    g_stepCounter.store(0);
    g_totalSteps.store(settings.details < 1 ? 2 : 4);

    // The large brush, sharpened, then the small brush for the details.
    const int a1 = settings.maximumStrokeSize / 4 + 15;
    const int b = a1 * a1 * settings.precision / 256;
    ExpressiveBrushstrokes::matchingPass(settings, work, canvas, a1, b,
                                         settings.numberOfBrushstrokes / 4 + 98);
    sharpen3x3(canvas);
    if (settings.details > 0)
        ExpressiveBrushstrokes::matchingPass(settings, work, canvas, a1 * 100 / 185, b,
                                             settings.details / 3 + 25);

    // The photograph's alpha back, taken from the photograph reduced as the painting was, so
    // that a scaled painting's transparent parts stay where they were.
    if (settings.reporter)
        settings.reporter->report_progress(100);
    image = restoreAlpha(alphaDonor, canvas);
}

void ExpressiveBrushstrokes::matchingPass(const ExpressiveSettings& settingsIn, const QImage& work,
                                          QImage& canvas, int a, int b, int c)
{
    PassData pass;
    pass.settings = bounded(settingsIn);
    if (a % 2 != 0)
        ++a;
    pass.a = std::clamp(a, kSmallestBrush, kLargestBrush);
    pass.b = b;
    pass.c = c;
    pass.work = &work;
    pass.canvas = &canvas;
    if (work.size() != canvas.size() || !is32Bit(work) || !is32Bit(canvas))
        return;
    try {
        MatchTable table(canvas.width(), canvas.height());
        pass.table = &table;
        pass.edges = edgePlane(work);
        pass.brushes = buildBrushSet(pass.a);
        pass.canvasInk = canvasBrushes(pass.brushes, pass.a, canvas.bytesPerLine() / 4);
        pass.w = brushInkThreshold(pass.brushes, pass.settings.precision);
        announceStep(pass.settings);
        if (!randomMatching(pass))
            return;
        announceStep(pass.settings);
        cellPicking(pass);
    } catch (const std::bad_alloc&) {
        // A picture too large for the match table is left as it is.
    }
}

ExpressiveBrushstrokes::MatchTable::MatchTable(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_scores(std::size_t(m_width) * std::size_t(m_height), kEmptyScore),
      m_colours(m_scores.size(), kWhite & 0x00FFFFFFu)
{
}

ExpressiveBrushstrokes::BrushSet ExpressiveBrushstrokes::buildBrushSet(int a)
{
    BrushSet brushes;
    const QImage bitmap = QImage(kBrushBitmap).convertToFormat(QImage::Format_RGB32);
    QImage base(a, a, QImage::Format_RGB32);
    if (bitmap.isNull() || base.isNull())
        return BrushSet(kBrushCount, brushFromImage(QImage()));
    resizeBilinear(bitmap, base);
    for (int k = 0; k < kBrushCount; ++k) {
        const int angle = 18 * k;
        QImage turned;
        if (angle % 90 == 0)
            rotate90(angle, base, turned); // 0 turns one way, 90 the other
        else
            turned = rotateByAngle(base, angle);
        // The centred a x a square: cut from its corner to the far edges, then the top-left.
        const int rw = turned.width(), rh = turned.height();
        const auto floorHalf = [](int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
        const int cx = floorHalf(rw - a), cy = floorHalf(rh - a);
        const QImage cut = turned.copy(cx, cy, rw - cx, rh - cy);
        brushes.push_back(brushFromImage(cut.copy(0, 0, a, a)));
    }
    return brushes;
}

ExpressiveBrushstrokes::Brush ExpressiveBrushstrokes::brushFromImage(const QImage& image)
{
    Brush brush;
    brush.image = image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
    for (int j = 0; j < brush.image.height(); ++j) {
        const QRgb* line = reinterpret_cast<const QRgb*>(brush.image.constScanLine(j));
        for (int i = 0; i < brush.image.width(); ++i) {
            if (redOf(line[i]) <= kInkLimit)
                brush.ink.push_back({std::int16_t(i), std::int16_t(j), redOf(line[i])});
        }
    }
    return brush;
}

std::int64_t ExpressiveBrushstrokes::brushInkThreshold(const BrushSet& brushes, int precision)
{
    if (brushes.empty())
        return 0;
    std::int64_t ink = 0;
    for (const Ink& pixel : brushes.front().ink)
        ink += 255 - pixel.red;
    return ink * ((125 - precision) / 5);
}

QImage ExpressiveBrushstrokes::edgeMagnitude(const QImage& work)
{
    QImage edges(work.size(), QImage::Format_RGB32);
    if (edges.isNull())
        return edges;
    const std::vector<uchar> plane = edgePlane(work);
    for (int y = 0; y < edges.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(edges.scanLine(y));
        const uchar* e = plane.data() + std::size_t(y) * edges.width();
        for (int x = 0; x < edges.width(); ++x)
            line[x] = opaque(e[x], e[x], e[x]);
    }
    return edges;
}

QRgb ExpressiveBrushstrokes::averageUnderBrush(const Brush& brush, int a, int x, int y,
                                               const QImage& workImage)
{
    const ConstPixels work = pixelsOf(workImage);
    const int x0 = x - a / 2, y0 = y - a / 2;
    quint64 r = 0, g = 0, b = 0;
    int count = 0;
    for (const Ink& ink : brush.ink) {
        const int px = x0 + ink.column, py = y0 + ink.row;
        if (ink.column >= a || ink.row >= a || px <= 0 || px >= work.width - 1 || py <= 0 ||
            py >= work.height - 1)
            continue;
        const QRgb p = work.row(py)[px];
        r += quint64(redOf(p));
        g += quint64(greenOf(p));
        b += quint64(blueOf(p));
        ++count;
    }
    return averageOfCount(r, g, b, count);
}

int ExpressiveBrushstrokes::brushError(const Brush& brush, int a, QRgb colour, int x, int y,
                                       const QImage& workImage)
{
    const ConstPixels work = pixelsOf(workImage);
    const int h = a / 2;
    int sum = 0;
    for (const Ink& ink : brush.ink) {
        const int px = x - h + ink.column, py = y - h + ink.row;
        if (ink.column >= 2 * h || ink.row >= 2 * h || unsigned(px) >= unsigned(work.width) ||
            unsigned(py) >= unsigned(work.height))
            continue;
        sum += (colourDistance(work.row(py)[px], colour) * (255 - ink.red)) >> 5;
    }
    return sum;
}

void ExpressiveBrushstrokes::stampBrush(const Brush& brush, int a, int x, int y, QImage& canvas,
                                        QRgb colour)
{
    if (!is32Bit(canvas))
        return;
    stampInk(brush, a, x - a / 2, y - a / 2, pixelsOf(canvas), colour);
}

std::vector<QPoint> ExpressiveBrushstrokes::pickBestInCell(MatchTable& table, int a, int column,
                                                           int row, int limit,
                                                           std::int64_t threshold)
{
    std::vector<QPoint> picks;
    // The window, held to the table; the order of the search is columns outer, rows inner.
    const int left = std::max(0, a * column - a / 2);
    const int right = std::min(table.width() - 1, a * column + a / 2 - 2);
    const int top = std::max(0, a * row - a / 2);
    const int bottom = std::min(table.height() - 1, a * row + a / 2 - 2);
    if (limit <= 0 || left > right || top > bottom)
        return picks;
    const int rows = bottom - top + 1;
    const auto order = [&](int x, int y) { return std::int64_t(x - left) * rows + (y - top); };

    if (threshold >= kEmptyScore) {
        // Every entry qualifies, used ones again: the plain repeated search.
        for (int n = 0; n < limit; ++n) {
            int bestX = left, bestY = top;
            for (int x = left; x <= right; ++x) {
                for (int y = top; y <= bottom; ++y) {
                    if (table.score(x, y) < table.score(bestX, bestY)) {
                        bestX = x;
                        bestY = y;
                    }
                }
            }
            const int score = table.score(bestX, bestY);
            table.setScore(bestX, bestY, kEmptyScore);
            if (score > threshold)
                break;
            picks.emplace_back(bestX, bestY);
        }
        return picks;
    }

    // Scores never exceed kEmptyScore and a used entry gets kEmptyScore, above the threshold: the
    // repeated search takes the entries at or below the threshold in (score, order) order, and
    // when they run out before the limit it stops at the lowest one above, which it marks used.
    struct Entry
    {
        int score;
        std::int64_t order;
        bool operator<(const Entry& other) const
        {
            return score != other.score ? score < other.score : order < other.order;
        }
    };
    std::vector<Entry> entries;
    Entry above{kEmptyScore + 1, 0};
    for (int y = top; y <= bottom; ++y) {
        const std::int32_t* scores = table.scoreRow(y);
        for (int x = left; x <= right; ++x) {
            const Entry entry{scores[x], order(x, y)};
            if (entry.score <= threshold)
                entries.push_back(entry);
            else if (entry < above)
                above = entry;
        }
    }
    const std::size_t taken = std::min(entries.size(), std::size_t(limit));
    std::partial_sort(entries.begin(), entries.begin() + std::ptrdiff_t(taken), entries.end());
    const auto position = [&](std::int64_t at) {
        return QPoint(left + int(at / rows), top + int(at % rows));
    };
    for (std::size_t k = 0; k < taken; ++k) {
        const QPoint at = position(entries[k].order);
        table.setScore(at.x(), at.y(), kEmptyScore);
        picks.push_back(at);
    }
    if (taken < std::size_t(limit) && above.score <= kEmptyScore) {
        const QPoint at = position(above.order);
        table.setScore(at.x(), at.y(), kEmptyScore);
    }
    return picks;
}

void ExpressiveBrushstrokes::blendPick(int q, int edge, QImage& patch, QRgb colour,
                                       const Brush& brush)
{
    if (!is32Bit(patch))
        return;
    blendInk(q, edge, colour, brush, 0, 0, pixelsOf(patch));
}

int ExpressiveBrushstrokes::progressCounter()
{
    return g_progressCounter.load();
}

int ExpressiveBrushstrokes::stepCounter()
{
    return g_stepCounter.load();
}

int ExpressiveBrushstrokes::totalSteps()
{
    return g_totalSteps.load();
}
