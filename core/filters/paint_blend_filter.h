#pragma once

#include "core/filters/blend_filter.h"
#include "core/framework/filter_descriptor.h"

// "Paint blend": the standard oil painting ("Oil painting") with a watercolor of the photograph,
// made at the painting's size, laid over it in the style of "PaintBlendFilterWidget::aftertouch_",
// and a texture chosen by "PaintBlendFilterWidget::texturize_". Created by createFilter only; the
// filter list does not offer it. Run on the worker thread.
class PaintBlendFilter : public BlendFilter
{
public:
    PaintBlendFilter();

    QString name() const override;

    static const FilterDescriptor& descriptor();
};
