#include "ui/document/application.h"

#include "core/raster/random.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/menu.h"
#include "ui/document/recent_files.h"
#include "ui/document/style_sheet.h"
#include "ui/panel/control_window.h"

#include <QFont>

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    setFont(font);
    setStyleSheet(applicationStyleSheet());
    setQuitOnLastWindowClosed(false);
    seedRandom();
    setWindowIcon(QIcon(QStringLiteral(":/about.png")));
    // Matches the windows to drawlume.desktop in docks and on Wayland.
    setDesktopFileName(QStringLiteral("drawlume"));
}

DocumentWindow* start_application(const QString& path)
{
    ControlWindow* control = ControlWindow::instance();
    control->setVisible(true);
    DocumentWindow* window = create_document_window(path);
    control->add_document_window(window);
    // "Open Recent" asks the current document's window to open the chosen file (or, with no
    // current document, the first open window's).
    static bool recentFilesConnected = false;
    if (!recentFilesConnected) {
        recentFilesConnected = true;
        QObject::connect(RecentFiles::instance(), &RecentFiles::file_requested, control,
                         [control](const QString& file) {
                             DocumentWindow* target = control->current_document_window();
                             if (!target && !control->document_windows().isEmpty())
                                 target = control->document_windows().first();
                             if (target)
                                 target->menu()->slot_file_selected(file);
                         });
    }
    return window;
}
