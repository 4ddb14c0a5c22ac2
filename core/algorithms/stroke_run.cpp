#include "core/algorithms/stroke_run.h"

#include "core/raster/execution.h"
#include "core/raster/parallel_rows.h"
#include "core/raster/random.h"

#include <QColorSpace>
#include <QStringList>

#include <algorithm>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr QRgb kCanvasColour = 0xFFFFFFF0u; // opaque red 255, green 255, blue 240

// Asks for the cache line holding address. Written as an instruction the compiler must keep: a
// loop of plain prefetch hints has no effect it is bound to preserve and may be removed whole.
inline void prefetchLine(const void* address)
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
    __builtin_prefetch(address);
#endif
}

inline int colourDistance(QRgb first, QRgb second)
{
    return std::abs(qRed(first) - qRed(second)) + std::abs(qGreen(first) - qGreen(second)) +
           std::abs(qBlue(first) - qBlue(second));
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

void* LargePageMemory::release()
{
    void* released = data;
    data = nullptr;
    return released;
}

StrokeRun::StrokeRun(const StrokePainterSettings& settings, const QImage& source)
    : m_settings(settings), m_source(source), m_width(source.width()), m_height(source.height()),
      m_simd(execution().simd), m_far((std::size_t(m_width) * std::size_t(m_height) + 63) / 64, 0),
      m_memory(std::size_t(m_width) * std::size_t(m_height) * 2 * sizeof(QRgb)),
      m_pairs(static_cast<QRgb*>(m_memory.data))
{
    if (!m_pairs)
        return;
    // On the pool's threads: the pairs by rows, then the far bitmap by its words (a word may
    // hold the end of one row and the start of the next).
    const int threads = pixelLoopThreads(qint64(m_width) * m_height);
    parallelRows(0, m_height, threads, 16, [&](int first, int end, int) {
        for (int y = first; y < end; ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            QRgb* pairs = pairRow(y);
            for (int x = 0; x < m_width; ++x) {
                pairs[2 * x] = kCanvasColour;
                pairs[2 * x + 1] = src[x];
            }
        }
    });
    const std::size_t count = std::size_t(m_width) * std::size_t(m_height);
    parallelRows(0, int(m_far.size()), threads, 4096, [&](int first, int end, int) {
        for (int word = first; word < end; ++word) {
            std::uint64_t bits = 0;
            const std::size_t base = std::size_t(word) * 64;
            for (std::size_t i = 0; i < 64 && base + i < count; ++i) {
                if (farFromCanvas(m_pairs[2 * (base + i) + 1], kCanvasColour))
                    bits |= std::uint64_t(1) << i;
            }
            m_far[std::size_t(word)] = bits;
        }
    });
}

QImage StrokeRun::takeCanvas()
{
    // Pixel i of the canvas is word 2i of the pairs: moved to word i in order, each is read
    // before anything is written over it.
    const std::size_t count = std::size_t(m_width) * std::size_t(m_height);
    QRgb* const pixels = m_pairs;
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] = pixels[2 * i];
    void* memory = m_memory.release();
    if (void* shrunk = std::realloc(memory, std::max<std::size_t>(count * sizeof(QRgb), 1)))
        memory = shrunk;

    // The picture owns the memory from here; the metadata is what a copy of the photograph
    // carries.
    QImage picture(
        static_cast<uchar*>(memory), m_width, m_height,
        qsizetype(m_width) * qsizetype(sizeof(QRgb)), m_source.format(),
        [](void* owned) { std::free(owned); }, memory);
    if (picture.isNull()) {
        std::free(memory);
        return picture;
    }
    picture.setDotsPerMeterX(m_source.dotsPerMeterX());
    picture.setDotsPerMeterY(m_source.dotsPerMeterY());
    picture.setDevicePixelRatio(m_source.devicePixelRatio());
    picture.setOffset(m_source.offset());
    picture.setColorSpace(m_source.colorSpace());
    const QStringList keys = m_source.textKeys();
    for (const QString& key : keys)
        picture.setText(key, m_source.text(key));
    return picture;
}

