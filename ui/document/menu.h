#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVector>

class DocumentWindow;
class QAction;
class QMenu;

// The menu bar of a document window and the commands behind it. Built when constructed, with the
// window as its parent; the commands act on that window's view, or, where the window has none, on
// the control window's current document.
class Menu : public QObject
{
    Q_OBJECT
public:
    explicit Menu(DocumentWindow* window);

    // Enables the commands for the state of the window's document (see the table in the .cpp).
    void update_actions();
    // "&Save": true when the document was written.
    bool save();

    QAction* action_about() const { return m_about; }
    QAction* action_quit() const { return m_quit; }
    QAction* action_new() const { return m_new; }
    QAction* action_open() const { return m_open; }
    QAction* action_close() const { return m_close; }
    QAction* action_save() const { return m_save; }
    QAction* action_save_as() const { return m_save_as; }
    QAction* action_export() const { return m_export; }
    QAction* action_batch_export() const { return m_batch_export; }
    QAction* action_copy() const { return m_copy; }
    QAction* action_paste() const { return m_paste; }
    QAction* action_process() const { return m_process; }
    QAction* action_undo() const { return m_undo; }
    QAction* action_redo() const { return m_redo; }
    QAction* action_feedback() const { return m_feedback; }
    QAction* action_manual() const { return m_manual; }
    QAction* action_zoom_in() const { return m_zoom_in; }
    QAction* action_zoom_out() const { return m_zoom_out; }
    QAction* action_fit() const { return m_fit; }
    QAction* action_actual_size() const { return m_actual_size; }
    QAction* action_split_compare() const { return m_split_compare; }
    QAction* action_switch_to_panel() const { return m_switch_to_panel; }

public slots:
    void slot_drawlume_about();
    void slot_file_new();
    void slot_file_open();
    void slot_file_close();
    void slot_file_save();
    void slot_file_save_as();
    void slot_file_export();
    void slot_file_batch_export();
    void slot_file_selected(const QString& path);
    void slot_edit_copy();
    void slot_edit_paste();
    void slot_edit_process();
    void slot_help_feedback();
    void slot_help_manual();
    void slot_view_zoom_in();
    void slot_view_zoom_out();
    void slot_view_fit();
    void slot_view_actual_size();
    void slot_view_split_compare(bool split);
    void slot_view_switch_to_panel();
    void create_undo_redo();
    void slot_export();

private slots:
    void try_to_quit();

private:
    // The window the commands act on: this menu's, else the control window's current one.
    DocumentWindow* target_window() const;
    QAction* add_action(QMenu* menu, const QString& text, void (Menu::*slot)());
    // Gives the actions made so far their keys from menu_shortcuts().
    void set_shortcuts();

    QPointer<DocumentWindow> m_window;
    QAction* m_about = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_new = nullptr;
    QAction* m_open = nullptr;
    QAction* m_close = nullptr;
    QAction* m_save = nullptr;
    QAction* m_save_as = nullptr;
    QAction* m_export = nullptr;
    QAction* m_batch_export = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_process = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_feedback = nullptr;
    QAction* m_manual = nullptr;
    QAction* m_zoom_in = nullptr;
    QAction* m_zoom_out = nullptr;
    QAction* m_fit = nullptr;
    QAction* m_actual_size = nullptr;
    QAction* m_split_compare = nullptr;
    QAction* m_switch_to_panel = nullptr;
    QMenu* m_edit_menu = nullptr;
};

// The keys of one menu command: the action that carries them, and whether the control window
// passes them on to the current document's window.
struct MenuShortcut
{
    QAction* (Menu::*action)() const;
    QList<QKeySequence> keys;
    bool in_control_window;
};

// Every keyboard shortcut of the document windows' menus. The menus and the control window both
// take their keys from this one table.
const QVector<MenuShortcut>& menu_shortcuts();
