#pragma once

#include "processing/worker.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/launcher.h"
#include "ui/panel/control_window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QUndoStack>
#include <QtTest>

// What the window tests share: letting deferred deletions and pending events run, and closing
// every document window between tests without a question.

inline void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Closes every document window as unchanged, after its render has finished, and waits until the
// control window knows none.
inline void closeAllDocumentWindows()
{
    for (DocumentWindow* window : ControlWindow::instance()->document_windows()) {
        window->view()->undo_stack()->setClean();
        window->setWindowModified(false);
        if (window->view()->launcher()->worker())
            window->view()->launcher()->worker()->wait();
        window->close();
    }
    settle();
    QTRY_VERIFY(ControlWindow::instance()->document_windows().isEmpty());
}
