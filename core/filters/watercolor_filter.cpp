#include "core/filters/watercolor_filter.h"

#include "core/filters/parameter_rows.h"
#include "core/framework/parameter_keys.h"

#include <QObject>

WatercolorFilter::WatercolorFilter()
    : PaintingFilter(watercolorAlgorithmName(), descriptor().overlayKey)
{
}

QString WatercolorFilter::name() const
{
    return descriptor().name;
}

const FilterDescriptor& WatercolorFilter::descriptor()
{
    static const FilterDescriptor filter = [] {
        const QString percent = QStringLiteral("%");
        FilterDescriptor d;
        d.name = QStringLiteral("Watercolor");
        d.displaySource = QT_TRANSLATE_NOOP("Filter", "Watercolor");
        d.create = [] { return FilterPtr(new WatercolorFilter); };
        namespace K = Keys::Watercolor;
        d.rows = {
            sliderRow(K::strength, QObject::tr("Strength:"), 0, 100, 78, 64, percent),
            sliderRow(K::simplification, QObject::tr("Details:"), 0, 100, 80, 64, percent),
            sliderRow(K::saturation, QObject::tr("Saturation:"), 0, 100, 60, 25),
            sliderRow(K::brightness, QObject::tr("Brightness:"), -100, 100, 20, 64),
            hiddenRow(K::groundIntensity, 0, 255, 60),
            pencilOverlayRow(Keys::Overlay::watercolor),
            textureRow(Keys::Texture::paper),
        };
        d.overlayKey = Keys::Overlay::watercolor;
        d.textureKey = Keys::Texture::paper;
        d.overlayValues = overlayPencilValues(43);
        return d;
    }();
    return filter;
}
