#include "ui/panel/create_panel.h"

#include "ui/panel/oil_painting_filter_widget.h"
#include "ui/panel/oil_pastel_filter_widget.h"
#include "ui/panel/paint_blend_filter_widget.h"
#include "ui/panel/pencil_filter_widget.h"
#include "ui/panel/watercolor_filter_widget.h"
#include "ui/panel/watermix_filter_widget.h"

FilterWidget* create_panel(const QString& name, QWidget* parent)
{
    if (name == QLatin1String("Pencil"))
        return new PencilFilterWidget(parent);
    if (name == QLatin1String("Watercolor"))
        return new WatercolorFilterWidget(parent);
    if (name == QLatin1String("Pastel"))
        return new OilPastelFilterWidget(parent);
    if (name == QLatin1String("Oil"))
        return new OilPaintingFilterWidget(parent);
    if (name == QLatin1String("Paint blend"))
        return new PaintBlendFilterWidget(parent);
    if (name == QLatin1String("Watermix"))
        return new WatermixFilterWidget(parent);
    return nullptr;
}
