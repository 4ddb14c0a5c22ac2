#include "ui/document/file_change_command.h"

FileChangeCommand::FileChangeCommand(DocumentView* view,
                                     const DocumentView::PictureState& new_state,
                                     const DocumentView::PictureState& old_state,
                                     QUndoCommand* parent)
    : QUndoCommand(parent), m_view(view), m_new(new_state), m_old(old_state)
{
}

void FileChangeCommand::undo()
{
    if (m_view)
        m_view->restore_picture(m_old);
}

void FileChangeCommand::redo()
{
    if (m_view)
        m_view->restore_picture(m_new);
}
