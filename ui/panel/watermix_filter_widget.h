#pragma once

#include "ui/panel/filter_widget.h"

// The settings of the "Watermix" filter (pastel strokes over a watercolor wash): a hidden minimum
// stroke size, brush size, strokes, edge, precision, the aftertouch and the texture. The gathered
// set carries the filter's fixed watercolor values. Its lists record no undo commands. See
// FilterWidget for ownership and thread.
class WatermixFilterWidget : public FilterWidget
{
    Q_OBJECT
public:
    explicit WatermixFilterWidget(QWidget* parent = nullptr);

    void reset_to_defaults() override;
};
