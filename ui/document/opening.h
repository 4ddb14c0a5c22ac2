#pragma once

#include <QString>

class DocumentRegistry;
class DocumentWindow;
class QMimeData;
class QWidget;

// Opening files the way the user asks for them: File > Open, Open Recent, a drop, the command
// line. Every path ends the same way, so a picture starts from the same settings and a document
// shows exactly what it stored, whichever way it came.

// Opens path: a document that is already open has its window activated; otherwise the file is
// read first, and only a file that could be read goes into the current window when that one
// shows nothing yet, or else into a new window. A file that cannot be read leaves no window
// behind and says why (message_parent is the message's parent). The path joins the recent files.
// Returns the window that shows the file, or null.
DocumentWindow* open_path(DocumentRegistry* registry, const QString& path, QWidget* message_parent);

// A drop on a document window (target) or on the control window (target null: the current
// document's window). An image, or a picture file dropped on a window that shows a picture,
// replaces the picture as one undoable step; a document, or a picture dropped where there is
// none yet, is opened as by open_path. True when the drop was taken.
bool drop_picture(DocumentRegistry* registry, DocumentWindow* target, const QMimeData* data);

// Brings a document window to the front with the keyboard focus.
void bring_to_front(DocumentWindow* window);
