#include "ui/document/menu.h"

#include "document/file_names.h"
#include "document/settings.h"
#include "ui/document/document_file.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/file_dialogs.h"
#include "ui/document/recent_files.h"
#include "ui/document/user_manual.h"
#include "ui/panel/about_dialog.h"
#include "ui/panel/control_window.h"
#include "ui/panel/feedback_dialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QUndoGroup>
#include <QUndoStack>

Menu::Menu(DocumentWindow* window) : QObject(window), m_window(window)
{
    QMenuBar* bar = window->menuBar();

    QMenu* file = bar->addMenu(tr("&File"));
    m_new = add_action(file, tr("&New"), &Menu::slot_file_new);
    m_new->setShortcut(QKeySequence::New);
    m_open = add_action(file, tr("&Open"), &Menu::slot_file_open);
    m_open->setShortcut(QKeySequence::Open);
    file->addMenu(RecentFiles::instance());
    file->addSeparator();
    m_close = add_action(file, tr("&Close"), &Menu::slot_file_close);
    m_close->setShortcut(QKeySequence::Close);
    m_save = add_action(file, tr("&Save"), &Menu::slot_file_save);
    m_save->setShortcut(QKeySequence::Save);
    m_save_as = add_action(file, tr("&Save As..."), &Menu::slot_file_save_as);
    m_export = add_action(file, tr("&Export"), &Menu::slot_file_export);
    file->addSeparator();
    m_quit = add_action(file, tr("&Quit"), &Menu::try_to_quit);
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setMenuRole(QAction::QuitRole);

    m_edit_menu = bar->addMenu(tr("&Edit"));
    m_copy = add_action(m_edit_menu, tr("&Copy"), &Menu::slot_edit_copy);
    m_copy->setShortcut(QKeySequence::Copy);
    m_paste = add_action(m_edit_menu, tr("&Paste"), &Menu::slot_edit_paste);
    m_paste->setShortcut(QKeySequence::Paste);
    m_process = add_action(m_edit_menu, tr("Process"), &Menu::slot_edit_process);

    QMenu* help = bar->addMenu(tr("&Help"));
    m_manual = add_action(help, tr("User &Manual"), &Menu::slot_help_manual);
    m_manual->setShortcut(QKeySequence::HelpContents);
    m_feedback = add_action(help, tr("&Send feedback"), &Menu::slot_help_feedback);
    m_feedback->setVisible(false);
    help->addSeparator();
    m_about = add_action(help, tr("&About"), &Menu::slot_drawlume_about);
    m_about->setMenuRole(QAction::ApplicationSpecificRole);
}

QAction* Menu::add_action(QMenu* menu, const QString& text, void (Menu::*slot)())
{
    auto* action = new QAction(text, m_window);
    connect(action, &QAction::triggered, this, slot);
    menu->addAction(action);
    return action;
}

void Menu::create_undo_redo()
{
    QUndoGroup* group = ControlWindow::instance()->undo_group();
    m_undo = group->createUndoAction(m_window, QString());
    m_undo->setShortcut(QKeySequence::Undo);
    m_redo = group->createRedoAction(m_window, QString());
    m_redo->setShortcut(QKeySequence::Redo);
    m_edit_menu->addAction(m_undo);
    m_edit_menu->addAction(m_redo);
}

DocumentWindow* Menu::target_window() const
{
    if (m_window)
        return m_window;
    return ControlWindow::instance()->current_document_window();
}

// Save, Save As, Copy and Process need a picture; Export a finished rendering; Paste an image on
// the clipboard; everything else is always available.
void Menu::update_actions()
{
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    m_paste->setEnabled(clipboard && clipboard->hasImage());

    DocumentWindow* window = target_window();
    if (!window) {
        for (QAction* action : {m_save, m_save_as, m_copy, m_process, m_export})
            action->setEnabled(false);
        return;
    }
    DocumentView* view = window->view();
    // Undo and redo act on the document the control window serves; a window that merely
    // rechecks its commands (every window does when the clipboard changes) must not take them
    // over, or undo would run another document's steps on the panel.
    ControlWindow* control = ControlWindow::instance();
    if (!control->current_document() || control->current_document() == view)
        control->undo_group()->setActiveStack(view->undo_stack());
    const bool picture = view->has_picture();
    for (QAction* action : {m_save, m_save_as, m_copy, m_process})
        action->setEnabled(picture);
    m_export->setEnabled(view->has_result());
}

bool Menu::save()
{
    DocumentWindow* window = target_window();
    if (!window || !window->view()->save_document())
        return false;
    window->setWindowModified(false);
    return true;
}

void Menu::slot_drawlume_about()
{
    AboutDialog dialog(nullptr);
    dialog.exec();
}

void Menu::slot_file_new()
{
    create_document_window(QString());
    if (m_window)
        m_window->check_enabled_widgets();
}

void Menu::slot_file_open()
{
    DocumentWindow* window = target_window();
    if (!window) {
        window = create_document_window(QString());
        ControlWindow::instance()->set_current_document(window->view(), true);
    }
    const QString path = open_file_dialog(window);
    if (!path.isEmpty())
        slot_file_selected(path);
}

void Menu::slot_file_close()
{
    if (m_window)
        m_window->close();
}

void Menu::slot_file_save()
{
    save();
}

void Menu::slot_file_save_as()
{
    DocumentWindow* window = target_window();
    if (window && window->view()->save_document_as())
        window->setWindowModified(false);
}

void Menu::slot_file_export()
{
    slot_export();
}

void Menu::slot_export()
{
    DocumentWindow* window = target_window();
    if (!window)
        return;
    window->view()->export_image();
    window->check_enabled_widgets();
}

void Menu::slot_file_selected(const QString& path)
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* target = nullptr;
    if (DocumentFile::is_document_name(path)) {
        // An open document is activated instead of being opened twice.
        const QString name = QFileInfo(path).fileName();
        target = control->find_document_window(name.left(name.lastIndexOf(QLatin1Char('.'))));
    }
    if (!target) {
        DocumentWindow* current = control->current_document_window();
        if (current && !current->view()->has_picture()) {
            target = current;
            current->view()->load_file(path, false);
            current->check_enabled_widgets();
            control->set_current_document(current->view(), true);
        } else {
            target = create_document_window(path);
        }
    }
    control->set_current_document(target->view(), true);
    target->activateWindow();
    target->raise();

    RecentFiles::instance()->add_file(path);
    last_dialog_path() = path;
    remember_open_directory(path);
}

void Menu::slot_edit_copy()
{
    if (DocumentWindow* window = target_window()) {
        window->view()->copy_picture();
        window->check_enabled_widgets();
    }
}

void Menu::slot_edit_paste()
{
    if (DocumentWindow* window = target_window()) {
        window->view()->paste_picture();
        window->check_enabled_widgets();
    }
}

void Menu::slot_edit_process()
{
    if (DocumentWindow* window = target_window())
        window->view()->process(ControlWindow::instance()->current_filter_name());
}

void Menu::slot_help_feedback()
{
    FeedbackDialog dialog(m_window);
    dialog.exec();
}

void Menu::slot_help_manual()
{
    open_user_manual();
}

void Menu::try_to_quit()
{
    if (m_window)
        m_window->close();
}
