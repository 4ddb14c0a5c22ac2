#pragma once

#include "core/framework/ialgorithm.h"

#include <atomic>

// "Texturize": prints the picture on paper or canvas by multiplying every pixel with a texture
// from the paper catalogue, tiled from the top-left corner or stretched once over the picture.
// The last algorithm of every filter; process runs on the worker thread, its pixel pass on the
// threads of the execution setting (execution.h).
class TexturizeAlgorithm : public IAlgorithm
{
public:
    enum Placement { Stretch = 0, Tile = 1, Other = 2 };

    QString name() const override;
    void setParameters(const FilterParametersPtr& parameters) override;
    // True when the texture name resolves to a resource that loads.
    bool isReady() const override;
    void setProgressReporter(IProgressReporter* reporter) override { m_reporter = reporter; }
    void process(QImage& image) override;
    void setCancelled(bool cancelled) override { m_cancelled.store(cancelled); }
    bool isCancelled() const override { return m_cancelled.load(); }

    Placement placement() const { return m_placement; }
    const QString& textureName() const { return m_textureName; }

    // The texture as it is laid on a picture of the given size: scaled by the display scale,
    // then stretched to the picture for Stretch placement. Null when not ready.
    QImage sampleFor(const QSize& pictureSize) const;

private:
    bool m_scaled = false;
    double m_scale = 1.0;
    QString m_textureName;
    Placement m_placement = Tile;
    IProgressReporter* m_reporter = nullptr;
    std::atomic<bool> m_cancelled{false};
};
