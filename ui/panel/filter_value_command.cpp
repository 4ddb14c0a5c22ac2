#include "ui/panel/filter_value_command.h"

#include "ui/document/document_view.h"
#include "ui/panel/control_window.h"
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
    qDebug() << "FilterValueCommand::redo" << m_target.data() << "next:" << m_new_value;
    apply(m_new_value);
}

void FilterValueCommand::undo()
{
    if (!m_target)
        return;
    qDebug() << "FilterValueCommand::undo" << m_target.data() << "prev:" << m_old_value;
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

void record_setting_change(QUndoCommand* command)
{
    ControlWindow* control = ControlWindow::existing();
    if (control && control->current_document_window()) {
        control->push_undo(command);
        return;
    }
    command->redo();
    delete command;
}
