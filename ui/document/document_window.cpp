#include "ui/document/document_window.h"

#include "document/file_names.h"
#include "document/settings.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_view.h"
#include "ui/document/launcher.h"
#include "ui/document/menu.h"
#include "ui/document/opening.h"
#include "ui/document/save_dialog_box.h"
#include "ui/widgets/clickable_label.h"
#include "ui/widgets/interface_picture.h"
#include "ui/widgets/status_bar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QSlider>
#include <QStatusBar>
#include <QUndoStack>
#include <QUrl>

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

    // The status bar of the window stays hidden: the view's own status line shows the zoom, and
    // the zoom slider here only mirrors it.
    QStatusBar* bar = statusBar();
    bar->setFixedHeight(fontMetrics().height() * 3 / 2);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->hide();
    m_fit_checkbox = new QCheckBox(bar);
    m_fit_checkbox->setToolTip(tr("Fit to width"));
    connect(m_fit_checkbox, &QCheckBox::toggled, m_view, &DocumentView::slot_auto_fit);
    m_zoom_slider = new QSlider(Qt::Horizontal, bar);
    m_zoom_slider->setFixedWidth(200);
    m_zoom_slider->setRange(10, 800);
    connect(m_zoom_slider, &QSlider::valueChanged, this, &DocumentWindow::slot_slider);
    m_zoom_slider->setValue(100);
    m_original_size_button = new ClickableLabel(bar);
    m_original_size_button->setPixmap(interfacePicture(QStringLiteral(":/original-size.png"),
                                                       QSize(16, 16), m_original_size_button));
    m_original_size_button->setToolTip(tr("Original size"));
    connect(m_original_size_button, &ClickableLabel::clicked, this,
            &DocumentWindow::slot_original_size);
    bar->addPermanentWidget(m_fit_checkbox);
    bar->addPermanentWidget(m_zoom_slider);
    bar->addPermanentWidget(m_original_size_button);
    m_fit_checkbox->setChecked(auto_fit_to_width());

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
    if (!first || geometry.isNull())
        move(m_registry ? m_registry->next_window_position(size()) : pos());
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

void DocumentWindow::set_zoom_silently(int percent)
{
    const QSignalBlocker blocker(m_zoom_slider);
    m_zoom_slider->setValue(percent);
    m_zoom_slider->setToolTip(QString::number(percent) + QLatin1Char('%'));
}

void DocumentWindow::check_enabled_widgets()
{
    m_view->status_bar()->set_text(m_view->status_text());
    if (m_menu)
        m_menu->update_actions();
}

void DocumentWindow::slot_original_size()
{
    m_zoom_slider->setValue(100);
    m_fit_checkbox->setChecked(false);
    if (m_view->has_picture())
        m_view->scale_label(1.0);
}

void DocumentWindow::slot_slider(int value)
{
    m_zoom_slider->setToolTip(QString::number(value) + QLatin1Char('%'));
    m_fit_checkbox->setChecked(false);
    if (m_view->has_picture())
        m_view->scale_label(value / 100.0);
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
        m_save_dialog = new SaveDialogBox(QFileInfo(m_view->windowFilePath()).fileName(), this);
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

void DocumentWindow::showEvent(QShowEvent* event)
{
    m_fit_checkbox->setChecked(true);
    m_fit_checkbox->hide();
    m_zoom_slider->hide();
    m_original_size_button->hide();
    QMainWindow::showEvent(event);
}

DocumentWindow* create_document_window(DocumentRegistry* registry)
{
    auto* window = new DocumentWindow(registry);
    window->setVisible(true);
    window->check_enabled_widgets();
    return window;
}
