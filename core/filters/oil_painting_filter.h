#pragma once

#include "core/filters/painting_filter.h"
#include "core/framework/filter_descriptor.h"

// "Oil": the oil painting ("Oil painting"), optionally with a pencil overlay chosen by
// "OilPaintingFilterWidget::pencil_" and a paper or canvas texture. Its second phase ends after
// the pencil step whether or not the drawing was made. Created per render by createFilter; run on
// the worker thread.
class OilPaintingFilter : public PaintingFilter
{
public:
    OilPaintingFilter();

    QString name() const override;

    static const FilterDescriptor& descriptor();
};
