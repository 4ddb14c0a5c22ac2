#include "ui/panel/create_panel.h"

#include "core/filters/filter_list.h"
#include "core/filters/oil_painting_filter.h"
#include "ui/panel/oil_painting_filter_widget.h"

FilterWidget* create_panel(const QString& name, QWidget* parent)
{
    const FilterDescriptor* descriptor = findFilter(name);
    if (!descriptor)
        return nullptr;
    if (descriptor == &OilPaintingFilter::descriptor())
        return new OilPaintingFilterWidget(parent);
    return new FilterWidget(*descriptor, parent);
}
