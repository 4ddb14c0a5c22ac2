#include "core/filters/watercolor_filter.h"

#include <QObject>

WatercolorFilter::WatercolorFilter()
    : PaintingFilter(watercolorAlgorithmName(), overlayKey(), SecondPhase::WhenDrawn)
{
}

QString WatercolorFilter::name() const
{
    return QObject::tr("Watercolor");
}

QString WatercolorFilter::overlayKey()
{
    return QStringLiteral("WatercolorFilterWidget::pencil_");
}
