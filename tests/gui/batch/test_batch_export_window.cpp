// File > Batch Export...: the window over the batch library, opened from a real document window's
// File menu, fed by the file dialog, a folder and a drop, rendering on its worker while the
// window stays usable, and cancelled.

#include "batch/batch_renderer.h"
#include "core/filters/filter_list.h"
#include "document/picture_formats.h"
#include "document/presets.h"
#include "document/settings.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "ui/application.h"
#include "ui/batch/batch_export_window.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/file_dialogs.h"
#include "ui/document/menu.h"
#include "ui/panel/control_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

namespace {

QString g_dialogAnswer;

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QPushButton* button(QWidget* window, const QString& text)
{
    for (QPushButton* candidate : window->findChildren<QPushButton*>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

// drawlume-render's file for input with the filter and arguments.
QByteArray renderedAlone(const QStringList& arguments, const QString& output)
{
    QProcess process;
    process.start(DRAWLUME_RENDER_BINARY, arguments + QStringList{output});
    if (!process.waitForFinished(300000) || process.exitCode() != 0)
        return QByteArray();
    return readAll(output);
}

} // namespace

class TestBatchExportWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void fileMenuOpensTheWindow();
    void addRenderAndSummarise_data();
    void addRenderAndSummarise();
    void cancelKeepsTheFinishedPictures();

private:
    BatchExportWindow* window() const { return m_window; }
    template <typename T> T* child(const QString& name) const
    {
        return m_window->findChild<T*>(name);
    }
    QStringList rowTexts() const
    {
        QStringList texts;
        auto* list = child<QListWidget>("pictures");
        for (int i = 0; i < list->count(); ++i)
            texts.append(list->item(i)->text());
        return texts;
    }
    void clearList()
    {
        auto* list = child<QListWidget>("pictures");
        list->selectAll();
        QTest::mouseClick(button(m_window, "Remove"), Qt::LeftButton);
        QCOMPARE(list->count(), 0);
    }

    QTemporaryDir m_dir;
    DocumentWindow* m_document = nullptr;
    BatchExportWindow* m_window = nullptr;
};

void TestBatchExportWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
    QVERIFY(QFileInfo(DRAWLUME_RENDER_BINARY).isExecutable());
    set_file_dialog_runner([](QWidget*, const QString&, const QString&, const QString&, QString*,
                              bool) { return g_dialogAnswer; });
    QVERIFY(QDir().mkpath(m_dir.filePath("in/folder/sub")));
    QVERIFY(photoPicture(64, 48, 0).save(m_dir.filePath("in/photo.png")));
    QVERIFY(photoPicture(48, 40, 1).save(m_dir.filePath("in/folder/other.jpg"), "jpeg", 95));
    QVERIFY(photoPicture(40, 40, 0).save(m_dir.filePath("in/folder/sub/deep.png")));
    QVERIFY(writeAll(m_dir.filePath("in/folder/notes.txt"), "not a picture"));
    QVERIFY(writeAll(m_dir.filePath("in/broken.jpg"), "\xff\xd8 broken"));
    m_document = start_application({});
    QVERIFY(QTest::qWaitForWindowExposed(m_document));
}

void TestBatchExportWindow::cleanupTestCase()
{
    delete m_window;
    // The pictures' conversions leave idle threads in the toolkit's pool; they end here rather
    // than while the process exits.
    QThreadPool::globalInstance()->waitForDone();
    set_file_dialog_runner(nullptr);
    BatchExportWindow::set_folder_opener(nullptr);
}

void TestBatchExportWindow::fileMenuOpensTheWindow()
{
    QAction* action = m_document->menu()->action_batch_export();
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("&Batch Export..."));
    QVERIFY(action->isEnabled());
    action->trigger();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<BatchExportWindow*>(widget))
            m_window = found;
    }
    QVERIFY(m_window);
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Batch Export"));
    // Non-modal: the document window takes input meanwhile.
    QVERIFY(!m_window->isModal());
    QVERIFY(!QApplication::activeModalWidget());
    // Once only: the command raises the same window.
    action->trigger();
    int windows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        windows += qobject_cast<BatchExportWindow*>(widget) ? 1 : 0;
    QCOMPARE(windows, 1);

    // The settings: the current document's own, then the presets of its filter.
    const QString filter = m_document->view()->document_parameters()->filterName();
    auto* settings = child<QComboBox>("settings");
    QCOMPARE(settings->itemText(0), QStringLiteral("Current settings"));
    QStringList expected = {QStringLiteral("Current settings"), defaultPresetName()};
    for (const Preset& preset : PresetStore().presets(filter))
        expected.append(preset.name);
    QStringList shown;
    for (int i = 0; i < settings->count(); ++i)
        shown.append(settings->itemText(i));
    QCOMPARE(shown, expected);
    QCOMPARE(child<QLineEdit>("name_pattern")->text(), QStringLiteral("{name}-{filter}.{ext}"));
}

