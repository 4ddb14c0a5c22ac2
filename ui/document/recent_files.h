#pragma once

#include <QMenu>
#include <QPointer>
#include <QStringList>

class QSettings;

// The "Open Recent" submenu: the five files opened most recently, newest first, shown by every
// document window's "&File" menu (each window adds instance() as a submenu; none owns it).
//
// One instance for the whole process, created by the first instance() call from the stored list
// (stored_recent_files()) and deleted when the application object goes away. It lives on the GUI
// thread. The list changes in memory only (add_file, "Clear Menu"); the control window writes it
// back with store() when the application quits.
//
// The entries show the file name, or "name - folder" where two entries share a file name. The
// menu is rebuilt each time it is about to be shown: the entries, a separator, "Clear Menu".
// Choosing an entry emits file_requested(path); the document windows open it from there.
class RecentFiles : public QMenu
{
    Q_OBJECT
public:
    static RecentFiles* instance();

    // Puts path in front (dropping the oldest beyond five). A path already in the list changes
    // nothing: it keeps its place.
    void add_file(const QString& path);
    // Puts path in front, also when it is in the list already (a document just saved).
    void put_first(const QString& path);
    // Replaces the list by the first five distinct, non-empty paths of list.
    void rebuild(const QStringList& list);
    // Writes the paths under "recent_files" (no entry for an empty list) and flushes the store.
    void store(QSettings& settings);

    // The menu texts (unescaped) and the full paths, entry i of one belonging to entry i of the
    // other.
    QStringList names() const { return m_names; }
    QStringList paths() const { return m_paths; }

signals:
    // An entry was chosen: open path.
    void file_requested(const QString& path);

private slots:
    void slot_about_to_show();
    void slot_action_triggered(QAction* act);

private:
    RecentFiles();

    QStringList m_names;
    QStringList m_paths;
    QPointer<QAction> m_clear_action; // a child of the menu, replaced on each rebuild
};
