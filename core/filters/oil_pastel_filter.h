#pragma once

#include "core/filters/painting_filter.h"
#include "core/framework/filter_descriptor.h"

// "Pastel": the oil pastel drawing ("Oil pastel"), optionally with a pencil overlay chosen by
// "OilPastelFilterWidget::pencil_" and a paper or canvas texture. Its second phase ends after the
// pencil step whether or not the drawing was made. Created per render by createFilter; run on the
// worker thread.
class OilPastelFilter : public PaintingFilter
{
public:
    OilPastelFilter();

    QString name() const override;

    static const FilterDescriptor& descriptor();
};
