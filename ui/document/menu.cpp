#include "ui/document/menu.h"

#include "document/file_names.h"
#include "document/settings.h"
#include "ui/batch/batch_export_window.h"
#include "ui/document/document_file.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/file_dialogs.h"
#include "ui/document/launcher.h"
#include "ui/document/opening.h"
#include "ui/document/recent_files.h"
#include "ui/user_manual.h"
#include "ui/widgets/about_dialog.h"
#include "ui/widgets/feedback_dialog.h"
#include "ui/widgets/picture_canvas.h"

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
    // An ellipsis marks the commands that ask for more before they act.
    m_open = add_action(file, tr("&Open..."), &Menu::slot_file_open);
    file->addMenu(RecentFiles::instance());
    file->addSeparator();
    m_close = add_action(file, tr("&Close"), &Menu::slot_file_close);
    m_save = add_action(file, tr("&Save"), &Menu::slot_file_save);
    m_save_as = add_action(file, tr("Save &As..."), &Menu::slot_file_save_as);
    m_export = add_action(file, tr("&Export..."), &Menu::slot_file_export);
    m_batch_export = add_action(file, tr("&Batch Export..."), &Menu::slot_file_batch_export);
    file->addSeparator();
    m_quit = add_action(file, tr("&Quit"), &Menu::try_to_quit);
    m_quit->setMenuRole(QAction::QuitRole);

    m_edit_menu = bar->addMenu(tr("&Edit"));
    m_copy = add_action(m_edit_menu, tr("&Copy"), &Menu::slot_edit_copy);
    m_paste = add_action(m_edit_menu, tr("&Paste"), &Menu::slot_edit_paste);
    m_edit_menu->addSeparator();
    m_process = add_action(m_edit_menu, tr("Process"), &Menu::slot_edit_process);

    QMenu* view = bar->addMenu(tr("&View"));
    m_zoom_in = add_action(view, tr("Zoom &In"), &Menu::slot_view_zoom_in);
    m_zoom_out = add_action(view, tr("Zoom &Out"), &Menu::slot_view_zoom_out);
    m_fit = add_action(view, tr("&Fit in Window"), &Menu::slot_view_fit);
    m_actual_size = add_action(view, tr("&Actual Size (100%)"), &Menu::slot_view_actual_size);
    view->addSeparator();
    m_split_compare = new QAction(tr("&Split Compare"), m_window);
    m_split_compare->setCheckable(true);
    connect(m_split_compare, &QAction::toggled, this, &Menu::slot_view_split_compare);
    // The check mark follows the view however its split was changed.
    connect(window->view()->canvas(), &PictureCanvas::split_changed, m_split_compare,
            &QAction::setChecked);
    view->addAction(m_split_compare);
    view->addSeparator();
    m_switch_to_panel =
        add_action(view, tr("Switch to Filter &Parameters"), &Menu::slot_view_switch_to_panel);

    QMenu* help = bar->addMenu(tr("&Help"));
    m_manual = add_action(help, tr("User &Manual"), &Menu::slot_help_manual);
    m_feedback = add_action(help, tr("&Send Feedback..."), &Menu::slot_help_feedback);
    m_feedback->setVisible(false);
    help->addSeparator();
    m_about = add_action(help, tr("&About"), &Menu::slot_drawlume_about);
    m_about->setMenuRole(QAction::ApplicationSpecificRole);
    set_shortcuts();
}

