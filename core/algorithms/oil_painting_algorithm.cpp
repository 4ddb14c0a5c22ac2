#include "core/algorithms/oil_painting_algorithm.h"

#include "core/algorithms/algorithm_list.h"
#include "core/algorithms/expressive_brushstrokes.h"
#include "core/algorithms/stroke_painter.h"
#include "core/framework/iprogress_reporter.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/slider_conversion.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

const QString& kOilType = Keys::Oil::type;
const QString& kMinimumStrokeSize = Keys::Oil::minimumStrokeSize;
const QString& kMaximumStrokeSize = Keys::Oil::maximumStrokeSize;
const QString& kNumberOfBrushstrokes = Keys::Oil::strokeCount;
const QString& kEdgeIntensity = Keys::Oil::edge;
const QString& kPrecision = Keys::Oil::precision;
const QString& kContrast = Keys::Oil::contrast;
const QString& kDetails = Keys::Oil::details;
const QString& kStrength = Keys::Oil::strength;
const QString& kSimplification = Keys::Oil::simplification;
const QString& kColorIntensity = Keys::Oil::saturation;
const QString& kDarkenLighten = Keys::Oil::brightness;
const QString& kBrushstrokes = Keys::Oil::groundIntensity;

const QString kImpastoTexture = QStringLiteral(":/impastotexture.jpg");
const QString kStrokeBitmap = QStringLiteral(":/stroke11.bmp");

constexpr double kScaleFloor = 0.5; // the brushstrokes never work below half size

int oilTypeOf(const QString& text)
{
    if (text == Keys::Oil::expressive)
        return OilPaintingAlgorithm::ExpressiveBrushstrokes;
    if (text == Keys::Oil::impasto)
        return OilPaintingAlgorithm::ImpastoPainting;
    return OilPaintingAlgorithm::StandardOil;
}

} // namespace

QString OilPaintingAlgorithm::memoryName()
{
    return QStringLiteral("OilPaintingAlgorithm");
}

QString OilPaintingAlgorithm::name() const
{
    return oilPaintingAlgorithmName();
}

void OilPaintingAlgorithm::setParameters(const FilterParametersPtr& parameters)
{
    if (!parameters)
        return;
    const QString scaling = scalingKey();
    const QString preview = forPreviewKey();
    for (const QString& key : parameters->keys()) {
        const QVariant value = parameters->value(key);
        if (key == kOilType)
            m_oilType = oilTypeOf(value.toString());
        else if (key == kMinimumStrokeSize)
            m_minimumStrokeSize = percentTo8Bit(sliderValue(value));
        else if (key == kMaximumStrokeSize)
            m_maximumStrokeSize = percentTo8Bit(sliderValue(value));
        else if (key == kNumberOfBrushstrokes)
            m_numberOfBrushstrokes = percentTo8Bit(sliderValue(value));
        else if (key == kEdgeIntensity)
            m_edgeFactor = reversedPercentTo8Bit(sliderValue(value));
        else if (key == kPrecision)
            m_precision = sliderValue(value);
        else if (key == kContrast)
            m_contrast = percentTo8Bit(sliderValue(value));
        else if (key == kDetails)
            m_details = percentTo8Bit(sliderValue(value));
        else if (key == kStrength)
            m_strength = percentTo8Bit(sliderValue(value));
        else if (key == kSimplification)
            m_simplification = reversedPercentTo8Bit(sliderValue(value));
        else if (key == kColorIntensity)
            m_colourIntensity = sliderValue(value);
        else if (key == kDarkenLighten)
            m_brightness = signedTo8Bit(sliderValue(value));
        else if (key == kBrushstrokes)
            m_brushstrokeIntensity = sliderValue(value);
        else if (key == scaling) {
            // Once a render is scaled the object stays scaled; the scale keeps its last value.
            m_scaled = true;
            m_scale = effectiveScale(value.toDouble(), kScaleFloor);
        } else if (key == preview)
            m_preview = value.toBool();
    }
}

