#include "ui/application.h"

#include "core/raster/random.h"
#include "document/picture_io.h"
#include "document/settings.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/opening.h"
#include "ui/document/recent_files.h"
#include "ui/panel/control_window.h"
#include "ui/widgets/style_sheet.h"

#include <QFileInfo>
#include <QFont>

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    setFont(font);
    // The frames' cut follows the pictures Qt picks for the screens: the doubled ones when any
    // screen is of high density.
    setStyleSheet(applicationStyleSheet(devicePixelRatio()));
    setQuitOnLastWindowClosed(false);
    seedRandom();
    // QIcon takes about@2x.png beside it for high-density screens.
    setWindowIcon(QIcon(QStringLiteral(":/about.png")));
    // Matches the windows to their launcher entry (io.github.marrowin.drawlume.desktop) in docks
    // and on Wayland.
    setDesktopFileName(QStringLiteral("io.github.marrowin.drawlume"));
    setMaximumPictureMegapixels(max_megapixels());
}

DocumentWindow* start_application(const QStringList& paths)
{
    ControlWindow* control = ControlWindow::instance();
    DocumentRegistry* registry = control->registry();
    DocumentWindow* first = create_document_window(registry);
    registry->set_current_document(first->view(), false);
    control->place_beside(first);
    control->setVisible(true);
    // "Open Recent" opens the chosen file like File > Open of the current document's window.
    static bool recentFilesConnected = false;
    if (!recentFilesConnected) {
        recentFilesConnected = true;
        QObject::connect(RecentFiles::instance(), &RecentFiles::file_requested, registry,
                         [registry](const QString& file) {
                             open_path(registry, file, registry->current_window());
                         });
    }
    // Every file named goes into a window of its own (the first into the empty one); a file
    // that does not exist is passed over without a word, one that cannot be read says why.
    for (const QString& path : paths) {
        if (QFileInfo::exists(path))
            open_path(registry, path, registry->current_window());
    }
    return first;
}