void StrokeRun::prefetchFootprint(const BrushInk& ink, int x0, int y0) const
{
    const int brushSize = ink.size;
    for (int j = std::max(0, -y0), jEnd = std::min(brushSize, m_height - y0); j < jEnd; ++j) {
        if (ink.rowStart[j] == ink.rowStart[j + 1])
            continue;
        const int first = std::clamp(x0 + ink.pixels[ink.rowStart[j]].column, 0, m_width - 1);
        const int last =
            std::clamp(x0 + ink.pixels[ink.rowStart[j + 1] - 1].column, 0, m_width - 1);
        const QRgb* pairs = pairRow(y0 + j);
        for (int column = first; column <= last; column += 8)
            prefetchLine(pairs + 2 * column);
        prefetchLine(pairs + 2 * last + 1);
    }
}

void StrokeRun::strokeAtBorder(const BrushInk& ink, int x0, int y0, Scratch& scratch)
{
    const int brushSize = ink.size, patchWidth = ink.patchWidth, patchHeight = ink.patchHeight;
    qint64 sumR = 0, sumG = 0, sumB = 0, count = 0;
    for (int j = std::max(0, 1 - y0), jEnd = std::min(brushSize, m_height - 1 - y0); j < jEnd;
         ++j) {
        const QRgb* pairs = pairRow(y0 + j);
        for (int k = ink.rowStart[j]; k < ink.rowStart[j + 1]; ++k) {
            const int column = x0 + ink.pixels[k].column;
            if (column > 0 && column < m_width - 1) {
                const QRgb photo = pairs[2 * column + 1];
                sumR += qRed(photo);
                sumG += qGreen(photo);
                sumB += qBlue(photo);
                ++count;
            }
        }
    }
    const int averageRed = count ? int(sumR / count) : 0;
    const int averageGreen = count ? int(sumG / count) : 0;
    const int averageBlue = count ? int(sumB / count) : 0;

    scratch.changed.clear();
    qint64 before = 0, after = 0;
    for (int j = std::max(0, -y0), jEnd = std::min(patchHeight, m_height - y0); j < jEnd; ++j) {
        const int row = y0 + j;
        QRgb* pairs = pairRow(row);
        const bool rowCounts = row > 0 && row < m_height - 1;
        const bool rowPaints = j > 0 && j < patchHeight - 1;
        for (int k = ink.rowStart[j]; k < ink.rowStart[j + 1]; ++k) {
            const int i = ink.pixels[k].column;
            const int column = x0 + i;
            if (i >= patchWidth || column < 0 || column >= m_width)
                continue;
            QRgb* canvasPixel = pairs + 2 * column;
            const QRgb old = canvasPixel[0], photo = canvasPixel[1];
            QRgb now = old;
            if (rowPaints && i > 0 && i < patchWidth - 1) {
                const int keep = ink.pixels[k].weight, paint = 255 - keep;
                now = 0xFF000000u | (QRgb((averageRed * paint + qRed(old) * keep) >> 8) << 16) |
                      (QRgb((averageGreen * paint + qGreen(old) * keep) >> 8) << 8) |
                      QRgb((averageBlue * paint + qBlue(old) * keep) >> 8);
                scratch.changed.push_back(
                    {canvasPixel, now, photo, std::size_t(row) * m_width + column});
            }
            if (rowCounts && column > 0 && column < m_width - 1) {
                before += colourDistance(photo, old);
                after += colourDistance(photo, now);
            }
        }
    }
    if (keeps(before, after)) {
        for (const Scratch::Change& change : scratch.changed) {
            *change.pixel = change.value;
            setFar(change.index, farFromCanvas(change.photo, change.value));
        }
    }
}

