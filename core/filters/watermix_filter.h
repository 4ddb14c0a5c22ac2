#pragma once

#include "core/filters/blend_filter.h"
#include "core/framework/filter_descriptor.h"

// "Watermix": the oil pastel drawing ("Oil pastel") with a watercolor of the photograph laid over
// it in the style of "WatermixFilterWidget::aftertouch_", and a texture chosen by
// "WatermixFilterWidget::texturize_". Created by createFilter only; the filter list does not offer
// it. Run on the worker thread.
class WatermixFilter : public BlendFilter
{
public:
    WatermixFilter();

    QString name() const override;

    static const FilterDescriptor& descriptor();
};
