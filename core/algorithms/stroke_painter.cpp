#include "core/algorithms/stroke_painter.h"

#include "core/algorithms/paint_progress.h"
#include "core/algorithms/pencil_renderer.h"
#include "core/algorithms/stroke_brush.h"
#include "core/algorithms/stroke_run.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "processing/iprogress_reporter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kStrokesPerBrush = 500; // the brush is turned anew every 500 strokes
constexpr int kLargestBrush = 1000;   // far beyond the sliders' 254
constexpr qint64 kStrokeBudgetCap = 5000000000LL;

std::atomic<bool> g_vectorised{true};

inline int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

} // namespace

void StrokePainter::setVectorised(bool on)
{
    g_vectorised.store(on);
}

bool StrokePainter::isVectorised()
{
    return g_vectorised.load();
}

void StrokePainter::darkenEdges(QImage& canvas, const QImage& source, const QImage& strokes,
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

bool StrokePainter::paint(const StrokePainterSettings& settings, int& minimumSize,
                          int& maximumSize, QImage& image)
{
    const double scale = settings.scale;
    // Brush sizes follow the display scale.
    if (settings.scaled) {
        minimumSize = qRound(minimumSize * scale);
        maximumSize = qRound(maximumSize * scale);
    }
    // The photograph and its edge drawing at the working size.
    const QImage input = image;
    const int inputWidth = input.width(), inputHeight = input.height();
    QImage strokes = PencilRenderer::gradientStrokeDrawing(input, 4, 180, 20);
    strokes = scaleByFactor(strokes, scale);
    QImage source = scaleByFactor(input, scale);
    if (source.isNull() || strokes.isNull() || strokes.size() != source.size())
        return true;
    ensure32Bit(source);
    ensure32Bit(strokes);
    const int W = source.width(), H = source.height();

    // Sizes, constants and the stroke budget. A damaged document's size is held to kLargestBrush
    // so that the brush can be allocated.
    minimumSize = std::min(minimumSize, maximumSize);
    const int m = std::min(minimumSize, kLargestBrush);
    const int M = std::min(maximumSize, kLargestBrush);
    const int S0 = M + 6;
    int S = S0;
    const qint64 levels = qint64(M - m) / 100 + 1;
    const qint64 budget = std::min<qint64>(
        settings.budgetFactor * ((qint64(W) * H / 2) * settings.density / levels),
        kStrokeBudgetCap);
    const auto strokesFor = [budget](int size) { return budget / (qint64(size) * size); };
    qint64 N = S > 0 ? strokesFor(S) : 0;

    // The brush.
    QImage bitmap(settings.bitmapPath);
    if (bitmap.isNull() || S < 1)
        return true;
    bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    QImage brush = bitmap.scaled(S, S, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    BrushInk ink = brushInk(brush);

    // Where the centres come from.
    const bool recording = settings.scaled && !settings.preview;
    const bool replaying = !settings.scaled && !settings.preview;
    QVector<QPoint> recorded;
    const QVector<QPoint> replay = replaying && settings.memory
                                       ? settings.memory->positions(settings.memoryName)
                                       : QVector<QPoint>();
    int replayCursor = 0;
    qint64 c = 0;

    // The canvas, warm white. Without the memory for it the picture stays as it is.
    StrokeRun run(settings, source);
    if (!run.isValid())
        return true;
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
            image = run.canvas();
        return false;
    };

    // A newly turned brush, then progress: a percentage other than the last one reported leaves
    // a snapshot of the canvas in the image. (A maximum size below the minimum can shrink the
    // brush past the minimum; the percentage is held to 0..100.)
    const auto turnBrush = [&]() {
        brush = turnedBrush(bitmap, S, randomBelow(360));
        ink = brushInk(brush);
        const int span = S0 - m;
        const int percent =
            span != 0 ? std::clamp(qRound(double(S0 - S) / span * 100.0), 0, 100) : 100;
        if (!settings.progress || percent != settings.progress->lastPercent()) {
            snapshotDue = true;
            if (settings.reporter)
                settings.reporter->report_progress(percent);
            if (settings.progress)
                settings.progress->setLastPercent(percent);
        }
    };

    // Stroke after stroke, the brush shrinking level by level.
    while (m + 4 < S) {
        if (run.cancelled())
            return leaveOnCancel();

        // The centre.
        int x = 0, y = 0;
        if (replaying && replayCursor < replay.size()) {
            // A position from another picture size is wrapped into this one.
            const QPoint at = replay.at(replayCursor++);
            x = ((at.x() % W) + W) % W;
            y = ((at.y() % H) + H) % H;
        } else if (replaying && settings.afterReplay == StrokePainterSettings::AfterReplay::AnyCentre) {
            x = randomBelow(std::max(W - 1, 1));
            y = randomBelow(std::max(H - 1, 1));
        } else if (run.chooseFreeCentre(recording && settings.recordingDrawsWholePicture, x, y)) {
            if (recording)
                recorded.append(
                    QPoint(int((x % inputWidth) / scale), int((y % inputHeight) / scale)));
        } else {
            // Nothing left to paint at this size (or cancelled): the next, smaller size.
            if (run.cancelled())
                return leaveOnCancel();
            shrink();
            if (S < 1)
                break;
            turnBrush();
            continue;
        }

        // Count the stroke; a new size level or every 500th stroke turns a new brush.
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
        if (rebuild)
            turnBrush();

        // Fetch where the next stroke goes while this one is laid.
        if (replaying && replayCursor < replay.size()) {
            const QPoint at = replay.at(replayCursor);
            run.prefetchAt(ink, ((at.x() % W) + W) % W, ((at.y() % H) + H) % H);
        } else if (replaying && settings.afterReplay == StrokePainterSettings::AfterReplay::AnyCentre) {
            std::uint32_t state = randomState();
            const int nextX = randomBelowFrom(state, std::max(W - 1, 1));
            run.prefetchAt(ink, nextX, randomBelowFrom(state, std::max(H - 1, 1)));
        } else {
            run.prefetchNextFree(ink, recording && settings.recordingDrawsWholePicture);
        }
        run.stroke(ink, x, y);
    }

    // Edge darkening (the last row and column stay), the painter's finish, and the photograph's
    // alpha back.
    QImage canvas = run.canvas();
    darkenEdges(canvas, source, strokes, settings.edgeFactor);
    if (settings.finish)
        settings.finish(canvas);
    image = restoreAlpha(source, canvas);

    if (recording && settings.memory)
        settings.memory->setPositions(settings.memoryName, recorded);
    if (settings.reporter)
        settings.reporter->report_progress(100);
    return true;
}
