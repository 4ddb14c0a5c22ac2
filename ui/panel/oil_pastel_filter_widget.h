#pragma once

#include "ui/panel/filter_widget.h"

// The settings of the "Pastel" filter: a hidden minimum stroke size, brush size, strokes, edge,
// precision, the pencil overlay and the paper texture. An overlay other than "None" adds the
// fixed pencil values to the gathered set. See FilterWidget for ownership and thread.
class OilPastelFilterWidget : public FilterWidget
{
    Q_OBJECT
public:
    explicit OilPastelFilterWidget(QWidget* parent = nullptr);

    void reset_to_defaults() override;
};
