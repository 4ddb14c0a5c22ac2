#include "core/algorithms/stroke_painter.h"

#include "core/algorithms/paint_progress.h"
#include "core/algorithms/pencil_renderer.h"
#include "core/algorithms/stroke_brush.h"
#include "core/algorithms/stroke_queue.h"
#include "core/algorithms/stroke_run.h"
#include "core/framework/iprogress_reporter.h"
#include "core/raster/execution.h"
#include "core/raster/parallel_rows.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "core/raster/working_memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kStrokesPerBrush = 500; // the brush is turned anew every 500 strokes
constexpr int kLargestBrush = 1000;   // far beyond the sliders' 254
constexpr qint64 kStrokeBudgetCap = 5000000000LL;

inline int colourDistance(QRgb first, QRgb second)
{
    return std::abs(qRed(first) - qRed(second)) + std::abs(qGreen(first) - qGreen(second)) +
           std::abs(qBlue(first) - qBlue(second));
}

// The grey edge drawing reduced by factor as the photograph is: the fast scaling is given the
// drawing as a 32-bit picture in the format ensure32Bit gives the photograph, so that it samples
// the same pixels, and the reduction (grey as well) comes back one byte a pixel. Null when nothing
// is left; std::bad_alloc when the memory for it cannot be had.
QImage reducedDrawing(const QImage& drawing, double factor, const QImage& photograph)
{
    const QImage::Format format = photograph.format();
    const bool keepsFormat =
        format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied;
    QImage wide(drawing.size(), keepsFormat ? format : QImage::Format_RGB32);
    requirePixels(wide);
    wide.setDevicePixelRatio(photograph.devicePixelRatio());
    for (int y = 0; y < wide.height(); ++y) {
        const uchar* in = drawing.constScanLine(y);
        QRgb* out = reinterpret_cast<QRgb*>(wide.scanLine(y));
        for (int x = 0; x < wide.width(); ++x)
            out[x] = 0xFF000000u | (QRgb(in[x]) * 0x010101u);
    }
    const QImage reduced = scaleByFactor(wide, factor);
    wide = QImage();
    if (reduced.isNull())
        return reduced;
    QImage grey(reduced.size(), QImage::Format_Grayscale8);
    requirePixels(grey);
    for (int y = 0; y < grey.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(reduced.constScanLine(y));
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            out[x] = uchar(qBlue(in[x]));
    }
    return grey;
}

} // namespace

void StrokePainter::darkenEdges(QImage& canvas, const QImage& source, const QImage& strokes,
                                int edgeFactor)
{
    const int width = std::min({canvas.width(), source.width(), strokes.width()});
    const int height = std::min({canvas.height(), source.height(), strokes.height()});
    // The weight of a channel of the edge drawing, (510 - 2 * channel) / 3: 0 on white
    // drawing, 170 on black. The drawing is grey: its three channels weigh the same.
    const auto drawingWeight = [](int channel) { return (510 - 2 * channel) / 3; };
    uchar* const canvasBits = canvas.bits();
    const qsizetype canvasStride = canvas.bytesPerLine();
    // Rows apart on the pool's threads: each row reads and writes only itself.
    parallelRows(
        0, height - 1, pixelLoopThreads(qint64(width) * height), 64, [&](int first, int end, int) {
            for (int y = first; y < end; ++y) {
                QRgb* canvasLine = reinterpret_cast<QRgb*>(canvasBits + y * canvasStride);
                const QRgb* sourceLine = reinterpret_cast<const QRgb*>(source.constScanLine(y));
                const uchar* strokeLine = strokes.constScanLine(y);
                for (int x = 0; x < width - 1; ++x) {
                    const QRgb old = canvasLine[x];
                    const int distance = colourDistance(old, sourceLine[x]);
                    // darkening in 0..425; a damaged document's factor is held where every channel
                    // clamps.
                    const qint64 darkening = (distance + 3 * drawingWeight(strokeLine[x])) / 3;
                    const int shift =
                        int(std::clamp<qint64>(darkening * edgeFactor / 300, -1000, 1000));
                    canvasLine[x] =
                        qRgb(clampChannel(qRed(old) - shift), clampChannel(qGreen(old) - shift),
                             clampChannel(qBlue(old) - shift));
                }
            }
        });
}

