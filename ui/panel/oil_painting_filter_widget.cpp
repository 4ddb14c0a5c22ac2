#include "ui/panel/oil_painting_filter_widget.h"

#include "ui/panel/bevel_combo_box.h"
#include "ui/panel/filter_change_command.h"
#include "ui/panel/filter_value_command.h"

#include <QGridLayout>

namespace {

const QString kOwner = QStringLiteral("OilPaintingAlgorithm::");

// The slider rows in panel order; the painter of each oil type reads only some of them.
const char* const kRows[] = {"maximum_stroke_size",   "number_of_brushstrokes", "edge_intensity",
                             "brushstroke_precision", "level_of_contrast",      "level_of_details",
                             "strength_of_effect",    "image_simplification",   "color_intensity",
                             "darken_lighten"};

// The rows shown for an oil type: 0 "Brushstrokes" (also any unknown type, which the algorithm
// paints with the standard painter), 1 "Expressive brushstrokes", 2 "Oil painting".
QStringList rows_of(int oil_type)
{
    switch (oil_type) {
    case 1:
        return {"maximum_stroke_size", "number_of_brushstrokes", "brushstroke_precision",
                "level_of_contrast", "level_of_details"};
    case 2:
        return {"strength_of_effect", "image_simplification", "color_intensity", "darken_lighten"};
    default:
        return {"maximum_stroke_size", "number_of_brushstrokes", "edge_intensity",
                "brushstroke_precision"};
    }
}

// Tick interval and "%" label of each row.
struct RowLook
{
    int tick;
    bool percent;
};

RowLook look_of(const QString& row)
{
    if (row == QLatin1String("number_of_brushstrokes") || row == QLatin1String("color_intensity"))
        return {25, false};
    if (row == QLatin1String("brushstroke_precision") || row == QLatin1String("darken_lighten"))
        return {64, false};
    return {64, true};
}

} // namespace

OilPaintingFilterWidget::OilPaintingFilterWidget(QWidget* parent)
    : FilterWidget(QStringLiteral("Oil"), parent),
      m_oil_type(create_choice_combo(kOwner + "oil_type"))
{
    QGridLayout* grid = create_grid(6, 14);
    add_combo_row(grid, 0, m_oil_type);
    add_hidden_slider(kOwner + "minimum_stroke_size", 64);
    int row = 1;
    for (const char* name : kRows) {
        const RowLook look = look_of(QLatin1String(name));
        add_slider_row(grid, row++, kOwner + name, look.tick, look.percent);
    }
    add_hidden_slider(kOwner + "brushstrokes_intensity", 64);
    BevelComboBox* pencil = create_pencil_combo();
    pencil->setObjectName(QStringLiteral("OilPaintingFilterWidget::pencil_"));
    add_combo_row(grid, row++, pencil);
    add_combo_row(grid, row++, create_texture_combo());
    finish_grid(grid, row);

    track_user_choices(m_oil_type);
    connect(m_oil_type, &QComboBox::currentIndexChanged, this,
            &OilPaintingFilterWidget::slot_oil_type_changed);
    connect(m_oil_type, &QComboBox::highlighted, this,
            &OilPaintingFilterWidget::slot_oil_type_highlighted);
    connect(m_oil_type, &QComboBox::activated, this,
            &OilPaintingFilterWidget::slot_oil_type_activated);
    reset_to_defaults();
}

void OilPaintingFilterWidget::reset_to_defaults()
{
    const ChangeBatch batch(this);
    reset_controls();
    show_rows_of(m_oil_type->currentIndex());
}

void OilPaintingFilterWidget::slot_oil_type_changed(int index)
{
    // Keys are applied in ascending order, so a stored set gives its oil type before its pencil
    // and texture ("OilPaintingA..." < "OilPaintingF..." < "Texturize..."): the reset below does
    // not undo them.
    m_pencil_before_change = pencil_combo()->currentIndex();
    m_texture_before_change = texture_combo()->currentIndex();
    reset_combos();
    show_rows_of(index);
    slot_changed(index);
}

void OilPaintingFilterWidget::slot_oil_type_activated(int index)
{
    Q_UNUSED(index);
    const int before = remembered_index(m_oil_type);
    const int now = m_oil_type->currentIndex();
    if (before == now)
        return; // the type chosen again: nothing changes, nothing to undo
    // One step that also gives back the pencil and texture the change cleared: undone in reverse
    // order, the oil type returns first (clearing both lists again), then the texture and the
    // pencil.
    auto* step = new QUndoCommand;
    new FilterChangeCommand(pencil_combo(), 0, m_pencil_before_change, step);
    new FilterChangeCommand(texture_combo(), 0, m_texture_before_change, step);
    new FilterChangeCommand(m_oil_type, now, before, step);
    record_setting_change(m_oil_type, step);
    remember_index(m_oil_type);
}

void OilPaintingFilterWidget::slot_oil_type_highlighted(int index)
{
    Q_UNUSED(index);
    remember_index(m_oil_type);
}

void OilPaintingFilterWidget::show_rows_of(int index)
{
    const QStringList shown = rows_of(index);
    for (const char* name : kRows)
        set_slider_row_visible(kOwner + name, shown.contains(QLatin1String(name)));
}
