#include "ui/panel/pencil_filter_widget.h"

#include "ui/panel/bevel_combo_box.h"
#include "ui/panel/filter_slider.h"

#include <QGridLayout>
#include <QLabel>

namespace {

const QString kType = QStringLiteral("PencilBWAlgorithm::color_enabled");
const QString kContour = QStringLiteral("PencilBWAlgorithm::edge_threshold");
const QString kShading = QStringLiteral("PencilBWAlgorithm::edge_intensity");
const QString kStroke = QStringLiteral("PencilBWAlgorithm::stroke_length");
const QString kBrightness = QStringLiteral("PencilBWAlgorithm::darken_lighten");
const QString kSaturation = QStringLiteral("PencilBWAlgorithm::color_intensity");

// Room between the "Contour:" caption and its slider.
constexpr int kContourLabelMargin = 15;

} // namespace

PencilFilterWidget::PencilFilterWidget(QWidget* parent)
    : FilterWidget(QStringLiteral("Pencil"), parent), m_type_combo(create_choice_combo(kType))
{
    QGridLayout* grid = create_grid(4, 12);
    add_combo_row(grid, 0, m_type_combo);
    add_slider_row(grid, 1, kContour, 64, true);
    add_slider_row(grid, 2, kShading, 25, true)->setInvertedControls(true);
    add_slider_row(grid, 3, kStroke, 25, false);
    add_slider_row(grid, 4, kBrightness, 64, false);
    add_slider_row(grid, 5, kSaturation, 64, false);
    add_combo_row(grid, 6, create_texture_combo());
    finish_grid(grid, 7);
    row_label(kContour)->setContentsMargins(0, 0, kContourLabelMargin, 0);

    track_user_choices(m_type_combo);
    connect(m_type_combo, &QComboBox::currentIndexChanged, this,
            &PencilFilterWidget::slot_type_changed);
    connect(m_type_combo, &QComboBox::activated, this,
            &PencilFilterWidget::slot_color_cb_activated);
    connect(m_type_combo, &QComboBox::highlighted, this,
            &PencilFilterWidget::slot_color_cb_highlighted);

    reset_to_defaults();
}

void PencilFilterWidget::reset_to_defaults()
{
    const ChangeBatch batch(this);
    reset_controls();
    show_saturation(m_type_combo->currentIndex() != 0);
}

void PencilFilterWidget::slot_type_changed(int index)
{
    // Any type but "Lead pencil" draws in colour (an unknown type too), so it has a saturation.
    show_saturation(index != 0);
    slot_changed(index);
}

void PencilFilterWidget::slot_color_cb_activated(int index)
{
    Q_UNUSED(index);
    record_choice(m_type_combo);
}

void PencilFilterWidget::slot_color_cb_highlighted(int index)
{
    Q_UNUSED(index);
    remember_index(m_type_combo);
}

void PencilFilterWidget::show_saturation(bool visible)
{
    set_slider_row_visible(kSaturation, visible);
}
