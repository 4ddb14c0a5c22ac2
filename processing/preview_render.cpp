#include "processing/preview_render.h"
#include "core/filters/filter_list.h"

FilterParametersPtr preview_parameters(const FilterParameters& panel_set)
{
    FilterParametersPtr set(new FilterParameters(panel_set));
    set->insert(forPreviewKey(), true);
    return set;
}

FilterPtr make_preview_filter(const QString& filter_name, const QImage& source,
                              const FilterParametersPtr& set)
{
    if (source.isNull() || !set)
        return FilterPtr();
    FilterPtr filter = createFilter(filter_name);
    if (!filter)
        return FilterPtr();
    filter->setImage(source);
    filter->setParameters(set);
    filter->setProgressReporter(nullptr);
    return filter;
}

QImage render_preview(const QString& filter_name, const QImage& source,
                      const FilterParametersPtr& set)
{
    const FilterPtr filter = make_preview_filter(filter_name, source, set);
    if (!filter)
        return QImage();
    filter->run();
    return filter->image();
}
