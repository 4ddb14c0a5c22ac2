#pragma once

#include "core/algorithms/pencil_renderer.h"
#include "core/framework/ialgorithm.h"

#include <atomic>
#include <cstdint>

// "Pencil B & W": turns a photograph into a pencil drawing, in lead or coloured pencils. The
// first algorithm of the pencil filter and the overlay pass of the painting filters. Created by
// createAlgorithm; process runs on the worker thread. It always works at scale 1: the sketch does
// not depend on the display scale.
class PencilBWAlgorithm : public IAlgorithm
{
public:
    // A 16-bit setting still holding this has not been received; received settings are >= -999.
    static constexpr std::int16_t kNotReceived = -1000;

    QString name() const override;
    void setParameters(const FilterParametersPtr& parameters) override;
    bool isReady() const override;
    void setProgressReporter(IProgressReporter* reporter) override { m_reporter = reporter; }
    void process(QImage& image) override;
    void setCancelled(bool cancelled) override;
    bool isCancelled() const override { return m_cancelled.load(); }

    // The settings as the renderer receives them (for tests and the painters' overlays).
    PencilRenderer::Settings rendererSettings() const;
    PencilRenderer& renderer() { return m_renderer; }

private:
    std::int16_t m_edgeThreshold = kNotReceived;
    std::int16_t m_shadingBase = kNotReceived;
    std::int16_t m_strokeLength = kNotReceived;
    std::int16_t m_darkness = kNotReceived;
    std::int16_t m_colourWeight = kNotReceived;
    bool m_coloured = false;
    IProgressReporter* m_reporter = nullptr;
    std::atomic<bool> m_cancelled{false};
    PencilRenderer m_renderer;
    bool m_scalingReceived = false;
    double m_scale = 1.0;
};
