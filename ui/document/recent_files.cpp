#include "ui/document/recent_files.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "document/settings.h"

namespace {

constexpr int kMaximumEntries = 5;

QPointer<RecentFiles>& the_instance()
{
    static QPointer<RecentFiles> menu;
    return menu;
}

// Runs when the application object is destroyed; the menu has no parent to delete it.
void delete_instance()
{
    delete the_instance().data();
}

// The name of the folder that holds path ("/" for the root).
QString folder_name(const QString& path)
{
    const QString name = QFileInfo(path).absoluteDir().dirName();
    return name.isEmpty() ? QStringLiteral("/") : name;
}

// A name as a menu text: "&" would otherwise underline the next letter and vanish.
QString menu_text(QString name)
{
    return name.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

RecentFiles* RecentFiles::instance()
{
    QPointer<RecentFiles>& menu = the_instance();
    if (!menu) {
        menu = new RecentFiles;
        qAddPostRoutine(delete_instance);
    }
    return menu;
}

RecentFiles::RecentFiles() : QMenu(nullptr)
{
    setTitle(tr("Open Recent"));
    setToolTipsVisible(true);
    connect(this, &QMenu::aboutToShow, this, &RecentFiles::slot_about_to_show);
    connect(this, &QMenu::triggered, this, &RecentFiles::slot_action_triggered);
    rebuild(stored_recent_files());
}

void RecentFiles::add_file(const QString& path)
{
    if (path.isEmpty() || m_paths.contains(path))
        return;
    QStringList list = m_paths;
    while (list.size() > kMaximumEntries - 1)
        list.removeLast();
    list.prepend(path);
    rebuild(list);
}

void RecentFiles::put_first(const QString& path)
{
    if (path.isEmpty())
        return;
    QStringList list = m_paths;
    list.removeAll(path);
    list.prepend(path);
    rebuild(list);
}

void RecentFiles::rebuild(const QStringList& list)
{
    m_names.clear();
    m_paths.clear();
    for (const QString& path : list) {
        if (m_paths.size() >= kMaximumEntries)
            break;
        if (path.isEmpty() || m_paths.contains(path))
            continue;
        m_names.append(QFileInfo(path).fileName());
        m_paths.append(path);
    }
    // Entries that share a file name are told apart by the folder that holds them.
    const QStringList plain = m_names;
    for (int i = 0; i < plain.size(); ++i) {
        if (plain.count(plain[i]) > 1)
            m_names[i] = plain[i] + QLatin1String(" - ") + folder_name(m_paths[i]);
    }
}

void RecentFiles::store(QSettings& settings)
{
    // An empty list is no entry at all: the store would write it as "@Invalid()".
    if (m_paths.isEmpty())
        settings.remove(QStringLiteral("recent_files"));
    else
        settings.setValue(QStringLiteral("recent_files"), m_paths);
    settings.sync();
}

void RecentFiles::slot_about_to_show()
{
    clear();
    for (int i = 0; i < m_names.size(); ++i) {
        QAction* entry = addAction(menu_text(m_names[i]));
        entry->setData(m_paths[i]);
        entry->setToolTip(QDir::toNativeSeparators(m_paths[i]));
    }
    addSeparator();
    m_clear_action = addAction(tr("Clear Menu"));
    // Nothing to clear in an empty list.
    m_clear_action->setEnabled(!m_paths.isEmpty());
}

void RecentFiles::slot_action_triggered(QAction* act)
{
    if (!act)
        return;
    // The entries carry their path, so entries showing the same text (or a file named like the
    // "Clear Menu" command) still open the right file.
    const QString path = act->data().toString();
    if (!path.isEmpty()) {
        if (m_paths.contains(path))
            emit file_requested(path);
        return;
    }
    if (act == m_clear_action || act->text() == tr("Clear Menu")) {
        m_names.clear();
        m_paths.clear();
        return;
    }
    const qsizetype index = m_names.indexOf(act->text());
    if (index >= 0)
        emit file_requested(m_paths[index]);
}
