#include "core/algorithms/oil_painting_algorithm.h"

#include "core/algorithms/pencil_renderer.h"
#include "core/framework/slider_conversion.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "processing/iprogress_reporter.h"

#include <QPainter>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

const QString kPrefix = QStringLiteral("OilPaintingAlgorithm::");
const QString kOilType = kPrefix + QStringLiteral("oil_type");
const QString kMinimumStrokeSize = kPrefix + QStringLiteral("minimum_stroke_size");
const QString kMaximumStrokeSize = kPrefix + QStringLiteral("maximum_stroke_size");
const QString kNumberOfBrushstrokes = kPrefix + QStringLiteral("number_of_brushstrokes");
const QString kEdgeIntensity = kPrefix + QStringLiteral("edge_intensity");
const QString kPrecision = kPrefix + QStringLiteral("brushstroke_precision");
const QString kContrast = kPrefix + QStringLiteral("level_of_contrast");
const QString kDetails = kPrefix + QStringLiteral("level_of_details");
const QString kStrength = kPrefix + QStringLiteral("strength_of_effect");
const QString kSimplification = kPrefix + QStringLiteral("image_simplification");
const QString kColorIntensity = kPrefix + QStringLiteral("color_intensity");
const QString kDarkenLighten = kPrefix + QStringLiteral("darken_lighten");
const QString kBrushstrokes = kPrefix + QStringLiteral("brushstrokes_intensity");

const QString kImpastoTexture = QStringLiteral(":/impastotexture.jpg");
const QString kStrokeBitmap = QStringLiteral(":/stroke11.bmp");

constexpr double kScaleFloor = 0.5;         // the brushstrokes never work below half size
constexpr QRgb kCanvasColour = 0xFFFFFFF0u; // opaque red 255, green 255, blue 240
constexpr int kInkLimit = 249;              // brush pixels with red <= 249 carry paint
constexpr int kStrokesPerBrush = 500;       // the brush is turned anew every 500 strokes
constexpr int kLargestBrush = 1000;         // far beyond the slider's 254
constexpr qint64 kStrokeBudgetCap = 5000000000LL;

// The last percentage the standard painter reported, in this process.
std::atomic<int> g_lastReportedPercent{0};

// Slider values come from panels, documents and the command line. One far outside every slider
// range (a damaged document) is held to +-1000000 so that the conversions cannot overflow.
int sliderValue(const QVariant& value)
{
    return std::clamp(value.toInt(), -1000000, 1000000);
}

int oilTypeOf(const QString& text)
{
    if (text == QStringLiteral("expressive_brushstrokes"))
        return OilPaintingAlgorithm::ExpressiveBrushstrokes;
    if (text == QStringLiteral("oil_painting"))
        return OilPaintingAlgorithm::ImpastoPainting;
    return OilPaintingAlgorithm::StandardOil;
}

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

// The ink of a brush: its pixels with red <= 249 (about an eighth of the stroke bitmap), row by
// row in column order, with their weight b = red (0 full ink .. 249 faint). Strokes walk only
// these pixels; the others neither take paint nor count in the errors.
struct BrushInk
{
    struct Pixel
    {
        std::int32_t column;
        std::int32_t weight;
    };
    int size = 0;
    std::vector<Pixel> pixels;
    std::vector<int> rowStart; // size + 1 entries: row j holds pixels[rowStart[j]..rowStart[j+1])
};

BrushInk brushInk(const QImage& brush)
{
    BrushInk ink;
    ink.size = brush.width();
    ink.rowStart.reserve(std::size_t(brush.height()) + 1);
    for (int j = 0; j < brush.height(); ++j) {
        ink.rowStart.push_back(int(ink.pixels.size()));
        const QRgb* line = reinterpret_cast<const QRgb*>(brush.constScanLine(j));
        for (int i = 0; i < brush.width(); ++i) {
            if (qRed(line[i]) <= kInkLimit)
                ink.pixels.push_back({i, qRed(line[i])});
        }
    }
    ink.rowStart.push_back(int(ink.pixels.size()));
    return ink;
}

} // namespace

