#pragma once

#include "core/algorithms/stroke_brush.h"
#include "core/algorithms/stroke_painter.h"
#include "core/raster/random.h"

#include <QImage>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// The state of one run of the stroke painter: the canvas beside the photograph, the pixels still
// far from it, the choice of centres and the trial of each stroke. The steps the level loop
// takes for every stroke are defined here, so that they are inlined into it as they were when
// the run lived beside it; the pixel loops of a stroke are in stroke_run.cpp.

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Memory for the working pixels that asks the system for large pages. Strokes land at random all
// over the picture and read a row of every page they touch: with ordinary pages a 12 MP picture
// costs an address translation miss per brush row, with large pages almost none.
struct LargePageMemory
{
    explicit LargePageMemory(std::size_t bytes);
    ~LargePageMemory();
    LargePageMemory(const LargePageMemory&) = delete;
    LargePageMemory& operator=(const LargePageMemory&) = delete;

    // Hands the memory over (to be freed with std::free); data is null afterwards.
    void* release();

    void* data = nullptr;
};

// One painting run: the state the stroke loop shares between its steps.
class StrokeRun
{
public:
    // The canvas starts warm white over the photograph (32-bit, at the working size).
    StrokeRun(const StrokePainterSettings& settings, const QImage& source);

    // False when there was no memory for the working pixels.
    bool isValid() const { return m_pairs != nullptr; }

    // The canvas as it stands, as a picture with the photograph's format and metadata (resolution,
    // colour space, text), made in place: the canvas halves of the pairs move to the front of the
    // working memory, which shrinks to them and becomes the picture's. So the canvas never exists
    // beside the pairs, 12 bytes a pixel at once. Ends the run: nothing else may be called after.
    QImage takeCanvas();

    // The canvas and the photograph side by side, pixel by pixel (canvas, photograph, canvas,
    // ...): a stroke reads both under every brush row, and one cache line then serves both.
    QRgb* pairRow(int y) const { return m_pairs + std::ptrdiff_t(y) * m_width * 2; }

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
        setFarBits(index >> 6, value ? bit : 0, value ? 0 : bit);
    }
    // Sets and clears bits of one word of the far bitmap. While strokes are laid on several
    // threads, two strokes on different pixels may share a word: the word is then changed
    // atomically.
    void setFarBits(std::size_t word, std::uint64_t set, std::uint64_t clear)
    {
        std::uint64_t* at = &m_far[word];
        if (m_shared) {
            if (set)
                __atomic_fetch_or(at, set, __ATOMIC_RELAXED);
            if (clear)
                __atomic_fetch_and(at, ~clear, __ATOMIC_RELAXED);
        } else {
            *at = (*at | set) & ~clear;
        }
    }
    bool isFar(int x, int y) const
    {
        const std::size_t index = std::size_t(y) * m_width + x;
        return (__atomic_load_n(&m_far[index >> 6], __ATOMIC_RELAXED) >> (index & 63)) & 1;
    }

    // From here on strokes may be laid on several threads at once (StrokeQueue): the far bitmap's
    // words are then changed atomically.
    void shareBetweenThreads() { m_shared = true; }

    int width() const { return m_width; }
    int height() const { return m_height; }

    bool cancelled() const { return m_settings.cancelled && m_settings.cancelled->load(); }

    // A free centre: the first draw over all but the last row and column (or, when asked, over
    // the whole picture), then anywhere, until the photograph's red differs from the canvas by
    // the pick threshold. Gives up after kCandidateLimit draws, or when cancelled, and returns
    // false.
    // settle(x, y) is called before each pixel is tested, for strokes laid on other threads.
    template <typename Settle>
    bool chooseFreeCentre(bool wholePicture, int& x, int& y, const Settle& settle) const
    {
        x = randomBelow(wholePicture ? m_width : std::max(m_width - 1, 1));
        y = randomBelow(wholePicture ? m_height : std::max(m_height - 1, 1));
        for (int attempt = 0; (settle(x, y), !isFar(x, y)); ++attempt) {
            if (attempt >= StrokePainter::kCandidateLimit || (attempt % 64 == 0 && cancelled()))
                return false;
            x = randomBelow(m_width);
            y = randomBelow(m_height);
        }
        return true;
    }

    // The centre the next free search will most likely choose, worked out on a copy of the
    // random state (nothing is drawn): its footprint is fetched while the current stroke is laid,
    // since strokes land at random and each one's rows would otherwise wait on memory.
    void prefetchNextFree(const BrushInk& ink, bool wholePicture) const
    {
        std::uint32_t state = randomState();
        int x = randomBelowFrom(state, wholePicture ? m_width : std::max(m_width - 1, 1));
        int y = randomBelowFrom(state, wholePicture ? m_height : std::max(m_height - 1, 1));
        for (int attempt = 0; attempt < 8 && !isFar(x, y); ++attempt) {
            x = randomBelowFrom(state, m_width);
            y = randomBelowFrom(state, m_height);
        }
        prefetchFootprint(ink, x - ink.size / 2, y - ink.size / 2);
    }
    void prefetchAt(const BrushInk& ink, int x, int y) const
    {
        prefetchFootprint(ink, x - ink.size / 2, y - ink.size / 2);
    }

    // The memory a stroke works in besides the canvas: one per thread that lays strokes.
    struct Scratch
    {
        struct Change
        {
            QRgb* pixel;
            QRgb value;
            QRgb photo;
            std::size_t index;
        };
        std::vector<Change> changed;
        std::vector<QRgb> spans;
    };

    // The pixels a stroke of a brush of `size` centred at (x, y) may read or write: the square of
    // the brush and, right of it, the four columns a SIMD run may pad it with (written back as
    // they were). Clipped by the caller.
    static void footprint(int size, int x, int y, int& left, int& top, int& right, int& bottom)
    {
        left = x - size / 2;
        top = y - size / 2;
        right = left + size + 4;
        bottom = top + size;
    }

    // Tries one stroke of the brush centred at (x, y) and keeps it when it lowers the error
    // enough.
    void stroke(const BrushInk& ink, int x, int y) { stroke(ink, x, y, m_scratch); }
    void stroke(const BrushInk& ink, int x, int y, Scratch& scratch)
    {
        const int brushSize = ink.size;
        const int x0 = x - brushSize / 2, y0 = y - brushSize / 2;
#if defined(__SSE2__)
        // Inside the picture every ink pixel counts and the padded runs stay on their rows.
        if (m_simd && x0 >= 1 && y0 >= 1 && x0 + brushSize + 4 <= m_width - 1 &&
            y0 + brushSize <= m_height - 1) {
            strokeInside(ink, x0, y0, scratch);
            return;
        }
#endif
        strokeAtBorder(ink, x0, y0, scratch);
    }

