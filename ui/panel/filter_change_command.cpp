#include "ui/panel/filter_change_command.h"

#include "ui/logging.h"

#include <QDebug>

FilterChangeCommand::FilterChangeCommand(QComboBox* combo, int new_index, int old_index,
                                         QUndoCommand* parent)
    : QUndoCommand(parent), m_combo(combo), m_new_index(new_index), m_old_index(old_index)
{
}

void FilterChangeCommand::redo()
{
    if (!m_combo)
        return;
    qCDebug(lcPanel) << "FilterChangeCommand::redo"
                     << "parent:" << m_combo->parent() << "next:" << m_new_index;
    m_combo->setCurrentIndex(m_new_index);
}

void FilterChangeCommand::undo()
{
    if (!m_combo)
        return;
    qCDebug(lcPanel) << "FilterChangeCommand::undo"
                     << "parent:" << m_combo->parent() << "prev:" << m_old_index;
    m_combo->setCurrentIndex(m_old_index);
}
