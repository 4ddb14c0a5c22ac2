#pragma once

class DocumentRegistry;
class QWidget;

// Gives a window the commands of the document windows' menus, with their shortcuts, acting on the
// registry's current document window (else its first) while that window has the focus. Each
// shortcut triggers the document window's own menu command, so it does exactly what the same keys
// do in that window.
void add_document_shortcuts(QWidget* window, DocumentRegistry* registry);
