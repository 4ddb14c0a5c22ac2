#include "ui/document/recent_files.h"

#include "document/settings.h"

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The "Open Recent" menu: the list rules, the menu it shows and the requests it makes.
class TestRecentFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    RecentFiles* m_menu = nullptr;

    // Builds the menu as it is built before it is shown.
    QList<QAction*> shownActions()
    {
        emit m_menu->aboutToShow();
        return m_menu->actions();
    }

    QAction* shownAction(const QString& text)
    {
        for (QAction* action : shownActions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        // What a previous run left behind, read when the menu is created.
        settings().setValue("recent_files", QStringList{"/old/b.jpg", "/old/a.png"});
        m_menu = RecentFiles::instance();
        QVERIFY(m_menu);
        QCOMPARE(m_menu->paths(), (QStringList{"/old/b.jpg", "/old/a.png"}));
        QCOMPARE(m_menu->names(), (QStringList{"b.jpg", "a.png"}));
    }

    void oneParentlessMenuTitledOpenRecent()
    {
        QCOMPARE(RecentFiles::instance(), m_menu);
        QVERIFY(!m_menu->parent());
        QCOMPARE(m_menu->title(), QStringLiteral("Open Recent"));
    }

    void init() { m_menu->rebuild({}); }

    void sixFilesKeepTheFiveNewestNewestFirst()
    {
        for (const char* path :
             {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/5.jpg", "/p/6.jpg"})
            m_menu->add_file(path);
        QCOMPARE(m_menu->paths(),
                 (QStringList{"/p/6.jpg", "/p/5.jpg", "/p/4.jpg", "/p/3.jpg", "/p/2.jpg"}));
        QCOMPARE(m_menu->names(), (QStringList{"6.jpg", "5.jpg", "4.jpg", "3.jpg", "2.jpg"}));
    }

    void reopeningAListedFileKeepsTheOrder_data()
    {
        QTest::addColumn<QString>("reopened");
        QTest::newRow("newest") << "/p/c.jpg";
        QTest::newRow("middle") << "/p/b.jpg";
        QTest::newRow("oldest") << "/p/a.jpg";
    }

    void reopeningAListedFileKeepsTheOrder()
    {
        QFETCH(QString, reopened);
        m_menu->add_file("/p/a.jpg");
        m_menu->add_file("/p/b.jpg");
        m_menu->add_file("/p/c.jpg");
        m_menu->add_file(reopened);
        QCOMPARE(m_menu->paths(), (QStringList{"/p/c.jpg", "/p/b.jpg", "/p/a.jpg"}));
    }

    void pathsCompareCaseSensitively()
    {
        m_menu->add_file("/p/a.jpg");
        m_menu->add_file("/p/A.jpg");
        QCOMPARE(m_menu->paths(), (QStringList{"/p/A.jpg", "/p/a.jpg"}));
    }

    void emptyPathIsNotAdded()
    {
        m_menu->add_file(QString());
        QVERIFY(m_menu->paths().isEmpty());
    }

    void namesTellSharedFileNamesApart_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("two photo.jpg") << QStringList{"/a/photo.jpg", "/b/photo.jpg"}
                                       << QStringList{"photo.jpg - a", "photo.jpg - b"};
        QTest::newRow("shared and unique")
            << QStringList{"/home/me/trip/photo.jpg", "/home/me/cat.png", "/srv/photo.jpg"}
            << QStringList{"photo.jpg - trip", "cat.png", "photo.jpg - srv"};
        QTest::newRow("all unique")
            << QStringList{"/a/x.jpg", "/a/y.jpg"} << QStringList{"x.jpg", "y.jpg"};
        QTest::newRow("three alike") << QStringList{"/1/p.tif", "/2/p.tif", "/3/p.tif"}
                                     << QStringList{"p.tif - 1", "p.tif - 2", "p.tif - 3"};
        QTest::newRow("in the root")
            << QStringList{"/p.jpg", "/d/p.jpg"} << QStringList{"p.jpg - /", "p.jpg - d"};
    }

    void namesTellSharedFileNamesApart()
    {
        QFETCH(QStringList, paths);
        QFETCH(QStringList, names);
        m_menu->rebuild(paths);
        QCOMPARE(m_menu->names(), names);
        QCOMPARE(m_menu->paths(), paths);
    }

    void addingMakesNamesAmbiguousAndDroppingMakesThemPlain()
    {
        m_menu->add_file("/a/photo.jpg");
        QCOMPARE(m_menu->names(), QStringList{"photo.jpg"});
        m_menu->add_file("/b/photo.jpg");
        QCOMPARE(m_menu->names(), (QStringList{"photo.jpg - b", "photo.jpg - a"}));
        for (const char* path : {"/1.jpg", "/2.jpg", "/3.jpg", "/4.jpg"})
            m_menu->add_file(path);
        QCOMPARE(m_menu->names(), (QStringList{"4.jpg", "3.jpg", "2.jpg", "1.jpg", "photo.jpg"}));
    }

    void rebuildKeepsTheFirstFiveDistinctPaths()
    {
        m_menu->rebuild({"/1.jpg", "", "/2.jpg", "/1.jpg", "/3.jpg", "/4.jpg", "/5.jpg", "/6.jpg"});
        QCOMPARE(m_menu->paths(), (QStringList{"/1.jpg", "/2.jpg", "/3.jpg", "/4.jpg", "/5.jpg"}));
    }

    void menuShowsEntriesSeparatorAndClearMenu()
    {
        m_menu->rebuild({"/a/photo.jpg", "/b/photo.jpg", "/c/cat.png"});
        const QList<QAction*> actions = shownActions();
        QCOMPARE(actions.size(), 5);
        QCOMPARE(actions[0]->text(), QStringLiteral("photo.jpg - a"));
        QCOMPARE(actions[1]->text(), QStringLiteral("photo.jpg - b"));
        QCOMPARE(actions[2]->text(), QStringLiteral("cat.png"));
        QVERIFY(actions[3]->isSeparator());
        QCOMPARE(actions[4]->text(), QStringLiteral("Clear Menu"));
        QVERIFY(actions[4]->isEnabled());
    }

    void menuIsRebuiltEachTimeItShows()
    {
        QCOMPARE(shownActions().size(), 2);
        m_menu->add_file("/x/new.jpg");
        QCOMPARE(shownActions().size(), 3);
        QCOMPARE(shownActions().first()->text(), QStringLiteral("new.jpg"));
    }

    void poppingUpBuildsTheMenu()
    {
        m_menu->rebuild({"/a/one.jpg"});
        m_menu->clear();
        m_menu->popup(QPoint(40, 40));
        QTRY_VERIFY(m_menu->isVisible());
        QCOMPARE(m_menu->actions().size(), 3);
        QCOMPARE(m_menu->actions().first()->text(), QStringLiteral("one.jpg"));
        m_menu->hide();
    }

    void clearMenuEmptiesTheListAtOnce()
    {
        m_menu->rebuild({"/a/1.jpg", "/a/2.jpg"});
        QAction* clear = shownAction("Clear Menu");
        QVERIFY(clear);
        QSignalSpy requests(m_menu, &RecentFiles::file_requested);
        clear->trigger();
        QVERIFY(m_menu->paths().isEmpty());
        QVERIFY(m_menu->names().isEmpty());
        QCOMPARE(requests.size(), 0);
        const QList<QAction*> actions = shownActions();
        QCOMPARE(actions.size(), 2);
        QVERIFY(actions[0]->isSeparator());
        QCOMPARE(actions[1]->text(), QStringLiteral("Clear Menu"));
        QVERIFY(!actions[1]->isEnabled()); // an empty list has nothing to clear
    }

    void clearingDoesNotTouchTheStoredList()
    {
        settings().setValue("recent_files", QStringList{"/stored.jpg"});
        m_menu->rebuild({"/a/1.jpg"});
        shownAction("Clear Menu")->trigger();
        QCOMPARE(stored_recent_files(), QStringList{"/stored.jpg"});
    }

    void choosingAnEntryRequestsItsFile_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<int>("chosen");
        QTest::newRow("first") << QStringList{"/a/1.jpg", "/a/2.jpg"} << 0;
        QTest::newRow("second") << QStringList{"/a/1.jpg", "/a/2.jpg"} << 1;
        QTest::newRow("shared name") << QStringList{"/a/photo.jpg", "/b/photo.jpg"} << 1;
        // Both show "photo.jpg - x": each must still open its own file.
        QTest::newRow("same text, first") << QStringList{"/a/x/photo.jpg", "/b/x/photo.jpg"} << 0;
        QTest::newRow("same text, second") << QStringList{"/a/x/photo.jpg", "/b/x/photo.jpg"} << 1;
        QTest::newRow("file named like the command") << QStringList{"/a/Clear Menu"} << 0;
        QTest::newRow("ampersand") << QStringList{"/a/Tom & Jerry.jpg"} << 0;
    }

    void choosingAnEntryRequestsItsFile()
    {
        QFETCH(QStringList, paths);
        QFETCH(int, chosen);
        m_menu->rebuild(paths);
        QSignalSpy requests(m_menu, &RecentFiles::file_requested);
        shownActions().at(chosen)->trigger();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().first().toString(), paths.at(chosen));
        // Choosing an entry does not reorder the list: opening the file does that.
        QCOMPARE(m_menu->paths(), paths);
    }

    void ampersandsShowAsWritten()
    {
        m_menu->rebuild({"/a/Tom & Jerry.jpg"});
        QCOMPARE(m_menu->names(), QStringList{"Tom & Jerry.jpg"});
        QCOMPARE(shownActions().first()->text(), QStringLiteral("Tom && Jerry.jpg"));
    }

    void anActionNamedLikeAnEntryRequestsItsFile()
    {
        m_menu->rebuild({"/a/one.jpg", "/a/two.jpg"});
        QSignalSpy requests(m_menu, &RecentFiles::file_requested);
        QAction outside("two.jpg");
        emit m_menu->triggered(&outside);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().first().toString(), QStringLiteral("/a/two.jpg"));
        QAction unknown("three.jpg");
        emit m_menu->triggered(&unknown);
        emit m_menu->triggered(nullptr);
        QCOMPARE(requests.size(), 1);
    }

    void storeWritesThePathsAndFlushes_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("two") << QStringList{"/a/1.jpg", "/b/2.png"};
        QTest::newRow("cleared") << QStringList();
    }

    void storeWritesThePathsAndFlushes()
    {
        QFETCH(QStringList, paths);
        m_menu->rebuild(paths);
        m_menu->store(settings());
        QSettings disk(settings().fileName(), QSettings::IniFormat);
        QCOMPARE(disk.value("recent_files").toStringList(), paths);
        QCOMPARE(stored_recent_files(), paths);
        // An empty list leaves no "@Invalid()" in the file for the user to wonder about.
        QFile file(settings().fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("@Invalid"));
    }

    void aSavedDocumentComesFirst()
    {
        m_menu->rebuild({"/p/a.jpg", "/p/b.drawlume"});
        m_menu->put_first("/p/b.drawlume");
        QCOMPARE(m_menu->paths(), (QStringList{"/p/b.drawlume", "/p/a.jpg"}));
    }
};

QTEST_MAIN(TestRecentFiles)
#include "test_recent_files.moc"
