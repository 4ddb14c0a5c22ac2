#include "core/algorithms/expressive_internal.h"

#include "core/raster/execution.h"
#include "core/raster/parallel_rows.h"
#include "core/raster/working_memory.h"

#include <algorithm>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#define DRAWLUME_EXPRESSIVE_SSE2 1
#else
#define DRAWLUME_EXPRESSIVE_SSE2 0
#endif

// Where the expressive brushstrokes look for matches: the edges that make a pixel a candidate,
// the best of the ten brushes at a candidate, and the best entries of a cell of the match table.

using namespace expressive;

namespace {

// The edge magnitude of the interior pixel x of row mid: the mean channel distance of the pixel
// to the mean of its eight neighbours.
inline uchar edgeOf(const QRgb* up, const QRgb* mid, const QRgb* down, int x)
{
    int sum[3] = {0, 0, 0};
    for (const QRgb neighbour :
         {up[x - 1], up[x], up[x + 1], mid[x - 1], mid[x + 1], down[x - 1], down[x], down[x + 1]}) {
        sum[0] += redOf(neighbour);
        sum[1] += greenOf(neighbour);
        sum[2] += blueOf(neighbour);
    }
    const QRgb pixel = mid[x];
    const int edge =
        (std::abs(redOf(pixel) - (sum[0] >> 3)) + std::abs(greenOf(pixel) - (sum[1] >> 3)) +
         std::abs(blueOf(pixel) - (sum[2] >> 3))) /
        3;
    return uchar(edge);
}

// Row y of the edge magnitude; the border rows and columns are 0.
void edgeRow(const ConstPixels& work, int y, uchar* out)
{
    const int width = work.width;
    if (y < 1 || y > work.height - 2 || width < 3) {
        std::fill(out, out + width, uchar(0));
        return;
    }
    const QRgb* up = work.row(y - 1);
    const QRgb* mid = work.row(y);
    const QRgb* down = work.row(y + 1);
    out[0] = 0;
    out[width - 1] = 0;
    for (int x = 1; x + 1 < width; ++x)
        out[x] = edgeOf(up, mid, down, x);
}

QRgb averageOfCount(quint64 red, quint64 green, quint64 blue, int count)
{
    if (count == 0)
        return kBlack;
    return opaque(int(red / unsigned(count)), int(green / unsigned(count)),
                  int(blue / unsigned(count)));
}

void interiorScalar(const QRgb* origin, const InteriorBrush& brush, QRgb& colour, int& error)
{
    const std::int32_t* offsets = brush.offsets.data();
    const std::int32_t* weights = brush.weights.data();
    const int inkCount = brush.count;
    quint64 redBlue = 0, green = 0; // blue in the low half of redBlue, red in the high half
    for (int k = 0; k < inkCount; ++k) {
        const quint64 pixel = origin[offsets[k]];
        redBlue += (pixel & 0xFF) | ((pixel & 0xFF0000) << 16);
        green += (pixel >> 8) & 0xFF;
    }
    colour = brush.average(redBlue >> 32, green, redBlue & 0xFFFFFFFFu);
    const int colourRed = redOf(colour), colourGreen = greenOf(colour), colourBlue = blueOf(colour);
    int sum = 0;
    for (int k = 0; k < inkCount; ++k) {
        const QRgb pixel = origin[offsets[k]];
        const int distance = std::abs(blueOf(pixel) - colourBlue) +
                             std::abs(redOf(pixel) - colourRed) +
                             std::abs(greenOf(pixel) - colourGreen);
        sum += (distance * weights[k]) >> 5;
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
    const int inkCount = brush.count;
    if (inkCount == 0) {
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
    const int used = inkCount - 4 * (groups - 1);
    const __m128i lastMask =
        _mm_set_epi32(used > 3 ? -1 : 0, used > 2 ? -1 : 0, used > 1 ? -1 : 0, -1);
    const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF);
    // Each 16-bit half of a lane takes at most 256 additions of 255 before it is added into
    // the 64-bit totals.
    quint64 totals[3] = {0, 0, 0}; // blue, red, green
    for (int start = 0; start < groups; start += 256) {
        const int stop = std::min(groups, start + 256);
        __m128i redBlue = _mm_setzero_si128(), greens = _mm_setzero_si128();
        for (int k = start; k < stop; ++k) {
            const std::int32_t* group = offsets + 4 * k;
            __m128i pixels = _mm_set_epi32(int(origin[group[3]]), int(origin[group[2]]),
                                           int(origin[group[1]]), int(origin[group[0]]));
            if (k == groups - 1)
                pixels = _mm_and_si128(pixels, lastMask);
            _mm_store_si128(kept + k, pixels);
            redBlue = _mm_add_epi32(redBlue, _mm_and_si128(pixels, lowBytes));
            greens = _mm_add_epi32(greens, _mm_and_si128(_mm_srli_epi32(pixels, 8), lowBytes));
        }
        // Fold the four lanes: the 16-bit halves are added as 32-bit numbers.
        const __m128i low16 = _mm_set1_epi32(0xFFFF);
        const __m128i blue = _mm_and_si128(redBlue, low16), red = _mm_srli_epi32(redBlue, 16),
                      green = _mm_and_si128(greens, low16);
        alignas(16) std::uint32_t lanes[12];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), blue);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), red);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 8), green);
        for (int channel = 0; channel < 3; ++channel)
            totals[channel] += quint64(lanes[4 * channel]) + lanes[4 * channel + 1] +
                               lanes[4 * channel + 2] + lanes[4 * channel + 3];
    }
    colour = brush.average(totals[1], totals[2], totals[0]);

    // Error: per pixel the three absolute channel differences, added in the 32-bit lane, times
    // the weight (both below 2^16, so one madd gives the product), shifted, summed. Padding
    // lanes have weight 0.
    const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
    const __m128i colours = _mm_set1_epi32(int(colour & 0x00FFFFFFu));
    const __m128i byte = _mm_set1_epi32(0xFF);
    const __m128i* weights = reinterpret_cast<const __m128i*>(brush.weights.data());
    __m128i sum = _mm_setzero_si128();
    for (int k = 0; k < groups; ++k) {
        const __m128i pixels = _mm_and_si128(_mm_load_si128(kept + k), rgb);
        const __m128i diff =
            _mm_or_si128(_mm_subs_epu8(pixels, colours), _mm_subs_epu8(colours, pixels));
        const __m128i distance = _mm_add_epi32(
            _mm_add_epi32(_mm_and_si128(diff, byte), _mm_and_si128(_mm_srli_epi32(diff, 8), byte)),
            _mm_srli_epi32(diff, 16));
        const __m128i weight = _mm_loadu_si128(weights + k);
        sum = _mm_add_epi32(sum, _mm_srli_epi32(_mm_madd_epi16(distance, weight), 5));
    }
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
    error = _mm_cvtsi128_si32(sum);
}
#endif

} // namespace

