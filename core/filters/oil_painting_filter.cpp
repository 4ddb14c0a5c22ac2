#include "core/filters/oil_painting_filter.h"

#include <QObject>

OilPaintingFilter::OilPaintingFilter()
    : PaintingFilter(oilPaintingAlgorithmName(), overlayKey(), SecondPhase::Always)
{
}

QString OilPaintingFilter::name() const
{
    return QObject::tr("Oil");
}

QString OilPaintingFilter::overlayKey()
{
    return QStringLiteral("OilPaintingFilterWidget::pencil_");
}
