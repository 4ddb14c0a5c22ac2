#include "core/algorithms/stroke_painter.h"

#include "core/algorithms/pencil_renderer.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "core/framework/iprogress_reporter.h"

#include <QPainter>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr QRgb kCanvasColour = 0xFFFFFFF0u; // opaque red 255, green 255, blue 240
constexpr int kInkLimit = 249;              // brush pixels with red <= 249 carry paint
constexpr int kStrokesPerBrush = 500;       // the brush is turned anew every 500 strokes
constexpr int kLargestBrush = 1000;         // far beyond the sliders' 254
constexpr qint64 kStrokeBudgetCap = 5000000000LL;

std::atomic<bool> g_vectorised{true};

// Asks for the cache line holding p. Written as an instruction the compiler must keep: a loop of
// plain prefetch hints has no effect it is bound to preserve and may be removed whole.
inline void prefetchLine(const void* p)
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
    __builtin_prefetch(p);
#endif
}

// Memory for the working pixels that asks the system for large pages. Strokes land at random all
// over the picture and read a row of every page they touch: with ordinary pages a 12 MP picture
// costs an address translation miss per brush row, with large pages almost none.
struct LargePageMemory
{
    explicit LargePageMemory(std::size_t bytes)
    {
        constexpr std::size_t kLargePage = std::size_t(2) << 20;
        const std::size_t rounded = (bytes + kLargePage - 1) & ~(kLargePage - 1);
        data = bytes >= kLargePage ? std::aligned_alloc(kLargePage, rounded) : nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        if (data)
            madvise(data, rounded, MADV_HUGEPAGE);
#endif
        if (!data)
            data = std::malloc(std::max<std::size_t>(bytes, 1));
    }
    ~LargePageMemory() { std::free(data); }
    LargePageMemory(const LargePageMemory&) = delete;
    LargePageMemory& operator=(const LargePageMemory&) = delete;

    void* data = nullptr;
};

inline int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

// The bitmap scaled to size x size, turned by `degrees` and drawn back reduced into the top-left
// of the unturned brush (the turned copy is larger than the brush; the painter clips the source
// rectangle to it and shrinks the target in proportion).
QImage turnedBrush(const QImage& bitmap, int size, int degrees)
{
    QImage brush = bitmap.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QImage rotated = rotateByAngle(brush, degrees);
    const int rw = rotated.width(), rh = rotated.height();
    QPainter painter(&brush);
    painter.drawImage(
        QRectF(0, 0, size - 1, size - 1), rotated,
        QRectF(std::floor((rw - size) / 2.0), std::floor((rh - size) / 2.0), size + rw, size + rh));
    painter.end();
    return brush;
}

// The ink of a brush of size S: its pixels with red <= 249, with their weight b = red (0 full
// ink .. 249 faint). The stroke is tried on a patch of pw x ph = (2 * (S / 2))^2 pixels: ink
// outside it counts in the average colour only, ink on the patch's border counts in the errors
// but takes no paint.
//
// Two forms: a list of ink pixels per row (strokes touching the picture's border walk it one pixel
// at a time), and runs of columns covering the ink of each row, padded to whole groups of four,
// with per-pixel lane masks and blend weights for the SIMD loops (strokes inside the picture). A
// row of hatching has ink here and there: a gap of four or more columns starts a new run, so the
// loops skip most of the paper between the lines.
struct BrushInk
{
    struct Pixel
    {
        std::int32_t column;
        std::int32_t weight;
    };
    struct Run
    {
        int row, first, length, offset; // columns first .. first + length - 1, data from offset
    };
    int size = 0;
    int patchWidth = 0, patchHeight = 0;
    std::vector<Pixel> pixels;
    std::vector<int> rowStart; // size + 1 entries: row j holds pixels[rowStart[j]..rowStart[j+1])

    std::vector<Run> runs;
    std::vector<std::uint32_t> averageMask; // 0x00FFFFFF on ink pixels, else 0
    std::vector<std::uint32_t> errorMask;   // 0x00FFFFFF on ink pixels of the patch, else 0
    // Per pixel, four 16-bit lanes (blue, green, red, alpha) each: new = (old * keep + colour *
    // paint) >> 8. Painted pixels: keep = b, paint = 255 - b; all others keep = 256, paint = 0,
    // which leaves them as they are.
    std::vector<std::uint16_t> keep, paint;
    int inkCount = 0; // every ink pixel (the average's count for a stroke inside the picture)
};

