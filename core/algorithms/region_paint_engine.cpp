#include "core/algorithms/region_paint_engine.h"

#include "core/algorithms/region_painter.h"
#include "core/algorithms/texture_ground.h"

#include "core/framework/iprogress_reporter.h"
#include "core/raster/parallel_rows.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "core/raster/working_memory.h"

#include <QPoint>
#include <QTransform>
#include <QVector>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr QRgb kUnpainted = 0xFFFFFFFFu; // opaque white: the canvas before anything is painted
constexpr int kSeedAttempts = 151;
constexpr int kPixelsPerAreaUnit = 140; // the coverage unit is 1/140 of the picture
constexpr int kSeedsPerProgress = 33;
constexpr int kMaximumEdge = 65;
constexpr int kFinishBandColumns = 256;
constexpr int kFinishChunkRows = 32;

// The colour with the texture delta on each channel, clamped to 0..254, opaque.
inline QRgb withDelta(QRgb colour, int delta)
{
    const auto channel = [delta](int value) { return QRgb(std::clamp(value + delta, 0, 254)); };
    return 0xFF000000u | (channel(qRed(colour)) << 16) | (channel(qGreen(colour)) << 8) |
           channel(qBlue(colour));
}

inline int colourDistance(QRgb first, QRgb second)
{
    return std::abs(qRed(first) - qRed(second)) + std::abs(qGreen(first) - qGreen(second)) +
           std::abs(qBlue(first) - qBlue(second));
}

// randomBelow for a range that may be empty: a picture one pixel wide draws from 0..0.
inline int drawBelow(int n)
{
    return randomBelow(std::max(n, 1));
}

// The last pass over one band of columns: unpainted pixels take their own colour on the texture,
// then grain with the brightness shift, then the pigment edge. `draws` holds the band's random
// draws row by row (draws[(y * bandWidth) + x - bandBegin]).
void finishBand(const QImage& work, QImage& canvas, const std::vector<std::uint8_t>& painted,
                const TextureGround& ground, int brightnessShift, int bandBegin, int bandEnd,
                const std::uint16_t* draws, int rowBegin, int rowEnd)
{
    const int width = work.width();
    const int height = work.height();
    const int bandWidth = bandEnd - bandBegin;
    for (int y = rowBegin; y < rowEnd; ++y) {
        const QRgb* source = reinterpret_cast<const QRgb*>(work.constScanLine(y));
        const QRgb* below =
            y + 1 < height ? reinterpret_cast<const QRgb*>(work.constScanLine(y + 1)) : nullptr;
        QRgb* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        const std::uint8_t* paintedLine = painted.data() + size_t(y) * size_t(width);
        const std::int16_t* deltaLine = ground.row(y);
        const int groundWidth = ground.width();
        const std::uint16_t* drawLine = draws + size_t(y) * size_t(bandWidth);
        int groundColumn = bandBegin % groundWidth;
        for (int x = bandBegin; x < bandEnd; ++x) {
            QRgb pixel = line[x];
            if (!paintedLine[x])
                pixel = withDelta(source[x], deltaLine[groundColumn]);
            if (++groundColumn == groundWidth)
                groundColumn = 0;
            int red = qRed(pixel), green = qGreen(pixel), blue = qBlue(pixel);

            // Grain: level + randomBelow(level >> 2) with level = (red + green + blue) >> 5, at
            // least 4.
            const int level = std::max((red + green + blue) >> 5, 4);
            const int shift =
                brightnessShift + level + ((int(drawLine[x - bandBegin]) * (level >> 2)) >> 15);
            red = clampChannel(red + shift);
            green = clampChannel(green + shift);
            blue = clampChannel(blue + shift);

            // Pigment edge: the colour step to the right and lower neighbours, stronger on
            // dark pixels, capped at 65; steps of 4 or less leave the pixel alone.
            if (below && x + 1 < width) {
                const QRgb photo = source[x], right = source[x + 1], down = below[x];
                const int step = (colourDistance(photo, right) + colourDistance(photo, down)) >> 2;
                const int edge =
                    std::min((step * (356 - (qRed(photo) + qGreen(photo) + qBlue(photo)) / 3)) >> 8,
                             kMaximumEdge);
                if (edge > 4) {
                    red = std::max(red - edge, 0);
                    green = std::max(green - edge, 0);
                    blue = std::max(blue - edge, 0);
                }
            }
            line[x] = qRgb(red, green, blue);
        }
    }
}

// The rest of the picture and the finish, one band of columns at a time. The grain's random
// draws run column by column and top to bottom: the draw of pixel (x, y) is number x * height + y
// of the sequence. So a row starts at its own place in it and steps `height` draws a pixel, and
// the band's rows draw and work on the threads of the execution setting. A brightness shift
// beyond +-1000 clamps every channel the same way.
void finish(const QImage& work, QImage& canvas, const std::vector<std::uint8_t>& painted,
            const TextureGround& ground, int brightness)
{
    const int width = work.width();
    const int height = work.height();
    const int brightnessShift = std::clamp(brightness, -1000, 1000) - 127;
    std::uint32_t state = randomState();
    // `height` steps of the generator at once: x -> stride * x + offset.
    const std::uint32_t offset = jumpRandom(0, std::uint64_t(height));
    const std::uint32_t stride = jumpRandom(1, std::uint64_t(height)) - offset;
    std::vector<std::uint16_t> draws;
    for (int bandBegin = 0; bandBegin < width; bandBegin += kFinishBandColumns) {
        const int bandEnd = std::min(width, bandBegin + kFinishBandColumns);
        const int bandWidth = bandEnd - bandBegin;
        draws.resize(size_t(bandWidth) * size_t(height));
        parallelRows(0, height, kFinishChunkRows, [&](int rowBegin, int rowEnd, int) {
            for (int row = rowBegin; row < rowEnd; ++row) {
                std::uint32_t at = jumpRandom(state, std::uint64_t(row) + 1);
                std::uint16_t* draw = draws.data() + size_t(row) * size_t(bandWidth);
                for (int column = 0; column < bandWidth; ++column) {
                    draw[column] = std::uint16_t((at >> 16) & 0x7FFFu);
                    at = stride * at + offset;
                }
            }
            finishBand(work, canvas, painted, ground, brightnessShift, bandBegin, bandEnd,
                       draws.data(), rowBegin, rowEnd);
        });
        state = jumpRandom(state, std::uint64_t(bandWidth) * std::uint64_t(height));
    }
    setRandomState(state);
}

} // namespace

