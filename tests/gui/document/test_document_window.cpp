#include "core/filters/filter_list.h"
#include "core/framework/parameter_keys.h"
#include "document/document_container.h"
#include "document/picture_io.h"
#include "document/settings.h"
#include "processing/worker.h"
#include "support/document_windows.h"
#include "support/photo_information.h"
#include "support/test_pictures.h"
#include "ui/application.h"
#include "ui/document/document_file.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/file_dialogs.h"
#include "ui/document/launcher.h"
#include "ui/document/menu.h"
#include "ui/document/save_dialog_box.h"
#include "ui/panel/control_window.h"
#include "ui/panel/filter_change_command.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/picture_canvas.h"
#include "ui/widgets/status_bar.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSlider>
#include <QUndoStack>
#include <QtTest>

namespace {

// Answers the next file dialog with `answer` (empty: cancelled) and remembers what it was asked.
struct DialogAnswer
{
    QString answer;
    QString filter;
    QString caption;
    int asked = 0;
};

DialogAnswer* g_dialog = nullptr;

void answerFileDialogs(DialogAnswer* dialog)
{
    g_dialog = dialog;
    set_file_dialog_runner([](QWidget*, const QString& caption, const QString&,
                              const QString& filter, QString* selected, bool) {
        ++g_dialog->asked;
        g_dialog->caption = caption;
        if (selected)
            *selected = g_dialog->filter.isEmpty() ? filter.section(QStringLiteral(";;"), 0, 0)
                                                   : g_dialog->filter;
        return g_dialog->answer;
    });
}

// Closes the next message box that appears and hands back its text.
class MessageBoxCloser : public QObject
{
public:
    MessageBoxCloser()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box && box->isVisible()) {
                    text = box->text();
                    details = box->informativeText();
                    box->accept();
                    m_timer.stop();
                }
            }
        });
        m_timer.start();
    }
    QString text;
    QString details;

private:
    QTimer m_timer;
};

bool writePicture(const QString& path, const QImage& image)
{
    return image.save(path);
}

} // namespace

class TestDocumentWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void startsWithOneUntitledWindow();
    void startsWithAPicture();
    void startsWithADocument();
    void storedSettingsOutOfRangeAreBroughtIntoIt();
    void missingPathGivesAnEmptyWindowSilently();
    void untitledWindowsAreNumbered();
    void unreadableFileSaysCannotLoad();
    void commandsFollowTheDocumentState();
    void menusAreLaidOutForKeysAndEyes();
    void titleShowsUnsavedChanges();
    void closeProtocolFollowsTheDialog();
    void processThenExportWritesTheFullSizeRendering_data();
    void processThenExportWritesTheFullSizeRendering();
    void exportBeforeAnyRenderingRendersFirst();
    void exportKeepsThePhotoInformationAsAsked_data();
    void exportKeepsThePhotoInformationAsAsked();
    void cancelledRenderingRestoresTheSettings();
    void busyCursorDuringARun();
    void secondRunIsRefusedWhileOneIsInProgress();
    void saveAndReopenADocument();
    void openingAnOpenDocumentActivatesItsWindow();
    void droppedPictureFileLoadsAndCanBeUndone();
    void processEndsWithTheLastWindow();
    void windowsCascadeAndStayOnTheScreen();
    void pastedPicturesAreUndoableUntitledPictures();

private:
    DocumentWindow* openWindow(const QString& path = QString());
    void closeAllWindows();

    QTemporaryDir m_dir;
    DialogAnswer m_dialog;
};

void TestDocumentWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    answerFileDialogs(&m_dialog);
    QImage big = scenePicture(300, 200);
    QVERIFY(writePicture(m_dir.filePath("photo.png"), big));
}

void TestDocumentWindow::cleanup()
{
    closeAllWindows();
    m_dialog = DialogAnswer();
}

DocumentWindow* TestDocumentWindow::openWindow(const QString& path)
{
    DocumentWindow* window = start_application(path.isEmpty() ? QStringList() : QStringList{path});
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("the document window was not shown");
    return window;
}

void TestDocumentWindow::closeAllWindows()
{
    closeAllDocumentWindows();
}