BrushInk brushInk(const QImage& brush)
{
    BrushInk ink;
    const int S = brush.width();
    ink.size = S;
    ink.patchWidth = 2 * (S / 2);
    ink.patchHeight = 2 * (brush.height() / 2);
    ink.rowStart.reserve(std::size_t(brush.height()) + 1);
    for (int j = 0; j < brush.height(); ++j) {
        ink.rowStart.push_back(int(ink.pixels.size()));
        const QRgb* line = reinterpret_cast<const QRgb*>(brush.constScanLine(j));
        for (int i = 0; i < S; ++i) {
            if (qRed(line[i]) <= kInkLimit)
                ink.pixels.push_back({i, qRed(line[i])});
        }
        const int start = ink.rowStart.back(), end = int(ink.pixels.size());
        // The runs of this row.
        const std::size_t firstRun = ink.runs.size();
        for (int k = start; k < end; ++k) {
            const int i = ink.pixels[k].column;
            if (ink.runs.size() > firstRun) {
                BrushInk::Run& run = ink.runs.back();
                if (i < run.first + run.length + 4) {
                    run.length = (i - run.first + 4) & ~3;
                    continue;
                }
            }
            ink.runs.push_back({j, i, 4, 0});
        }
        const bool rowOnPatch = j < ink.patchHeight;
        const bool rowPaints = j > 0 && j < ink.patchHeight - 1;
        std::size_t run = firstRun;
        for (; run < ink.runs.size(); ++run) {
            BrushInk::Run& r = ink.runs[run];
            r.offset = int(ink.averageMask.size());
            const std::size_t base = ink.averageMask.size();
            ink.averageMask.resize(base + r.length, 0);
            ink.errorMask.resize(base + r.length, 0);
            ink.keep.resize((base + r.length) * 4, 256);
            ink.paint.resize((base + r.length) * 4, 0);
        }
        run = firstRun;
        for (int k = start; k < end; ++k) {
            const int i = ink.pixels[k].column;
            while (i >= ink.runs[run].first + ink.runs[run].length)
                ++run;
            const std::size_t at = std::size_t(ink.runs[run].offset) + (i - ink.runs[run].first);
            ink.averageMask[at] = 0x00FFFFFFu;
            ++ink.inkCount;
            if (rowOnPatch && i < ink.patchWidth)
                ink.errorMask[at] = 0x00FFFFFFu;
            if (rowPaints && i > 0 && i < ink.patchWidth - 1) {
                const int b = ink.pixels[k].weight;
                for (int lane = 0; lane < 4; ++lane) {
                    ink.keep[at * 4 + lane] = std::uint16_t(b);
                    ink.paint[at * 4 + lane] = std::uint16_t(255 - b);
                }
            }
        }
    }
    ink.rowStart.push_back(int(ink.pixels.size()));
    return ink;
}

// One painting run: the state the stroke loop shares between its steps.
class Run
{
public:
    // The canvas starts warm white over the photograph (32-bit, at the working size).
    Run(const StrokePainterSettings& settings, const QImage& source)
        : m_settings(settings), m_source(source), W(source.width()), H(source.height()),
          m_far((std::size_t(W) * std::size_t(H) + 63) / 64, 0),
          m_memory(std::size_t(W) * std::size_t(H) * 2 * sizeof(QRgb)),
          m_pairs(static_cast<QRgb*>(m_memory.data))
    {
        if (!m_pairs)
            return;
        for (int y = 0; y < H; ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            QRgb* pairs = pairRow(y);
            for (int x = 0; x < W; ++x) {
                pairs[2 * x] = kCanvasColour;
                pairs[2 * x + 1] = src[x];
                setFar(std::size_t(y) * W + x, farFromCanvas(src[x], kCanvasColour));
            }
        }
    }

    // False when there was no memory for the working pixels.
    bool isValid() const { return m_pairs != nullptr; }