bool OilPaintingAlgorithm::isReady() const
{
    const int floor = kNotReceived + 1;
    const bool brushstrokes = m_minimumStrokeSize >= floor && m_maximumStrokeSize >= floor &&
                              m_numberOfBrushstrokes >= floor && m_edgeFactor >= floor &&
                              m_precision >= floor && m_contrast >= floor && m_details >= floor;
    const bool impastoUnset = m_strength < floor && m_simplification < floor &&
                              m_colourIntensity < floor && m_brightness < floor &&
                              m_brushstrokeIntensity < floor;
    return brushstrokes && impastoUnset;
}

void OilPaintingAlgorithm::setCancelled(bool cancelled)
{
    // The engine hears it whatever the type, so a type changed between runs cannot miss it.
    m_engine.setCancelled(cancelled);
    m_cancelled.store(cancelled);
}

void OilPaintingAlgorithm::setStrokeMemory(const StrokeMemoryPtr& memory)
{
    m_memory = memory;
    m_engine.setStrokeMemory(memory);
}

void OilPaintingAlgorithm::process(QImage& image)
{
    m_progress.restart();
    if (m_reporter)
        m_reporter->report_progress(0);
    if (image.isNull())
        return;
    ensure32Bit(image);
    switch (m_oilType) {
    case ExpressiveBrushstrokes:
        paintExpressiveBrushstrokes(image);
        break;
    case ImpastoPainting:
        paintImpasto(image);
        break;
    default:
        paintStandardOil(image);
        break;
    }
}

void OilPaintingAlgorithm::paintExpressiveBrushstrokes(QImage& image)
{
    ExpressiveSettings settings;
    settings.maximumStrokeSize = m_maximumStrokeSize;
    settings.numberOfBrushstrokes = m_numberOfBrushstrokes;
    settings.precision = m_precision;
    settings.contrast = m_contrast;
    settings.details = m_details;
    settings.scaled = m_scaled;
    settings.scale = m_scale;
    settings.reporter = m_reporter;
    settings.cancelled = &m_cancelled;
    settings.progress = &m_progress;
    ::paintExpressiveBrushstrokes(settings, image);
}

void OilPaintingAlgorithm::paintImpasto(QImage& image)
{
    const QImage texture(kImpastoTexture);
    if (texture.isNull())
        return;
    m_engine.paint(image, texture, m_scaled, m_scale, m_reporter, m_brushstrokeIntensity,
                   m_strength, m_simplification, m_brightness, m_colourIntensity, m_preview);
}

void OilPaintingAlgorithm::darkenEdges(QImage& canvas, const QImage& source, const QImage& strokes,
                                       int edgeFactor)
{
    StrokePainter::darkenEdges(canvas, source, strokes, edgeFactor);
}

// The standard painter: the stroke painter with the bristle stroke, finished with brightness,
// local contrast and sharpening.
void OilPaintingAlgorithm::paintStandardOil(QImage& image)
{
    const int p = m_precision;
    StrokePainterSettings settings;
    settings.bitmapPath = kStrokeBitmap;
    settings.scale = m_scale;
    settings.scaled = m_scaled;
    settings.preview = m_preview;
    settings.edgeFactor = m_edgeFactor;
    settings.budgetFactor = 3;
    settings.density = m_numberOfBrushstrokes;
    settings.pickThreshold = pickThreshold(p);
    settings.acceptance = acceptanceFactor(p);
    settings.afterReplay = StrokePainterSettings::AfterReplay::FreeCentre;
    settings.finish = [](QImage& canvas) {
        adjustBrightness(canvas, 10);
        localContrast(canvas, 10);
        sharpen3x3(canvas);
    };
    settings.progress = &m_progress;
    settings.memory = m_memory.data();
    settings.memoryName = memoryName();
    settings.reporter = m_reporter;
    settings.cancelled = &m_cancelled;
    StrokePainter::paint(settings, m_minimumStrokeSize, m_maximumStrokeSize, image);
}