void TestDocumentWindow::startsWithOneUntitledWindow()
{
    DocumentWindow* window = openWindow();
    QCOMPARE(ControlWindow::instance()->document_windows().size(), 1);
    QVERIFY(ControlWindow::instance()->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled"));
    QVERIFY(!window->view()->has_picture());
    QCOMPARE(window->view()->status_text(), QString());
}

void TestDocumentWindow::startsWithAPicture()
{
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    QCOMPARE(window->windowTitle(), QStringLiteral("photo - Drawlume"));
    QVERIFY(window->view()->has_picture());
    QCOMPARE(window->view()->source_image().size(), QSize(300, 200));
    QCOMPARE(window->view()->status_text(), QStringLiteral("photo.png: (300 x 200)"));
    QCOMPARE(ControlWindow::instance()->current_document(), window->view());
}

void TestDocumentWindow::startsWithADocument()
{
    FilterParametersPtr stored = defaultParameters(QStringLiteral("Oil"));
    stored->insert(Keys::Oil::strength, 41);
    QString written, error;
    // The picture's stored name is shown, and stored again by the next save, whatever name the
    // picture was unpacked under.
    const QString pictureName = QString::fromUtf8("caf\u00e9 \u5199\u771f.png");
    QVERIFY2(packDocument(m_dir.filePath("painting.drawlume"), scenePicture(120, 90), pictureName,
                          QByteArray(), *stored, &written, &error),
             qPrintable(error));
    DocumentWindow* window = openWindow(written);
    QCOMPARE(window->windowTitle(), QStringLiteral("painting - Drawlume"));
    QCOMPARE(window->view()->source_image().size(), QSize(120, 90));
    ControlWindow* control = ControlWindow::instance();
    QCOMPARE(control->current_filter_name(), QStringLiteral("Oil"));
    QCOMPARE(control->current_parameters()->value(Keys::Oil::strength).toInt(), 41);
    QVERIFY(window->view()->document()->is_document());
    QCOMPARE(window->view()->status_text(), pictureName + QStringLiteral(": (120 x 90)"));

    m_dialog.answer = m_dir.filePath("copy.drawlume");
    m_dialog.filter = QStringLiteral("drawlume (*.drawlume)");
    window->menu()->slot_file_save_as();
    QVERIFY(QFile::exists(m_dir.filePath("copy.drawlume")));
    UnpackedDocument unpacked;
    QVERIFY2(unpackDocument(m_dir.filePath("copy.drawlume"), unpacked, &error), qPrintable(error));
    QCOMPARE(unpacked.pictureName, pictureName);
}

void TestDocumentWindow::storedSettingsOutOfRangeAreBroughtIntoIt()
{
    // A document with a stroke length far above its range and no contour value opens with the
    // length at the range's end and the contour at its default, and says so once.
    FilterParameters stored = *defaultParameters(QStringLiteral("Pencil"));
    stored.insert(Keys::Pencil::strokeLength, QStringLiteral("32767"));
    stored.remove(Keys::Pencil::contour);
    const QString path = m_dir.filePath("odd.drawlume");
    QString written, error;
    QVERIFY2(packDocument(path, scenePicture(40, 30), QStringLiteral("odd.png"), QByteArray(),
                          stored, &written, &error),
             qPrintable(error));
    MessageBoxCloser closer;
    DocumentWindow* window = openWindow(written);
    QTRY_VERIFY(!closer.text.isEmpty());
    QVERIFY2(closer.details.contains(Keys::Pencil::strokeLength + "=32767: the value is out of "
                                                                  "range"),
             qPrintable(closer.details));
    QVERIFY2(closer.details.contains("lack " + Keys::Pencil::contour), qPrintable(closer.details));
    const ParameterSpec* length = findParameter("Pencil", Keys::Pencil::strokeLength);
    const ParameterSpec* contour = findParameter("Pencil", Keys::Pencil::contour);
    QVERIFY(length && contour);
    ControlWindow* control = ControlWindow::instance();
    QCOMPARE(control->current_parameters()->value(Keys::Pencil::strokeLength).toInt(),
             length->maximum);
    QCOMPARE(control->current_parameters()->value(Keys::Pencil::contour), contour->defaultValue);
    QVERIFY(window->view()->has_picture());
}

void TestDocumentWindow::missingPathGivesAnEmptyWindowSilently()
{
    MessageBoxCloser closer;
    // A message box would have come up (and been answered) while the window opened.
    DocumentWindow* window = openWindow(m_dir.filePath("nowhere.jpg"));
    QCOMPARE(closer.text, QString());
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled"));
    QVERIFY(!window->view()->has_picture());
}

void TestDocumentWindow::untitledWindowsAreNumbered()
{
    DocumentWindow* first = openWindow();
    first->menu()->slot_file_new();
    first->menu()->slot_file_new();
    QStringList titles;
    for (DocumentWindow* window : ControlWindow::instance()->document_windows())
        titles << window->windowTitle();
    QCOMPARE(titles, QStringList({"Untitled", "Untitled 2", "Untitled 3"}));
    closeAllWindows();
    QCOMPARE(openWindow()->windowTitle(), QStringLiteral("Untitled"));
}

void TestDocumentWindow::unreadableFileSaysCannotLoad()
{
    const QString path = m_dir.filePath("broken.jpg");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture at all");
    file.close();
    DocumentWindow* window = openWindow();
    MessageBoxCloser closer;
    window->view()->load_file(path, false);
    QCOMPARE(closer.text, QStringLiteral("Cannot load %1.").arg(path));
    QVERIFY(!window->view()->has_picture());
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled"));
}

void TestDocumentWindow::commandsFollowTheDocumentState()
{
    DocumentWindow* window = openWindow();
    Menu* menu = window->menu();
    QApplication::clipboard()->clear();
    window->check_enabled_widgets();
    for (QAction* action : {menu->action_save(), menu->action_save_as(), menu->action_copy(),
                            menu->action_process(), menu->action_export(), menu->action_paste()})
        QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
    for (QAction* action : {menu->action_new(), menu->action_open(), menu->action_close(),
                            menu->action_quit(), menu->action_about(), menu->action_manual()})
        QVERIFY2(action->isEnabled(), qPrintable(action->text()));

    QApplication::clipboard()->setImage(scenePicture(10, 10));
    QTRY_VERIFY(menu->action_paste()->isEnabled());
    menu->slot_edit_paste();
    QVERIFY(window->view()->has_picture());
    // Export too: without a rendering it renders one first.
    for (QAction* action : {menu->action_save(), menu->action_save_as(), menu->action_copy(),
                            menu->action_process(), menu->action_export()})
        QVERIFY2(action->isEnabled(), qPrintable(action->text()));
}

void TestDocumentWindow::menusAreLaidOutForKeysAndEyes()
{
    DocumentWindow* window = openWindow();
    Menu* menu = window->menu();
    QStringList asking;
    for (QAction* top : window->menuBar()->actions()) {
        QMenu* sub = top->menu();
        QVERIFY(sub);
        // Within a menu every command has a mnemonic of its own.
        QSet<QChar> mnemonics;
        for (QAction* action : sub->actions()) {
            if (action->isSeparator() || !action->isVisible())
                continue;
            const QString text = action->text();
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            if (text.endsWith(QStringLiteral("...")))
                asking.append(QString(text).remove(QLatin1Char('&')));
            if (amp < 0 || amp + 1 >= text.size())
                continue;
            const QChar key = text.at(amp + 1).toLower();
            QVERIFY2(!mnemonics.contains(key), qPrintable(sub->title() + ": " + text));
            mnemonics.insert(key);
        }
    }
    // The commands that ask for more before they act carry an ellipsis, and only they do.
    QCOMPARE(asking, (QStringList{"Open...", "Save As...", "Export...", "Batch Export..."}));

    // Edit: Undo, Redo, then Copy, Paste, then Process (Ctrl+R).
    QList<QAction*> edit;
    for (QAction* top : window->menuBar()->actions()) {
        if (top->text() == QStringLiteral("&Edit"))
            edit = top->menu()->actions();
    }
    QCOMPARE(edit.size(), 7);
    QCOMPARE(edit[0], menu->action_undo());
    QCOMPARE(edit[1], menu->action_redo());
    QVERIFY(edit[2]->isSeparator());
    QCOMPARE(edit[3], menu->action_copy());
    QCOMPARE(edit[4], menu->action_paste());
    QVERIFY(edit[5]->isSeparator());
    QCOMPARE(edit[6], menu->action_process());
    QCOMPARE(menu->action_process()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
}

void TestDocumentWindow::titleShowsUnsavedChanges()
{
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    BevelComboBox* combo = ControlWindow::instance()->filter_combo();
    window->view()->undo_stack()->push(new FilterChangeCommand(combo, 1, 0));
    QCOMPARE(window->windowTitle(), QStringLiteral("photo - Drawlume*"));
    QCOMPARE(combo->currentIndex(), 1);
    window->view()->undo_stack()->undo();
    QCOMPARE(window->windowTitle(), QStringLiteral("photo - Drawlume"));
    QCOMPARE(combo->currentIndex(), 0);
}

void TestDocumentWindow::closeProtocolFollowsTheDialog()
{
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    QPointer<DocumentWindow> watch = window;
    BevelComboBox* combo = ControlWindow::instance()->filter_combo();
    window->view()->undo_stack()->push(new FilterChangeCommand(combo, 2, 0));

    // Cancel keeps the window; a second close makes a new dialog.
    window->close();
    QPointer<SaveDialogBox> dialog = window->save_dialog();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    emit dialog->finished(1);
    settle();
    QVERIFY(!dialog);
    QVERIFY(watch);

    // "Save..." with the file dialog cancelled leaves the dialog open.
    window->close();
    dialog = window->save_dialog();
    QVERIFY(dialog);
    m_dialog.answer.clear();
    emit dialog->finished(5);
    settle();
    QVERIFY(watch);
    QVERIFY(dialog && dialog->isVisible());

    // "Save..." with a name writes the document and closes the window.
    m_dialog.answer = m_dir.filePath("closing.drawlume");
    emit dialog->finished(5);
    settle();
    QTRY_VERIFY(!watch);
    QVERIFY(QFile::exists(m_dir.filePath("closing.drawlume")));

    // "Don't Save" closes without writing.
    DocumentWindow* other = openWindow(m_dir.filePath("photo.png"));
    QPointer<DocumentWindow> otherWatch = other;
    other->view()->undo_stack()->push(new FilterChangeCommand(combo, 1, 0));
    other->close();
    QVERIFY(other->save_dialog());
    emit other->save_dialog()->finished(6);
    settle();
    QTRY_VERIFY(!otherWatch);
}

void TestDocumentWindow::processThenExportWritesTheFullSizeRendering_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("quality");
    QTest::newRow("jpg") << "export.jpg"
                         << "JPEG (*.jpg)" << 80;
    // The quality chosen for JPEG files applies whatever the letter case of the suffix.
    QTest::newRow("JPG") << "export.JPG"
                         << "JPEG (*.jpg)" << 80;
    QTest::newRow("png") << "export.png"
                         << "PNG (*.png)" << -1;
}

void TestDocumentWindow::processThenExportWritesTheFullSizeRendering()
{
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(int, quality);
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    DocumentView* view = window->view();
    QVERIFY(view->process(QStringLiteral("Pencil")));
    QTRY_VERIFY(view->has_result());
    QTRY_VERIFY(!view->launcher()->worker());
    const QImage shown = view->canvas()->shown_image();

    m_dialog.answer = m_dir.filePath(name);
    m_dialog.filter = filter;
    window->menu()->slot_file_export();
    QTRY_VERIFY(!view->launcher()->worker());
    QTRY_VERIFY(QFile::exists(m_dialog.answer));
    QImage exported;
    QVERIFY(loadPicture(m_dialog.answer, exported));
    QCOMPARE(exported.size(), QSize(300, 200));
    // The same drawing as on screen, written with the expected quality.
    const QString reference = m_dir.filePath("reference-" + name);
    QVERIFY(savePicture(shown.convertToFormat(QImage::Format_RGB32), reference, quality));
    QFile a(m_dialog.answer), b(reference);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), b.readAll());
    // Exporting writes a file; the document keeps its name.
    QCOMPARE(window->windowTitle(), QStringLiteral("photo - Drawlume"));
}

