#pragma once

#include "core/filters/painting_filter.h"
#include "core/framework/filter_descriptor.h"

// "Watercolor": the watercolor painting ("Watercolor"), optionally with a pencil overlay chosen by
// "WatercolorFilterWidget::pencil_" and a paper texture. Its second phase ends only when the
// pencil step ran. Created per render by createFilter; run on the worker thread.
class WatercolorFilter : public PaintingFilter
{
public:
    WatercolorFilter();

    QString name() const override;

    static const FilterDescriptor& descriptor();
};
