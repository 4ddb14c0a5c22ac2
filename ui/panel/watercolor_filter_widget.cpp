#include "ui/panel/watercolor_filter_widget.h"

#include "ui/panel/bevel_combo_box.h"

#include <QGridLayout>

WatercolorFilterWidget::WatercolorFilterWidget(QWidget* parent)
    : FilterWidget(QStringLiteral("Watercolor"), parent)
{
    const QString w = QStringLiteral("WatercolorAlgorithm::");
    QGridLayout* grid = create_grid(4, 12);
    add_slider_row(grid, 0, w + "strength_of_effect", 64, true);
    add_slider_row(grid, 1, w + "image_simplification", 64, true);
    add_slider_row(grid, 2, w + "color_intensity", 25, false);
    add_slider_row(grid, 3, w + "darken_lighten", 64, false);
    add_hidden_slider(w + "brushstrokes_intensity", 64);
    BevelComboBox* pencil = create_pencil_combo();
    pencil->setObjectName(QStringLiteral("WatercolorFilterWidget::pencil_"));
    add_combo_row(grid, 4, pencil);
    add_combo_row(grid, 5, create_texture_combo());
    finish_grid(grid, 6);
    reset_to_defaults();
}

void WatercolorFilterWidget::reset_to_defaults()
{
    const ChangeBatch batch(this);
    reset_controls();
}