void TestDocumentWindow::exportBeforeAnyRenderingRendersFirst()
{
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    DocumentView* view = window->view();
    QVERIFY(!view->has_result());
    QVERIFY(window->menu()->action_export()->isEnabled());
    m_dialog.answer = m_dir.filePath("rendered.png");
    m_dialog.filter = QStringLiteral("PNG (*.png)");
    window->menu()->slot_file_export();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dialog.answer) && !view->launcher()->worker(), 120000);
    // The artwork at the photo's size, as after Process, not the photo itself.
    QVERIFY(view->has_result());
    QImage written;
    QVERIFY(loadPicture(m_dialog.answer, written));
    const QImage photo = view->source_image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(written.size(), photo.size());
    QVERIFY(written.convertToFormat(QImage::Format_RGB32) != photo);
}

void TestDocumentWindow::exportKeepsThePhotoInformationAsAsked_data()
{
    QTest::addColumn<bool>("document"); // exported from a document saved and reopened from disk
    QTest::addColumn<bool>("keep");     // "Keep photo information" ticked
    QTest::addColumn<QString>("suffix");

    QTest::newRow("photo, kept") << false << true << "jpg";
    QTest::newRow("photo, left out") << false << false << "jpg";
    QTest::newRow("reopened document, kept") << true << true << "jpg";
    QTest::newRow("reopened document, left out") << true << false << "jpg";
    // WebP carries no IPTC: the export says what it left out.
    QTest::newRow("photo, kept, as WebP") << false << true << "webp";
}