bool StrokePainter::paint(const StrokePainterSettings& settings, int& minimumSize, int& maximumSize,
                          QImage& image)
{
    const double scale = settings.scale;
    // Brush sizes follow the display scale.
    if (settings.scaled) {
        minimumSize = qRound(minimumSize * scale);
        maximumSize = qRound(maximumSize * scale);
    }
    // The photograph and its edge drawing (grey, one byte a pixel) at the working size.
    const QImage input = image;
    const int inputWidth = input.width(), inputHeight = input.height();
    QImage strokes = PencilRenderer::gradientStrokeDrawing(input, 4, 180, 20);
    QImage source = scaleByFactor(input, scale);
    if (!strokes.isNull() && !source.isNull() && strokes.size() != source.size())
        strokes = reducedDrawing(strokes, scale, input);
    if (source.isNull() || strokes.isNull() || strokes.size() != source.size())
        return true;
    ensure32Bit(source);
    const int width = source.width(), height = source.height();

    // Sizes, constants and the stroke budget. A damaged document's size is held to kLargestBrush
    // so that the brush can be allocated.
    minimumSize = std::min(minimumSize, maximumSize);
    const int smallestSize = std::min(minimumSize, kLargestBrush);
    const int largestSize = std::min(maximumSize, kLargestBrush);
    const int firstSize = largestSize + 6;
    int brushSize = firstSize;
    const qint64 levels = qint64(largestSize - smallestSize) / 100 + 1;
    const qint64 budget = std::min<qint64>(
        settings.budgetFactor * ((qint64(width) * height / 2) * settings.density / levels),
        kStrokeBudgetCap);
    const auto strokesFor = [budget](int size) { return budget / (qint64(size) * size); };
    qint64 levelStrokes = brushSize > 0 ? strokesFor(brushSize) : 0;

    // The brush.
    QImage bitmap(settings.bitmapPath);
    if (bitmap.isNull() || brushSize < 1)
        return true;
    bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    QImage brush =
        bitmap.scaled(brushSize, brushSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    std::shared_ptr<const BrushInk> ink = std::make_shared<const BrushInk>(brushInk(brush));

    // Where the centres come from.
    const bool recording = settings.scaled && !settings.preview;
    const bool replaying = !settings.scaled && !settings.preview;
    // The list is made only where a memory will hold it: a full-size run chooses about as many
    // centres as the picture has pixels, at eight bytes each.
    const bool keepsRecord = recording && settings.memory;
    QVector<QPoint> recorded;
    const QVector<QPoint> replay = replaying && settings.memory
                                       ? settings.memory->positions(settings.memoryName)
                                       : QVector<QPoint>();
    int replayCursor = 0;
    qint64 strokesLaid = 0;

    // The canvas, warm white.
    StrokeRun run(settings, source);
    if (!run.isValid())
        throw std::bad_alloc();
    const auto shrink = [&]() {
        brushSize = brushSize * 90 / 100;
        levelStrokes = brushSize > 0 ? strokesFor(brushSize) : 0;
        strokesLaid = 0;
    };
    // On a large picture the strokes are laid on several threads (queue); the centres, the
    // random numbers and the brushes stay on this one.
    StrokeQueue* queue = nullptr;
    // A cancelled run leaves the canvas as far as it got once progress has been reported, the
    // picture it received otherwise; the strokes already handed out are laid first.
    bool snapshotDue = false;
    const auto leaveOnCancel = [&]() {
        if (queue)
            queue->drain();
        if (snapshotDue)
            image = run.takeCanvas();
        return false;
    };

    // A newly turned brush, then progress: a percentage other than the last one reported leaves
    // a snapshot of the canvas in the image. (A maximum size below the minimum can shrink the
    // brush past the minimum; the percentage is held to 0..100.)
    const auto turnBrush = [&]() {
        brush = turnedBrush(bitmap, brushSize, randomBelow(360));
        if (queue)
            queue->retire(std::move(ink));
        ink = std::make_shared<const BrushInk>(brushInk(brush));
        const int span = firstSize - smallestSize;
        const int percent =
            span != 0 ? std::clamp(qRound(double(firstSize - brushSize) / span * 100.0), 0, 100)
                      : 100;
        if (!settings.progress || percent != settings.progress->lastPercent()) {
            snapshotDue = true;
            if (settings.reporter)
                settings.reporter->report_progress(percent);
            if (settings.progress)
                settings.progress->setLastPercent(percent);
        }
    };

    // Stroke after stroke, the brush shrinking level by level. False when cancelled.
    const auto paintStrokes = [&](const auto& settle) {
        while (smallestSize + 4 < brushSize) {
            if (run.cancelled())
                return leaveOnCancel();

            // The centre.
            int x = 0, y = 0;
            if (replaying && replayCursor < replay.size()) {
                // A position from another picture size is wrapped into this one.
                const QPoint at = replay.at(replayCursor++);
                x = ((at.x() % width) + width) % width;
                y = ((at.y() % height) + height) % height;
            } else if (replaying &&
                       settings.afterReplay == StrokePainterSettings::AfterReplay::AnyCentre) {
                x = randomBelow(std::max(width - 1, 1));
                y = randomBelow(std::max(height - 1, 1));
            } else if (run.chooseFreeCentre(recording && settings.recordingDrawsWholePicture, x, y,
                                            settle)) {
                if (keepsRecord)
                    recorded.append(
                        QPoint(int((x % inputWidth) / scale), int((y % inputHeight) / scale)));
            } else {
                // Nothing left to paint at this size (or cancelled): the next, smaller size.
                if (run.cancelled())
                    return leaveOnCancel();
                shrink();
                if (brushSize < 1)
                    break;
                turnBrush();
                continue;
            }

            // Count the stroke; a new size level or every 500th stroke turns a new brush.
            ++strokesLaid;
            bool rebuild = false;
            if (strokesLaid < levelStrokes) {
                rebuild = strokesLaid % kStrokesPerBrush == 0;
            } else {
                shrink();
                if (brushSize < 1)
                    break;
                rebuild = true;
            }
            if (rebuild)
                turnBrush();

            if (queue) {
                queue->issue(ink.get(), x, y);
                continue;
            }
            // Fetch where the next stroke goes while this one is laid.
            if (replaying && replayCursor < replay.size()) {
                const QPoint at = replay.at(replayCursor);
                run.prefetchAt(*ink, ((at.x() % width) + width) % width,
                               ((at.y() % height) + height) % height);
            } else if (replaying &&
                       settings.afterReplay == StrokePainterSettings::AfterReplay::AnyCentre) {
                std::uint32_t state = randomState();
                const int nextX = randomBelowFrom(state, std::max(width - 1, 1));
                run.prefetchAt(*ink, nextX, randomBelowFrom(state, std::max(height - 1, 1)));
            } else {
                run.prefetchNextFree(*ink, recording && settings.recordingDrawsWholePicture);
            }
            run.stroke(*ink, x, y);
        }
        return true;
    };
    const int threads = pixelLoopThreads(qint64(width) * height);
    if (threads > 1) {
        StrokeQueue strokeQueue(run, threads);
        queue = &strokeQueue;
        const bool painted = strokeQueue.run(
            [&](StrokeQueue& q) { return paintStrokes([&q](int x, int y) { q.settle(x, y); }); });
        queue = nullptr;
        if (!painted)
            return false;
    } else if (!paintStrokes([](int, int) {})) {
        return false;
    }

    // Edge darkening (the last row and column stay), the painter's finish, and the photograph's
    // alpha back.
    QImage canvas = run.takeCanvas();
    darkenEdges(canvas, source, strokes, settings.edgeFactor);
    if (settings.finish)
        settings.finish(canvas);
    image = restoreAlpha(source, canvas);

    if (keepsRecord)
        settings.memory->setPositions(settings.memoryName, recorded);
    if (settings.reporter)
        settings.reporter->report_progress(100);
    return true;
}
