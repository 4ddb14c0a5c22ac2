#include "core/filters/blend_filter.h"

#include "core/framework/iprogress_reporter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/raster_primitives.h"

#include <QObject>

namespace {

enum AlgorithmIndex { Painter = 0, Watercolor = 1, Texture = 2 };

} // namespace

void BlendFilter::describe(FilterDescriptor& d, const Description& description)
{
    namespace W = Keys::Watercolor;
    d.rows = strokeRows(description.strokeKeys, description.strokeDefaults);
    d.rows.append(choiceRow(description.aftertouchKey, QObject::tr("Aftertouch:"),
                            aftertouchChoices(), description.aftertouchIndex));
    d.rows.append(textureRow(description.textureKey));
    d.overlayKey = description.aftertouchKey;
    d.textureKey = description.textureKey;
    d.fixedValues = {{W::strength, description.watercolor[0]},
                     {W::simplification, description.watercolor[1]},
                     {W::saturation, description.watercolor[2]},
                     {W::brightness, description.watercolor[3]},
                     {W::groundIntensity, 60}};
}

BlendFilter::BlendFilter(const QString& painterName, const QString& aftertouchKey,
                         const QString& textureKey, PhotoSize photoSize)
    : m_aftertouchKey(aftertouchKey), m_textureKey(textureKey), m_photoSize(photoSize)
{
    appendAlgorithm(painterName);
    appendAlgorithm(watercolorAlgorithmName());
    appendAlgorithm(texturizeAlgorithmName());
}

void BlendFilter::blendAftertouch(const QString& style, const QImage& watercolor, QImage& painting)
{
    // The three blends of the pencil overlays ("Contour", "Dark shading", "Light shading").
    if (style == Keys::Blend::darkStrokes)
        multiplyBlend(watercolor, painting, 0.5);
    else if (style == Keys::Blend::saturationStrokes)
        softLightBlend(watercolor, painting);
    else if (style == Keys::Blend::largeStrokes)
        luminosityBlend(watercolor, painting, 0.5);
}

QVariant BlendFilter::ownValue(const QString& key) const
{
    return m_parameters ? m_parameters->value(key) : QVariant();
}

void BlendFilter::run()
{
    const AlgorithmPtr& painter = algorithm(Painter);
    const AlgorithmPtr& watercolor = algorithm(Watercolor);
    const AlgorithmPtr& texture = algorithm(Texture);

    const QImage photo = m_image;
    clearCancelFlags();

    // The paper or canvas, from the filter's own key; the texture keeps every other setting it
    // received with the filter's set (the display scale).
    FilterParametersPtr textureSet(new FilterParameters);
    textureSet->insert(Keys::Texture::paper, ownValue(m_textureKey));
    texture->setParameters(textureSet);

    // One phase per step that will run: the painting, the watercolor and the paper when ready.
    const bool layered = watercolor->isReady();
    const bool textured = texture->isReady();
    if (m_reporter)
        m_reporter->report_total_phases(1 + int(layered) + int(textured));

    // The painting; a scaled render brings the working image back reduced.
    if (painter->isCancelled())
        return;
    painter->process(m_image);

    // The watercolor of the photograph, laid over the painting.
    if (layered && !watercolor->isCancelled()) {
        if (m_reporter)
            m_reporter->report_next_phase();
        QImage layer = m_photoSize == PhotoSize::Painting ? scaleToSize(photo, m_image) : photo;
        watercolor->process(layer);
        // The watercolor reduces by the display scale and the painter by its own (never below a
        // half), so the two can differ; a blend would cover only the area both share.
        if (!layer.isNull() && layer.size() != m_image.size())
            layer = scaleToSize(layer, m_image);
        // A cancelled watercolor leaves the photograph as it was: nothing to lay over.
        if (!watercolor->isCancelled())
            blendAftertouch(ownValue(m_aftertouchKey).toString(), layer, m_image);
    }

    if (textured && !texture->isCancelled()) {
        if (m_reporter)
            m_reporter->report_next_phase();
        texture->process(m_image);
        // The texture makes every pixel opaque: the photograph's transparent parts come back.
        if (photo.hasAlphaChannel())
            m_image = restoreAlpha(scaleToSize(photo, m_image), m_image);
    }
}