void TestDocumentWindow::exportKeepsThePhotoInformationAsAsked()
{
    QFETCH(bool, document);
    QFETCH(bool, keep);
    QFETCH(QString, suffix);

    // A phone photo taken sideways (64 x 48 as stored) with the phone's information.
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(scenePicture(64, 48).save(&buffer, "jpeg", 95));
    const QString photo = m_dir.filePath("phone.jpg");
    QFile file(photo);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(withPhoneInformation(jpeg, QSize(64, 48))) > jpeg.size());
    file.close();

    DocumentWindow* window = openWindow(photo);
    if (document) {
        const QString saved = m_dir.filePath(keep ? "phone-kept.drawlume" : "phone.drawlume");
        m_dialog.answer = saved;
        m_dialog.filter = QStringLiteral("drawlume (*.drawlume)");
        QVERIFY(window->menu()->save());
        closeAllWindows();
        QVERIFY(QFile::remove(photo)); // the document holds all there is
        window = openWindow(saved);
    }
    DocumentView* view = window->view();
    QVERIFY(view->process(QStringLiteral("Pencil")));
    QTRY_VERIFY(view->has_result());
    QTRY_VERIFY(!view->launcher()->worker());

    set_keep_photo_information(keep);
    m_dialog.answer = m_dir.filePath((keep ? "kept." : "left-out.") + suffix);
    m_dialog.filter =
        suffix == "jpg" ? QStringLiteral("JPEG (*.jpg)") : QStringLiteral("WebP (*.webp)");
    MessageBoxCloser closer;
    window->menu()->slot_file_export();
    QTRY_VERIFY(!view->launcher()->worker());
    QTRY_VERIFY(QFile::exists(m_dialog.answer));
    if (suffix == "webp")
        QTRY_VERIFY2(closer.details.contains("IPTC"), qPrintable(closer.details));
    else
        QVERIFY2(closer.text.isEmpty(), qPrintable(closer.text));
    QFile exported(m_dialog.answer);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QMap<QString, QString> information = photoInformation(exported.readAll());
    QVERIFY(!information.contains("unreadable"));
    set_keep_photo_information(true);

    if (!keep) {
        QVERIFY2(information.isEmpty(), qPrintable(information.keys().join(", ")));
        return;
    }
    // The camera, the time and the place, with the artwork's orientation, size and software.
    QCOMPARE(information.value("Exif.Image.Make"), QString::fromStdString(phone::make));
    QCOMPARE(information.value("Exif.Photo.DateTimeOriginal"),
             QString::fromStdString(phone::taken));
    QCOMPARE(information.value("Exif.GPSInfo.GPSLatitude"),
             QString::fromStdString(phone::latitude));
    QCOMPARE(information.value("Exif.Image.Orientation"), QStringLiteral("1"));
    QCOMPARE(information.value("Exif.Photo.PixelXDimension"), QStringLiteral("48"));
    QCOMPARE(information.value("Exif.Photo.PixelYDimension"), QStringLiteral("64"));
    QCOMPARE(information.value("Exif.Image.Software"),
             QStringLiteral("Drawlume " DRAWLUME_VERSION));
    QVERIFY(!hasKeysOf(information, "Exif.Thumbnail."));
    QVERIFY(information.value("Xmp.dc.title").contains(QString::fromStdString(phone::title)));
    QCOMPARE(information.value("Iptc.Application2.Caption"),
             suffix == "webp" ? QString() : QString::fromStdString(phone::caption));
}