    // The canvas as it stands, as a picture (with the photograph's format, resolution and
    // colour space).
    QImage canvas() const
    {
        QImage picture = m_source.copy();
        if (picture.isNull())
            return picture;
        for (int y = 0; y < H; ++y) {
            QRgb* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
            const QRgb* pairs = pairRow(y);
            for (int x = 0; x < W; ++x)
                out[x] = pairs[2 * x];
        }
        return picture;
    }

    // The canvas and the photograph side by side, pixel by pixel (canvas, photograph, canvas,
    // ...): a stroke reads both under every brush row, and one cache line then serves both.
    QRgb* pairRow(int y) const { return m_pairs + std::ptrdiff_t(y) * W * 2; }

    // Where the photograph's red still differs from the canvas by the pick threshold, one bit a
    // pixel (row-major): the centre search tests this instead of two large pictures, and strokes
    // that are kept update it.
    bool farFromCanvas(QRgb photo, QRgb paint) const
    {
        return std::abs(qRed(photo) - qRed(paint)) >= m_settings.pickThreshold;
    }
    void setFar(std::size_t index, bool value)
    {
        const std::uint64_t bit = std::uint64_t(1) << (index & 63);
        if (value)
            m_far[index >> 6] |= bit;
        else
            m_far[index >> 6] &= ~bit;
    }
    bool isFar(int x, int y) const
    {
        const std::size_t index = std::size_t(y) * W + x;
        return (m_far[index >> 6] >> (index & 63)) & 1;
    }

    bool cancelled() const { return m_settings.cancelled && m_settings.cancelled->load(); }

    // A free centre: the first draw over all but the last row and column (or, when asked, over
    // the whole picture), then anywhere, until the photograph's red differs from the canvas by
    // the pick threshold. Gives up after kCandidateLimit draws, or when cancelled, and returns
    // false.
    bool chooseFreeCentre(bool wholePicture, int& x, int& y) const
    {
        x = randomBelow(wholePicture ? W : std::max(W - 1, 1));
        y = randomBelow(wholePicture ? H : std::max(H - 1, 1));
        for (int attempt = 0; !isFar(x, y); ++attempt) {
            if (attempt >= StrokePainter::kCandidateLimit || (attempt % 64 == 0 && cancelled()))
                return false;
            x = randomBelow(W);
            y = randomBelow(H);
        }
        return true;
    }

    // The centre the next free search will most likely choose, worked out on a copy of the
    // random state (nothing is drawn): its footprint is fetched while the current stroke is laid,
    // since strokes land at random and each one's rows would otherwise wait on memory.
    void prefetchNextFree(const BrushInk& ink, bool wholePicture) const
    {
        std::uint32_t state = randomState();
        int x = randomBelowFrom(state, wholePicture ? W : std::max(W - 1, 1));
        int y = randomBelowFrom(state, wholePicture ? H : std::max(H - 1, 1));
        for (int attempt = 0; attempt < 8 && !isFar(x, y); ++attempt) {
            x = randomBelowFrom(state, W);
            y = randomBelowFrom(state, H);
        }
        prefetchFootprint(ink, x - ink.size / 2, y - ink.size / 2);
    }
    void prefetchAt(const BrushInk& ink, int x, int y) const
    {
        prefetchFootprint(ink, x - ink.size / 2, y - ink.size / 2);
    }

    // Tries one stroke of the brush centred at (x, y) and keeps it when it lowers the error
    // enough.
    void stroke(const BrushInk& ink, int x, int y)
    {
        const int S = ink.size;
        const int x0 = x - S / 2, y0 = y - S / 2;
#if defined(__SSE2__)
        // Inside the picture every ink pixel counts and the padded runs stay on their rows.
        if (g_vectorised.load(std::memory_order_relaxed) && x0 >= 1 && y0 >= 1 &&
            x0 + S + 4 <= W - 1 && y0 + S <= H - 1) {
            strokeInside(ink, x0, y0);
            return;
        }
#endif
        strokeAtBorder(ink, x0, y0);
    }

private:
    // The footprint's rows are far apart in memory: ask for all the lines of the photograph and
    // the canvas that a stroke there reads, so that their misses overlap.
    void prefetchFootprint(const BrushInk& ink, int x0, int y0) const
    {
        const int S = ink.size;
        for (int j = std::max(0, -y0), jEnd = std::min(S, H - y0); j < jEnd; ++j) {
            if (ink.rowStart[j] == ink.rowStart[j + 1])
                continue;
            const int first = std::clamp(x0 + ink.pixels[ink.rowStart[j]].column, 0, W - 1);
            const int last = std::clamp(x0 + ink.pixels[ink.rowStart[j + 1] - 1].column, 0, W - 1);
            const QRgb* pairs = pairRow(y0 + j);
            for (int column = first; column <= last; column += 8)
                prefetchLine(pairs + 2 * column);
            prefetchLine(pairs + 2 * last + 1);
        }
    }

