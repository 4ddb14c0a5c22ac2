#include "core/algorithms/pencil_bw_algorithm.h"

#include "core/algorithms/algorithm_list.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/slider_conversion.h"
#include "core/raster/raster_primitives.h"

namespace {

const QString& kEdgeThreshold = Keys::Pencil::contour;
const QString& kEdgeIntensity = Keys::Pencil::shading;
const QString& kStrokeLength = Keys::Pencil::strokeLength;
const QString& kDarkenLighten = Keys::Pencil::brightness;
const QString& kColorIntensity = Keys::Pencil::saturation;
const QString& kColorEnabled = Keys::Pencil::type;

} // namespace

QString PencilBWAlgorithm::name() const
{
    return pencilBWAlgorithmName();
}

void PencilBWAlgorithm::setParameters(const FilterParametersPtr& parameters)
{
    if (!parameters)
        return;
    const QString scaling = scalingKey();
    for (const QString& key : parameters->keys()) {
        const QVariant value = parameters->value(key);
        if (key == kEdgeThreshold) {
            m_edgeThreshold = std::int16_t(percentTo8Bit(value.toInt()));
        } else if (key == kEdgeIntensity) {
            m_shadingBase = std::int16_t(reversedPercentTo8Bit(value.toInt()));
        } else if (key == kStrokeLength) {
            m_strokeLength = std::int16_t(value.toInt());
        } else if (key == kDarkenLighten) {
            m_darkness = std::int16_t(255 - signedTo8Bit(value.toInt()));
        } else if (key == kColorIntensity) {
            m_colourWeight = std::int16_t(200 - 2 * value.toInt());
        } else if (key == kColorEnabled) {
            m_coloured = value.toString() != Keys::Pencil::leadPencil;
        } else if (key == scaling) {
            m_scalingReceived = true;
            m_scale = effectiveScale(value.toDouble(), -1.0);
        }
    }
}

bool PencilBWAlgorithm::isReady() const
{
    const int floor = kNotReceived + 1;
    return m_edgeThreshold >= floor && m_shadingBase >= floor && m_strokeLength >= floor &&
           m_darkness >= floor && m_colourWeight >= floor;
}

void PencilBWAlgorithm::setCancelled(bool cancelled)
{
    m_renderer.setCancelled(cancelled);
    m_cancelled.store(cancelled);
}

PencilRenderer::Settings PencilBWAlgorithm::rendererSettings() const
{
    PencilRenderer::Settings settings;
    settings.edgeThreshold = m_edgeThreshold;
    settings.shadingBase = m_shadingBase;
    settings.strokeLength = m_strokeLength;
    settings.darkness = m_darkness;
    settings.coloured = m_coloured;
    settings.colourWeight = m_colourWeight;
    return settings;
}

void PencilBWAlgorithm::process(QImage& image)
{
    if (!isReady())
        return;
    ensure32Bit(image);
    m_renderer.sketch(image, rendererSettings(), m_reporter);
}
