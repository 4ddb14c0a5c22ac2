#pragma once

#include "ui/panel/filter_widget.h"

// The settings of the "Watercolor" filter: strength, details, saturation, brightness, a hidden
// brushstroke intensity, the pencil overlay and the paper texture. An overlay other than "None"
// adds the fixed pencil values to the gathered set. See FilterWidget for ownership and thread.
class WatercolorFilterWidget : public FilterWidget
{
    Q_OBJECT
public:
    explicit WatercolorFilterWidget(QWidget* parent = nullptr);

    void reset_to_defaults() override;
};