void TestBatchExportWindow::addRenderAndSummarise_data()
{
    QTest::addColumn<QString>("format");       // the format list's data
    QTest::addColumn<QString>("preset");       // empty: "Current settings"
    QTest::addColumn<bool>("subfolders");      // "Include subfolders"
    QTest::addColumn<QString>("folderOpened"); // what the opener answers: "yes" or "no"

    QTest::newRow("JPEG, current settings") << "jpg"
                                            << "" << false << "yes";
    QTest::newRow("PNG, a built-in preset, subfolders") << "png"
                                                        << "Soft graphite" << true << "no";
}

void TestBatchExportWindow::addRenderAndSummarise()
{
    QFETCH(QString, format);
    QFETCH(QString, preset);
    QFETCH(bool, subfolders);
    QFETCH(QString, folderOpened);
    QVERIFY(m_window);
    clearList();

    // By the file dialog, by a folder, by a drop; a picture twice is listed once.
    g_dialogAnswer = m_dir.filePath("in/photo.png");
    QTest::mouseClick(button(m_window, "Add Pictures..."), Qt::LeftButton);
    for (QCheckBox* box : m_window->findChildren<QCheckBox*>()) {
        if (box->text() == QStringLiteral("Include subfolders"))
            box->setChecked(subfolders);
    }
    m_window->add_paths({m_dir.filePath("in/folder"), m_dir.filePath("in/photo.png")});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(m_dir.filePath("in/broken.jpg"))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window, &drop);
    QStringList expected = {m_dir.filePath("in/photo.png"), m_dir.filePath("in/folder/other.jpg")};
    if (subfolders)
        expected.append(m_dir.filePath("in/folder/sub/deep.png"));
    expected.append(m_dir.filePath("in/broken.jpg"));
    QCOMPARE(m_window->pictures(), expected);

    const QString out = m_dir.filePath("out-" + format);
    child<QLineEdit>("output_folder")->setText(out);
    auto* formats = child<QComboBox>("format");
    formats->setCurrentIndex(formats->findData(format));
    QCOMPARE(child<QSpinBox>("jpeg_quality")->isEnabled(),
             pictureFormatForSuffix(format)->hasQuality());
    child<QSpinBox>("jpeg_quality")->setValue(90);
    auto* settings = child<QComboBox>("settings");
    settings->setCurrentIndex(preset.isEmpty() ? 0 : settings->findText(preset));
    QVERIFY(settings->currentIndex() >= 0);

    QSignalSpy ended(m_window, &BatchExportWindow::batch_ended);
    QTest::mouseClick(button(m_window, "Start"), Qt::LeftButton);
    QVERIFY(m_window->is_running() || ended.count() == 1);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 300000);

    const int written = expected.size() - 1;
    QCOMPARE(m_window->summary_text(),
             QStringLiteral("%1 written, 1 failed, 0 skipped.").arg(written));
    const QStringList rows = rowTexts();
    for (int i = 0; i < written; ++i)
        QVERIFY2(rows.at(i).contains(QStringLiteral("done: ")), qPrintable(rows.at(i)));
    QVERIFY2(rows.last().contains(
                 QStringLiteral("failed: cannot read \"%1\"").arg(m_dir.filePath("in/broken.jpg"))),
             qPrintable(rows.last()));
    auto* progress = child<QProgressBar>("progress");
    QCOMPARE(progress->value(), progress->maximum());

    // The files are drawlume-render's for the same settings.
    const QString filter = m_document->view()->document_parameters()->filterName();
    QStringList names;
    for (int i = 0; i < written; ++i)
        names.append(QFileInfo(expected.at(i)).completeBaseName() + "-" + filter + "." + format);
    names.sort();
    QCOMPARE(filesIn(out), names);
    QStringList arguments = {"-f", filter, expected.first()};
    if (!preset.isEmpty())
        arguments += QStringList{"--preset", preset};
    if (pictureFormatForSuffix(format)->hasQuality())
        arguments += QStringList{"--quality", "90"};
    const QByteArray reference =
        renderedAlone(arguments, m_dir.filePath("alone-" + format + "." + format));
    QVERIFY(!reference.isEmpty());
    QVERIFY(readAll(out + "/photo-" + filter + "." + format) == reference);

    // Remembered for the next time.
    QCOMPARE(batch_output_folder(), out);
    QCOMPARE(batch_format(), format);
    QCOMPARE(batch_name_pattern(), QStringLiteral("{name}-{filter}.{ext}"));
    QCOMPARE(batch_existing_files(), QStringLiteral("skip"));

    // A second run skips what exists.
    ended.clear();
    QTest::mouseClick(button(m_window, "Start"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 300000);
    QCOMPARE(m_window->summary_text(),
             QStringLiteral("0 written, 1 failed, %1 skipped.").arg(written));
    QVERIFY(rowTexts().first().contains("skipped"));

    // The output folder opens, or the window says it could not.
    QString opened;
    BatchExportWindow::set_folder_opener([&](const QString& folder) {
        opened = folder;
        return folderOpened == "yes";
    });
    QPushButton* open = button(m_window, "Open Output Folder");
    QVERIFY(open->isEnabled());
    QTest::mouseClick(open, Qt::LeftButton);
    QCOMPARE(opened, out);
    QCOMPARE(m_window->summary_text().contains(
                 QStringLiteral("The output folder could not be opened: %1").arg(out)),
             folderOpened == "no");
}