void TestDocumentWindow::cancelledRenderingRestoresTheSettings()
{
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    DocumentView* view = window->view();
    Launcher* launcher = view->launcher();
    QVERIFY(view->process(QStringLiteral("Pencil")));
    launcher->worker()->slot_cancelled();
    QTRY_VERIFY(!launcher->worker());
    QVERIFY(!view->has_result());
    QVERIFY(!launcher->current_parameters());

    // After a completed rendering, a cancelled one leaves the completed settings in force.
    QVERIFY(view->process(QStringLiteral("Pencil")));
    QTRY_VERIFY(!launcher->worker());
    const FilterParametersPtr completed = launcher->current_parameters();
    QVERIFY(completed);
    QVERIFY(view->process(QStringLiteral("Pencil")));
    launcher->worker()->slot_cancelled();
    QTRY_VERIFY(!launcher->worker());
    QCOMPARE(launcher->current_parameters(), completed);
    window->check_enabled_widgets();
    QVERIFY(window->menu()->action_export()->isEnabled());
}

void TestDocumentWindow::busyCursorDuringARun()
{
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    Launcher* launcher = window->view()->launcher();
    QList<int> shapes;
    bool windowShown = false;
    connect(launcher, &Launcher::busy_changed, this, [&](bool busy) {
        shapes << (QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape())
                                                  : -1);
        if (busy)
            windowShown = launcher->progress_window() && launcher->progress_window()->isVisible();
    });
    QVERIFY(window->view()->process(QStringLiteral("Pencil")));
    QTRY_VERIFY(!launcher->worker());
    QCOMPARE(shapes, QList<int>({int(Qt::WaitCursor), -1}));
    QVERIFY(windowShown);
    QVERIFY(!launcher->progress_window());
    disconnect(launcher, nullptr, this, nullptr);
}