QString RegionPaintEngine::memoryName()
{
    return QStringLiteral("RegionPaintEngine");
}

bool RegionPaintEngine::paint(QImage& image, const QImage& texture, bool scaled, double scale,
                              IProgressReporter* reporter, int brushstrokeIntensity, int strength,
                              int simplification, int brightness, int colourIntensity, bool preview)
{
    if (reporter)
        reporter->report_progress(0);
    if (image.isNull() || texture.isNull())
        return false;

    // The reduced picture (never modified), the canvas and the region marks.
    QImage work = scaleByFactor(image, scale);
    if (work.isNull())
        return false;
    ensure32Bit(work);
    // The painter addresses pixels as y * width + x: a picture on borrowed memory with wider
    // lines is copied first.
    if (work.bytesPerLine() != qsizetype(work.width()) * 4)
        work = work.copy();
    requirePixels(work);
    QImage canvas(work.size(), work.format());
    requirePixels(canvas);
    canvas.fill(kUnpainted);
    const int width = work.width();
    const int height = work.height();

    // The ground, reduced like the picture. A scale that leaves no texture keeps it whole.
    QImage groundImage = texture;
    if (scaled) {
        const QImage reduced =
            texture.transformed(QTransform::fromScale(scale, scale), Qt::FastTransformation);
        if (!reduced.isNull())
            groundImage = reduced;
    }
    ensure32Bit(groundImage);
    // Beyond +-2^20 every texture delta is already clamped.
    const TextureGround ground(groundImage, std::clamp(brushstrokeIntensity, -(1 << 20), 1 << 20));

    // Seed sources: free draws for a preview, draws recorded for a display render, the recorded
    // list for an export.
    const bool recording = scaled && !preview;
    const bool keepsRecord = recording && m_memory; // a list no memory holds is not made
    const bool replaying = !scaled && !preview;
    QVector<QPoint> recorded;
    const QVector<QPoint> replay =
        replaying && m_memory ? m_memory->positions(memoryName()) : QVector<QPoint>();
    int replayCursor = 0;

    const qint64 area = qint64(width) * height;
    // Pictures under 140 (or 100) pixels would make these units 0.
    const qint64 areaUnit = std::max<qint64>(area / kPixelsPerAreaUnit, 1);
    const qint64 percentUnit = std::max<qint64>(area / 100, 1);
    const qint64 seedLimit = (qint64(width) + height) * 100;
    const int coverageTarget = strength / 2;

    // Seed after seed, each growing one region, until the regions cover enough; the tolerance
    // loosens with every seed.
    RegionPainter painter(work, canvas, ground);
    qint64 accumulator = 0;
    for (qint64 seedIndex = 0; seedIndex <= seedLimit; ++seedIndex) {
        // Choose a seed.
        int x = 0, y = 0;
        bool found = false;
        for (int attempt = 0; attempt < kSeedAttempts && !found; ++attempt) {
            if (replaying && replayCursor < replay.size()) {
                // A position from another picture size is wrapped into this one.
                const QPoint p = replay.at(replayCursor++);
                x = ((p.x() % width) + width) % width;
                y = ((p.y() % height) + height) % height;
            } else {
                x = drawBelow(width - 1);
                y = drawBelow(height - 1);
                if (keepsRecord)
                    recorded.append(QPoint(int((x % width) / scale), int((y % height) / scale)));
            }
            found = painter.canSeed(x, y);
        }
        // A cancelled run leaves the picture and the memory as they were.
        if (m_cancelled.load())
            return false;
        // Stop when no seed is left or the regions cover enough.
        if (!found || painter.paintedCount() / areaUnit > coverageTarget)
            break;

        // Grow, fill and paint the region.
        painter.paintRegion(x, y, simplification, (accumulator >> 5) + 1);

        if (reporter && seedIndex % kSeedsPerProgress == 0)
            reporter->report_progress(
                int(std::clamp<qint64>(painter.paintedCount() / percentUnit, 0, 100)));
        accumulator += qint64(simplification) + 1;
    }

    finish(work, canvas, painter.paintedMap(), ground, brightness);
    // Beyond +-25500 percent every channel that differs from its grey is at 0 or 255 already.
    const qint64 saturation = 2 * qint64(colourIntensity) - 100;
    adjustSaturation(canvas, int(std::clamp<qint64>(saturation, -100000, 100000)));
    image = restoreAlpha(work, canvas);

    if (keepsRecord)
        m_memory->setPositions(memoryName(), recorded);
    if (reporter)
        reporter->report_progress(100);
    return true;
}