QString OilPaintingAlgorithm::memoryName()
{
    return QStringLiteral("OilPaintingAlgorithm");
}

int OilPaintingAlgorithm::lastReportedPercent()
{
    return g_lastReportedPercent.load();
}

QString OilPaintingAlgorithm::name() const
{
    return oilPaintingAlgorithmName();
}

void OilPaintingAlgorithm::setParameters(const FilterParametersPtr& parameters)
{
    if (!parameters)
        return;
    const QString scaling = scalingKey();
    const QString preview = forPreviewKey();
    for (const QString& key : parameters->keys()) {
        const QVariant value = parameters->value(key);
        if (key == kOilType)
            m_oilType = oilTypeOf(value.toString());
        else if (key == kMinimumStrokeSize)
            m_minimumStrokeSize = percentTo8Bit(sliderValue(value));
        else if (key == kMaximumStrokeSize)
            m_maximumStrokeSize = percentTo8Bit(sliderValue(value));
        else if (key == kNumberOfBrushstrokes)
            m_numberOfBrushstrokes = percentTo8Bit(sliderValue(value));
        else if (key == kEdgeIntensity)
            m_edgeFactor = reversedPercentTo8Bit(sliderValue(value));
        else if (key == kPrecision)
            m_precision = sliderValue(value);
        else if (key == kContrast)
            m_contrast = percentTo8Bit(sliderValue(value));
        else if (key == kDetails)
            m_details = percentTo8Bit(sliderValue(value));
        else if (key == kStrength)
            m_strength = percentTo8Bit(sliderValue(value));
        else if (key == kSimplification)
            m_simplification = reversedPercentTo8Bit(sliderValue(value));
        else if (key == kColorIntensity)
            m_colourIntensity = sliderValue(value);
        else if (key == kDarkenLighten)
            m_brightness = signedTo8Bit(sliderValue(value));
        else if (key == kBrushstrokes)
            m_brushstrokeIntensity = sliderValue(value);
        else if (key == scaling) {
            // Once a render is scaled the object stays scaled; the scale keeps its last value.
            m_scaled = true;
            m_scale = effectiveScale(value.toDouble(), kScaleFloor);
        } else if (key == preview)
            m_preview = value.toBool();
    }
}

bool OilPaintingAlgorithm::isReady() const
{
    const int floor = kNotReceived + 1;
    const bool brushstrokes = m_minimumStrokeSize >= floor && m_maximumStrokeSize >= floor &&
                              m_numberOfBrushstrokes >= floor && m_edgeFactor >= floor &&
                              m_precision >= floor && m_contrast >= floor && m_details >= floor;
    const bool impastoUnset = m_strength < floor && m_simplification < floor &&
                              m_colourIntensity < floor && m_brightness < floor &&
                              m_brushstrokeIntensity < floor;
    return brushstrokes && impastoUnset;
}

void OilPaintingAlgorithm::setCancelled(bool cancelled)
{
    // The engine hears it whatever the type, so a type changed between runs cannot miss it.
    m_engine.setCancelled(cancelled);
    m_cancelled.store(cancelled);
}

void OilPaintingAlgorithm::setStrokeMemory(const StrokeMemoryPtr& memory)
{
    m_memory = memory;
    m_engine.setStrokeMemory(memory);
}

void OilPaintingAlgorithm::process(QImage& image)
{
    if (m_reporter)
        m_reporter->report_progress(0);
    if (image.isNull())
        return;
    ensure32Bit(image);
    switch (m_oilType) {
    case ExpressiveBrushstrokes:
        paintExpressiveBrushstrokes(image);
        break;
    case ImpastoPainting:
        paintImpasto(image);
        break;
    default:
        paintStandardOil(image);
        break;
    }
}

void OilPaintingAlgorithm::paintExpressiveBrushstrokes(QImage& image)
{
    // TODO: the expressive brushstroke renderer (brushstrokes matched to the picture) goes here.
    // Until it exists, this type paints with the standard brushstrokes.
    paintStandardOil(image);
}

