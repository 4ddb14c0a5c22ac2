#pragma once

#include <QPointer>
#include <QString>
#include <QUndoCommand>

class DocumentWindow;

// The picture file of a document replaced by a dropped file: redo loads the new file into the
// window's view, undo the previous one. Does nothing once the window is gone; loading ignores
// paths that no longer exist.
class FileChangeCommand : public QUndoCommand
{
public:
    FileChangeCommand(DocumentWindow* window, const QString& new_path, const QString& old_path,
                      int flag, QUndoCommand* parent = nullptr);

    void undo() override;
    void redo() override;

private:
    void load(const QString& path);

    int m_flag;
    QPointer<DocumentWindow> m_window;
    QString m_new_path;
    QString m_old_path;
};
