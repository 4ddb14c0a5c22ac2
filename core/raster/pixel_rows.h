#pragma once

// Shared helpers of the raster primitives' sources: scan-line access, formats, the split of rows
// over threads and the two-operand channel tables. Internal to core/raster; the public functions
// are declared in raster_primitives.h.

#include "core/raster/execution.h"
#include "core/raster/raster_primitives.h"
#include "core/raster/thread_pool.h"
#include "core/raster/working_memory.h"

#include <QImage>

#include <algorithm>
#include <atomic>
#include <vector>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#define DRAWLUME_RASTER_SSE2 1
#else
#define DRAWLUME_RASTER_SSE2 0
#endif

namespace pixel_rows {

constexpr QRgb kOpaque = 0xFF000000u;

// ---------------------------------------------------------------------------------------------
// Scan-line access and formats

inline bool is32Bit(const QImage& image)
{
    const QImage::Format format = image.format();
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

inline bool hasAlphaChannel(const QImage& image)
{
    return image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
}

// Callers hand over 32-bit images; anything narrower is converted once here so that no loop
// walks past the end of a shorter scan line.
inline QImage as32Bit(const QImage& image)
{
    if (image.isNull() || is32Bit(image))
        return image;
    QImage converted = image.convertToFormat(QImage::Format_RGB32);
    requirePixels(converted);
    return converted;
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

inline Rows writableRows(QImage& image)
{
    return {image.bits(), image.bytesPerLine()}; // bits() detaches a shared image here, once
}

inline ConstRows readableRows(const QImage& image)
{
    return {image.constBits(), image.bytesPerLine()};
}

// ---------------------------------------------------------------------------------------------
// Splitting rows over threads. The bands are independent (each writes only its own rows and
// reads only what no other band writes), so every split gives the bytes of one thread.

// Bands for a picture of `pixels` pixels: one below the setting's minimum, else one a thread
// (pixelLoopThreads()), at most one a row.
inline int bandCount(int rows, qint64 pixels)
{
    if (pixels < execution().minimumParallelPixels)
        return 1;
    return std::max(1, std::min(pixelLoopThreads(), rows));
}

inline int bandStart(int rows, int bands, int band)
{
    return int(qint64(rows) * band / bands);
}

// Calls body(band, firstRow, endRow) for each band on the thread pool, the calling thread taking
// part; each band runs once, on whichever thread takes it first. The first exception a band throws
// (std::bad_alloc) is thrown again on the calling thread once every band has ended.
template <typename Body> void runBands(int rows, int bands, const Body& body)
{
    if (bands <= 1) {
        body(0, 0, rows);
        return;
    }
    std::atomic<int> next{0};
    runOnPool(bands, [&](int) {
        for (int index = next.fetch_add(1); index < bands; index = next.fetch_add(1))
            body(index, bandStart(rows, bands, index), bandStart(rows, bands, index + 1));
    });
}

// Calls body(firstRow, endRow) over bands of [0, rows) of a picture with `pixels` pixels.
template <typename Body> void forRowBands(int rows, qint64 pixels, const Body& body)
{
    runBands(rows, bandCount(rows, pixels), [&body](int, int first, int end) { body(first, end); });
}

// ---------------------------------------------------------------------------------------------
// Two-operand channel functions through tables

// A two-operand channel function held as a 64 KiB table indexed (base << 8) | blend.
using PairTable = std::vector<uchar>;

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
inline int roundToChannel(double v)
{
    if (!(v > -1.0))
        v = -1.0;
    else if (v > 256.0)
        v = 256.0;
    return clampChannel(qRound(v));
}

} // namespace pixel_rows