    bool keeps(qint64 before, qint64 after) const
    {
        return after < (before >> 10) * m_settings.acceptance;
    }

    // A stroke that may touch the border, one pixel at a time: the average counts ink pixels
    // strictly inside the picture; ink pixels strictly inside the patch take the colour in
    // proportion to the ink (the rest of the patch is the canvas as it is); the errors count ink
    // pixels of the patch strictly inside the picture.
    void strokeAtBorder(const BrushInk& ink, int x0, int y0)
    {
        const int S = ink.size, pw = ink.patchWidth, ph = ink.patchHeight;
        qint64 sumR = 0, sumG = 0, sumB = 0, count = 0;
        for (int j = std::max(0, 1 - y0), jEnd = std::min(S, H - 1 - y0); j < jEnd; ++j) {
            const QRgb* pairs = pairRow(y0 + j);
            for (int k = ink.rowStart[j]; k < ink.rowStart[j + 1]; ++k) {
                const int column = x0 + ink.pixels[k].column;
                if (column > 0 && column < W - 1) {
                    const QRgb v = pairs[2 * column + 1];
                    sumR += qRed(v);
                    sumG += qGreen(v);
                    sumB += qBlue(v);
                    ++count;
                }
            }
        }
        const int avgR = count ? int(sumR / count) : 0;
        const int avgG = count ? int(sumG / count) : 0;
        const int avgB = count ? int(sumB / count) : 0;

        m_changed.clear();
        qint64 before = 0, after = 0;
        for (int j = std::max(0, -y0), jEnd = std::min(ph, H - y0); j < jEnd; ++j) {
            const int row = y0 + j;
            QRgb* pairs = pairRow(row);
            const bool rowCounts = row > 0 && row < H - 1;
            const bool rowPaints = j > 0 && j < ph - 1;
            for (int k = ink.rowStart[j]; k < ink.rowStart[j + 1]; ++k) {
                const int i = ink.pixels[k].column;
                const int column = x0 + i;
                if (i >= pw || column < 0 || column >= W)
                    continue;
                QRgb* canvasPixel = pairs + 2 * column;
                const QRgb old = canvasPixel[0], photo = canvasPixel[1];
                QRgb now = old;
                if (rowPaints && i > 0 && i < pw - 1) {
                    const int keep = ink.pixels[k].weight, paint = 255 - keep;
                    now = 0xFF000000u | (QRgb((avgR * paint + qRed(old) * keep) >> 8) << 16) |
                          (QRgb((avgG * paint + qGreen(old) * keep) >> 8) << 8) |
                          QRgb((avgB * paint + qBlue(old) * keep) >> 8);
                    m_changed.push_back({canvasPixel, now, photo, std::size_t(row) * W + column});
                }
                if (rowCounts && column > 0 && column < W - 1) {
                    before += colourDistance(photo, old);
                    after += colourDistance(photo, now);
                }
            }
        }
        if (keeps(before, after)) {
            for (const Change& change : m_changed) {
                *change.pixel = change.value;
                setFar(change.index, farFromCanvas(change.photo, change.value));
            }
        }
    }

#if defined(__SSE2__)
    // The canvas and the photograph of four pixels from their pairs.
    static __m128i canvasOf(const QRgb* pairs)
    {
        const __m128 a = _mm_loadu_ps(reinterpret_cast<const float*>(pairs));
        const __m128 b = _mm_loadu_ps(reinterpret_cast<const float*>(pairs + 4));
        return _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    }
    static __m128i photographOf(const QRgb* pairs)
    {
        const __m128 a = _mm_loadu_ps(reinterpret_cast<const float*>(pairs));
        const __m128 b = _mm_loadu_ps(reinterpret_cast<const float*>(pairs + 4));
        return _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    }

