#pragma once

#include "ui/panel/filter_widget.h"

// The settings of the "Paint blend" filter (oil strokes over a watercolor wash): a hidden
// minimum stroke size, brush size, strokes, edge, precision, the aftertouch and the texture. The
// gathered set carries the filter's fixed watercolor values. Its lists record no undo commands.
// See FilterWidget for ownership and thread.
class PaintBlendFilterWidget : public FilterWidget
{
    Q_OBJECT
public:
    explicit PaintBlendFilterWidget(QWidget* parent = nullptr);

    void reset_to_defaults() override;
};