private:
    // The footprint's rows are far apart in memory: ask for all the lines of the photograph and
    // the canvas that a stroke there reads, so that their misses overlap.
    void prefetchFootprint(const BrushInk& ink, int x0, int y0) const;

    bool keeps(qint64 before, qint64 after) const
    {
        return after < (before >> 10) * m_settings.acceptance;
    }

    // A stroke that may touch the border, one pixel at a time: the average counts ink pixels
    // strictly inside the picture; ink pixels strictly inside the patch take the colour in
    // proportion to the ink (the rest of the patch is the canvas as it is); the errors count ink
    // pixels of the patch strictly inside the picture.
    void strokeAtBorder(const BrushInk& ink, int x0, int y0, Scratch& scratch);

#if defined(__SSE2__)
    // The canvas and the photograph of four pixels from their pairs.
    static __m128i canvasOf(const QRgb* pairs)
    {
        const __m128 firstTwo = _mm_loadu_ps(reinterpret_cast<const float*>(pairs));
        const __m128 lastTwo = _mm_loadu_ps(reinterpret_cast<const float*>(pairs + 4));
        return _mm_castps_si128(_mm_shuffle_ps(firstTwo, lastTwo, _MM_SHUFFLE(2, 0, 2, 0)));
    }
    static __m128i photographOf(const QRgb* pairs)
    {
        const __m128 firstTwo = _mm_loadu_ps(reinterpret_cast<const float*>(pairs));
        const __m128 lastTwo = _mm_loadu_ps(reinterpret_cast<const float*>(pairs + 4));
        return _mm_castps_si128(_mm_shuffle_ps(firstTwo, lastTwo, _MM_SHUFFLE(3, 1, 3, 1)));
    }

    // A stroke whose footprint lies inside the picture, four pixels at a time over each row's
    // run. The same sums and pixels as strokeAtBorder: integer sums do not depend on their
    // order, and the 16-bit products cannot overflow (old * keep + colour * paint <= 255 * 256).
    void strokeInside(const BrushInk& ink, int x0, int y0, Scratch& scratch);
#endif

    const StrokePainterSettings& m_settings;
    const QImage& m_source;
    const int m_width, m_height;
    // Strokes inside the picture are laid with SIMD loops, those touching its border one pixel
    // at a time; with the execution setting's SIMD off, every stroke takes the pixel-at-a-time
    // way (the same pictures, slower).
    const bool m_simd;
    bool m_shared = false;
    std::vector<std::uint64_t> m_far;
    LargePageMemory m_memory;
    QRgb* const m_pairs;
    Scratch m_scratch; // the painting thread's
};
