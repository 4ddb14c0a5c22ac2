#pragma once

#include "ui/panel/filter_widget.h"

// The settings of the "Pencil" filter: pencil type, contour, shading, stroke, brightness, the
// saturation of colored pencils (its row is shown only for them) and the paper texture. No fixed
// values. See FilterWidget for ownership and thread.
class PencilFilterWidget : public FilterWidget
{
    Q_OBJECT
public:
    explicit PencilFilterWidget(QWidget* parent = nullptr);

    void reset_to_defaults() override;

    BevelComboBox* type_combo() const { return m_type_combo; }

private slots:
    // The pencil type changed: the saturation row follows it, then the panel emits changed().
    void slot_type_changed(int index);
    void slot_color_cb_activated(int index);
    void slot_color_cb_highlighted(int index);

private:
    void show_saturation(bool visible);

    BevelComboBox* m_type_combo;
};
