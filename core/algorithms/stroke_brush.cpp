#include "core/algorithms/stroke_brush.h"

#include "core/raster/raster_primitives.h"

#include <QPainter>
#include <QRectF>

#include <cmath>

namespace {

constexpr int kInkLimit = 249; // brush pixels with red <= 249 carry paint

} // namespace

QImage turnedBrush(const QImage& bitmap, int size, int degrees)
{
    QImage brush = bitmap.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QImage rotated = rotateByAngle(brush, degrees);
    const int rotatedWidth = rotated.width(), rotatedHeight = rotated.height();
    QPainter painter(&brush);
    painter.drawImage(QRectF(0, 0, size - 1, size - 1), rotated,
                      QRectF(std::floor((rotatedWidth - size) / 2.0),
                             std::floor((rotatedHeight - size) / 2.0), size + rotatedWidth,
                             size + rotatedHeight));
    painter.end();
    return brush;
}

BrushInk brushInk(const QImage& brush)
{
    BrushInk ink;
    const int brushSize = brush.width();
    ink.size = brushSize;
    ink.patchWidth = 2 * (brushSize / 2);
    ink.patchHeight = 2 * (brush.height() / 2);
    ink.rowStart.reserve(std::size_t(brush.height()) + 1);
    for (int j = 0; j < brush.height(); ++j) {
        ink.rowStart.push_back(int(ink.pixels.size()));
        const QRgb* line = reinterpret_cast<const QRgb*>(brush.constScanLine(j));
        for (int i = 0; i < brushSize; ++i) {
            if (qRed(line[i]) <= kInkLimit)
                ink.pixels.push_back({i, qRed(line[i])});
        }
        const int start = ink.rowStart.back(), end = int(ink.pixels.size());
        // The runs of this row.
        const std::size_t firstRun = ink.runs.size();
        for (int k = start; k < end; ++k) {
            const int i = ink.pixels[k].column;
            if (ink.runs.size() > firstRun) {
                BrushInk::Run& run = ink.runs.back();
                if (i < run.first + run.length + 4) {
                    run.length = (i - run.first + 4) & ~3;
                    continue;
                }
            }
            ink.runs.push_back({j, i, 4, 0});
        }
        const bool rowOnPatch = j < ink.patchHeight;
        const bool rowPaints = j > 0 && j < ink.patchHeight - 1;
        std::size_t run = firstRun;
        for (; run < ink.runs.size(); ++run) {
            BrushInk::Run& current = ink.runs[run];
            current.offset = int(ink.averageMask.size());
            const std::size_t base = ink.averageMask.size();
            ink.averageMask.resize(base + current.length, 0);
            ink.errorMask.resize(base + current.length, 0);
            ink.keep.resize((base + current.length) * 4, 256);
            ink.paint.resize((base + current.length) * 4, 0);
        }
        run = firstRun;
        for (int k = start; k < end; ++k) {
            const int i = ink.pixels[k].column;
            while (i >= ink.runs[run].first + ink.runs[run].length)
                ++run;
            const std::size_t at = std::size_t(ink.runs[run].offset) + (i - ink.runs[run].first);
            ink.averageMask[at] = 0x00FFFFFFu;
            ++ink.inkCount;
            if (rowOnPatch && i < ink.patchWidth)
                ink.errorMask[at] = 0x00FFFFFFu;
            if (rowPaints && i > 0 && i < ink.patchWidth - 1) {
                const int weight = ink.pixels[k].weight;
                for (int lane = 0; lane < 4; ++lane) {
                    ink.keep[at * 4 + lane] = std::uint16_t(weight);
                    ink.paint[at * 4 + lane] = std::uint16_t(255 - weight);
                }
            }
        }
    }
    ink.rowStart.push_back(int(ink.pixels.size()));
    return ink;
}
