#pragma once

class QWidget;

#include <QPointer>
#include <QString>
#include <QUndoCommand>

class IntegerEdit;

// A numeric setting changed (a slider dragged or a number typed): redo shows the new value in the
// number field and moves its slider, undo does the same with the old value; both then make the
// field's panel emit changed(), which asks for a new preview. Keeps the field through a QPointer:
// once the field is gone the command does nothing. Lives on a document's undo stack.
class FilterValueCommand : public QUndoCommand
{
public:
    FilterValueCommand(IntegerEdit* target, int new_value, int old_value,
                       QUndoCommand* parent = nullptr);

    void undo() override;
    void redo() override;

    int new_value() const { return m_new_value; }
    int old_value() const { return m_old_value; }

private:
    void apply(int value);

    QPointer<IntegerEdit> m_target;
    int m_new_value;
    int m_old_value;
};

// Records a setting change of a panel on the current document's undo stack through the control
// window, which runs the command's redo() and takes ownership. With no document to record it for
// (no control window, or no current document) the command is run once and deleted, so the change
// still takes effect.
void record_setting_change(QWidget* source, QUndoCommand* command);

// The name of the setting a control belongs to: its row's label without the colon ("Stroke").
QString setting_name(const QWidget* source);

// The document registry of the control window that holds source, or null.
class DocumentRegistry;
DocumentRegistry* registry_of(const QWidget* source);
