#include "core/filters/oil_pastel_filter.h"

#include <QObject>

OilPastelFilter::OilPastelFilter()
    : PaintingFilter(oilPastelAlgorithmName(), overlayKey(), SecondPhase::Always)
{
}

QString OilPastelFilter::name() const
{
    return QObject::tr("Pastel");
}

QString OilPastelFilter::overlayKey()
{
    return QStringLiteral("OilPastelFilterWidget::pencil_");
}
