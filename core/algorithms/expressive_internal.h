#pragma once

#include "core/algorithms/expressive_brushstrokes.h"

#include <QImage>

#include <cstdint>
#include <cstdlib>
#include <vector>

// What the source files of the expressive brushstrokes share: the pixel helpers, the brushes in
// the forms the stamps and the search read them, and the search of one pixel. The brushes and
// stamps are in expressive_brushes.cpp, the edges and the search in expressive_search.cpp, the
// passes in expressive_brushstrokes.cpp.
namespace expressive {

using Brush = ExpressiveBrushstrokes::Brush;
using BrushSet = ExpressiveBrushstrokes::BrushSet;
using MatchTable = ExpressiveBrushstrokes::MatchTable;

constexpr int kEmptyScore = ExpressiveBrushstrokes::kEmptyScore;
constexpr int kBrushCount = ExpressiveBrushstrokes::kBrushCount;
constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;

inline int redOf(QRgb pixel)
{
    return int((pixel >> 16) & 0xFF);
}
inline int greenOf(QRgb pixel)
{
    return int((pixel >> 8) & 0xFF);
}
inline int blueOf(QRgb pixel)
{
    return int(pixel & 0xFF);
}
inline QRgb opaque(int red, int green, int blue)
{
    return kBlack | (QRgb(red) << 16) | (QRgb(green) << 8) | QRgb(blue);
}
inline int colourDistance(QRgb first, QRgb second)
{
    return std::abs(blueOf(first) - blueOf(second)) + std::abs(redOf(first) - redOf(second)) +
           std::abs(greenOf(first) - greenOf(second));
}

inline bool is32Bit(const QImage& image)
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

inline Pixels pixelsOf(QImage& image)
{
    QRgb* bits = reinterpret_cast<QRgb*>(image.bits()); // detaches a shared image, once
    return {bits, image.bytesPerLine() / 4, image.width(), image.height()};
}

inline ConstPixels pixelsOf(const QImage& image)
{
    return {reinterpret_cast<const QRgb*>(image.constBits()), image.bytesPerLine() / 4,
            image.width(), image.height()};
}

// ---------------------------------------------------------------------------------------------
// Brushes and stamps (expressive_brushes.cpp)

// Lays the ink of the brush (rows and columns 0..brushSize-2) in colour onto the raster, the
// brush's top-left at (x0, y0).
void stampInk(const Brush& brush, int brushSize, int x0, int y0, const Pixels& canvas, QRgb colour);

// The blend of a pick of the given rank onto the raster, the brush's top-left at (x0, y0); see
// ExpressiveBrushstrokes::blendPick.
void blendInk(int rank, int edge, QRgb colour, const Brush& brush, int x0, int y0,
              const Pixels& target);

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

std::vector<CanvasBrush> canvasBrushes(const BrushSet& brushes, int brushSize,
                                       std::ptrdiff_t stride);

// stampInk and blendInk for a brush wholly on the canvas, origin its top-left pixel.
void stampOnCanvas(QRgb* origin, const CanvasBrush& brush, QRgb colour);
void blendEdgeOnCanvas(QRgb* origin, const CanvasBrush& brush, int rank, QRgb colour);

// ---------------------------------------------------------------------------------------------
// Edges and the brush search (expressive_search.cpp)

// The edge magnitude of work, one byte a pixel (the border 0).
std::vector<uchar> edgePlane(const QImage& workImage);
// Rows first..end-1 of the edge magnitude into out (end - first rows of work.width bytes), on up
// to `threads` threads; and the edge magnitude of one pixel. The same values as edgePlane.
void edgeRows(const ConstPixels& work, int first, int end, uchar* out, int threads);
int edgeAt(const ConstPixels& work, int x, int y);

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
        std::uint64_t quotient = (sum * reciprocal) >> 32;
        if ((quotient + 1) * std::uint64_t(count) <= sum)
            ++quotient;
        return int(quotient);
    }
    QRgb average(std::uint64_t red, std::uint64_t green, std::uint64_t blue) const
    {
        return count == 0 ? kBlack : opaque(divide(red), divide(green), divide(blue));
    }
};

std::vector<InteriorBrush> interiorBrushes(const BrushSet& brushes, std::ptrdiff_t stride);

struct Match
{
    int score = kEmptyScore;
    QRgb colour = kWhite & 0x00FFFFFFu; // alpha byte: the brush index
};

// Everything the search of one pass reads.
struct Search
{
    const BrushSet* brushes;
    std::vector<InteriorBrush> interior;
    const QImage* work;
    ConstPixels pixels;
    int brushSize;
    bool vectorised;
};

// The best of the ten orientations at (x, y): the lowest error, the first on ties, starting
// from an empty table entry.
Match bestMatch(const Search& search, int x, int y);

// The colour bestMatch gives a match of brush brushIndex at (x, y): the average of the photograph
// under that brush, worked out again.
QRgb matchColour(const Search& search, int x, int y, int brushIndex);

} // namespace expressive
