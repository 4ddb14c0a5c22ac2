#include "core/algorithms/expressive_internal.h"

#include "core/raster/raster_primitives.h"

// The brushes of the expressive brushstrokes: the turned brush set, and laying a brush on the
// canvas, as a stamp or as the blend of a cell pick.

using namespace expressive;

namespace {

const QString kBrushBitmap = QStringLiteral(":/brushstroke.bmp");

// The three channels of a pixel spread over 16-bit fields of a 64-bit word (blue, red, green
// from the bottom), so that one multiplication weighs them all: every product and sum below
// stays under 2^16 within its field.
constexpr std::uint64_t kFieldMask = 0x000000FF00FF00FFull;

inline std::uint64_t spread(QRgb pixel)
{
    return (std::uint64_t(pixel) & 0x00FF00FFu) | ((std::uint64_t(pixel) & 0x0000FF00u) << 24);
}

inline QRgb gather(std::uint64_t fields)
{
    return kBlack | QRgb(fields & 0x00FF00FFu) | (QRgb(fields >> 24) & 0x0000FF00u);
}

} // namespace

namespace expressive {

void stampInk(const Brush& brush, int brushSize, int x0, int y0, const Pixels& canvas, QRgb colour)
{
    const int colourRed = redOf(colour), colourGreen = greenOf(colour), colourBlue = blueOf(colour);
    for (const ExpressiveBrushstrokes::Ink& ink : brush.ink) {
        if (ink.row > brushSize - 2 || ink.column > brushSize - 2)
            continue;
        const int x = x0 + ink.column, y = y0 + ink.row;
        if (unsigned(x) >= unsigned(canvas.width) || unsigned(y) >= unsigned(canvas.height))
            continue;
        QRgb& pixel = canvas.row(y)[x];
        const int keep = ink.red, paint = 255 - keep;
        pixel = opaque((redOf(pixel) * keep + colourRed * paint) >> 8,
                       (greenOf(pixel) * keep + colourGreen * paint) >> 8,
                       (blueOf(pixel) * keep + colourBlue * paint) >> 8);
    }
}

void blendInk(int rank, int edge, QRgb colour, const Brush& brush, int x0, int y0,
              const Pixels& target)
{
    const int brushSize = brush.image.width();
    const int colourRed = redOf(colour), colourGreen = greenOf(colour), colourBlue = blueOf(colour);
    const auto inside = [&](int x, int y) {
        return unsigned(x) < unsigned(target.width) && unsigned(y) < unsigned(target.height);
    };
    if (rank < 3 && edge > 9) {
        // On an edge the best pick is darkened by 1, the second kept, the third lightened by 1.
        const int adjustedRed = clampChannel(colourRed + rank - 1),
                  adjustedGreen = clampChannel(colourGreen + rank - 1),
                  adjustedBlue = clampChannel(colourBlue + rank - 1);
        for (const ExpressiveBrushstrokes::Ink& ink : brush.ink) {
            if (ink.row > brushSize - 2 || ink.red >= 240 || !inside(x0 + ink.column, y0 + ink.row))
                continue;
            QRgb& pixel = target.row(y0 + ink.row)[x0 + ink.column];
            const int keep = ink.red, paint = 255 - keep;
            const auto mix = [&](int old, int adjusted, int colourChannel) {
                return (((old + adjusted) >> 1) + ((old * keep + colourChannel * paint) >> 8)) >> 1;
            };
            pixel = opaque(mix(redOf(pixel), adjustedRed, colourRed),
                           mix(greenOf(pixel), adjustedGreen, colourGreen),
                           mix(blueOf(pixel), adjustedBlue, colourBlue));
        }
        return;
    }
    // Elsewhere the pick is stamped again.
    stampInk(brush, brushSize, x0, y0, target, colour);
}

std::vector<CanvasBrush> canvasBrushes(const BrushSet& brushes, int brushSize,
                                       std::ptrdiff_t stride)
{
    std::vector<CanvasBrush> result(brushes.size());
    for (std::size_t k = 0; k < brushes.size(); ++k) {
        for (const ExpressiveBrushstrokes::Ink& ink : brushes[k].ink) {
            const std::int32_t offset = std::int32_t(ink.row * stride + ink.column);
            if (ink.row <= brushSize - 2 && ink.column <= brushSize - 2) {
                result[k].stampOffsets.push_back(offset);
                result[k].stampReds.push_back(std::uint8_t(ink.red));
            }
            if (ink.row <= brushSize - 2 && ink.red < 240) {
                result[k].edgeOffsets.push_back(offset);
                result[k].edgeReds.push_back(std::uint8_t(ink.red));
            }
        }
    }
    return result;
}

void stampOnCanvas(QRgb* origin, const CanvasBrush& brush, QRgb colour)
{
    const std::uint64_t paintFields = spread(colour);
    const std::size_t count = brush.stampOffsets.size();
    for (std::size_t k = 0; k < count; ++k) {
        QRgb& pixel = origin[brush.stampOffsets[k]];
        const std::uint64_t keep = brush.stampReds[k];
        pixel = gather(((spread(pixel) * keep + paintFields * (255 - keep)) >> 8) & kFieldMask);
    }
}

void blendEdgeOnCanvas(QRgb* origin, const CanvasBrush& brush, int rank, QRgb colour)
{
    const std::uint64_t paintFields = spread(colour);
    const std::uint64_t adjusted = spread(opaque(clampChannel(redOf(colour) + rank - 1),
                                                 clampChannel(greenOf(colour) + rank - 1),
                                                 clampChannel(blueOf(colour) + rank - 1)));
    const std::size_t count = brush.edgeOffsets.size();
    for (std::size_t k = 0; k < count; ++k) {
        QRgb& pixel = origin[brush.edgeOffsets[k]];
        const std::uint64_t old = spread(pixel), keep = brush.edgeReds[k];
        const std::uint64_t half = ((old + adjusted) >> 1) & kFieldMask;
        const std::uint64_t weighed = ((old * keep + paintFields * (255 - keep)) >> 8) & kFieldMask;
        pixel = gather(((half + weighed) >> 1) & kFieldMask);
    }
}

} // namespace expressive

