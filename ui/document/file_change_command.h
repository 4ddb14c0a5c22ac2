#pragma once

#include <QPointer>
#include <QUndoCommand>

#include "ui/document/document_view.h"

// The picture of a document replaced (a dropped picture file, a pasted or dropped image): redo
// shows the new picture, undo brings back the previous one with its file name. Both pictures are
// kept in memory, so undo works even when a file has changed or gone since. Does nothing once the
// view is gone.
class FileChangeCommand : public QUndoCommand
{
public:
    FileChangeCommand(DocumentView* view, const DocumentView::PictureState& new_state,
                      const DocumentView::PictureState& old_state, QUndoCommand* parent = nullptr);

    void undo() override;
    void redo() override;

private:
    QPointer<DocumentView> m_view;
    DocumentView::PictureState m_new;
    DocumentView::PictureState m_old;
};
