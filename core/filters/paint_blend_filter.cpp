#include "core/filters/paint_blend_filter.h"

#include <QObject>

PaintBlendFilter::PaintBlendFilter()
    : BlendFilter(oilPaintingAlgorithmName(), aftertouchKey(), textureKey(), PhotoSize::Painting)
{
}

QString PaintBlendFilter::name() const
{
    return QObject::tr("Paint blend");
}

QString PaintBlendFilter::aftertouchKey()
{
    return QStringLiteral("PaintBlendFilterWidget::aftertouch_");
}

QString PaintBlendFilter::textureKey()
{
    return QStringLiteral("PaintBlendFilterWidget::texturize_");
}
