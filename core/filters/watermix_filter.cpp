#include "core/filters/watermix_filter.h"

#include "core/framework/parameter_keys.h"

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
        FilterDescriptor d;
        d.name = QStringLiteral("Watermix");
        d.displaySource = QT_TRANSLATE_NOOP("Filter", "Watermix");
        d.create = [] { return FilterPtr(new WatermixFilter); };
        describe(
            d, {{K::minimumStrokeSize, K::maximumStrokeSize, K::strokeCount, K::edge, K::precision},
                {3, 53, 5, 24, 47},
                Keys::Blend::watermixAftertouch,
                0,
                Keys::Blend::watermixTexture,
                {120, 240, 80, 0}});
        return d;
    }();
    return filter;
}
