#include "ui/panel/filter_widget.h"

#include "ui/panel/bevel_combo_box.h"
#include "ui/panel/bevel_label.h"
#include "ui/panel/filter_change_command.h"
#include "ui/panel/filter_slider.h"
#include "ui/panel/filter_value_command.h"
#include "ui/panel/gather_parameters.h"
#include "ui/panel/integer_edit.h"

#include <QEvent>
#include <QGridLayout>
#include <QSignalBlocker>

namespace {

constexpr int kMinimumHeight = 260;

// Grid columns: label, slider, (gap), number field, "%".
constexpr int kLabelColumn = 0;
constexpr int kSliderColumn = 1;
constexpr int kGapColumn = 2;
constexpr int kFieldColumn = 3;
constexpr int kPercentColumn = 4;

void fill_combo(QComboBox* combo, const QVector<ParameterChoice>& choices)
{
    for (const ParameterChoice& choice : choices)
        combo->addItem(choice.label, choice.value);
}

// The index of the item of combo that carries the table default of its key.
int default_index(const QComboBox* combo, const ParameterSpec& entry)
{
    return combo->findData(entry.defaultValue.toString(), Qt::UserRole,
                           Qt::MatchExactly | Qt::MatchCaseSensitive);
}

} // namespace

FilterWidget::ChangeBatch::ChangeBatch(FilterWidget* panel) : m_panel(panel)
{
    ++m_panel->m_batch_depth;
}

FilterWidget::ChangeBatch::~ChangeBatch()
{
    if (--m_panel->m_batch_depth == 0)
        emit m_panel->changed();
}

FilterWidget::FilterWidget(const QString& filter_name, QWidget* parent)
    : QWidget(parent), m_filter_name(filter_name)
{
    setMinimumHeight(kMinimumHeight);
}

FilterParametersPtr FilterWidget::parameters() const
{
    FilterParametersPtr set = gather_parameters(m_filter_name, this);
    addFixedValues(*set);
    return set;
}

void FilterWidget::set_parameters(const FilterParametersPtr& set)
{
    const ChangeBatch batch(this);
    if (set)
        apply_parameters(*set, this);
}

void FilterWidget::slider_released() {}

FilterSlider* FilterWidget::slider(const QString& key) const
{
    const auto rows = findChildren<FilterSlider*>(key, Qt::FindDirectChildrenOnly);
    return rows.isEmpty() ? nullptr : rows.last();
}

QComboBox* FilterWidget::combo(const QString& key) const
{
    const auto combos = findChildren<QComboBox*>(key, Qt::FindDirectChildrenOnly);
    return combos.isEmpty() ? nullptr : combos.last();
}

void FilterWidget::change()
{
    if (m_batch_depth == 0)
        emit changed();
}

void FilterWidget::slot_texturize_activated(int index)
{
    Q_UNUSED(index);
    record_choice(m_texture_combo);
}

void FilterWidget::slot_texturize_highlighted(int index)
{
    Q_UNUSED(index);
    remember_index(m_texture_combo);
}

void FilterWidget::slot_pencil_activated(int index)
{
    Q_UNUSED(index);
    record_choice(m_pencil_combo);
}

void FilterWidget::slot_pencil_highlighted(int index)
{
    Q_UNUSED(index);
    remember_index(m_pencil_combo);
}

void FilterWidget::slot_changed(int index)
{
    Q_UNUSED(index);
    if (auto* field = qobject_cast<IntegerEdit*>(sender())) {
        if (QAbstractSlider* slider = field->slider()) {
            const QSignalBlocker blocker(slider);
            slider->setValue(field->number());
        }
    }
    change();
}

void FilterWidget::slot_slider_released()
{
    slider_released();
}

const ParameterSpec& FilterWidget::table_entry(const QString& key) const
{
    static const ParameterSpec unknown;
    const ParameterSpec* entry = findParameter(m_filter_name, key);
    Q_ASSERT_X(entry, "FilterWidget::table_entry", qPrintable(key));
    return entry ? *entry : unknown;
}

BevelComboBox* FilterWidget::create_texture_combo()
{
    m_texture_combo = new BevelComboBox(this);
    m_texture_combo->setObjectName(QStringLiteral("TexturizeAlgorithm::texture"));
    fill_texture_combo(m_texture_combo);
    connect(m_texture_combo, &QComboBox::currentIndexChanged, this, &FilterWidget::change);
    connect(m_texture_combo, &QComboBox::activated, this, &FilterWidget::slot_texturize_activated);
    connect(m_texture_combo, &QComboBox::highlighted, this,
            &FilterWidget::slot_texturize_highlighted);
    track_user_choices(m_texture_combo);
    return m_texture_combo;
}

BevelComboBox* FilterWidget::create_pencil_combo()
{
    m_pencil_combo = new BevelComboBox(this);
    fill_pencil_combo(m_pencil_combo);
    connect(m_pencil_combo, &QComboBox::currentIndexChanged, this, &FilterWidget::change);
    connect(m_pencil_combo, &QComboBox::activated, this, &FilterWidget::slot_pencil_activated);
    connect(m_pencil_combo, &QComboBox::highlighted, this, &FilterWidget::slot_pencil_highlighted);
    track_user_choices(m_pencil_combo);
    return m_pencil_combo;
}

void FilterWidget::fill_texture_combo(QComboBox* combo)
{
    fill_combo(combo, textureChoices());
}

void FilterWidget::fill_pencil_combo(QComboBox* combo)
{
    fill_combo(combo, pencilOverlayChoices());
}

