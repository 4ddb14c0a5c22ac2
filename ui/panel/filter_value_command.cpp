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

void record_setting_change(QWidget* source, QUndoCommand* command)
{
    DocumentRegistry* registry = registry_of(source);
    if (registry && registry->current_window()) {
        registry->push_undo(command);
        return;
    }
    command->redo();
    delete command;
}
