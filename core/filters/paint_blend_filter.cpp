#include "core/filters/paint_blend_filter.h"

#include "core/filters/parameter_rows.h"
#include "core/framework/parameter_keys.h"

#include <QObject>

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
        namespace W = Keys::Watercolor;
        FilterDescriptor d;
        d.name = QStringLiteral("Paint blend");
        d.displaySource = QT_TRANSLATE_NOOP("Filter", "Paint blend");
        d.create = [] { return FilterPtr(new PaintBlendFilter); };
        d.rows = strokeRows(
            {K::minimumStrokeSize, K::maximumStrokeSize, K::strokeCount, K::edge, K::precision},
            {3, 78, 20, 8, 71});
        d.rows.append(choiceRow(Keys::Blend::paintBlendAftertouch, QObject::tr("Aftertouch:"),
                                aftertouchChoices(), 2));
        d.rows.append(textureRow(Keys::Blend::paintBlendTexture));
        d.overlayKey = Keys::Blend::paintBlendAftertouch;
        d.textureKey = Keys::Blend::paintBlendTexture;
        d.fixedValues = {{W::strength, 240},
                         {W::simplification, 220},
                         {W::saturation, 70},
                         {W::brightness, 40},
                         {W::groundIntensity, 60}};
        return d;
    }();
    return filter;
}
