#include "ui/panel/filter_value_command.h"

#include "ui/logging.h"

#include "ui/document/document_view.h"
#include "ui/panel/control_window.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/integer_edit.h"

#include <QDebug>

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
    // A setting's control is named after its key (a number field after its slider's), and the
    // panel's descriptor has the row of that key with its label.
    const QWidget* control = source;
    if (const auto* field = qobject_cast<const IntegerEdit*>(source); field && field->slider())
        control = field->slider();
    const FilterWidget* panel = nullptr;
    for (const QObject* object = control; object && !panel; object = object->parent())
        panel = qobject_cast<const FilterWidget*>(object);
    const ParameterSpec* row =
        panel && control ? panel->descriptor().row(control->objectName()) : nullptr;
    if (!row)
        return QString();
    QString name = row->label;
    name.remove(QLatin1Char('&'));
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
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
