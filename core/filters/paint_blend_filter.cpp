#include "core/filters/paint_blend_filter.h"

#include "core/framework/parameter_keys.h"

PaintBlendFilter::PaintBlendFilter()
    : BlendFilter(oilPaintingAlgorithmName(), descriptor().overlayKey, descriptor().textureKey,
                  PhotoSize::Painting)
{
}

QString PaintBlendFilter::name() const
{
    return descriptor().name;
}

const FilterDescriptor& PaintBlendFilter::descriptor()
{
    static const FilterDescriptor filter = [] {
        namespace K = Keys::Oil;
        FilterDescriptor d;
        d.name = QStringLiteral("Paint blend");
        d.displaySource = QT_TRANSLATE_NOOP("Filter", "Paint blend");
        d.create = [] { return FilterPtr(new PaintBlendFilter); };
        describe(
            d, {{K::minimumStrokeSize, K::maximumStrokeSize, K::strokeCount, K::edge, K::precision},
                {3, 78, 20, 8, 71},
                Keys::Blend::paintBlendAftertouch,
                2,
                Keys::Blend::paintBlendTexture,
                {240, 220, 70, 40}});
        return d;
    }();
    return filter;
}