// ---------------------------------------------------------------------------------------------

ExpressiveBrushstrokes::BrushSet ExpressiveBrushstrokes::buildBrushSet(int brushSize)
{
    BrushSet brushes;
    const QImage bitmap = QImage(kBrushBitmap).convertToFormat(QImage::Format_RGB32);
    QImage base(brushSize, brushSize, QImage::Format_RGB32);
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
        // The centred brush-sized square: cut from its corner to the far edges, then the
        // top-left.
        const int turnedWidth = turned.width(), turnedHeight = turned.height();
        const auto floorHalf = [](int value) {
            return value >= 0 ? value / 2 : -((-value + 1) / 2);
        };
        const int cutX = floorHalf(turnedWidth - brushSize),
                  cutY = floorHalf(turnedHeight - brushSize);
        const QImage cut = turned.copy(cutX, cutY, turnedWidth - cutX, turnedHeight - cutY);
        brushes.push_back(brushFromImage(cut.copy(0, 0, brushSize, brushSize)));
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

void ExpressiveBrushstrokes::stampBrush(const Brush& brush, int brushSize, int x, int y,
                                        QImage& canvas, QRgb colour)
{
    if (!is32Bit(canvas))
        return;
    stampInk(brush, brushSize, x - brushSize / 2, y - brushSize / 2, pixelsOf(canvas), colour);
}

void ExpressiveBrushstrokes::blendPick(int rank, int edge, QImage& patch, QRgb colour,
                                       const Brush& brush)
{
    if (!is32Bit(patch))
        return;
    blendInk(rank, edge, colour, brush, 0, 0, pixelsOf(patch));
}
