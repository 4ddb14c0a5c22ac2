// Drawlume: turns photographs into pencil drawings, watercolors, oil paintings and oil pastels.

#include "document/temporary_folder.h"
#include "ui/application.h"
#include "ui/document/document_registry.h"
#include "ui/panel/control_window.h"

#include <QStringList>

#include <cstdio>
#include <string>

namespace {

// --help and --version are answered on the terminal before any window (or display) is needed,
// as drawlume-render answers them. Returns true when one was given.
bool answeredOnTheTerminal(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--") // what follows are file names
            return false;
        if (argument == "--version" || argument == "-v") {
            std::printf("drawlume %s\n", DRAWLUME_VERSION);
            return true;
        }
        if (argument == "--help" || argument == "-h") {
            std::printf("Usage: drawlume [FILE...]\n\n"
                        "Turns photographs into pencil drawings, watercolors, oil paintings and "
                        "oil pastels.\n"
                        "Each FILE (a picture or a .drawlume document) opens in a window of its "
                        "own.\n\n"
                        "Options:\n"
                        "  -h, --help     Displays this help and exits.\n"
                        "  -v, --version  Displays the version and exits.\n\n"
                        "drawlume-render renders pictures from the command line; see "
                        "drawlume-render --help.\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (answeredOnTheTerminal(argc, argv))
        return 0;
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
