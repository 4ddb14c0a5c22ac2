#include "document/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The settings store and its typed accessors. The store lives in a private configuration folder
// and a private home folder (so the documents folder is known), set up before the first call.
class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_documents;

    // The store's file as another program run would read it.
    QVariant valueOnDisk(const QString& key)
    {
        settings().sync();
        QSettings disk(settings().fileName(), QSettings::IniFormat);
        return disk.value(key);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        m_documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(m_documents, m_home.filePath("Documents"));
    }

    void init() { settings().clear(); }

    void storeCarriesTheProgramsIdentity()
    {
        QSettings& store = settings();
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Marrowin"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Drawlume"));
        QVERIFY(!QCoreApplication::organizationDomain().isEmpty());
        QCOMPARE(store.organizationName(), QStringLiteral("Marrowin"));
        QCOMPARE(store.applicationName(), QStringLiteral("Drawlume"));
        QCOMPARE(store.format(), QSettings::NativeFormat);
        QCOMPARE(store.scope(), QSettings::UserScope);
        QCOMPARE(QFileInfo(store.fileName()).absoluteFilePath(),
                 QDir(m_home.filePath("config")).filePath("Marrowin/Drawlume.conf"));
    }

    void storeIsOneObject() { QCOMPARE(&settings(), &settings()); }

    void directoriesDefaultToTheDocumentsFolder()
    {
        QCOMPARE(last_open_directory(), m_documents);
        QCOMPARE(last_save_directory(), m_documents);
        // Reading a default stores nothing.
        QVERIFY(!settings().contains("last_open_directory"));
        QVERIFY(!settings().contains("last_save_directory"));
    }

    void saveDirectoryFallsBackToTheOpenDirectory()
    {
        set_last_open_directory("/photos/2024");
        QCOMPARE(last_open_directory(), QStringLiteral("/photos/2024"));
        QCOMPARE(last_save_directory(), QStringLiteral("/photos/2024"));
        set_last_save_directory("/exports");
        QCOMPARE(last_save_directory(), QStringLiteral("/exports"));
        QCOMPARE(last_open_directory(), QStringLiteral("/photos/2024"));
    }

    void emptyDirectoryCountsAsAbsent()
    {
        set_last_open_directory(QString());
        set_last_save_directory(QString());
        QCOMPARE(last_open_directory(), m_documents);
        QCOMPARE(last_save_directory(), m_documents);
    }

    void directoriesUseTheirKeys()
    {
        set_last_open_directory("/a");
        set_last_save_directory("/b");
        QCOMPARE(valueOnDisk("last_open_directory").toString(), QStringLiteral("/a"));
        QCOMPARE(valueOnDisk("last_save_directory").toString(), QStringLiteral("/b"));
    }

    void autoFitAbsentReadsTrueAndCreatesTheKey()
    {
        QVERIFY(!settings().contains("auto_fit_to_width"));
        QVERIFY(auto_fit_to_width());
        QVERIFY(settings().contains("auto_fit_to_width"));
        QCOMPARE(valueOnDisk("auto_fit_to_width").toBool(), true);
        // Live rendering is off until the user turns it on; exports keep the photo information
        // until the user turns that off, and reading the default stores nothing.
        QVERIFY(!live_result());
        QVERIFY(keep_photo_information());
        QVERIFY(!settings().contains("keep_photo_information"));
    }

    // The switches: each is stored under its own key and reads back as written.
    void switchesRoundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("on");
        for (const char* key : {"auto_fit_to_width", "live_result", "keep_photo_information"}) {
            QTest::addRow("%s off", key) << QString::fromLatin1(key) << false;
            QTest::addRow("%s on", key) << QString::fromLatin1(key) << true;
        }
    }

    void switchesRoundTrip()
    {
        QFETCH(QString, key);
        QFETCH(bool, on);
        const QMap<QString, std::pair<void (*)(bool), bool (*)()>> switches{
            {"auto_fit_to_width", {&set_auto_fit_to_width, &auto_fit_to_width}},
            {"live_result", {&set_live_result, &live_result}},
            {"keep_photo_information", {&set_keep_photo_information, &keep_photo_information}},
        };
        const auto [set, get] = switches.value(key);
        set(on);
        QCOMPARE(get(), on);
        QCOMPARE(valueOnDisk(key).toBool(), on);
    }

    void windowLayoutIsAbsentOnAFreshInstallation()
    {
        QVERIFY(document_window_geometry().isEmpty());
        QVERIFY(document_window_state().isEmpty());
    }

    void windowLayoutRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("geometry");
        QTest::newRow("binary") << QByteArray("\x01\xd9\xd0\xcb\x00\x03\x00\x00\xff", 9);
        QTest::newRow("zeros") << QByteArray(64, '\0');
    }

    void windowLayoutRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        set_document_window_geometry(bytes);
        set_document_window_state(bytes + "state");
        QCOMPARE(document_window_geometry(), bytes);
        QCOMPARE(document_window_state(), bytes + "state");
        QCOMPARE(valueOnDisk("DLDocumentWindowGeometry").toByteArray(), bytes);
        QCOMPARE(valueOnDisk("DLDocumentWindowState").toByteArray(), bytes + "state");
    }

    void recentFilesAbsentIsEmpty() { QVERIFY(stored_recent_files().isEmpty()); }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