    // A stroke whose footprint lies inside the picture, four pixels at a time over each row's
    // run. The same sums and pixels as strokeAtBorder: integer sums do not depend on their
    // order, and the 16-bit products cannot overflow (old * keep + colour * paint <= 255 * 256).
    void strokeInside(const BrushInk& ink, int x0, int y0)
    {
        const __m128i zero = _mm_setzero_si128();

        // The average colour under all of the ink.
        __m128i sums = zero; // 32-bit blue, green, red, alpha
        for (const BrushInk::Run& run : ink.runs) {
            const int length = run.length;
            const QRgb* pairs = pairRow(y0 + run.row) + 2 * (x0 + run.first);
            const std::uint32_t* mask = ink.averageMask.data() + run.offset;
            for (int k = 0; k < length; k += 4) {
                const __m128i v = _mm_and_si128(
                    photographOf(pairs + 2 * k),
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + k)));
                const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
                sums = _mm_add_epi32(sums, _mm_unpacklo_epi16(lo, zero));
                sums = _mm_add_epi32(sums, _mm_unpackhi_epi16(lo, zero));
                sums = _mm_add_epi32(sums, _mm_unpacklo_epi16(hi, zero));
                sums = _mm_add_epi32(sums, _mm_unpackhi_epi16(hi, zero));
            }
        }
        alignas(16) std::uint32_t total[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(total), sums);
        const int count = ink.inkCount;
        const int avgB = count ? int(total[0] / count) : 0;
        const int avgG = count ? int(total[1] / count) : 0;
        const int avgR = count ? int(total[2] / count) : 0;
        const __m128i colour = _mm_set_epi16(0, short(avgR), short(avgG), short(avgB), 0,
                                             short(avgR), short(avgG), short(avgB));
        const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));

        // The stroke on a copy of the runs, and the errors before and after.
        m_spans.resize(ink.averageMask.size());
        __m128i before = zero, after = zero;
        for (const BrushInk::Run& run : ink.runs) {
            const int length = run.length;
            const int offset = run.offset;
            const QRgb* pairs = pairRow(y0 + run.row) + 2 * (x0 + run.first);
            const std::uint32_t* mask = ink.errorMask.data() + offset;
            const std::uint16_t* keep = ink.keep.data() + std::size_t(offset) * 4;
            const std::uint16_t* paint = ink.paint.data() + std::size_t(offset) * 4;
            QRgb* out = m_spans.data() + offset;
            for (int k = 0; k < length; k += 4) {
                const __m128i s = photographOf(pairs + 2 * k);
                const __m128i o = canvasOf(pairs + 2 * k);
                const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + k));
                const __m128i* kp = reinterpret_cast<const __m128i*>(keep + 4 * k);
                const __m128i* pp = reinterpret_cast<const __m128i*>(paint + 4 * k);
                const __m128i lo = _mm_srli_epi16(
                    _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(o, zero), _mm_loadu_si128(kp)),
                                  _mm_mullo_epi16(colour, _mm_loadu_si128(pp))),
                    8);
                const __m128i hi = _mm_srli_epi16(
                    _mm_add_epi16(
                        _mm_mullo_epi16(_mm_unpackhi_epi8(o, zero), _mm_loadu_si128(kp + 1)),
                        _mm_mullo_epi16(colour, _mm_loadu_si128(pp + 1))),
                    8);
                const __m128i now = _mm_or_si128(_mm_packus_epi16(lo, hi), opaque);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), now);
                const __m128i sm = _mm_and_si128(s, m);
                before = _mm_add_epi64(before, _mm_sad_epu8(sm, _mm_and_si128(o, m)));
                after = _mm_add_epi64(after, _mm_sad_epu8(sm, _mm_and_si128(now, m)));
            }
        }
        alignas(16) std::int64_t errors[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(errors), before);
        _mm_store_si128(reinterpret_cast<__m128i*>(errors + 2), after);
        if (!keeps(errors[0] + errors[1], errors[2] + errors[3]))
            return;

        // Kept: the runs back onto the canvas (pixels without paint come back as they were).
        for (const BrushInk::Run& run : ink.runs) {
            const int row = y0 + run.row, first = x0 + run.first;
            QRgb* pairs = pairRow(row) + 2 * first;
            const QRgb* in = m_spans.data() + run.offset;
            const std::size_t index = std::size_t(row) * W + first;
            for (int k = 0; k < run.length; ++k) {
                pairs[2 * k] = in[k];
                setFar(index + k, farFromCanvas(pairs[2 * k + 1], in[k]));
            }
        }
    }
