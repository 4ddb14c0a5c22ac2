#include "core/algorithms/oil_pastel_algorithm.h"

#include "core/algorithms/algorithm_list.h"
#include "core/algorithms/stroke_painter.h"
#include "core/framework/iprogress_reporter.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/slider_conversion.h"
#include "core/raster/raster_primitives.h"

#include <algorithm>

namespace {

const QString& kMinimumStrokeSize = Keys::Pastel::minimumStrokeSize;
const QString& kMaximumStrokeSize = Keys::Pastel::maximumStrokeSize;
const QString& kNumberOfBrushstrokes = Keys::Pastel::strokeCount;
const QString& kEdgeIntensity = Keys::Pastel::edge;
const QString& kPrecision = Keys::Pastel::precision;

const QString kHatchingBitmap = QStringLiteral(":/pencilimage.jpg");

} // namespace

QString OilPastelAlgorithm::memoryName()
{
    return QStringLiteral("OilPastelAlgorithm");
}

QString OilPastelAlgorithm::name() const
{
    return oilPastelAlgorithmName();
}

void OilPastelAlgorithm::setParameters(const FilterParametersPtr& parameters)
{
    if (!parameters)
        return;
    const QString scaling = scalingKey();
    const QString preview = forPreviewKey();
    for (const QString& key : parameters->keys()) {
        const QVariant value = parameters->value(key);
        if (key == kMinimumStrokeSize)
            m_minimumStrokeSize = percentTo8Bit(sliderValue(value));
        else if (key == kMaximumStrokeSize)
            m_maximumStrokeSize = percentTo8Bit(sliderValue(value));
        else if (key == kNumberOfBrushstrokes)
            m_numberOfBrushstrokes = sliderValue(value);
        else if (key == kEdgeIntensity)
            m_edgeFactor = reversedPercentTo8Bit(sliderValue(value));
        else if (key == kPrecision)
            m_precision = percentTo8Bit(sliderValue(value));
        else if (key == scaling) {
            // Once a render is scaled the object stays scaled; the scale is used as it comes.
            m_scaled = true;
            m_scale = effectiveScale(value.toDouble(), 0.0);
        } else if (key == preview)
            m_preview = value.toBool();
    }
}

bool OilPastelAlgorithm::isReady() const
{
    const int floor = kNotReceived + 1;
    return m_minimumStrokeSize >= floor && m_maximumStrokeSize >= floor &&
           m_numberOfBrushstrokes >= floor && m_edgeFactor >= floor && m_precision >= floor;
}

void OilPastelAlgorithm::process(QImage& image)
{
    m_progress.restart();
    if (m_reporter)
        m_reporter->report_progress(0);
    if (image.isNull())
        return;
    ensure32Bit(image);

    StrokePainterSettings settings;
    settings.bitmapPath = kHatchingBitmap;
    settings.scale = m_scale;
    settings.scaled = m_scaled;
    settings.preview = m_preview;
    settings.edgeFactor = m_edgeFactor;
    settings.budgetFactor = 2;
    settings.density = m_numberOfBrushstrokes;
    settings.pickThreshold = pickThreshold(m_precision);
    settings.acceptance = acceptanceFactor(m_precision);
    settings.recordingDrawsWholePicture = true;
    settings.afterReplay = StrokePainterSettings::AfterReplay::AnyCentre;
    settings.finish = [](QImage& canvas) {
        adjustSaturation(canvas, 10);
        adjustBrightness(canvas, 10);
        localContrast(canvas, 10);
    };
    settings.progress = &m_progress;
    settings.memory = m_memory.data();
    settings.memoryName = memoryName();
    settings.reporter = m_reporter;
    settings.cancelled = &m_cancelled;
    StrokePainter::paint(settings, m_minimumStrokeSize, m_maximumStrokeSize, image);
}
