#pragma once

#include "core/algorithms/region_paint_engine.h"
#include "core/framework/ialgorithm.h"

#include <atomic>

// "Watercolor": flat washes of colour grown from random seeds on a watercolor-paper grain, with
// darkened pigment edges. Holds and converts the settings and drives a RegionPaintEngine with the
// texture ":/watercolor-texture.jpg". The first algorithm of the watercolor filter and the second
// of the blending filters; created by createAlgorithm, process runs on the worker thread.
class WatercolorAlgorithm : public IAlgorithm
{
public:
    // A setting still holding this has not been received; received settings are >= -999.
    static constexpr int kNotReceived = -1000;

    QString name() const override;
    void setParameters(const FilterParametersPtr& parameters) override;
    // True once the five watercolor settings have been received.
    bool isReady() const override;
    void setProgressReporter(IProgressReporter* reporter) override { m_reporter = reporter; }
    // Paints the image; leaves it unchanged when not ready, when the texture cannot be loaded or
    // when cancelled.
    void process(QImage& image) override;
    void setCancelled(bool cancelled) override;
    bool isCancelled() const override { return m_cancelled.load(); }
    void setStrokeMemory(const StrokeMemoryPtr& memory) override;

    // The converted settings, as the engine receives them.
    int strength() const { return m_strength; }
    int simplification() const { return m_simplification; }
    int colourIntensity() const { return m_colourIntensity; }
    int brightness() const { return m_brightness; }
    int brushstrokeIntensity() const { return m_brushstrokeIntensity; }
    bool isScaled() const { return m_scaled; }
    double scale() const { return m_scale; }
    bool isPreview() const { return m_preview; }
    const QString& texturePath() const { return m_texturePath; }
    RegionPaintEngine& engine() { return m_engine; }

private:
    bool m_scaled = false;
    double m_scale = 1.0;
    int m_strength = kNotReceived;
    int m_simplification = kNotReceived;
    int m_colourIntensity = kNotReceived;
    int m_brightness = kNotReceived;
    int m_brushstrokeIntensity = kNotReceived;
    QString m_texturePath;
    IProgressReporter* m_reporter = nullptr;
    std::atomic<bool> m_cancelled{false};
    bool m_preview = false;
    RegionPaintEngine m_engine;
};
