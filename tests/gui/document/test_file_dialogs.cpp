#include "ui/document/file_dialogs.h"

#include "document/file_names.h"
#include "document/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>

namespace {

// One dialog as the program asked for it.
struct DialogCall
{
    QWidget* parent = nullptr;
    QString caption;
    QString dir;
    QString filter;
    QString selected_filter_in;
    bool save = false;
};

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

// Runs `handle` on the file dialog once it is up (polling, since it opens inside the call under
// test); gives up after five seconds.
void whenDialogShows(QObject* context, std::function<void(QFileDialog*)> handle, int tries = 100)
{
    QTimer::singleShot(50, context, [=] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
            handle(dialog);
        else if (tries > 0)
            whenDialogShows(context, handle, tries - 1);
        else if (QWidget* other = QApplication::activeModalWidget())
            other->close(); // not the dialog expected: end it instead of waiting forever
    });
}

} // namespace

// The three file dialogs, driven through the replaceable dialog runner (and once through the
// real Qt dialog).
class TestFileDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_documents;
    QList<DialogCall> m_calls;
    // What the next dialogs answer: (path, chosen filter), taken in turn.
    QList<QPair<QString, QString>> m_answers;
    QStringList m_questions;
    bool m_replace = true;

    void answer(const QString& path, const QString& filter = QString())
    {
        m_answers.append({path, filter});
    }

    QString dir(const char* name) const { return m_home.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        // Qt's own dialogs, which a test can drive, whatever desktop the test runs on.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        m_documents = m_home.filePath("Documents");
        QVERIFY(QDir().mkpath(m_documents));
        for (const char* name : {"open", "save", "exports"})
            QVERIFY(QDir().mkpath(dir(name)));
    }

    void init()
    {
        settings().clear();
        m_calls.clear();
        m_answers.clear();
        m_questions.clear();
        m_replace = true;
        set_file_dialog_runner([this](QWidget* parent, const QString& caption, const QString& dir,
                                      const QString& filter, QString* selected_filter, bool save) {
            if (!selected_filter)
                return QString("selected filter missing");
            m_calls.append({parent, caption, dir, filter, *selected_filter, save});
            if (m_answers.isEmpty())
                return QString();
            const auto next = m_answers.takeFirst();
            *selected_filter = next.second;
            return next.first;
        });
        set_overwrite_question([this](QWidget*, const QString& path) {
            m_questions.append(path);
            return m_replace;
        });
    }

    void cleanup()
    {
        set_file_dialog_runner(nullptr);
        set_overwrite_question(nullptr);
    }

    void freshInstallationStartsInTheDocumentsFolder()
    {
        open_file_dialog(nullptr);
        save_document_dialog(nullptr);
        export_dialog(nullptr);
        QCOMPARE(m_calls.size(), 3);
        for (const DialogCall& call : m_calls)
            QCOMPARE(call.dir, m_documents);
    }

    void dialogsStartInTheRememberedDirectories()
    {
        set_last_open_directory(dir("open"));
        open_file_dialog(nullptr);
        save_document_dialog(nullptr);
        export_dialog(nullptr);
        QCOMPARE(m_calls[0].dir, dir("open"));
        QCOMPARE(m_calls[1].dir, dir("open")); // saving falls back to the open directory
        QCOMPARE(m_calls[2].dir, dir("open"));

        set_last_save_directory(dir("save"));
        m_calls.clear();
        open_file_dialog(nullptr);
        save_document_dialog(nullptr);
        export_dialog(nullptr);
        QCOMPARE(m_calls[0].dir, dir("open"));
        QCOMPARE(m_calls[1].dir, dir("save"));
        QCOMPARE(m_calls[2].dir, dir("save"));
    }

    void aRemovedDirectoryStartsInTheNearestExistingFolder()
    {
        set_last_open_directory(dir("open") + "/gone/deeper");
        set_last_save_directory("/nonexistent-drawlume-folder/x");
        open_file_dialog(nullptr);
        export_dialog(nullptr);
        QCOMPARE(m_calls[0].dir, dir("open"));
        QCOMPARE(m_calls[1].dir, QStringLiteral("/"));
    }

    void captionsFiltersAndModes()
    {
        QWidget parent;
        open_file_dialog(&parent);
        save_document_dialog(&parent);
        export_dialog(&parent);
        QCOMPARE(m_calls.size(), 3);

        QCOMPARE(m_calls[0].caption, QStringLiteral("Open File"));
        QCOMPARE(m_calls[0].filter, open_dialog_filter());
        QVERIFY(!m_calls[0].save);

        QCOMPARE(m_calls[1].caption, QStringLiteral("Save File"));
        QCOMPARE(m_calls[1].filter, document_dialog_filter());
        QVERIFY(m_calls[1].save);

        QCOMPARE(m_calls[2].caption, QStringLiteral("Export"));
        QCOMPARE(m_calls[2].filter, export_dialog_filter());
        QVERIFY(m_calls[2].save);

        // The export proposes a name in the folder of the last export.
        QVERIFY(QDir().mkpath(dir("last-export")));
        set_last_export_directory(dir("last-export"));
        export_dialog(&parent, QStringLiteral("garden-pencil.jpg"));
        QCOMPARE(m_calls.size(), 4);
        QCOMPARE(m_calls[3].dir, dir("last-export") + "/garden-pencil.jpg");

        for (const DialogCall& call : m_calls) {
            QCOMPARE(call.parent, &parent);
            QVERIFY(call.selected_filter_in.isEmpty()); // no filter preselected
        }
    }

    void openReturnsTheChosenPathAsIs()
    {
        const QString chosen = dir("open") + "/photo.JPEG";
        answer(chosen, "JPEG (*.jpeg *.jpg)");
        QCOMPARE(open_file_dialog(nullptr), chosen);
        QCOMPARE(last_dialog_path(), chosen);
        // The dialog itself remembers nothing: opening the file does.
        QVERIFY(!settings().contains("last_open_directory"));
    }

    void exportCompletesTheSuffix_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("png") << "out"
                             << "PNG (*.png)"
                             << "out.png";
        QTest::newRow("png, trailing dot") << "out."
                                           << "PNG (*.png)"
                                           << "out.png";
        QTest::newRow("png, upper case") << "out.PNG"
                                         << "PNG (*.png)"
                                         << "out.PNG";
        QTest::newRow("tiff kept") << "scan.tiff"
                                   << "TIFF (*.tiff)"
                                   << "scan.tiff";
        QTest::newRow("tiff added") << "scan"
                                    << "TIFF (*.tiff)"
                                    << "scan.tif";
        QTest::newRow("jpeg") << "pic.jpeg"
                              << "JPEG (*.jpg)"
                              << "pic.jpg";
        QTest::newRow("JPEG") << "pic.JPEG"
                              << "JPEG (*.jpg)"
                              << "pic.jpg";
        QTest::newRow("bmp") << "x"
                             << "BMP (*.bmp)"
                             << "x.bmp";
        // A typed suffix of a format Export writes wins over the chosen filter.
        QTest::newRow("all images, png") << "pic.png"
                                         << "All Images (*.jpeg *.jpg *.png *.tiff *.tif *.bmp)"
                                         << "pic.png";
        QTest::newRow("png typed, jpeg chosen") << "x.png"
                                                << "JPEG (*.jpg)"
                                                << "x.png";
        QTest::newRow("webp typed, png chosen") << "x.WebP"
                                                << "PNG (*.png)"
                                                << "x.WebP";
        QTest::newRow("jpeg typed, png chosen") << "pic.jpeg"
                                                << "PNG (*.png)"
                                                << "pic.jpg";
        QTest::newRow("unknown suffix typed") << "x.gif"
                                              << "JPEG (*.jpg)"
                                              << "x.gif.jpg";
        QTest::newRow("no filter reported") << "pic"
                                            << ""
                                            << "pic.jpg";
    }

    void exportCompletesTheSuffix()
    {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        answer(dir("exports") + "/" + typed, filter);
        const QString path = export_dialog(nullptr);
        QCOMPARE(path, dir("exports") + "/" + expected);
        QCOMPARE(last_dialog_path(), path);
        QVERIFY(!settings().contains("last_save_directory"));
    }

    void documentNameGetsTheDocumentSuffix_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("typed without suffix") << "mydoc"
                                              << "drawlume (*.drawlume)"
                                              << "mydoc.drawlume";
        QTest::newRow("typed with suffix") << "mydoc.drawlume"
                                           << "drawlume (*.drawlume)"
                                           << "mydoc.drawlume";
        QTest::newRow("filter end in the name") << "mydoc)"
                                                << "drawlume (*.drawlume)"
                                                << "mydoc.drawlume";
        QTest::newRow("upper-case suffix") << "mydoc.DRAWLUME"
                                           << "drawlume (*.drawlume)"
                                           << "mydoc.drawlume";
        QTest::newRow("no filter reported") << "mydoc"
                                            << ""
                                            << "mydoc.drawlume";
    }

    void documentNameGetsTheDocumentSuffix()
    {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        answer(dir("save") + "/" + typed, filter);
        QCOMPARE(save_document_dialog(nullptr), dir("save") + "/" + expected);
        QCOMPARE(last_dialog_path(), dir("save") + "/" + expected);
    }

    void cancellingGivesAnEmptyPath_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("open") << 0;
        QTest::newRow("document") << 1;
        QTest::newRow("export") << 2;
    }

    void cancellingGivesAnEmptyPath()
    {
        QFETCH(int, which);
        last_dialog_path() = "/left/over.jpg";
        const QString path = which == 0   ? open_file_dialog(nullptr)
                             : which == 1 ? save_document_dialog(nullptr)
                                          : export_dialog(nullptr);
        QVERIFY(path.isEmpty());
        QVERIFY(last_dialog_path().isEmpty());
        QCOMPARE(m_calls.size(), 1);
    }

    void completedNameOfAnExistingFileAsksBeforeReplacing()
    {
        const QString existing = dir("exports") + "/taken.png";
        QVERIFY(touch(existing));
        answer(dir("exports") + "/taken", "PNG (*.png)");
        m_replace = true;
        QCOMPARE(export_dialog(nullptr), existing);
        QCOMPARE(m_questions, QStringList{existing});
        QCOMPARE(m_calls.size(), 1);
    }

    void declinedReplacementShowsTheDialogAgain()
    {
        const QString existing = dir("exports") + "/taken.png";
        QVERIFY(touch(existing));
        answer(dir("exports") + "/taken", "PNG (*.png)");
        answer(dir("exports") + "/fresh", "PNG (*.png)");
        m_replace = false;
        QCOMPARE(export_dialog(nullptr), dir("exports") + "/fresh.png");
        QCOMPARE(m_questions, QStringList{existing});
        QCOMPARE(m_calls.size(), 2);
        // The second dialog starts on the name the user declined, with the filter chosen.
        QCOMPARE(m_calls[1].dir, existing);
        QCOMPARE(m_calls[1].selected_filter_in, QStringLiteral("PNG (*.png)"));
    }

    void declinedReplacementThenCancelGivesNothing()
    {
        const QString existing = dir("save") + "/work.drawlume";
        QVERIFY(touch(existing));
        answer(dir("save") + "/work", "drawlume (*.drawlume)");
        m_replace = false;
        QVERIFY(save_document_dialog(nullptr).isEmpty());
        QVERIFY(last_dialog_path().isEmpty());
        QCOMPARE(m_questions, QStringList{existing});
    }

    void nameTypedInFullIsNotAskedAboutAgain()
    {
        const QString existing = dir("exports") + "/typed.png";
        QVERIFY(touch(existing));
        answer(existing, "PNG (*.png)"); // the dialog has asked about this very name
        QCOMPARE(export_dialog(nullptr), existing);
        QVERIFY(m_questions.isEmpty());
    }

    // The real dialog (Qt's own under Xvfb): start folder, filters, the documents it lists and
    // the suffix rule on what it returns.
    void realExportDialog()
    {
        set_file_dialog_runner(nullptr);
        set_last_save_directory(dir("exports"));
        QString shownDirectory;
        QStringList shownFilters;
        whenDialogShows(this, [&](QFileDialog* dialog) {
            shownDirectory = dialog->directory().absolutePath();
            shownFilters = dialog->nameFilters();
            dialog->selectNameFilter("PNG (*.png)");
            // Typed as a user would (selectFile ignores a name while the field has the focus).
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            if (name)
                name->setText("artwork");
            QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible())
                dialog->reject(); // a failed compare below rather than a test that hangs
        });
        const QString path = export_dialog(nullptr);
        QCOMPARE(shownDirectory, dir("exports"));
        QCOMPARE(shownFilters, export_dialog_filter().split(";;"));
        QCOMPARE(path, dir("exports") + "/artwork.png");
        QCOMPARE(last_dialog_path(), path);
    }

    // The export's own dialog shows "Keep photo information" as the settings say and stores what
    // it shows when accepted, not when cancelled.
    void realExportDialogKeepsPhotoInformationAsTicked_data()
    {
        QTest::addColumn<int>("stored"); // -1: nothing stored yet, else the stored choice
        QTest::addColumn<bool>("tick");  // the box as the user leaves it
        QTest::addColumn<bool>("accept");
        QTest::newRow("fresh, left ticked") << -1 << true << true;
        QTest::newRow("fresh, unticked") << -1 << false << true;
        QTest::newRow("unticked before, ticked again") << 0 << true << true;
        QTest::newRow("ticked before, left ticked") << 1 << true << true;
        QTest::newRow("fresh, unticked, cancelled") << -1 << false << false;
        QTest::newRow("unticked before, ticked, cancelled") << 0 << true << false;
    }

    void realExportDialogKeepsPhotoInformationAsTicked()
    {
        QFETCH(int, stored);
        QFETCH(bool, tick);
        QFETCH(bool, accept);
        set_file_dialog_runner(nullptr);
        set_last_save_directory(dir("exports"));
        if (stored >= 0)
            set_keep_photo_information(stored == 1);
        bool shown = false;
        bool ticked = false;
        whenDialogShows(this, [&](QFileDialog* dialog) {
            auto* keep = dialog->findChild<QCheckBox*>("keep_photo_information");
            if (keep) {
                shown = keep->isVisible() && keep->text() == "Keep photo information";
                ticked = keep->isChecked();
                keep->setChecked(tick);
            }
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                name->setText("artwork.png");
            if (accept)
                QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible())
                dialog->reject();
        });
        const QString path = export_dialog(nullptr);
        QVERIFY(shown);
        QCOMPARE(ticked, stored != 0);
        QCOMPARE(path.isEmpty(), !accept);
        QCOMPARE(keep_photo_information(), accept ? tick : stored != 0);
        QCOMPARE(settings().contains("keep_photo_information"), accept || stored >= 0);
    }

    void realDocumentDialogListsDocuments()
    {
        set_file_dialog_runner(nullptr);
        set_last_save_directory(dir("save"));
        QVERIFY(touch(dir("save") + "/listed.drawlume"));
        QVERIFY(touch(dir("save") + "/hidden.jpg"));
        QStringList listed;
        bool dialogSeen = false;
        whenDialogShows(this, [&](QFileDialog* dialog) {
            dialogSeen = true;
            auto* model = dialog->findChild<QFileSystemModel*>();
            const QModelIndex root = model ? model->index(dir("save")) : QModelIndex();
            (void)QTest::qWaitFor([&] { return model && model->rowCount(root) > 0; }, 10000);
            for (int row = 0; model && row < model->rowCount(root); ++row) {
                const QModelIndex index = model->index(row, 0, root);
                if (!model->isDir(index))
                    listed.append(index.data().toString());
            }
            dialog->reject();
        });
        QVERIFY(save_document_dialog(nullptr).isEmpty());
        QVERIFY(dialogSeen);
        QVERIFY(last_dialog_path().isEmpty());
        QVERIFY2(listed.contains("listed.drawlume"), qPrintable(listed.join(", ")));
        QVERIFY(!listed.contains("hidden.jpg"));
    }
};

QTEST_MAIN(TestFileDialogs)
#include "test_file_dialogs.moc"