#endif

    struct Change
    {
        QRgb* pixel;
        QRgb value;
        QRgb photo;
        std::size_t index;
    };

    const StrokePainterSettings& m_settings;
    const QImage& m_source;
    const int W, H;
    std::vector<std::uint64_t> m_far;
    LargePageMemory m_memory;
    QRgb* const m_pairs;
    std::vector<Change> m_changed;
    std::vector<QRgb> m_spans;
};

} // namespace

void StrokePainter::setVectorised(bool on)
{
    g_vectorised.store(on);
}

bool StrokePainter::isVectorised()
{
    return g_vectorised.load();
}

void StrokePainter::darkenEdges(QImage& canvas, const QImage& source, const QImage& strokes,
                                int edgeFactor)
{
    const int W = std::min({canvas.width(), source.width(), strokes.width()});
    const int H = std::min({canvas.height(), source.height(), strokes.height()});
    const int e = edgeFactor;
    // t(z) = (510 - 2z) / 3: 0 on white drawing, 170 on black.
    const auto t = [](int z) { return (510 - 2 * z) / 3; };
    for (int y = 0; y < H - 1; ++y) {
        QRgb* cv = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        const QRgb* src = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        const QRgb* st = reinterpret_cast<const QRgb*>(strokes.constScanLine(y));
        for (int x = 0; x < W - 1; ++x) {
            const QRgb old = cv[x];
            const int d = colourDistance(old, src[x]);
            // s in 0..425; a damaged document's factor is held where every channel clamps.
            const qint64 s = (d + t(qBlue(st[x])) + t(qRed(st[x])) + t(qGreen(st[x]))) / 3;
            const int shift = int(std::clamp<qint64>(s * e / 300, -1000, 1000));
            cv[x] = qRgb(clampChannel(qRed(old) - shift), clampChannel(qGreen(old) - shift),
                         clampChannel(qBlue(old) - shift));
        }
    }
}

