// Drawlume: turns photographs into pencil drawings, watercolors, oil paintings and oil pastels.

#include "document/temporary_folder.h"
#include "ui/application.h"
#include "ui/document/document_registry.h"
#include "ui/panel/control_window.h"

#include <QStringList>

int main(int argc, char* argv[])
{
    Application app(argc, argv);
    // Documents are unpacked into a folder of the run's own, removed also when the session ends
    // the program; folders of runs that were killed outright go now.
    removeTemporaryFolderOnSignals();
    removeStaleTemporaryFolders();
    // Every argument is a picture or document to open, each in a window of its own.
    const QStringList paths = QCoreApplication::arguments().mid(1);
    start_application(paths);
    // The process ends when the last document window has gone, whichever way it was closed.
    // Queued, so that the close that got there finishes first; exit() ends every event loop,
    // a modal dialog's included, and asks no window whether it may close.
    QObject::connect(
        ControlWindow::instance()->registry(), &DocumentRegistry::last_window_closed, &app,
        [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    return app.exec();
}
