#include "ui/panel/oil_pastel_filter_widget.h"

#include "ui/panel/bevel_combo_box.h"

#include <QGridLayout>

OilPastelFilterWidget::OilPastelFilterWidget(QWidget* parent)
    : FilterWidget(QStringLiteral("Pastel"), parent)
{
    QGridLayout* grid = create_grid(4, 12);
    const int row = add_stroke_rows(grid, 0, QStringLiteral("OilPastelAlgorithm::"));
    BevelComboBox* pencil = create_pencil_combo();
    pencil->setObjectName(QStringLiteral("OilPastelFilterWidget::pencil_"));
    add_combo_row(grid, row, pencil);
    add_combo_row(grid, row + 1, create_texture_combo());
    finish_grid(grid, row + 2);
    reset_to_defaults();
}

void OilPastelFilterWidget::reset_to_defaults()
{
    const ChangeBatch batch(this);
    reset_controls();
}