void OilPaintingAlgorithm::paintImpasto(QImage& image)
{
    const QImage texture(kImpastoTexture);
    if (texture.isNull())
        return;
    m_engine.paint(image, texture, m_scaled, m_scale, m_reporter, m_brushstrokeIntensity,
                   m_strength, m_simplification, m_brightness, m_colourIntensity, m_preview);
}

void OilPaintingAlgorithm::darkenEdges(QImage& canvas, const QImage& source, const QImage& strokes,
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

// The standard painter. The photograph and a gradient stroke drawing of it are reduced by the
// scale; a canvas of warm white receives strokes from the largest brush size down to the
// smallest, 10 % smaller at each level, with a stroke budget per level that keeps the painted
// area about the same. Each stroke: pick a centre where the canvas is still far from the
// photograph (or replay a recorded one), average the photograph under the brush, lay the brush
// in that colour on a patch of the canvas, and keep the patch only when it lowers the error under
// the brush enough. Then darken the edges where the drawing and the remaining error say so, and
// finish with brightness, local contrast and sharpening.
void OilPaintingAlgorithm::paintStandardOil(QImage& image)
{
    // 1. Brush sizes follow the display scale.
    if (m_scaled) {
        m_minimumStrokeSize = qRound(m_minimumStrokeSize * m_scale);
        m_maximumStrokeSize = qRound(m_maximumStrokeSize * m_scale);
    }
    // 2-3. The photograph and its edge drawing at the working size.
    const QImage input = image;
    const int inputWidth = input.width(), inputHeight = input.height();
    QImage strokes = PencilRenderer::gradientStrokeDrawing(input, 4, 180, 20);
    strokes = scaleByFactor(strokes, m_scale);
    QImage source = scaleByFactor(input, m_scale);
    if (source.isNull() || strokes.isNull() || strokes.size() != source.size())
        return;
    ensure32Bit(source);
    ensure32Bit(strokes);
    const int W = source.width(), H = source.height();

    // 4. The canvas, warm white.
    QImage canvas = source.copy();
    canvas.fill(kCanvasColour);

    // 5-7. Sizes, constants and the stroke budget.
    m_minimumStrokeSize = std::min(m_minimumStrokeSize, m_maximumStrokeSize);
    // A damaged document's size is held to kLargestBrush so that the brush can be allocated.
    const int m = std::min(m_minimumStrokeSize, kLargestBrush);
    const int M = std::min(m_maximumStrokeSize, kLargestBrush);
    const int p = m_precision;
    const qint64 n = m_numberOfBrushstrokes;
    const qint64 acceptance = acceptanceFactor(p);
    const int threshold = pickThreshold(p);
    const int S0 = M + 6;
    int S = S0;
    const qint64 levels = qint64(M - m) / 100 + 1;
    const qint64 budget =
        std::min<qint64>(3 * ((qint64(W) * H / 2) * n / levels), kStrokeBudgetCap);
    const auto strokesFor = [budget](int size) { return budget / (qint64(size) * size); };
    qint64 N = S > 0 ? strokesFor(S) : 0;

    // 8. The brush.
    QImage bitmap(kStrokeBitmap);
    if (bitmap.isNull() || S < 1)
        return;
    bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    QImage brush = bitmap.scaled(S, S, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    BrushInk ink = brushInk(brush);

    // 9. Where the centres come from.
    const bool recording = m_scaled && !m_preview;
    const bool replaying = !m_scaled && !m_preview;
    QVector<QPoint> recorded;
    const QVector<QPoint> replay =
        replaying && m_memory ? m_memory->positions(memoryName()) : QVector<QPoint>();
    int replayCursor = 0;
    qint64 c = 0;

    // Where the photograph's red still differs from the canvas by the pick threshold, one bit a
    // pixel (row-major): the centre search tests this instead of two large pictures, and strokes
    // that are kept update it.
    const auto farFromCanvas = [threshold](QRgb photo, QRgb paint) {
        return std::abs(qRed(photo) - qRed(paint)) >= threshold;
    };
    std::vector<std::uint64_t> far((std::size_t(W) * std::size_t(H) + 63) / 64, 0);
    const auto setFar = [&far](std::size_t index, bool value) {
        const std::uint64_t bit = std::uint64_t(1) << (index & 63);
        if (value)
            far[index >> 6] |= bit;
        else
            far[index >> 6] &= ~bit;
    };
    for (int y = 0; y < H; ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < W; ++x)
            setFar(std::size_t(y) * W + x, farFromCanvas(src[x], kCanvasColour));
    }
    const auto isFar = [&far, W](int x, int y) {
        const std::size_t index = std::size_t(y) * W + x;
        return (far[index >> 6] >> (index & 63)) & 1;
    };

    // A free centre: the first draw over all but the last row and column, then anywhere, until
    // the photograph's red differs from the canvas by the pick threshold. Gives up after
    // kCandidateLimit draws, or when cancelled, and returns false.
    const auto chooseFreeCentre = [&](int& x, int& y) {
        x = randomBelow(std::max(W - 1, 1));
        y = randomBelow(std::max(H - 1, 1));
        for (int attempt = 0; !isFar(x, y); ++attempt) {
            if (attempt >= kCandidateLimit || (attempt % 64 == 0 && m_cancelled.load()))
                return false;
            x = randomBelow(W);
            y = randomBelow(H);
        }
        return true;
    };

    // The canvas pixels a stroke would change, and their new values.
    struct Change
    {
        QRgb* pixel;
        QRgb value;
        QRgb photo;
        std::size_t index;
    };
    std::vector<Change> changed;
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
            image = canvas.copy();
    };

    // 10.4 A newly turned brush, then progress: a percentage other than the last one reported
    // leaves a snapshot of the canvas in the image. (A maximum size below the minimum can shrink
    // the brush past the minimum; the percentage is held to 0..100.)
    const auto turnBrush = [&]() {
        brush = turnedBrush(bitmap, S, randomBelow(360));
        ink = brushInk(brush);
        const int span = S0 - m;
        const int percent =
            span != 0 ? std::clamp(qRound(double(S0 - S) / span * 100.0), 0, 100) : 100;
        if (percent != g_lastReportedPercent.load()) {
            snapshotDue = true;
            if (m_reporter)
                m_reporter->report_progress(percent);
            g_lastReportedPercent.store(percent);
        }
    };

    // Row pointers from the bases: the canvas is never shared while strokes are laid (a cancelled
    // run leaves a deep copy), so its memory stays where it is.
    QRgb* const canvasBits = reinterpret_cast<QRgb*>(canvas.bits());
    const std::ptrdiff_t canvasStride = canvas.bytesPerLine() / 4;
    const QRgb* const sourceBits = reinterpret_cast<const QRgb*>(source.constBits());
    const std::ptrdiff_t sourceStride = source.bytesPerLine() / 4;

    // 10. Stroke after stroke, the brush shrinking level by level.
    while (m + 4 < S) {
        if (m_cancelled.load())
            return leaveOnCancel();

        // 10.2 The centre.
        int x = 0, y = 0;
        if (replaying && replayCursor < replay.size()) {
            // A position from another picture size is wrapped into this one.
            const QPoint at = replay.at(replayCursor++);
            x = ((at.x() % W) + W) % W;
            y = ((at.y() % H) + H) % H;
        } else if (chooseFreeCentre(x, y)) {
            if (recording)
                recorded.append(
                    QPoint(int((x % inputWidth) / m_scale), int((y % inputHeight) / m_scale)));
        } else {
            // Nothing left to paint at this size (or cancelled): the next, smaller size.
            if (m_cancelled.load())
                return leaveOnCancel();
            shrink();
            if (S < 1)
                break;
            turnBrush();
            continue;
        }

        // 10.3 Count the stroke; a new size level or every 500th stroke turns a new brush.
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
        // 10.4 The turned brush, and progress with a snapshot of the canvas.
        if (rebuild)
            turnBrush();

        const int size = brush.width(); // S
        const int hw = size / 2, hh = brush.height() / 2;
        const int x0 = x - hw, y0 = y - hh;
        const int pw = 2 * hw, ph = 2 * hh; // the patch the stroke is tried on

        // The footprint's rows are far apart in memory: ask for all the lines of the photograph
        // and the canvas that the two passes below read, so that their misses overlap.
        for (int j = std::max(0, -y0), jEnd = std::min(size, H - y0); j < jEnd; ++j) {
            if (ink.rowStart[j] == ink.rowStart[j + 1])
                continue;
            const auto inside = [W](int column) { return std::clamp(column, 0, W - 1); };
            const int first = inside(x0 + ink.pixels[ink.rowStart[j]].column);
            const int last = inside(x0 + ink.pixels[ink.rowStart[j + 1] - 1].column);
            const QRgb* src = sourceBits + std::ptrdiff_t(y0 + j) * sourceStride;
            const QRgb* cv = canvasBits + std::ptrdiff_t(y0 + j) * canvasStride;
            for (int column = first; column <= last; column += 16) {
                __builtin_prefetch(src + column);
                __builtin_prefetch(cv + column);
            }
            __builtin_prefetch(src + last);
            __builtin_prefetch(cv + last);
        }

        // 10.5 Average colour of the photograph under the brush's ink (interior pixels only).
        qint64 sumR = 0, sumG = 0, sumB = 0, count = 0;
        for (int j = std::max(0, 1 - y0), jEnd = std::min(size, H - 1 - y0); j < jEnd; ++j) {
            const QRgb* src = sourceBits + std::ptrdiff_t(y0 + j) * sourceStride + x0;
            for (int k = ink.rowStart[j]; k < ink.rowStart[j + 1]; ++k) {
                const int column = x0 + ink.pixels[k].column;
                if (column > 0 && column < W - 1) {
                    const QRgb v = src[ink.pixels[k].column];
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

        // 10.6-10.7 The stroke on the patch, and the error under the ink before and after. Ink
        // pixels strictly inside the patch take the colour in proportion to the ink (the rest of
        // the patch is the canvas as it is); the errors count ink pixels strictly inside the
        // picture.
        changed.clear();
        qint64 before = 0, after = 0;
        for (int j = std::max(0, -y0), jEnd = std::min(ph, H - y0); j < jEnd; ++j) {
            const int row = y0 + j;
            QRgb* cv = canvasBits + std::ptrdiff_t(row) * canvasStride;
            const QRgb* src = sourceBits + std::ptrdiff_t(row) * sourceStride;
            const bool rowCounts = row > 0 && row < H - 1;
            const bool rowPaints = j > 0 && j < ph - 1;
            for (int k = ink.rowStart[j]; k < ink.rowStart[j + 1]; ++k) {
                const int i = ink.pixels[k].column;
                const int column = x0 + i;
                if (i >= pw || column < 0 || column >= W)
                    continue;
                const QRgb old = cv[column];
                QRgb now = old;
                if (rowPaints && i > 0 && i < pw - 1) {
                    const int keep = ink.pixels[k].weight, paint = 255 - keep;
                    now = 0xFF000000u | (QRgb((avgR * paint + qRed(old) * keep) >> 8) << 16) |
                          (QRgb((avgG * paint + qGreen(old) * keep) >> 8) << 8) |
                          QRgb((avgB * paint + qBlue(old) * keep) >> 8);
                    changed.push_back(
                        {cv + column, now, src[column], std::size_t(row) * W + column});
                }
                if (rowCounts && column > 0 && column < W - 1) {
                    before += colourDistance(src[column], old);
                    after += colourDistance(src[column], now);
                }
            }
        }
        // 10.8 Keep the stroke only when it brings the canvas close enough to the photograph.
        if (after < (before >> 10) * acceptance) {
            for (const Change& change : changed) {
                *change.pixel = change.value;
                setFar(change.index, farFromCanvas(change.photo, change.value));
            }
        }
    }

    // 11. Edge darkening; the last row and column stay.
    darkenEdges(canvas, source, strokes, m_edgeFactor);

    // 12-13. Finish, and the photograph's alpha back.
    adjustBrightness(canvas, 10);
    localContrast(canvas, 10);
    sharpen3x3(canvas);
    image = restoreAlpha(source, canvas);

    if (recording && m_memory)
        m_memory->setPositions(memoryName(), recorded);
    if (m_reporter)
        m_reporter->report_progress(100);
}
