#include "core/filters/painting_filter.h"

#include "core/framework/iprogress_reporter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/raster_primitives.h"

namespace {

enum AlgorithmIndex { Painter = 0, Pencil = 1, Texture = 2 };

} // namespace

PaintingFilter::PaintingFilter(const QString& painterName, const QString& overlayKey)
    : m_overlayKey(overlayKey)
{
    appendAlgorithm(painterName);
    appendAlgorithm(pencilBWAlgorithmName());
    appendAlgorithm(texturizeAlgorithmName());
}

void PaintingFilter::blendOverlay(const QString& style, const QImage& drawing, QImage& painting)
{
    if (style == Keys::Overlay::contour)
        multiplyBlend(drawing, painting, 0.5);
    else if (style == Keys::Overlay::darkShading)
        softLightBlend(drawing, painting);
    else if (style == Keys::Overlay::lightShading)
        luminosityBlend(drawing, painting, 0.5);
}

QString PaintingFilter::overlayStyle() const
{
    if (!m_parameters || !m_parameters->contains(m_overlayKey))
        return Keys::Overlay::none;
    return m_parameters->value(m_overlayKey).toString();
}

bool PaintingFilter::drawsOverlay(const QString& style) const
{
    Q_UNUSED(style);
    return algorithm(Pencil)->isReady();
}

void PaintingFilter::run()
{
    const AlgorithmPtr& painter = algorithm(Painter);
    const AlgorithmPtr& pencil = algorithm(Pencil);
    const AlgorithmPtr& texture = algorithm(Texture);
    const QString style = overlayStyle();

    // One phase per step that will run: the painting, which always runs (the oil panel's sets
    // never make its painter "ready"), the pencil step when it will draw, the paper when it is
    // ready. The pencil runs whenever its settings are there (the panels add them only for an
    // overlay other than "None"); a style that is none of the three blends leaves its drawing
    // unused.
    clearCancelFlags();
    const bool drawn = drawsOverlay(style);
    const bool textured = texture->isReady();
    if (m_reporter)
        m_reporter->report_total_phases(1 + int(drawn) + int(textured));
    if (m_image.isNull())
        return;

    // The painting; a scaled render brings the working image back reduced. The photograph is
    // kept for what follows only when something reads it: the pencil drawing is made from it, and
    // after a texture it gives its alpha back. Otherwise the painter may hold the only reference
    // and paint in the picture's own memory.
    const bool photoNeeded = pencil->isReady() || (texture->isReady() && m_image.hasAlphaChannel());
    QImage photo = photoNeeded ? m_image : QImage();
    if (painter->isCancelled())
        return;
    painter->process(m_image);
    photo = scaleToSize(photo, m_image);

    // The pencil drawing of the photograph, laid over the painting.
    if (drawn && !pencil->isCancelled()) {
        if (m_reporter)
            m_reporter->report_next_phase();
        QImage drawing = photo;
        pencil->process(drawing);
        blendOverlay(style, drawing, m_image);
    }

    // The paper, and the photograph's alpha back.
    if (textured && !texture->isCancelled()) {
        if (m_reporter)
            m_reporter->report_next_phase();
        texture->process(m_image);
        m_image = restoreAlpha(photo, m_image);
    }
}