namespace expressive {

std::vector<uchar> edgePlane(const QImage& workImage)
{
    const ConstPixels work = pixelsOf(workImage);
    std::vector<uchar> plane(std::size_t(work.width) * std::size_t(work.height), 0);
    edgeRows(work, 0, work.height, plane.data(),
             pixelLoopThreads(qint64(work.width) * work.height));
    return plane;
}

void edgeRows(const ConstPixels& work, int first, int end, uchar* out, int threads)
{
    const int width = work.width;
    parallelRows(first, end, threads, 4, [&](int begin, int stop, int) {
        for (int y = begin; y < stop; ++y)
            edgeRow(work, y, out + std::size_t(y - first) * width);
    });
}

int edgeAt(const ConstPixels& work, int x, int y)
{
    if (x < 1 || y < 1 || x > work.width - 2 || y > work.height - 2)
        return 0;
    return edgeOf(work.row(y - 1), work.row(y), work.row(y + 1), x);
}

std::vector<InteriorBrush> interiorBrushes(const BrushSet& brushes, std::ptrdiff_t stride)
{
    std::vector<InteriorBrush> result(brushes.size());
    for (std::size_t k = 0; k < brushes.size(); ++k) {
        InteriorBrush& interior = result[k];
        for (const ExpressiveBrushstrokes::Ink& ink : brushes[k].ink) {
            interior.offsets.push_back(std::int32_t(ink.row * stride + ink.column));
            interior.weights.push_back(255 - ink.red);
        }
        interior.count = int(interior.offsets.size());
        interior.reciprocal =
            interior.count > 0 ? (std::uint64_t(1) << 32) / std::uint64_t(interior.count) : 0;
        while (interior.offsets.size() % 4 != 0) {
            interior.offsets.push_back(0);
            interior.weights.push_back(0);
        }
    }
    return result;
}

Match bestMatch(const Search& search, int x, int y)
{
    const int brushSize = search.brushSize, half = brushSize / 2;
    const ConstPixels& work = search.pixels;
    const bool interior = x - half >= 1 && x + half - 1 <= work.width - 2 && y - half >= 1 &&
                          y + half - 1 <= work.height - 2;
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
            const QRgb* origin = work.row(y - half) + (x - half);
#if DRAWLUME_EXPRESSIVE_SSE2
            if (search.vectorised)
                interiorSse2(origin, search.interior[std::size_t(j)], gathered, colour, error);
            else
#endif
                interiorScalar(origin, search.interior[std::size_t(j)], colour, error);
        } else {
            const Brush& brush = (*search.brushes)[std::size_t(j)];
            colour =
                ExpressiveBrushstrokes::averageUnderBrush(brush, brushSize, x, y, *search.work);
            error =
                ExpressiveBrushstrokes::brushError(brush, brushSize, colour, x, y, *search.work);
        }
        if (error < bestScore) {
            bestScore = error;
            bestIndex = j;
            bestColour = colour;
        }
    }
    return {bestScore, (bestColour & 0x00FFFFFFu) | (QRgb(bestIndex) << 24)};
}