BevelComboBox* FilterWidget::create_choice_combo(const QString& key)
{
    auto* combo = new BevelComboBox(this);
    combo->setObjectName(key);
    fill_combo(combo, table_entry(key).choices);
    return combo;
}

void FilterWidget::reset_combos()
{
    for (QComboBox* combo :
         {static_cast<QComboBox*>(m_texture_combo), static_cast<QComboBox*>(m_pencil_combo)}) {
        if (combo) {
            const QSignalBlocker blocker(combo);
            combo->setCurrentIndex(0);
        }
    }
}

QGridLayout* FilterWidget::create_grid(int horizontal_spacing, int vertical_spacing)
{
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(horizontal_spacing);
    grid->setVerticalSpacing(vertical_spacing);
    grid->setColumnStretch(kGapColumn, 0);
    grid->setColumnStretch(kPercentColumn, 0);
    return grid;
}

FilterSlider* FilterWidget::add_slider_row(QGridLayout* grid, int row, const QString& key, int tick,
                                           bool percent)
{
    FilterSlider* slider = add_hidden_slider(key, tick);
    SliderRow& parts = m_rows[key];
    parts.label = new BevelLabel(table_entry(key).label, this);
    grid->addWidget(parts.label, row, kLabelColumn);
    grid->addWidget(slider, row, kSliderColumn);
    grid->addWidget(slider->field(), row, kFieldColumn);
    if (percent) {
        parts.percent = new BevelLabel(QStringLiteral("%"), this);
        grid->addWidget(parts.percent, row, kPercentColumn);
    }
    slider->show();
    slider->field()->show();
    return slider;
}

FilterSlider* FilterWidget::add_hidden_slider(const QString& key, int tick)
{
    const ParameterSpec& entry = table_entry(key);
    auto* slider = new FilterSlider(this);
    slider->setObjectName(key);
    slider->setRange(entry.minimum, entry.maximum);
    slider->setTickInterval(tick);
    slider->reset_to(entry.defaultValue.toInt());
    slider->hide();
    slider->field()->hide();
    m_rows[key].slider = slider;
    return slider;
}

void FilterWidget::add_combo_row(QGridLayout* grid, int row, QComboBox* combo)
{
    grid->addWidget(new BevelLabel(table_entry(combo->objectName()).label, this), row, kLabelColumn);
    grid->addWidget(combo, row, kSliderColumn, 1, kPercentColumn - kSliderColumn + 1);
}

int FilterWidget::add_stroke_rows(QGridLayout* grid, int first_row, const QString& owner)
{
    add_hidden_slider(owner + "minimum_stroke_size", 64);
    add_slider_row(grid, first_row, owner + "maximum_stroke_size", 64, true);
    add_slider_row(grid, first_row + 1, owner + "number_of_brushstrokes", 25, false);
    add_slider_row(grid, first_row + 2, owner + "edge_intensity", 64, true);
    add_slider_row(grid, first_row + 3, owner + "brushstroke_precision", 64, true);
    return first_row + 4;
}

void FilterWidget::finish_grid(QGridLayout* grid, int rows)
{
    grid->setRowStretch(rows, 1);
}

void FilterWidget::set_slider_row_visible(const QString& key, bool visible)
{
    const auto found = m_rows.constFind(key);
    if (found == m_rows.cend())
        return;
    const SliderRow& parts = found.value();
    for (QWidget* part : {static_cast<QWidget*>(parts.label), static_cast<QWidget*>(parts.slider),
                          static_cast<QWidget*>(parts.slider ? parts.slider->field() : nullptr),
                          static_cast<QWidget*>(parts.percent)}) {
        if (part)
            part->setVisible(visible);
    }
}

QLabel* FilterWidget::row_label(const QString& key) const
{
    return m_rows.value(key).label;
}

void FilterWidget::reset_controls()
{
    reset_combos();
    for (FilterSlider* slider : findChildren<FilterSlider*>(Qt::FindDirectChildrenOnly))
        slider->reset_to(table_entry(slider->objectName()).defaultValue.toInt());
    for (QComboBox* combo : findChildren<QComboBox*>(Qt::FindDirectChildrenOnly)) {
        if (combo->objectName().isEmpty())
            continue;
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(default_index(combo, table_entry(combo->objectName())));
    }
}

void FilterWidget::record_choice(QComboBox* combo)
{
    if (!combo)
        return;
    const int now = combo->currentIndex();
    const int before = remembered_index(combo);
    // The entry shown chosen again changes nothing: no step to undo.
    if (now != before)
        record_setting_change(combo, new FilterChangeCommand(combo, now, before));
    m_previous_index.insert(combo, now);
}

void FilterWidget::remember_index(QComboBox* combo)
{
    if (combo)
        m_previous_index.insert(combo, combo->currentIndex());
}

int FilterWidget::remembered_index(QComboBox* combo) const
{
    return m_previous_index.value(combo, combo ? combo->currentIndex() : -1);
}

void FilterWidget::track_user_choices(QComboBox* combo)
{
    remember_index(combo);
    combo->installEventFilter(this);
}

bool FilterWidget::eventFilter(QObject* watched, QEvent* event)
{
    // A closed list changes its index on keys (arrows, typed letters) without announcing
    // highlighted(); the index before the change is taken here.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress) {
        if (auto* list = qobject_cast<QComboBox*>(watched); list && m_previous_index.contains(list))
            remember_index(list);
    }
    return QWidget::eventFilter(watched, event);
}
