#include "ui/panel/filter_widget.h"

#include "core/filters/filter_list.h"
#include "ui/panel/filter_change_command.h"
#include "ui/panel/filter_slider.h"
#include "ui/panel/filter_value_command.h"
#include "ui/panel/gather_parameters.h"
#include "ui/panel/integer_edit.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/bevel_label.h"

#include <QEvent>
#include <QGridLayout>
#include <QSignalBlocker>

#include <algorithm>

namespace {

constexpr int kMinimumHeight = 260;
// The least free room right of a row's label text.
constexpr int kLabelGap = 6;

// Grid columns: label, slider, (gap), number field, unit.
constexpr int kLabelColumn = 0;
constexpr int kSliderColumn = 1;
constexpr int kGapColumn = 2;
constexpr int kFieldColumn = 3;
constexpr int kUnitColumn = 4;

// The index of the item of combo that carries the default of its row.
int default_index(const QComboBox* combo, const ParameterSpec& entry)
{
    return combo->findData(entry.defaultValue.toString(), Qt::UserRole,
                           Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// What a screen reader calls a row: its label without the mnemonic mark and the colon.
QString spoken_name(const QString& label)
{
    QString name = label;
    name.remove(QLatin1Char('&'));
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
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

void FilterWidget::set_compact(bool compact)
{
    setMinimumHeight(compact ? 0 : kMinimumHeight);
}

FilterWidget::FilterWidget(const FilterDescriptor& descriptor, QWidget* parent)
    : QWidget(parent), m_descriptor(descriptor)
{
    setMinimumHeight(kMinimumHeight);
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(descriptor.horizontalSpacing);
    grid->setVerticalSpacing(descriptor.verticalSpacing);
    grid->setColumnStretch(kGapColumn, 0);
    grid->setColumnStretch(kUnitColumn, 0);
    int row = 0;
    for (const ParameterSpec& entry : descriptor.rows) {
        if (entry.kind == ParameterSpec::Choice)
            add_choice_row(grid, row++, entry);
        else if (entry.hidden)
            add_slider(entry);
        else
            add_slider_row(grid, row++, entry);
    }
    // The row after the last takes the spare height.
    grid->setRowStretch(row, 1);
    reset_to_defaults();
}

FilterParametersPtr FilterWidget::parameters() const
{
    FilterParametersPtr set = gather_parameters(m_descriptor.name, this);
    addFixedValues(*set);
    return set;
}

void FilterWidget::set_parameters(const FilterParametersPtr& set)
{
    const ChangeBatch batch(this);
    if (set)
        apply_parameters(*set, this);
}

void FilterWidget::reset_to_defaults()
{
    const ChangeBatch batch(this);
    reset_combos();
    for (FilterSlider* slider : findChildren<FilterSlider*>(Qt::FindDirectChildrenOnly)) {
        if (const ParameterSpec* entry = m_descriptor.row(slider->objectName()))
            slider->reset_to(entry->defaultValue.toInt());
    }
    for (QComboBox* combo : findChildren<QComboBox*>(Qt::FindDirectChildrenOnly)) {
        const ParameterSpec* entry = m_descriptor.row(combo->objectName());
        if (!entry)
            continue;
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(default_index(combo, *entry));
    }
    show_rows();
}

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

void FilterWidget::slot_changed()
{
    if (auto* field = qobject_cast<IntegerEdit*>(sender())) {
        if (QAbstractSlider* slider = field->slider()) {
            const QSignalBlocker blocker(slider);
            slider->setValue(field->number());
        }
    }
    change();
}

void FilterWidget::slot_choice_changed()
{
    auto* list = qobject_cast<QComboBox*>(sender());
    if (!list)
        return;
    choice_changed(list);
    if (list->objectName() == m_descriptor.rowSwitchKey)
        show_rows();
    change();
}

void FilterWidget::slot_choice_activated()
{
    if (auto* list = qobject_cast<QComboBox*>(sender()))
        choice_activated(list);
}

void FilterWidget::slot_choice_highlighted()
{
    remember_index(qobject_cast<QComboBox*>(sender()));
}

void FilterWidget::choice_changed(QComboBox* combo)
{
    Q_UNUSED(combo);
}

void FilterWidget::choice_activated(QComboBox* combo)
{
    record_choice(combo);
}

FilterSlider* FilterWidget::add_slider(const ParameterSpec& entry)
{
    auto* slider = new FilterSlider(this);
    slider->setObjectName(entry.key);
    slider->setRange(entry.minimum, entry.maximum);
    slider->setTickInterval(entry.tickInterval);
    slider->setInvertedControls(entry.inverted);
    slider->reset_to(entry.defaultValue.toInt());
    slider->hide();
    slider->field()->hide();
    m_rows[entry.key].slider = slider;
    return slider;
}

void FilterWidget::add_slider_row(QGridLayout* grid, int row, const ParameterSpec& entry)
{
    FilterSlider* slider = add_slider(entry);
    SliderRow& parts = m_rows[entry.key];
    parts.label = new BevelLabel(entry.label, this);
    // Room between a label's last letter and its slider's handle, whatever the row asks for.
    parts.label->setContentsMargins(0, 0, std::max(entry.labelMargin, kLabelGap), 0);
    grid->addWidget(parts.label, row, kLabelColumn);
    grid->addWidget(slider, row, kSliderColumn);
    grid->addWidget(slider->field(), row, kFieldColumn);
    if (!entry.unit.isEmpty()) {
        parts.unit = new BevelLabel(entry.unit, this);
        grid->addWidget(parts.unit, row, kUnitColumn);
    }
    slider->show();
    slider->field()->show();

    // Read out by screen readers: the row's name, with its range (and unit) in the description.
    const QString name = spoken_name(entry.label);
    QString range = tr("%1, %2 to %3").arg(name).arg(entry.minimum).arg(entry.maximum);
    if (!entry.unit.isEmpty())
        range += QLatin1Char(' ') + entry.unit;
    parts.label->setBuddy(slider);
    slider->setAccessibleName(name);
    slider->setAccessibleDescription(range);
    slider->field()->setAccessibleName(name);
    slider->field()->setAccessibleDescription(range);
}

void FilterWidget::add_choice_row(QGridLayout* grid, int row, const ParameterSpec& entry)
{
    auto* list = new BevelComboBox(this);
    list->setObjectName(entry.key);
    for (const ParameterChoice& choice : entry.choices)
        list->addItem(choice.label, choice.value);
    if (entry.key == m_descriptor.textureKey)
        m_texture_combo = list;
    else if (entry.key == m_descriptor.overlayKey)
        m_pencil_combo = list;
    auto* label = new BevelLabel(entry.label, this);
    label->setContentsMargins(0, 0, kLabelGap, 0);
    label->setBuddy(list);
    list->setAccessibleName(spoken_name(entry.label));
    list->setAccessibleDescription(spoken_name(entry.label));
    grid->addWidget(label, row, kLabelColumn);
    grid->addWidget(list, row, kSliderColumn, 1, kUnitColumn - kSliderColumn + 1);

    if (!isOffered(m_descriptor.name)) {
        // Only a user's choice announces itself; these choices are not recorded for undo.
        connect(list, &QComboBox::activated, this, &FilterWidget::slot_changed);
        return;
    }
    connect(list, &QComboBox::currentIndexChanged, this, &FilterWidget::slot_choice_changed);
    connect(list, &QComboBox::activated, this, &FilterWidget::slot_choice_activated);
    connect(list, &QComboBox::highlighted, this, &FilterWidget::slot_choice_highlighted);
    remember_index(list);
    list->installEventFilter(this);
}

void FilterWidget::reset_combos()
{
    for (QComboBox* list :
         {static_cast<QComboBox*>(m_texture_combo), static_cast<QComboBox*>(m_pencil_combo)}) {
        if (list) {
            const QSignalBlocker blocker(list);
            list->setCurrentIndex(0);
        }
    }
}

void FilterWidget::show_rows()
{
    if (m_descriptor.rowSwitchKey.isEmpty())
        return;
    const QComboBox* rowSwitch = combo(m_descriptor.rowSwitchKey);
    // A switch showing no entry (a stored value no entry has) compares as an empty text.
    const QString value = rowSwitch ? rowSwitch->currentData().toString() : QString();
    for (const ParameterSpec& entry : m_descriptor.rows) {
        if (entry.kind == ParameterSpec::Slider && !entry.hidden)
            set_slider_row_visible(entry.key, entry.isShownFor(value));
    }
}

void FilterWidget::set_slider_row_visible(const QString& key, bool visible)
{
    const auto found = m_rows.constFind(key);
    if (found == m_rows.cend())
        return;
    const SliderRow& parts = found.value();
    for (QWidget* part : {static_cast<QWidget*>(parts.label), static_cast<QWidget*>(parts.slider),
                          static_cast<QWidget*>(parts.slider ? parts.slider->field() : nullptr),
                          static_cast<QWidget*>(parts.unit)}) {
        if (part)
            part->setVisible(visible);
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
