#pragma once

#include "ui/panel/filter_widget.h"

// The settings of the "Oil" filter. The oil type chooses the painter and with it the rows shown:
// "Brushstrokes" and "Expressive brushstrokes" show stroke rows, "Oil painting" the impasto rows;
// hidden sliders carry the minimum stroke size and the brushstroke intensity. Changing the oil
// type puts the pencil overlay and the texture back to "None" (undoing the change brings them
// back). An overlay other than "None" adds the fixed pencil values to the gathered set. See
// FilterWidget for ownership and thread.
class OilPaintingFilterWidget : public FilterWidget
{
    Q_OBJECT
public:
    explicit OilPaintingFilterWidget(QWidget* parent = nullptr);

    void reset_to_defaults() override;

    BevelComboBox* oil_type_combo() const { return m_oil_type; }

private slots:
    void slot_oil_type_changed(int index);
    void slot_oil_type_activated(int index);
    void slot_oil_type_highlighted(int index);

private:
    // Shows the slider rows of the oil type at index and hides the others.
    void show_rows_of(int index);

    BevelComboBox* m_oil_type;
    // What the pencil and texture lists showed before the last oil type change cleared them.
    int m_pencil_before_change = 0;
    int m_texture_before_change = 0;
};
