#pragma once

#include "core/algorithms/paint_progress.h"
#include "core/framework/ialgorithm.h"

#include <atomic>

// "Oil pastel": turns a photograph into an oil pastel drawing with the stroke painter of the
// standard oil painting (see StrokePainter), its brush a patch of diagonal crayon hatching. Its
// own stroke budget and acceptance rule favour many broad, loosely laid strokes that let the
// paper show through; it finishes with a touch of saturation, brightness and local contrast, and
// no sharpening. The first algorithm of the oil pastel filter and of the watermix filter; created
// by createAlgorithm, process runs on the worker thread, setCancelled arrives from the GUI thread.
//
// Stroke centres: a preview chooses them at random; a scaled render (a document's display)
// records them, and when it completes un-cancelled the list replaces the one kept under
// memoryName() in the document's StrokeMemory; an export replays that list and, once it runs
// out, places the remaining strokes at random without looking for unpainted places.
class OilPastelAlgorithm : public IAlgorithm
{
public:
    // A setting still holding this has not been received; received settings are >= -999.
    static constexpr int kNotReceived = -1000;

    // The name under which the stroke centres are kept in a StrokeMemory.
    static QString memoryName();

    QString name() const override;
    void setParameters(const FilterParametersPtr& parameters) override;
    // True once the five stroke settings have been received.
    bool isReady() const override;
    void setProgressReporter(IProgressReporter* reporter) override { m_reporter = reporter; }
    // Paints the image (made 32-bit first); a scaled run leaves it reduced by the scale. A
    // cancelled run leaves the canvas as far as it got once it has reported progress, the
    // picture unchanged before that.
    void process(QImage& image) override;
    void setCancelled(bool cancelled) override { m_cancelled.store(cancelled); }
    bool isCancelled() const override { return m_cancelled.load(); }
    void setStrokeMemory(const StrokeMemoryPtr& memory) override { m_memory = memory; }

    // The converted settings.
    int minimumStrokeSize() const { return m_minimumStrokeSize; }
    int maximumStrokeSize() const { return m_maximumStrokeSize; }
    int numberOfBrushstrokes() const { return m_numberOfBrushstrokes; }
    int edgeFactor() const { return m_edgeFactor; }
    int precision() const { return m_precision; }
    bool isScaled() const { return m_scaled; }
    double scale() const { return m_scale; }
    bool isPreview() const { return m_preview; }

    // The constants of a run for a converted precision p (0..254): a stroke is kept when its
    // error falls below (error before >> 10) * acceptanceFactor (p * 150 / 100 + 640), and a
    // centre is picked where the photograph's red differs from the canvas by at least
    // pickThreshold ((255 - p) / 10).
    static int acceptanceFactor(int precision) { return precision * 150 / 100 + 640; }
    static int pickThreshold(int precision) { return (255 - precision) / 10; }

    // What this algorithm's run has reported so far (the last run's once it has finished): the
    // pastel painter's last percentage. Each process() starts it afresh.
    const PaintProgress& progress() const { return m_progress; }

private:
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
    bool m_preview = false;
    StrokeMemoryPtr m_memory;
};
