#pragma once

#include "core/framework/stroke_memory.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <functional>

class IProgressReporter;
class PaintProgress;

// The stochastic stroke painter of the standard oil painting and of the oil pastel: a canvas of
// warm white receives copies of one brush bitmap, turned at random, from the largest brush size
// down to the smallest (10 % smaller at each level, with a stroke budget per level that keeps the
// painted area about the same). Each stroke picks a centre where the canvas is still far from the
// photograph (or replays a recorded one), averages the photograph under the brush, lays the brush
// in that colour on a patch of the canvas, and keeps the patch only when it lowers the error under
// the brush enough. Then the edges are darkened where an edge drawing and the remaining error say
// so, and the painter's own finish is applied.
//
// The two painters differ in their brush, budget, thresholds, where the first candidate of a
// recording run is drawn, what a replay does once its list runs out and their finish: all given
// by StrokePainterSettings. Runs on the caller's (worker) thread; the random numbers come from
// that thread's generator, in a fixed order.
struct StrokePainterSettings
{
    // Where the centres come from once a replayed list runs out (or when there is none).
    enum class AfterReplay {
        FreeCentre, // chosen as a recording run chooses them: random, where paint is needed
        AnyCentre,  // random over all but the last row and column, without the pick test
    };

    QString bitmapPath;      // the brush bitmap (a resource), turned and scaled for each level
    double scale = 1.0;      // the working size (the photograph is reduced by it)
    bool scaled = false;     // a display render: sizes follow the scale, centres are recorded
    bool preview = false;    // a preview: centres are random and not recorded
    int edgeFactor = 0;      // the strength of the edge darkening, 0..255
    qint64 budgetFactor = 3; // the budget: budgetFactor * (width * height / 2) * density / levels
    qint64 density = 0;      // the number-of-brushstrokes setting as the painter reads it
    int pickThreshold = 0;   // a centre needs |photo red - canvas red| >= this
    qint64 acceptance = 514; // a stroke is kept when after < (before >> 10) * acceptance
    bool recordingDrawsWholePicture = false; // a recording run's first draw covers every column
    AfterReplay afterReplay = AfterReplay::FreeCentre;
    // The painter's finish after the edge darkening (brightness, contrast, ...).
    std::function<void(QImage&)> finish;
    // The run's progress: a run reports only percentages that differ from its last percentage
    // (without it, every percentage it reaches).
    PaintProgress* progress = nullptr;
    // Where the centres are recorded and replayed from; without one a recording run chooses its
    // centres as always but keeps no list.
    StrokeMemory* memory = nullptr;
    QString memoryName; // the painter's list in the memory
    IProgressReporter* reporter = nullptr;
    const std::atomic<bool>* cancelled = nullptr;
};

class StrokePainter
{
public:
    // The most candidate centres one stroke looks at before it gives up on its brush size: a
    // canvas that matches the photograph nearly everywhere (a picture whose red is 255
    // throughout) would otherwise be searched for ever.
    static constexpr int kCandidateLimit = 4096;

    // Paints image in/out (32-bit) with the given sizes; minimumSize and maximumSize are the
    // painter's fields, and are left as the run used them (scaled by qRound in a scaled run, the
    // minimum lowered to the maximum). A scaled run leaves the image reduced by the scale. A
    // cancelled run leaves the canvas as far as it got once it has reported progress, the image
    // unchanged before that. Returns false when cancelled.
    static bool paint(const StrokePainterSettings& settings, int& minimumSize, int& maximumSize,
                      QImage& image);

    // The edge darkening: every pixel but those of the last row and column is darkened by
    // s * edgeFactor / 300, where s grows with the remaining colour error against the source and
    // with the darkness of the edge drawing, a grey picture of one byte a pixel (Format_Grayscale8,
    // as PencilRenderer::gradientStrokeDrawing makes it). Edge factor 0 changes nothing but the
    // alpha (made opaque).
    static void darkenEdges(QImage& canvas, const QImage& source, const QImage& strokes,
                            int edgeFactor);
};