void TestDocumentWindow::secondRunIsRefusedWhileOneIsInProgress()
{
    // A picture larger than the window: the display render is a reduced one.
    const QString large = m_dir.filePath("large.png");
    QVERIFY(writePicture(large, scenePicture(2400, 1800)));
    DocumentWindow* window = openWindow(large);
    DocumentView* view = window->view();
    QVERIFY(view->process(QStringLiteral("Pencil")));
    QTRY_VERIFY(view->has_result() || !view->launcher()->worker());
    // While it runs, Process and Export are greyed out (looked at when the run starts: a quick
    // one may be over before a test could look again).
    int started = 0;
    bool greyed = false;
    connect(view->launcher(), &Launcher::busy_changed, this, [&](bool busy) {
        if (!busy)
            return;
        ++started;
        greyed = !window->menu()->action_process()->isEnabled() &&
                 !window->menu()->action_export()->isEnabled();
    });
    QVERIFY(view->process(QStringLiteral("Pencil")));
    Worker* first = view->launcher()->worker();
    // Refused, and said so, rather than silently ignored.
    QVERIFY(!view->process(QStringLiteral("Pencil")));
    QCOMPARE(view->launcher()->worker(), first);
    QVERIFY(view->status_bar()->text().contains(QStringLiteral("rendering")));
    QTRY_COMPARE(started, 1);
    QVERIFY(greyed);
    QTRY_VERIFY_WITH_TIMEOUT(!view->launcher()->worker(), 60000);
    QCOMPARE(started, 1);
    QVERIFY(window->menu()->action_process()->isEnabled());
    QVERIFY(window->menu()->action_export()->isEnabled());
}

void TestDocumentWindow::saveAndReopenADocument()
{
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    ControlWindow* control = ControlWindow::instance();
    control->filter_combo()->setCurrentIndex(control->filter_index(QStringLiteral("Oil")));
    const QString settingsText = control->current_parameters()->valuesText();
    m_dialog.answer = m_dir.filePath("saved");
    m_dialog.filter = QStringLiteral("drawlume (*.drawlume)");
    QVERIFY(window->menu()->save());
    const QString path = m_dir.filePath("saved.drawlume");
    QVERIFY(QFile::exists(path));
    QCOMPARE(window->windowTitle(), QStringLiteral("saved - Drawlume"));
    QCOMPARE(window->view()->windowFilePath(), path);
    closeAllWindows();

    control->filter_combo()->setCurrentIndex(0);
    DocumentWindow* reopened = openWindow(path);
    QCOMPARE(reopened->windowTitle(), QStringLiteral("saved - Drawlume"));
    QCOMPARE(control->current_filter_name(), QStringLiteral("Oil"));
    QCOMPARE(control->current_parameters()->valuesText(), settingsText);
    QCOMPARE(reopened->view()->source_image().size(), QSize(300, 200));

    // Saving again writes the same file without asking, and it still reopens.
    m_dialog.asked = 0;
    QVERIFY(reopened->menu()->save());
    QCOMPARE(m_dialog.asked, 0);
    QImage picture;
    FilterParametersPtr parameters;
    QString error;
    QVERIFY2(loadDocument(path, picture, parameters, &error), qPrintable(error));
    QCOMPARE(parameters->filterName(), QStringLiteral("Oil"));
}

