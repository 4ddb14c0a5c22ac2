#include "ui/panel/filter_value_command.h"

#include "ui/logging.h"

#include "ui/document/document_view.h"
#include "ui/panel/control_window.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/integer_edit.h"

#include <QDebug>
#include <QGridLayout>
#include <QLabel>

FilterValueCommand::FilterValueCommand(IntegerEdit* target, int new_value, int old_value,
                                       QUndoCommand* parent)
    : QUndoCommand(parent), m_target(target), m_new_value(new_value), m_old_value(old_value)
{
}

void FilterValueCommand::redo()
{
    if (!m_target)
        return;
    qCDebug(lcPanel) << "FilterValueCommand::redo" << m_target.data() << "next:" << m_new_value;
    apply(m_new_value);
}

void FilterValueCommand::undo()
{
    if (!m_target)
        return;
    qCDebug(lcPanel) << "FilterValueCommand::undo" << m_target.data() << "prev:" << m_old_value;
    apply(m_old_value);
}

void FilterValueCommand::apply(int value)
{
    m_target->set_value(value);
    if (QAbstractSlider* slider = m_target->slider()) {
        // The slider's own value-change handling shows the value again; showing what the slider
        // holds afterwards keeps field and slider equal should the value lie outside its range.
        slider->setValue(value);
        m_target->set_value(slider->value());
    }
    emit m_target->changed();
}

DocumentRegistry* registry_of(const QWidget* source)
{
    // The panel that holds the control knows where its changes go.
    for (const QObject* object = source; object; object = object->parent()) {
        if (const auto* panel = qobject_cast<const FilterWidget*>(object)) {
            if (panel->registry())
                return panel->registry();
        }
        if (const auto* control = qobject_cast<const ControlWindow*>(object))
            return control->registry();
    }
    return nullptr;
}

QString setting_name(const QWidget* source)
{
    // Every setting sits in a row of its panel's grid, named by the label in the row's first
    // column.
    for (const QWidget* widget = source; widget && widget->parentWidget();
         widget = widget->parentWidget()) {
        const auto* grid = qobject_cast<const QGridLayout*>(widget->parentWidget()->layout());
        const int index = grid ? grid->indexOf(widget) : -1;
        if (index < 0)
            continue;
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(index, &row, &column, &rows, &columns);
        const QLayoutItem* item = grid->itemAtPosition(row, 0);
        const auto* label = item ? qobject_cast<const QLabel*>(item->widget()) : nullptr;
        if (!label || label == widget)
            continue;
        QString name = label->text();
        name.remove(QLatin1Char('&'));
        name = name.trimmed();
        if (name.endsWith(QLatin1Char(':')))
            name.chop(1);
        return name;
    }
    return QString();
}

void record_setting_change(QWidget* source, QUndoCommand* command)
{
    // The Undo and Redo items name the step ("Undo Stroke").
    if (command->text().isEmpty())
        command->setText(setting_name(source));
    DocumentRegistry* registry = registry_of(source);
    if (registry && registry->current_window()) {
        registry->push_undo(command);
        return;
    }
    command->redo();
    delete command;
}
