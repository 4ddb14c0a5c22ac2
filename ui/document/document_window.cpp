#include "ui/document/document_window.h"

#include "document/file_names.h"
#include "document/settings.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_view.h"
#include "ui/document/launcher.h"
#include "ui/document/menu.h"
#include "ui/document/opening.h"
#include "ui/document/save_dialog_box.h"
#include "ui/widgets/status_bar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUndoStack>
#include <QUrl>

namespace {
// The narrowest a document window becomes to keep clear of the control window.
constexpr int kNarrowestWidth = 360;
} // namespace

DocumentWindow::DocumentWindow(DocumentRegistry* registry)
    : QMainWindow(nullptr), m_registry(registry)
{
    m_view = new DocumentView(registry, this);
    m_menu = new Menu(this);
    m_menu->create_undo_redo();

    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &DocumentWindow::check_enabled_widgets);
    connect(qApp, &QCoreApplication::aboutToQuit, this,
            &DocumentWindow::slot_applicationAboutToQuit);

    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    setMinimumSize(500, 400);
    resize(800, 600);
    setCentralWidget(m_view);

    // Escape stops a render running in the background (and nothing else).
    m_cancel_full_size = new QAction(tr("Cancel Rendering"), this);
    m_cancel_full_size->setShortcut(QKeySequence(Qt::Key_Escape));
    m_cancel_full_size->setShortcutContext(Qt::WindowShortcut);
    m_cancel_full_size->setEnabled(false);
    connect(m_cancel_full_size, &QAction::triggered, m_view, &DocumentView::cancel_background);
    // The launcher reports the end of its run while the window is being destroyed (it goes with
    // the view): the lambda holds the action, never the half-destroyed window.
    QAction* cancel = m_cancel_full_size;
    connect(m_view->launcher(), &Launcher::background_progress, cancel,
            [cancel](int percent) { cancel->setEnabled(percent >= 0); });
    addAction(m_cancel_full_size);

    check_enabled_widgets();
    place_on_screen();
    if (m_registry)
        m_registry->add(this);

    update_title(false);
}

// The first window takes the stored geometry; later ones the same size, each below and right of
// the newest, so that none hides another. Either way the window stays on the screen.
void DocumentWindow::place_on_screen()
{
    const QByteArray geometry = document_window_geometry();
    if (!geometry.isNull())
        restoreGeometry(geometry);
    const QByteArray state = document_window_state();
    if (!state.isNull())
        restoreState(state, 0);
    const bool first = !m_registry || m_registry->windows().isEmpty();
    if (m_registry && (!first || geometry.isNull())) {
        const QRect place = m_registry->next_window_geometry(size());
        // Beside the control window on a narrow screen, the window may be narrower than usual.
        if (place.width() < minimumWidth())
            setMinimumWidth(std::max(place.width(), kNarrowestWidth));
        resize(place.size());
        move(place.topLeft());
    }
    keep_on_screen(this);
}

DocumentWindow::~DocumentWindow()
{
    delete m_menu;
    m_menu = nullptr;
    if (m_registry)
        m_registry->remove(this);
}

Menu* DocumentWindow::menu()
{
    if (!m_menu)
        m_menu = new Menu(this);
    return m_menu;
}

void DocumentWindow::update_title(bool modified)
{
    // The "*" is part of the title itself (the title has no "[*]" placeholder).
    setWindowTitle(m_view->title() + (modified ? QStringLiteral("*") : QString()));
}

void DocumentWindow::check_enabled_widgets()
{
    m_view->status_bar()->set_text(m_view->status_text());
    if (m_menu)
        m_menu->update_actions();
}

void DocumentWindow::store_geometry()
{
    set_document_window_geometry(saveGeometry());
    set_document_window_state(saveState(0));
}

void DocumentWindow::slot_applicationAboutToQuit()
{
    store_geometry();
}

void DocumentWindow::finish_close(int sheetValue)
{
    switch (sheetValue) {
    case 5:
        if (m_menu && m_menu->save()) {
            store_geometry();
            close();
        }
        break;
    case 6:
        m_force_close = true;
        close();
        break;
    case 1:
        m_save_dialog->deleteLater();
        m_save_dialog = nullptr;
        break;
    default:
        break;
    }
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
    if (m_force_close || m_view->undo_stack()->isClean()) {
        event->accept();
        // Gone for the user from here on; the last window to go ends the application.
        if (m_registry)
            m_registry->remove(this);
        return;
    }
    if (!m_save_dialog) {
        m_save_dialog = new SaveDialogBox(m_view->document_name(), this);
        connect(m_save_dialog, &QDialog::finished, this, &DocumentWindow::finish_close);
    }
    m_save_dialog->setWindowModality(Qt::WindowModal);
    m_save_dialog->open();
    event->ignore();
}

void DocumentWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (can_accept_drop(event->mimeData()))
        event->acceptProposedAction();
}

void DocumentWindow::dropEvent(QDropEvent* event)
{
    if (drop_picture(m_registry, this, event->mimeData()))
        event->acceptProposedAction();
}

DocumentWindow* create_document_window(DocumentRegistry* registry)
{
    auto* window = new DocumentWindow(registry);
    window->setVisible(true);
    window->check_enabled_widgets();
    return window;
}