void TestDocumentWindow::openingAnOpenDocumentActivatesItsWindow()
{
    FilterParametersPtr stored = defaultParameters(QStringLiteral("Pencil"));
    QString written, error;
    QImage mask(50, 40, QImage::Format_Grayscale8);
    mask.fill(0);
    mask.scanLine(7)[9] = 200;
    QVERIFY(packDocument(m_dir.filePath("twice.drawlume"), scenePicture(50, 40),
                         QStringLiteral("scene.png"), QByteArray(), *stored, &written, &error,
                         mask));
    DocumentWindow* window = openWindow(written);
    window->menu()->slot_file_selected(written);
    QCOMPARE(ControlWindow::instance()->document_windows().size(), 1);
    QCOMPARE(ControlWindow::instance()->current_document(), window->view());

    // Saved again, the document keeps its photo mask.
    QVERIFY(window->menu()->save());
    QImage picture, readMask;
    FilterParametersPtr parameters;
    QVERIFY2(loadDocument(written, picture, parameters, &error, nullptr, nullptr, &readMask),
             qPrintable(error));
    QCOMPARE(readMask, mask);
}

void TestDocumentWindow::droppedPictureFileLoadsAndCanBeUndone()
{
    const QString other = m_dir.filePath("other.png");
    QVERIFY(writePicture(other, scenePicture(64, 32)));
    DocumentWindow* window = openWindow(m_dir.filePath("photo.png"));
    auto drop = [&](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &event);
        return event.isAccepted();
    };
    QVERIFY(drop(other));
    QCOMPARE(window->view()->source_image().size(), QSize(64, 32));
    // A dropped file keeps the document's name.
    QCOMPARE(window->windowTitle(), QStringLiteral("photo - Drawlume*"));
    window->view()->undo_stack()->undo();
    QCOMPARE(window->view()->source_image().size(), QSize(300, 200));
    window->view()->undo_stack()->redo();
    QCOMPARE(window->view()->source_image().size(), QSize(64, 32));

    // Missing files are refused; a document opens in a window of its own, with its settings.
    QVERIFY(!drop(m_dir.filePath("missing.png")));
    QString written, error;
    FilterParametersPtr stored = defaultParameters(QStringLiteral("Watercolor"));
    QVERIFY(packDocument(m_dir.filePath("dropped.drawlume"), scenePicture(8, 8),
                         QStringLiteral("d.png"), QByteArray(), *stored, &written, &error));
    QVERIFY(drop(written));
    QCOMPARE(window->view()->source_image().size(), QSize(64, 32));
    QCOMPARE(ControlWindow::instance()->document_windows().size(), 2);
    DocumentWindow* opened = ControlWindow::instance()->document_windows().constLast();
    QCOMPARE(opened->windowTitle(), QStringLiteral("dropped - Drawlume"));
    QCOMPARE(ControlWindow::instance()->current_document(), opened->view());
    QCOMPARE(ControlWindow::instance()->current_filter_name(), QStringLiteral("Watercolor"));
}

