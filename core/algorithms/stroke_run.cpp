#include "core/algorithms/stroke_run.h"

#include "core/raster/random.h"

#include <algorithm>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr QRgb kCanvasColour = 0xFFFFFFF0u; // opaque red 255, green 255, blue 240

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

inline int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

} // namespace

LargePageMemory::LargePageMemory(std::size_t bytes)
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

LargePageMemory::~LargePageMemory()
{
    std::free(data);
}

StrokeRun::StrokeRun(const StrokePainterSettings& settings, const QImage& source)
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

QImage StrokeRun::canvas() const
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

bool StrokeRun::chooseFreeCentre(bool wholePicture, int& x, int& y) const
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

void StrokeRun::prefetchNextFree(const BrushInk& ink, bool wholePicture) const
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

void StrokeRun::stroke(const BrushInk& ink, int x, int y)
{
    const int S = ink.size;
    const int x0 = x - S / 2, y0 = y - S / 2;
#if defined(__SSE2__)
    // Inside the picture every ink pixel counts and the padded runs stay on their rows.
    if (StrokePainter::isVectorised() && x0 >= 1 && y0 >= 1 && x0 + S + 4 <= W - 1 &&
        y0 + S <= H - 1) {
        strokeInside(ink, x0, y0);
        return;
    }
#endif
    strokeAtBorder(ink, x0, y0);
}

void StrokeRun::prefetchFootprint(const BrushInk& ink, int x0, int y0) const
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

void StrokeRun::strokeAtBorder(const BrushInk& ink, int x0, int y0)
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
__m128i StrokeRun::canvasOf(const QRgb* pairs)
{
    const __m128 a = _mm_loadu_ps(reinterpret_cast<const float*>(pairs));
    const __m128 b = _mm_loadu_ps(reinterpret_cast<const float*>(pairs + 4));
    return _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
}

__m128i StrokeRun::photographOf(const QRgb* pairs)
{
    const __m128 a = _mm_loadu_ps(reinterpret_cast<const float*>(pairs));
    const __m128 b = _mm_loadu_ps(reinterpret_cast<const float*>(pairs + 4));
    return _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

void StrokeRun::strokeInside(const BrushInk& ink, int x0, int y0)
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
