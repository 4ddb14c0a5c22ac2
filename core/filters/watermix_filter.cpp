#include "core/filters/watermix_filter.h"

#include "core/filters/parameter_rows.h"
#include "core/framework/parameter_keys.h"

#include <QObject>

WatermixFilter::WatermixFilter()
    : BlendFilter(oilPastelAlgorithmName(), descriptor().overlayKey, descriptor().textureKey,
                  PhotoSize::Own)
{
}

QString WatermixFilter::name() const
{
    return descriptor().name;
}

const FilterDescriptor& WatermixFilter::descriptor()
{
    static const FilterDescriptor filter = [] {
        namespace K = Keys::Pastel;
        namespace W = Keys::Watercolor;
        FilterDescriptor d;
        d.name = QStringLiteral("Watermix");
        d.displaySource = QT_TRANSLATE_NOOP("Filter", "Watermix");
        d.create = [] { return FilterPtr(new WatermixFilter); };
        d.rows = strokeRows(
            {K::minimumStrokeSize, K::maximumStrokeSize, K::strokeCount, K::edge, K::precision},
            {3, 53, 5, 24, 47});
        d.rows.append(choiceRow(Keys::Blend::watermixAftertouch, QObject::tr("Aftertouch:"),
                                aftertouchChoices(), 0));
        d.rows.append(textureRow(Keys::Blend::watermixTexture));
        d.overlayKey = Keys::Blend::watermixAftertouch;
        d.textureKey = Keys::Blend::watermixTexture;
        d.fixedValues = {{W::strength, 120},
                         {W::simplification, 240},
                         {W::saturation, 80},
                         {W::brightness, 0},
                         {W::groundIntensity, 60}};
        return d;
    }();
    return filter;
}