void TestDocumentWindow::processEndsWithTheLastWindow()
{
    DocumentWindow* first = openWindow();
    first->menu()->slot_file_new();
    QSignalSpy lastClosed(ControlWindow::instance()->registry(),
                          &DocumentRegistry::last_window_closed);
    QList<DocumentWindow*> windows = ControlWindow::instance()->document_windows();
    QCOMPARE(windows.size(), 2);
    windows.at(0)->close();
    settle();
    QCOMPARE(lastClosed.count(), 0);
    // The last window's geometry is what the next start restores.
    windows.at(1)->move(windows.at(1)->pos() + QPoint(13, 7));
    const QByteArray expected = windows.at(1)->saveGeometry();
    windows.at(1)->menu()->action_quit()->trigger();
    settle();
    QCOMPARE(lastClosed.count(), 1);
    QCOMPARE(document_window_geometry(), expected);
    // The control window cannot be closed by the user.
    QCloseEvent close;
    QApplication::sendEvent(ControlWindow::instance(), &close);
    QVERIFY(!close.isAccepted());
}

void TestDocumentWindow::windowsCascadeAndStayOnTheScreen()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // A stored geometry partly off the screen (another monitor, once) is brought back.
    {
        QMainWindow probe;
        probe.resize(800, 600);
        probe.move(screen.right() - 100, screen.bottom() - 50);
        set_document_window_geometry(probe.saveGeometry());
    }
    DocumentWindow* first = openWindow();
    QVERIFY(screen.contains(QRect(first->pos(), first->size())));
    // Each new window opens below and right of the newest, never exactly over it.
    first->menu()->slot_file_new();
    first->menu()->slot_file_new();
    const QList<DocumentWindow*> windows = ControlWindow::instance()->document_windows();
    QCOMPARE(windows.size(), 3);
    QSet<QPoint> places;
    for (DocumentWindow* window : windows) {
        QVERIFY(screen.contains(QRect(window->pos(), window->size())));
        places.insert(window->pos());
    }
    QCOMPARE(places.size(), 3);
    // (The first sits in the screen's corner, so the second starts again at the top left; the
    // third goes below it, beside the control window rather than over it.)
    QVERIFY(windows.at(2)->pos().y() > windows.at(1)->pos().y());
    ControlWindow* control = ControlWindow::instance();
    if (control->isVisible())
        QVERIFY(!windows.at(2)->frameGeometry().intersects(control->frameGeometry()));
    set_document_window_geometry(QByteArray());
}

void TestDocumentWindow::pastedPicturesAreUndoableUntitledPictures()
{
    // A picture pasted into a new window: modified, untitled, saved losslessly under a name.
    DocumentWindow* window = openWindow();
    const QImage pasted = scenePicture(31, 17).convertToFormat(QImage::Format_RGB32);
    QApplication::clipboard()->setImage(pasted);
    QTRY_VERIFY(window->menu()->action_paste()->isEnabled());
    window->menu()->slot_edit_paste();
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled*"));
    QCOMPARE(window->view()->status_text(), QStringLiteral("Untitled: (31 x 17)"));
    m_dialog.answer = m_dir.filePath("pasted.drawlume");
    QVERIFY(window->menu()->save());
    QCOMPARE(window->windowTitle(), QStringLiteral("pasted - Drawlume"));
    DocumentContents contents;
    QString error;
    QVERIFY2(readDocumentFile(m_dialog.answer, contents, &error), qPrintable(error));
    QCOMPARE(contents.pictureName, QStringLiteral("Untitled.png"));
    QCOMPARE(QImage::fromData(contents.picture, "PNG").convertToFormat(QImage::Format_RGB32),
             pasted);
    closeAllWindows();

    // Pasted over a photo with changed settings: one step, and undo gives the photo back.
    DocumentWindow* photo = openWindow(m_dir.filePath("photo.png"));
    QUndoStack* stack = photo->view()->undo_stack();
    stack->push(new FilterChangeCommand(ControlWindow::instance()->filter_combo(), 1, 0));
    photo->menu()->slot_edit_paste();
    QCOMPARE(stack->count(), 2);
    QCOMPARE(photo->view()->source_image().size(), QSize(31, 17));
    QCOMPARE(photo->view()->status_text(), QStringLiteral("Untitled: (31 x 17)"));
    QCOMPARE(photo->windowTitle(), QStringLiteral("photo - Drawlume*"));
    stack->undo();
    QCOMPARE(photo->view()->source_image().size(), QSize(300, 200));
    QCOMPARE(photo->view()->status_text(), QStringLiteral("photo.png: (300 x 200)"));
    QCOMPARE(photo->windowTitle(), QStringLiteral("photo - Drawlume*"));
    stack->redo();
    QCOMPARE(photo->view()->source_image().size(), QSize(31, 17));
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestDocumentWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_document_window.moc"