void TestBatchExportWindow::cancelKeepsTheFinishedPictures()
{
    QVERIFY(m_window);
    clearList();
    QStringList inputs;
    for (int i = 0; i < 10; ++i) {
        inputs.append(m_dir.filePath(QStringLiteral("in/large%1.png").arg(i)));
        QVERIFY(photoPicture(640, 480, i % 2).save(inputs.last()));
    }
    m_window->add_paths(inputs);
    const QString out = m_dir.filePath("out-cancel");
    child<QLineEdit>("output_folder")->setText(out);
    auto* formats = child<QComboBox>("format");
    formats->setCurrentIndex(formats->findData("png"));
    child<QComboBox>("settings")->setCurrentIndex(0);

    QSignalSpy ended(m_window, &BatchExportWindow::batch_ended);
    QTest::mouseClick(button(m_window, "Start"), Qt::LeftButton);
    QPushButton* cancel = button(m_window, "Cancel");
    QVERIFY(cancel->isEnabled());
    QVERIFY(!button(m_window, "Start")->isEnabled());
    // The documents stay usable meanwhile.
    QVERIFY(m_document->menu()->action_open()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(rowTexts().first().contains("done"), 300000);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 300000);

    const QString summary = m_window->summary_text();
    QVERIFY2(summary.startsWith(QStringLiteral("Cancelled: ")), qPrintable(summary));
    const int written = summary.section(QLatin1Char(' '), 1, 1).toInt();
    QVERIFY2(written >= 1 && written < inputs.size(), qPrintable(summary));
    // The finished files stay, nothing else: no partial or temporary file.
    const QStringList files = filesIn(out);
    QCOMPARE(files.size(), written);
    for (const QString& file : files)
        QVERIFY2(!QImage(out + "/" + file).isNull(), qPrintable(file));
    // Each row is done, stopped without a file or never started, and the done ones are the files
    // written.
    int done = 0;
    for (const QString& row : rowTexts()) {
        QVERIFY2(row.contains(QRegularExpression(" \u2014 (done: |cancelled: no file written$|not "
                                                 "started: the batch was cancelled$)")),
                 qPrintable(row));
        done += row.contains(" \u2014 done: ") ? 1 : 0;
    }
    QCOMPARE(done, written);
    QVERIFY(rowTexts().last().contains("not started"));
    QVERIFY(button(m_window, "Start")->isEnabled());
    QVERIFY(!cancel->isEnabled());
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestBatchExportWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_batch_export_window.moc"