bool StrokePainter::paint(const StrokePainterSettings& settings, int& minimumSize,
                          int& maximumSize, QImage& image)
{
    const double scale = settings.scale;
    // Brush sizes follow the display scale.
    if (settings.scaled) {
        minimumSize = qRound(minimumSize * scale);
        maximumSize = qRound(maximumSize * scale);
    }
    // The photograph and its edge drawing at the working size.
    const QImage input = image;
    const int inputWidth = input.width(), inputHeight = input.height();
    QImage strokes = PencilRenderer::gradientStrokeDrawing(input, 4, 180, 20);
    strokes = scaleByFactor(strokes, scale);
    QImage source = scaleByFactor(input, scale);
    if (source.isNull() || strokes.isNull() || strokes.size() != source.size())
        return true;
    ensure32Bit(source);
    ensure32Bit(strokes);
    const int W = source.width(), H = source.height();

    // Sizes, constants and the stroke budget. A damaged document's size is held to kLargestBrush
    // so that the brush can be allocated.
    minimumSize = std::min(minimumSize, maximumSize);
    const int m = std::min(minimumSize, kLargestBrush);
    const int M = std::min(maximumSize, kLargestBrush);
    const int S0 = M + 6;
    int S = S0;
    const qint64 levels = qint64(M - m) / 100 + 1;
    const qint64 budget = std::min<qint64>(
        settings.budgetFactor * ((qint64(W) * H / 2) * settings.density / levels),
        kStrokeBudgetCap);
    const auto strokesFor = [budget](int size) { return budget / (qint64(size) * size); };
    qint64 N = S > 0 ? strokesFor(S) : 0;

    // The brush.
    QImage bitmap(settings.bitmapPath);
    if (bitmap.isNull() || S < 1)
        return true;
    bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    QImage brush = bitmap.scaled(S, S, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    BrushInk ink = brushInk(brush);

    // Where the centres come from.
    const bool recording = settings.scaled && !settings.preview;
    const bool replaying = !settings.scaled && !settings.preview;
    QVector<QPoint> recorded;
    const QVector<QPoint> replay = replaying && settings.memory
                                       ? settings.memory->positions(settings.memoryName)
                                       : QVector<QPoint>();
    int replayCursor = 0;
    qint64 c = 0;

    // The canvas, warm white. Without the memory for it the picture stays as it is.
    Run run(settings, source);
    if (!run.isValid())
        return true;
    const auto shrink = [&]() {
        S = S * 90 / 100;
        N = S > 0 ? strokesFor(S) : 0;
        c = 0;
    };
    // A cancelled run leaves the canvas as far as it got once progress has been reported, the
    // picture it received otherwise.
    bool snapshotDue = false;
    const auto leaveOnCancel = [&]() {
        if (snapshotDue)
            image = run.canvas();
        return false;
    };

    // A newly turned brush, then progress: a percentage other than the last one reported leaves
    // a snapshot of the canvas in the image. (A maximum size below the minimum can shrink the
    // brush past the minimum; the percentage is held to 0..100.)
    const auto turnBrush = [&]() {
        brush = turnedBrush(bitmap, S, randomBelow(360));
        ink = brushInk(brush);
        const int span = S0 - m;
        const int percent =
            span != 0 ? std::clamp(qRound(double(S0 - S) / span * 100.0), 0, 100) : 100;
        if (!settings.lastPercent || percent != settings.lastPercent->load()) {
            snapshotDue = true;
            if (settings.reporter)
                settings.reporter->report_progress(percent);
            if (settings.lastPercent)
                settings.lastPercent->store(percent);
        }
    };

    // Stroke after stroke, the brush shrinking level by level.
    while (m + 4 < S) {
        if (run.cancelled())
            return leaveOnCancel();

        // The centre.
        int x = 0, y = 0;
        if (replaying && replayCursor < replay.size()) {
            // A position from another picture size is wrapped into this one.
            const QPoint at = replay.at(replayCursor++);
            x = ((at.x() % W) + W) % W;
            y = ((at.y() % H) + H) % H;
        } else if (replaying && settings.afterReplay == StrokePainterSettings::AfterReplay::AnyCentre) {
            x = randomBelow(std::max(W - 1, 1));
            y = randomBelow(std::max(H - 1, 1));
        } else if (run.chooseFreeCentre(recording && settings.recordingDrawsWholePicture, x, y)) {
            if (recording)
                recorded.append(
                    QPoint(int((x % inputWidth) / scale), int((y % inputHeight) / scale)));
        } else {
            // Nothing left to paint at this size (or cancelled): the next, smaller size.
            if (run.cancelled())
                return leaveOnCancel();
            shrink();
            if (S < 1)
                break;
            turnBrush();
            continue;
        }

        // Count the stroke; a new size level or every 500th stroke turns a new brush.
        ++c;
        bool rebuild = false;
        if (c < N) {
            rebuild = c % kStrokesPerBrush == 0;
        } else {
            shrink();
            if (S < 1)
                break;
            rebuild = true;
        }
        if (rebuild)
            turnBrush();

        // Fetch where the next stroke goes while this one is laid.
        if (replaying && replayCursor < replay.size()) {
            const QPoint at = replay.at(replayCursor);
            run.prefetchAt(ink, ((at.x() % W) + W) % W, ((at.y() % H) + H) % H);
        } else if (replaying && settings.afterReplay == StrokePainterSettings::AfterReplay::AnyCentre) {
            std::uint32_t state = randomState();
            const int nextX = randomBelowFrom(state, std::max(W - 1, 1));
            run.prefetchAt(ink, nextX, randomBelowFrom(state, std::max(H - 1, 1)));
        } else {
            run.prefetchNextFree(ink, recording && settings.recordingDrawsWholePicture);
        }
        run.stroke(ink, x, y);
    }

    // Edge darkening (the last row and column stay), the painter's finish, and the photograph's
    // alpha back.
    QImage canvas = run.canvas();
    darkenEdges(canvas, source, strokes, settings.edgeFactor);
    if (settings.finish)
        settings.finish(canvas);
    image = restoreAlpha(source, canvas);

    if (recording && settings.memory)
        settings.memory->setPositions(settings.memoryName, recorded);
    if (settings.reporter)
        settings.reporter->report_progress(100);
    return true;
}