#if defined(__SSE2__)
void StrokeRun::strokeInside(const BrushInk& ink, int x0, int y0, Scratch& scratch)
{
    const __m128i zero = _mm_setzero_si128();

    // The average colour under all of the ink.
    __m128i sums = zero; // 32-bit blue, green, red, alpha
    for (const BrushInk::Run& run : ink.runs) {
        const int length = run.length;
        const QRgb* pairs = pairRow(y0 + run.row) + 2 * (x0 + run.first);
        const std::uint32_t* mask = ink.averageMask.data() + run.offset;
        for (int k = 0; k < length; k += 4) {
            const __m128i photo =
                _mm_and_si128(photographOf(pairs + 2 * k),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + k)));
            const __m128i firstTwo = _mm_unpacklo_epi8(photo, zero),
                          lastTwo = _mm_unpackhi_epi8(photo, zero);
            sums = _mm_add_epi32(sums, _mm_unpacklo_epi16(firstTwo, zero));
            sums = _mm_add_epi32(sums, _mm_unpackhi_epi16(firstTwo, zero));
            sums = _mm_add_epi32(sums, _mm_unpacklo_epi16(lastTwo, zero));
            sums = _mm_add_epi32(sums, _mm_unpackhi_epi16(lastTwo, zero));
        }
    }
    alignas(16) std::uint32_t total[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(total), sums);
    const int count = ink.inkCount;
    const int averageBlue = count ? int(total[0] / count) : 0;
    const int averageGreen = count ? int(total[1] / count) : 0;
    const int averageRed = count ? int(total[2] / count) : 0;
    const __m128i colour =
        _mm_set_epi16(0, short(averageRed), short(averageGreen), short(averageBlue), 0,
                      short(averageRed), short(averageGreen), short(averageBlue));
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));

    // The stroke on a copy of the runs, and the errors before and after.
    scratch.spans.resize(ink.averageMask.size());
    __m128i before = zero, after = zero;
    for (const BrushInk::Run& run : ink.runs) {
        const int length = run.length;
        const int offset = run.offset;
        const QRgb* pairs = pairRow(y0 + run.row) + 2 * (x0 + run.first);
        const std::uint32_t* mask = ink.errorMask.data() + offset;
        const std::uint16_t* keep = ink.keep.data() + std::size_t(offset) * 4;
        const std::uint16_t* paint = ink.paint.data() + std::size_t(offset) * 4;
        QRgb* out = scratch.spans.data() + offset;
        for (int k = 0; k < length; k += 4) {
            const __m128i photo = photographOf(pairs + 2 * k);
            const __m128i old = canvasOf(pairs + 2 * k);
            const __m128i counted = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + k));
            const __m128i* keepLanes = reinterpret_cast<const __m128i*>(keep + 4 * k);
            const __m128i* paintLanes = reinterpret_cast<const __m128i*>(paint + 4 * k);
            const __m128i firstTwo =
                _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(old, zero),
                                                             _mm_loadu_si128(keepLanes)),
                                             _mm_mullo_epi16(colour, _mm_loadu_si128(paintLanes))),
                               8);
            const __m128i lastTwo = _mm_srli_epi16(
                _mm_add_epi16(
                    _mm_mullo_epi16(_mm_unpackhi_epi8(old, zero), _mm_loadu_si128(keepLanes + 1)),
                    _mm_mullo_epi16(colour, _mm_loadu_si128(paintLanes + 1))),
                8);
            const __m128i now = _mm_or_si128(_mm_packus_epi16(firstTwo, lastTwo), opaque);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), now);
            const __m128i countedPhoto = _mm_and_si128(photo, counted);
            before = _mm_add_epi64(before, _mm_sad_epu8(countedPhoto, _mm_and_si128(old, counted)));
            after = _mm_add_epi64(after, _mm_sad_epu8(countedPhoto, _mm_and_si128(now, counted)));
        }
    }
    alignas(16) std::int64_t errors[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(errors), before);
    _mm_store_si128(reinterpret_cast<__m128i*>(errors + 2), after);
    if (!keeps(errors[0] + errors[1], errors[2] + errors[3]))
        return;

    // Kept: the runs back onto the canvas (pixels without paint come back as they were), and the
    // far bitmap a word at a time.
    for (const BrushInk::Run& run : ink.runs) {
        const int row = y0 + run.row, first = x0 + run.first;
        QRgb* pairs = pairRow(row) + 2 * first;
        const QRgb* in = scratch.spans.data() + run.offset;
        const std::size_t index = std::size_t(row) * m_width + first;
        std::size_t word = index >> 6;
        std::uint64_t set = 0, clear = 0;
        for (int k = 0; k < run.length; ++k) {
            pairs[2 * k] = in[k];
            const std::size_t at = index + k;
            if ((at >> 6) != word) {
                setFarBits(word, set, clear);
                word = at >> 6;
                set = clear = 0;
            }
            const std::uint64_t bit = std::uint64_t(1) << (at & 63);
            if (farFromCanvas(pairs[2 * k + 1], in[k]))
                set |= bit;
            else
                clear |= bit;
        }
        setFarBits(word, set, clear);
    }
}
#endif
