#pragma once

#include <QComboBox>
#include <QPointer>
#include <QUndoCommand>

// A drop-down selection changed (the filter list or a panel's list): redo selects the new index,
// undo the old one; the combo's own signals do the rest. Does nothing once the combo is gone.
class FilterChangeCommand : public QUndoCommand
{
public:
    FilterChangeCommand(QComboBox* combo, int new_index, int old_index,
                        QUndoCommand* parent = nullptr);

    void undo() override;
    void redo() override;

private:
    QPointer<QComboBox> m_combo;
    int m_new_index;
    int m_old_index;
};
