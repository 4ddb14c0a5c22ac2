#pragma once

#include "core/algorithms/paint_progress.h"
#include "core/algorithms/region_paint_engine.h"
#include "core/framework/ialgorithm.h"

#include <QPoint>
#include <QVector>

#include <atomic>

// "Oil painting": turns a photograph into an oil painting in one of three ways, chosen by
// "OilPaintingAlgorithm::oil_type":
//  - "standart_oil": thousands of rotated copies of one bristle stroke, each filled with the
//    local colour of the photograph and kept only when it brings the canvas closer to it,
//    finished with darkened edges (StrokePainter);
//  - "expressive_brushstrokes": long brushstrokes matched to the picture's forms
//    (paintExpressiveBrushstrokes);
//  - "oil_painting": flat patches of colour on an impasto ground (RegionPaintEngine).
// Any other value paints with the standard brushstrokes. The first algorithm of the oil painting
// filter and of the paint blend filter; created by createAlgorithm, process runs on the worker
// thread, setCancelled arrives from the GUI thread.
//
// Stroke centres. A preview chooses them at random. A scaled render (a document's display)
// chooses them at random and records them in picture coordinates; when it completes un-cancelled
// the list replaces the one kept under memoryName() in the document's StrokeMemory. A render that
// is neither (the export) replays that list in order, so it shows the strokes of the display, and
// once the list runs out (or when there is none) chooses the remaining centres at random as a
// recording run does.
class OilPaintingAlgorithm : public IAlgorithm
{
public:
    // A setting still holding this has not been received; received settings are >= -999.
    static constexpr int kNotReceived = -1000;

    enum OilType { StandardOil = 0, ExpressiveBrushstrokes = 1, ImpastoPainting = 2 };

    // The name under which the stroke centres are kept in a StrokeMemory.
    static QString memoryName();

    QString name() const override;
    void setParameters(const FilterParametersPtr& parameters) override;
    // True only for a set that carries the seven brushstroke settings and none of the five
    // impasto ones. The panel always sends all twelve, so its sets are never "ready": the oil
    // filter uses this only to count its phases, and always runs the painting.
    bool isReady() const override;
    void setProgressReporter(IProgressReporter* reporter) override { m_reporter = reporter; }
    // Paints the image (made 32-bit first) in the chosen type; a scaled run leaves it reduced by
    // the scale. A cancelled brushstroke run leaves the canvas as far as it got (at the working
    // size) once it has reported progress, the picture unchanged before that.
    void process(QImage& image) override;
    void setCancelled(bool cancelled) override;
    bool isCancelled() const override { return m_cancelled.load(); }
    void setStrokeMemory(const StrokeMemoryPtr& memory) override;

    // The converted settings.
    int oilType() const { return m_oilType; }
    int minimumStrokeSize() const { return m_minimumStrokeSize; }
    int maximumStrokeSize() const { return m_maximumStrokeSize; }
    int numberOfBrushstrokes() const { return m_numberOfBrushstrokes; }
    int edgeFactor() const { return m_edgeFactor; }
    int precision() const { return m_precision; }
    int contrast() const { return m_contrast; }
    int details() const { return m_details; }
    int strength() const { return m_strength; }
    int simplification() const { return m_simplification; }
    int colourIntensity() const { return m_colourIntensity; }
    int brightness() const { return m_brightness; }
    int brushstrokeIntensity() const { return m_brushstrokeIntensity; }
    bool isScaled() const { return m_scaled; }
    double scale() const { return m_scale; }
    bool isPreview() const { return m_preview; }
    RegionPaintEngine& engine() { return m_engine; }

    // The constants of a standard run for a precision p: a stroke is kept when its error falls
    // below (error before >> 10) * acceptanceFactor (2p + 514), and a centre is picked where the
    // photograph's red differs from the canvas by at least pickThreshold ((255 - p) / 10).
    static int acceptanceFactor(int precision) { return 2 * precision + 514; }
    static int pickThreshold(int precision) { return (255 - precision) / 10; }

    // The edge darkening of the standard painter (StrokePainter::darkenEdges).
    static void darkenEdges(QImage& canvas, const QImage& source, const QImage& strokes,
                            int edgeFactor);

    // What this algorithm's run has reported so far (the last run's once it has finished): the
    // standard painter's last percentage, the expressive brushstrokes' count and steps. Each
    // process() starts it afresh.
    const PaintProgress& progress() const { return m_progress; }

private:
    // The standard brushstroke painter; image in/out (reduced by the scale in a scaled run).
    void paintStandardOil(QImage& image);
    // The expressive brushstrokes: brushstrokes matched to the picture (ExpressiveBrushstrokes).
    void paintExpressiveBrushstrokes(QImage& image);
    // The "oil_painting" type: the region paint engine on the impasto ground.
    void paintImpasto(QImage& image);

    bool m_scaled = false;
    double m_scale = 1.0;
    int m_minimumStrokeSize = kNotReceived;
    int m_maximumStrokeSize = kNotReceived;
    int m_numberOfBrushstrokes = kNotReceived;
    int m_edgeFactor = kNotReceived;
    int m_precision = kNotReceived;
    IProgressReporter* m_reporter = nullptr;
    PaintProgress m_progress;
    std::atomic<bool> m_cancelled{false};
    int m_oilType = StandardOil;
    int m_contrast = kNotReceived;
    int m_details = kNotReceived;
    int m_strength = kNotReceived;
    int m_simplification = kNotReceived;
    int m_colourIntensity = kNotReceived;
    int m_brightness = kNotReceived;
    int m_brushstrokeIntensity = kNotReceived;
    bool m_preview = false;
    StrokeMemoryPtr m_memory;
    RegionPaintEngine m_engine;
};
