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

inline std::uint64_t spread(QRgb p)
{
    return (std::uint64_t(p) & 0x00FF00FFu) | ((std::uint64_t(p) & 0x0000FF00u) << 24);
}

inline QRgb gather(std::uint64_t fields)
{
    return kBlack | QRgb(fields & 0x00FF00FFu) | (QRgb(fields >> 24) & 0x0000FF00u);
}

} // namespace

namespace expressive {

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

} // namespace expressive

// ---------------------------------------------------------------------------------------------

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

void ExpressiveBrushstrokes::stampBrush(const Brush& brush, int a, int x, int y, QImage& canvas,
                                        QRgb colour)
{
    if (!is32Bit(canvas))
        return;
    stampInk(brush, a, x - a / 2, y - a / 2, pixelsOf(canvas), colour);
}

void ExpressiveBrushstrokes::blendPick(int q, int edge, QImage& patch, QRgb colour,
                                       const Brush& brush)
{
    if (!is32Bit(patch))
        return;
    blendInk(q, edge, colour, brush, 0, 0, pixelsOf(patch));
}
