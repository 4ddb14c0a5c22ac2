#include "ui/panel/watermix_filter_widget.h"

#include "ui/panel/bevel_combo_box.h"

#include <QGridLayout>

WatermixFilterWidget::WatermixFilterWidget(QWidget* parent)
    : FilterWidget(QStringLiteral("Watermix"), parent)
{
    QGridLayout* grid = create_grid(4, 12);
    const int row = add_stroke_rows(grid, 0, QStringLiteral("OilPastelAlgorithm::"));
    BevelComboBox* aftertouch =
        create_choice_combo(QStringLiteral("WatermixFilterWidget::aftertouch_"));
    BevelComboBox* texture =
        create_choice_combo(QStringLiteral("WatermixFilterWidget::texturize_"));
    add_combo_row(grid, row, aftertouch);
    add_combo_row(grid, row + 1, texture);
    finish_grid(grid, row + 2);
    // Only a user's choice announces itself; these choices are not recorded for undo.
    for (BevelComboBox* list : {aftertouch, texture})
        connect(list, &QComboBox::activated, this, &WatermixFilterWidget::slot_changed);
    reset_to_defaults();
}

void WatermixFilterWidget::reset_to_defaults()
{
    const ChangeBatch batch(this);
    reset_controls();
}