QRgb matchColour(const Search& search, int x, int y, int brushIndex)
{
    const int brushSize = search.brushSize, half = brushSize / 2;
    const ConstPixels& work = search.pixels;
    const bool interior = x - half >= 1 && x + half - 1 <= work.width - 2 && y - half >= 1 &&
                          y + half - 1 <= work.height - 2;
    if (!interior) {
        return ExpressiveBrushstrokes::averageUnderBrush((*search.brushes)[std::size_t(brushIndex)],
                                                         brushSize, x, y, *search.work);
    }
    // The sums of bestMatch's interior search; its average divides them alike.
    const InteriorBrush& brush = search.interior[std::size_t(brushIndex)];
    const QRgb* origin = work.row(y - half) + (x - half);
    const std::int32_t* offsets = brush.offsets.data();
    quint64 red = 0, green = 0, blue = 0;
    for (int k = 0; k < brush.count; ++k) {
        const QRgb pixel = origin[offsets[k]];
        red += quint64(redOf(pixel));
        green += quint64(greenOf(pixel));
        blue += quint64(blueOf(pixel));
    }
    return brush.average(red, green, blue);
}

} // namespace expressive

// ---------------------------------------------------------------------------------------------

QImage ExpressiveBrushstrokes::edgeMagnitude(const QImage& work)
{
    if (work.isNull())
        return QImage();
    QImage edges(work.size(), QImage::Format_RGB32);
    requirePixels(edges);
    const std::vector<uchar> plane = edgePlane(work);
    for (int y = 0; y < edges.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(edges.scanLine(y));
        const uchar* edge = plane.data() + std::size_t(y) * edges.width();
        for (int x = 0; x < edges.width(); ++x)
            line[x] = opaque(edge[x], edge[x], edge[x]);
    }
    return edges;
}

QRgb ExpressiveBrushstrokes::averageUnderBrush(const Brush& brush, int brushSize, int x, int y,
                                               const QImage& workImage)
{
    const ConstPixels work = pixelsOf(workImage);
    const int x0 = x - brushSize / 2, y0 = y - brushSize / 2;
    quint64 red = 0, green = 0, blue = 0;
    int count = 0;
    for (const Ink& ink : brush.ink) {
        const int column = x0 + ink.column, row = y0 + ink.row;
        if (ink.column >= brushSize || ink.row >= brushSize || column <= 0 ||
            column >= work.width - 1 || row <= 0 || row >= work.height - 1)
            continue;
        const QRgb pixel = work.row(row)[column];
        red += quint64(redOf(pixel));
        green += quint64(greenOf(pixel));
        blue += quint64(blueOf(pixel));
        ++count;
    }
    return averageOfCount(red, green, blue, count);
}

int ExpressiveBrushstrokes::brushError(const Brush& brush, int brushSize, QRgb colour, int x, int y,
                                       const QImage& workImage)
{
    const ConstPixels work = pixelsOf(workImage);
    const int half = brushSize / 2;
    int sum = 0;
    for (const Ink& ink : brush.ink) {
        const int column = x - half + ink.column, row = y - half + ink.row;
        if (ink.column >= 2 * half || ink.row >= 2 * half ||
            unsigned(column) >= unsigned(work.width) || unsigned(row) >= unsigned(work.height))
            continue;
        sum += (colourDistance(work.row(row)[column], colour) * (255 - ink.red)) >> 5;
    }
    return sum;
}

ExpressiveBrushstrokes::MatchTable::MatchTable(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_entries(std::size_t(m_width) * std::size_t(m_height),
                std::uint32_t(kEmptyScore) | (kNoMatch << kScoreBits))
{
    static_assert(kEmptyScore <= int(kScoreMask), "the empty score fits the score bits");
}

std::vector<QPoint> ExpressiveBrushstrokes::pickBestInCell(MatchTable& table, int brushSize,
                                                           int column, int row, int limit,
                                                           std::int64_t threshold)
{
    std::vector<QPoint> picks;
    // The window, held to the table; the order of the search is columns outer, rows inner.
    const int half = brushSize / 2;
    const int left = std::max(0, brushSize * column - half);
    const int right = std::min(table.width() - 1, brushSize * column + half - 2);
    const int top = std::max(0, brushSize * row - half);
    const int bottom = std::min(table.height() - 1, brushSize * row + half - 2);
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
        const std::uint32_t* line = table.entryRow(y);
        for (int x = left; x <= right; ++x) {
            const Entry entry{MatchTable::scoreOf(line[x]), order(x, y)};
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