const QVector<MenuShortcut>& menu_shortcuts()
{
    // Made on first use: the platform's key bindings need the application object.
    static const QVector<MenuShortcut> table = [] {
        const auto keys = [](QKeySequence::StandardKey key) {
            return QKeySequence::keyBindings(key);
        };
        const auto key = [](QKeyCombination combination) {
            return QList<QKeySequence>{QKeySequence(combination)};
        };
        // Ctrl+Y redoes as well as the platform's own redo keys.
        QList<QKeySequence> redo = keys(QKeySequence::Redo);
        if (!redo.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
            redo.append(QKeySequence(Qt::CTRL | Qt::Key_Y));
        return QVector<MenuShortcut>{
            {&Menu::action_new, keys(QKeySequence::New), true},
            {&Menu::action_open, keys(QKeySequence::Open), true},
            {&Menu::action_close, keys(QKeySequence::Close), true},
            {&Menu::action_save, keys(QKeySequence::Save), true},
            {&Menu::action_save_as, key(Qt::CTRL | Qt::SHIFT | Qt::Key_S), true},
            {&Menu::action_export, key(Qt::CTRL | Qt::Key_E), true},
            {&Menu::action_quit, keys(QKeySequence::Quit), true},
            {&Menu::action_undo, keys(QKeySequence::Undo), true},
            {&Menu::action_redo, redo, true},
            // Copy stays with the control window's own fields there.
            {&Menu::action_copy, keys(QKeySequence::Copy), false},
            {&Menu::action_paste, keys(QKeySequence::Paste), true},
            {&Menu::action_process, key(Qt::CTRL | Qt::Key_R), true},
            // The zoom keys of every picture viewer; Ctrl+= as well, where "+" needs Shift.
            {&Menu::action_zoom_in,
             {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
             true},
            {&Menu::action_zoom_out, keys(QKeySequence::ZoomOut), true},
            {&Menu::action_fit, key(Qt::CTRL | Qt::Key_0), true},
            {&Menu::action_actual_size, key(Qt::CTRL | Qt::Key_1), true},
            // F6 goes to the control window and, pressed there, back to the document (the control
            // window has its own F6).
            {&Menu::action_switch_to_panel, key(Qt::Key_F6), false},
            {&Menu::action_manual, keys(QKeySequence::HelpContents), false},
        };
    }();
    return table;
}

void Menu::set_shortcuts()
{
    for (const MenuShortcut& entry : menu_shortcuts()) {
        if (QAction* action = (this->*entry.action)())
            action->setShortcuts(entry.keys);
    }
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
    DocumentRegistry* registry = m_window ? m_window->registry() : nullptr;
    if (!registry)
        return;
    QUndoGroup* group = registry->undo_group();
    m_undo = group->createUndoAction(m_window, QString());
    m_redo = group->createRedoAction(m_window, QString());
    set_shortcuts();
    // Undo and Redo lead the Edit menu, then Copy and Paste, then Process.
    m_edit_menu->insertAction(m_copy, m_undo);
    m_edit_menu->insertAction(m_copy, m_redo);
    m_edit_menu->insertSeparator(m_copy);
}

DocumentWindow* Menu::target_window() const
{
    return m_window;
}

// Save, Save As, Copy, Export, Process and the View commands need a picture (an export without a
// rendering renders one first); Paste an image on the clipboard; everything else is always
// available.
void Menu::update_actions()
{
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    m_paste->setEnabled(clipboard && clipboard->hasImage());

    DocumentWindow* window = target_window();
    if (!window) {
        for (QAction* action : {m_save, m_save_as, m_copy, m_process, m_export, m_zoom_in,
                                m_zoom_out, m_fit, m_actual_size, m_split_compare})
            action->setEnabled(false);
        return;
    }
    DocumentView* view = window->view();
    // Undo and redo act on the document the control window serves; a window that merely
    // rechecks its commands (every window does when the clipboard changes) must not take them
    // over, or undo would run another document's steps on the panel.
    if (DocumentRegistry* registry = window->registry()) {
        if (!registry->current_document() || registry->current_document() == view)
            registry->undo_group()->setActiveStack(view->undo_stack());
    }
    const bool picture = view->has_picture();
    // While the document renders, another render or an export would be refused: say so by
    // greying them out instead.
    const bool rendering = view->launcher() && view->launcher()->busy();
    for (QAction* action :
         {m_save, m_save_as, m_copy, m_zoom_in, m_zoom_out, m_fit, m_actual_size, m_split_compare})
        action->setEnabled(picture);
    m_process->setEnabled(picture && !rendering);
    m_export->setEnabled(picture && !rendering);
}

bool Menu::save()
{
    DocumentWindow* window = target_window();
    return window && window->view()->save_document();
}

void Menu::slot_view_zoom_in()
{
    if (DocumentWindow* window = target_window())
        window->view()->canvas()->zoom_in();
}

void Menu::slot_view_zoom_out()
{
    if (DocumentWindow* window = target_window())
        window->view()->canvas()->zoom_out();
}

void Menu::slot_view_fit()
{
    if (DocumentWindow* window = target_window())
        window->view()->fit_to_window();
}

void Menu::slot_view_actual_size()
{
    if (DocumentWindow* window = target_window())
        window->view()->scale_label(1.0);
}

void Menu::slot_view_split_compare(bool split)
{
    if (DocumentWindow* window = target_window())
        window->view()->canvas()->set_split(split);
}

void Menu::slot_view_switch_to_panel()
{
    DocumentRegistry* registry = m_window ? m_window->registry() : nullptr;
    if (registry && registry->panel())
        registry->panel()->take_keyboard_focus();
}

void Menu::slot_drawlume_about()
{
    AboutDialog dialog(nullptr);
    dialog.exec();
}

void Menu::slot_file_new()
{
    if (!m_window || !m_window->registry())
        return;
    DocumentWindow* window = create_document_window(m_window->registry());
    m_window->registry()->set_current_document(window->view(), true);
    bring_to_front(window);
    m_window->check_enabled_widgets();
}

void Menu::slot_file_open()
{
    const QStringList paths = open_files_dialog(m_window);
    for (const QString& path : paths)
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
    if (window)
        window->view()->save_document_as();
}

void Menu::slot_file_export()
{
    slot_export();
}

void Menu::slot_file_batch_export()
{
    // The window outlives this menu's window: it asks the registry for the current document
    // whenever it needs the settings.
    QPointer<DocumentRegistry> registry = m_window ? m_window->registry() : nullptr;
    show_batch_export_window([registry]() -> FilterParametersPtr {
        DocumentView* view = registry ? registry->current_document() : nullptr;
        return view ? view->document_parameters() : FilterParametersPtr();
    });
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
    if (m_window && m_window->registry())
        open_path(m_window->registry(), path, m_window);
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
        window->view()->process();
}

void Menu::slot_help_feedback()
{
    FeedbackDialog dialog(m_window);
    dialog.exec();
}

void Menu::slot_help_manual()
{
    show_user_manual(m_window);
}

void Menu::try_to_quit()
{
    if (m_window)
        m_window->close();
}
