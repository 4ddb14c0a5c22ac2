#include "core/filters/watermix_filter.h"

#include <QObject>

WatermixFilter::WatermixFilter()
    : BlendFilter(oilPastelAlgorithmName(), aftertouchKey(), textureKey(), PhotoSize::Own)
{
}

QString WatermixFilter::name() const
{
    return QObject::tr("Watermix");
}

QString WatermixFilter::aftertouchKey()
{
    return QStringLiteral("WatermixFilterWidget::aftertouch_");
}

QString WatermixFilter::textureKey()
{
    return QStringLiteral("WatermixFilterWidget::texturize_");
}
