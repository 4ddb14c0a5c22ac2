#include "core/framework/filter.h"

#include "core/filters/oil_painting_filter.h"
#include "core/filters/oil_pastel_filter.h"
#include "core/filters/paint_blend_filter.h"
#include "core/filters/pencil_filter.h"
#include "core/filters/watercolor_filter.h"
#include "core/filters/watermix_filter.h"

#include <QObject>

// The filters, in the order names are compared. A filter registers here once its class exists.
FilterPtr createFilter(const QString& name)
{
    if (name == QObject::tr("Pencil"))
        return FilterPtr(new PencilFilter);
    if (name == QObject::tr("Watercolor"))
        return FilterPtr(new WatercolorFilter);
    if (name == QObject::tr("Oil"))
        return FilterPtr(new OilPaintingFilter);
    if (name == QObject::tr("Pastel"))
        return FilterPtr(new OilPastelFilter);
    if (name == QObject::tr("Paint blend"))
        return FilterPtr(new PaintBlendFilter);
    if (name == QObject::tr("Watermix"))
        return FilterPtr(new WatermixFilter);
    return FilterPtr();
}

QStringList filterNames()
{
    return {QObject::tr("Pencil"), QObject::tr("Watercolor"), QObject::tr("Pastel"),
            QObject::tr("Oil")};
}

QStringList allFilterNames()
{
    return {QObject::tr("Pencil"), QObject::tr("Watercolor"), QObject::tr("Oil"),
            QObject::tr("Pastel"), QObject::tr("Paint blend"), QObject::tr("Watermix")};
}
