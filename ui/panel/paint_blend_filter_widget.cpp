#include "ui/panel/paint_blend_filter_widget.h"

#include "ui/panel/bevel_combo_box.h"

#include <QGridLayout>

PaintBlendFilterWidget::PaintBlendFilterWidget(QWidget* parent)
    : FilterWidget(QStringLiteral("Paint blend"), parent)
{
    QGridLayout* grid = create_grid(4, 12);
    const int row = add_stroke_rows(grid, 0, QStringLiteral("OilPaintingAlgorithm::"));
    BevelComboBox* aftertouch =
        create_choice_combo(QStringLiteral("PaintBlendFilterWidget::aftertouch_"));
    BevelComboBox* texture =
        create_choice_combo(QStringLiteral("PaintBlendFilterWidget::texturize_"));
    add_combo_row(grid, row, aftertouch);
    add_combo_row(grid, row + 1, texture);
    finish_grid(grid, row + 2);
    // Only a user's choice announces itself; these choices are not recorded for undo.
    for (BevelComboBox* list : {aftertouch, texture})
        connect(list, &QComboBox::activated, this, &PaintBlendFilterWidget::slot_changed);
    reset_to_defaults();
}

void PaintBlendFilterWidget::reset_to_defaults()
{
    const ChangeBatch batch(this);
    reset_controls();
}
