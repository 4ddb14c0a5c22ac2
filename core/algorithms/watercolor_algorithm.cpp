#include "core/algorithms/watercolor_algorithm.h"

#include "core/algorithms/algorithm_list.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/slider_conversion.h"
#include "core/raster/raster_primitives.h"

#include <algorithm>

namespace {

const QString& kStrength = Keys::Watercolor::strength;
const QString& kSimplification = Keys::Watercolor::simplification;
const QString& kColorIntensity = Keys::Watercolor::saturation;
const QString& kDarkenLighten = Keys::Watercolor::brightness;
const QString& kBrushstrokes = Keys::Watercolor::groundIntensity;
const QString kTexturePath = QStringLiteral(":/watercolor-texture.jpg");

} // namespace

QString WatercolorAlgorithm::name() const
{
    return watercolorAlgorithmName();
}

void WatercolorAlgorithm::setParameters(const FilterParametersPtr& parameters)
{
    if (parameters) {
        const QString scaling = scalingKey();
        const QString preview = forPreviewKey();
        for (const QString& key : parameters->keys()) {
            const QVariant value = parameters->value(key);
            if (key == kStrength) {
                m_strength = percentTo8Bit(sliderValue(value));
            } else if (key == kSimplification) {
                m_simplification = reversedPercentTo8Bit(sliderValue(value));
            } else if (key == kColorIntensity) {
                m_colourIntensity = sliderValue(value);
            } else if (key == kDarkenLighten) {
                m_brightness = signedTo8Bit(sliderValue(value));
            } else if (key == kBrushstrokes) {
                m_brushstrokeIntensity = sliderValue(value);
            } else if (key == scaling) {
                // Used as it is: the watercolor follows the display scale all the way down.
                m_scaled = true;
                m_scale = value.toDouble();
            } else if (key == preview) {
                m_preview = value.toBool();
            }
        }
    }
    m_texturePath = kTexturePath;
}

bool WatercolorAlgorithm::isReady() const
{
    const int floor = kNotReceived + 1;
    return m_strength >= floor && m_simplification >= floor && m_colourIntensity >= floor &&
           m_brightness >= floor && m_brushstrokeIntensity >= floor;
}

void WatercolorAlgorithm::setCancelled(bool cancelled)
{
    m_cancelled.store(cancelled);
    m_engine.setCancelled(cancelled);
}

void WatercolorAlgorithm::setStrokeMemory(const StrokeMemoryPtr& memory)
{
    m_engine.setStrokeMemory(memory);
}

void WatercolorAlgorithm::process(QImage& image)
{
    // Unset settings would paint with the sentinel values (a black picture), and a missing
    // texture leaves nothing to paint on: the picture stays as it is.
    if (image.isNull() || !isReady() || m_texturePath.isEmpty())
        return;
    const QImage texture(m_texturePath);
    if (texture.isNull())
        return;
    ensure32Bit(image);
    m_engine.paint(image, texture, m_scaled, m_scale, m_reporter, m_brushstrokeIntensity,
                   m_strength, m_simplification, m_brightness, m_colourIntensity, m_preview);
}
