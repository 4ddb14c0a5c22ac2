#include "ui/panel/file_change_command.h"

#include "ui/document/document_view.h"
#include "ui/document/document_window.h"

FileChangeCommand::FileChangeCommand(DocumentWindow* window, const QString& new_path,
                                     const QString& old_path, int flag, QUndoCommand* parent)
    : QUndoCommand(parent), m_flag(flag), m_window(window), m_new_path(new_path),
      m_old_path(old_path)
{
}

void FileChangeCommand::load(const QString& path)
{
    if (m_window)
        m_window->view()->load_file(path, m_flag != 0);
}

void FileChangeCommand::undo()
{
    load(m_old_path);
}

void FileChangeCommand::redo()
{
    load(m_new_path);
}
