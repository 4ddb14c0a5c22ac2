#include "core/filters/filter_list.h"
#include "core/framework/parameter_keys.h"
#include "document/document_container.h"
#include "document/settings.h"
#include "processing/worker.h"
#include "support/document_windows.h"
#include "support/test_pictures.h"
#include "ui/application.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/file_dialogs.h"
#include "ui/document/launcher.h"
#include "ui/document/menu.h"
#include "ui/panel/control_window.h"
#include "ui/panel/filter_slider.h"
#include "ui/panel/filter_value_command.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/integer_edit.h"
#include "ui/panel/oil_painting_filter_widget.h"
#include "ui/panel/preview_widget.h"
#include "ui/panel/thumbnail.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/picture_canvas.h"
#include "ui/widgets/status_bar.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QUndoGroup>
#include <QUndoStack>
#include <QtTest>

namespace {

const QString kStroke = Keys::Pencil::strokeLength;

QString g_answer;

} // namespace

// The control window serving several documents: each keeps its filter and settings, previews
// come from the cache when nothing changed, and documents reopen as they were saved.
class TestControlWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void documentsKeepTheirOwnFilterAndSettings();
    void repeatedPreviewComesFromTheCache();
    void valueChangesUndoAndRedo();
    void savedDocumentReopensWithTheSameRendering();
    void damagedDocumentChangesNothing();
    void escapeAndReturnDoNotHideTheWindow();
    void otherDocumentsKeepTheirSettingsWhenSavedOrOpened();
    void undoStaysWithTheCurrentDocument();
    void previewCoversThePreviewAfterItsSizeChanges();
    void liveRendersOnceAfterABurstOfChanges();

private:
    DocumentWindow* open(const QString& path);

    QTemporaryDir m_dir;
};

void TestControlWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    set_file_dialog_runner([](QWidget*, const QString&, const QString&, const QString& filter,
                              QString* selected, bool) {
        if (selected)
            *selected = filter.section(QStringLiteral(";;"), 0, 0);
        return g_answer;
    });
    QVERIFY(scenePicture(160, 120).save(m_dir.filePath("a.png")));
    QVERIFY(scenePicture(90, 140).save(m_dir.filePath("b.png")));
}

void TestControlWindow::cleanup()
{
    closeAllDocumentWindows();
}

DocumentWindow* TestControlWindow::open(const QString& path)
{
    DocumentWindow* window = start_application(path.isEmpty() ? QStringList() : QStringList{path});
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("the document window was not shown");
    // An opened file's window is brought to the front; its focus (which makes its document
    // current) arrives later, and must not overtake the test's own choices.
    if (!path.isEmpty() && !QTest::qWaitForWindowActive(window, 30000))
        qWarning("the document window did not get the focus");
    return window;
}

void TestControlWindow::documentsKeepTheirOwnFilterAndSettings()
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* a = open(m_dir.filePath("a.png"));
    DocumentWindow* b = open(m_dir.filePath("b.png"));

    control->set_current_document(a->view(), true);
    control->filter_combo()->setCurrentIndex(0);
    control->panel(0)->slider(kStroke)->setValue(77);
    QCOMPARE(control->current_parameters()->value(kStroke).toInt(), 77);

    control->set_current_document(b->view(), true);
    QCOMPARE(control->current_parameters()->value(kStroke).toInt(), 40);
    control->filter_combo()->setCurrentIndex(control->filter_index(QStringLiteral("Watercolor")));

    control->set_current_document(a->view(), true);
    QCOMPARE(control->current_filter_name(), QStringLiteral("Pencil"));
    QCOMPARE(control->current_parameters()->value(kStroke).toInt(), 77);
    control->set_current_document(b->view(), true);
    QCOMPARE(control->current_filter_name(), QStringLiteral("Watercolor"));
    QCOMPARE(control->panel(0)->slider(kStroke)->value(), 40);
}

void TestControlWindow::repeatedPreviewComesFromTheCache()
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* window = open(m_dir.filePath("a.png"));
    control->set_current_document(window->view(), true);
    QTRY_VERIFY(!control->preview_worker());
    control->panel(0)->slider(kStroke)->setValue(61);
    control->preview_current_filter();
    QVERIFY(control->preview_worker());
    QTRY_VERIFY(!control->preview_worker());
    const int cached = control->preview_cache().size();

    // The same piece and settings again: shown at once, no worker.
    control->preview_current_filter();
    QVERIFY(!control->preview_worker());
    QCOMPARE(control->preview_cache().size(), cached);
    QVERIFY(control->thumbnail()->isVisible());

    // Other settings need a render.
    control->panel(0)->slider(kStroke)->setValue(62);
    control->preview_current_filter();
    QVERIFY(control->preview_worker());
    QTRY_VERIFY(!control->preview_worker());
}

void TestControlWindow::valueChangesUndoAndRedo()
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* window = open(m_dir.filePath("a.png"));
    control->set_current_document(window->view(), true);
    FilterSlider* slider = control->panel(0)->slider(kStroke);
    QSignalSpy changed(control->panel(0), &FilterWidget::changed);
    control->push_undo(new FilterValueCommand(slider->field(), 90, slider->value()));
    QCOMPARE(slider->value(), 90);
    QCOMPARE(slider->field()->text(), QStringLiteral("90"));
    QCOMPARE(window->windowTitle(), QStringLiteral("a - Drawlume*"));
    QVERIFY(changed.count() >= 1);
    window->view()->undo_stack()->undo();
    QCOMPARE(slider->value(), 40);
    QCOMPARE(slider->field()->text(), QStringLiteral("40"));
    QCOMPARE(window->windowTitle(), QStringLiteral("a - Drawlume"));
    window->view()->undo_stack()->redo();
    QCOMPARE(slider->value(), 90);
}

void TestControlWindow::savedDocumentReopensWithTheSameRendering()
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* window = open(m_dir.filePath("a.png"));
    control->set_current_document(window->view(), true);
    control->panel(0)->slider(kStroke)->setValue(83);
    QVERIFY(window->view()->process(QStringLiteral("Pencil")));
    QTRY_VERIFY(!window->view()->launcher()->worker());
    const QImage rendered = window->view()->canvas()->shown_image();
    const QString settings = control->current_parameters()->valuesText();

    g_answer = m_dir.filePath("kept.drawlume");
    QVERIFY(window->menu()->save());
    cleanup();

    DocumentWindow* reopened = open(g_answer);
    QCOMPARE(control->current_parameters()->valuesText(), settings);
    QVERIFY(reopened->view()->process(QStringLiteral("Pencil")));
    QTRY_VERIFY(!reopened->view()->launcher()->worker());
    QCOMPARE(reopened->view()->canvas()->shown_image(), rendered);
}

void TestControlWindow::damagedDocumentChangesNothing()
{
    ControlWindow* control = ControlWindow::instance();
    const QString path = m_dir.filePath("damaged.drawlume");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(documentBytes("not a picture", QStringLiteral("x.png"), "<filter>").left(30));
    file.close();

    DocumentWindow* window = open(m_dir.filePath("a.png"));
    control->set_current_document(window->view(), true);
    control->panel(0)->slider(kStroke)->setValue(55);
    QString message;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                message = box->text();
                box->accept();
            }
        }
    });
    closer.start(20);
    window->view()->load_file(path, false);
    closer.stop();
    QCOMPARE(message, QStringLiteral("Cannot load %1.").arg(path));
    QCOMPARE(window->windowTitle(), QStringLiteral("a - Drawlume"));
    QCOMPARE(window->view()->source_image().size(), QSize(160, 120));
    QCOMPARE(control->current_parameters()->value(kStroke).toInt(), 55);
}

void TestControlWindow::escapeAndReturnDoNotHideTheWindow()
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* window = open(m_dir.filePath("a.png"));
    control->set_current_document(window->view(), true);
    control->show();
    QVERIFY(QTest::qWaitForWindowExposed(control));
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(control, &press);
        QVERIFY(control->isVisible());
        QCOMPARE(control->result(), 0);
    }
}

void TestControlWindow::otherDocumentsKeepTheirSettingsWhenSavedOrOpened()
{
    ControlWindow* control = ControlWindow::instance();
    const int watercolor = control->filter_index(QStringLiteral("Watercolor"));
    const QString saturation = Keys::Watercolor::saturation;
    DocumentWindow* a = open(m_dir.filePath("a.png"));
    DocumentWindow* b = open(m_dir.filePath("b.png"));
    control->set_current_document(b->view(), true);
    control->filter_combo()->setCurrentIndex(watercolor);
    control->panel(watercolor)->slider(saturation)->setValue(93);
    control->set_current_document(a->view(), true);
    control->panel(0)->slider(kStroke)->setValue(66);

    // b is saved while a has the panel (its close question does that): b's settings go in.
    g_answer = m_dir.filePath("b-kept.drawlume");
    QVERIFY(b->menu()->save());
    QCOMPARE(control->current_document(), a->view());
    QCOMPARE(control->panel(0)->slider(kStroke)->value(), 66);

    // Opening the document does not cost a the change it has not handed over yet.
    b->close();
    QTRY_VERIFY(!control->document_windows().contains(b));
    QCOMPARE(control->current_document(), a->view());
    a->menu()->slot_file_selected(g_answer);
    DocumentWindow* reopened = control->current_document_window();
    QVERIFY(reopened && reopened != a && reopened != b);
    QCOMPARE(control->current_filter_name(), QStringLiteral("Watercolor"));
    QCOMPARE(control->current_parameters()->value(saturation).toInt(), 93);
    // The opened window comes to the front once it is on screen; a busy machine may take a while.
    QVERIFY(QTest::qWaitForWindowExposed(reopened, 30000));
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), reopened, 30000);
    // Its own second request to come forward, queued when it came on screen, goes first.
    QCoreApplication::sendPostedEvents();
    a->activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(control->current_document(), a->view(), 30000);
    QCOMPARE(control->current_filter_name(), QStringLiteral("Pencil"));
    QCOMPARE(control->panel(0)->slider(kStroke)->value(), 66);
}

void TestControlWindow::undoStaysWithTheCurrentDocument()
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* a = open(m_dir.filePath("a.png"));
    DocumentWindow* b = open(m_dir.filePath("b.png"));
    FilterSlider* slider = control->panel(0)->slider(kStroke);
    control->set_current_document(b->view(), true);
    control->push_undo(new FilterValueCommand(slider->field(), 70, slider->value()));
    control->set_current_document(a->view(), true);
    control->push_undo(new FilterValueCommand(slider->field(), 20, slider->value()));

    // Every window rechecks its commands when the clipboard changes; b's must not take undo over.
    b->check_enabled_widgets();
    QCOMPARE(control->undo_group()->activeStack(), a->view()->undo_stack());
    a->menu()->action_undo()->trigger();
    QCOMPARE(a->view()->undo_stack()->index(), 0);
    QCOMPARE(b->view()->undo_stack()->index(), 1);
    QCOMPARE(slider->value(), 40);
}

void TestControlWindow::previewCoversThePreviewAfterItsSizeChanges()
{
    ControlWindow* control = ControlWindow::instance();
    const QString big = m_dir.filePath("big.png");
    QVERIFY(scenePicture(900, 1100).save(big));
    open(big);
    PreviewWidget* preview = control->thumbnail()->preview();
    const auto covers = [&] {
        return !control->preview_worker() && !preview->is_busy() &&
               preview->result().size() == preview->visible_source().size();
    };
    control->show();
    QVERIFY(QTest::qWaitForWindowExposed(control));
    control->resize(control->minimumWidth(), 820);
    QTRY_COMPARE(control->height(), 820);

    // A hover over the preview is the movement a resize waits for.
    const QPointF centre = preview->rect().center();
    QMouseEvent hover(QEvent::MouseMove, centre, preview->mapToGlobal(centre), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(preview, &hover);
    QTRY_VERIFY_WITH_TIMEOUT(covers(), 60000);

    // The oil types show different rows: the panel's height changes, and with it the preview's.
    const int oil = control->filter_index(QStringLiteral("Oil"));
    auto* panel = qobject_cast<OilPaintingFilterWidget*>(control->panel(oil));
    control->filter_combo()->setCurrentIndex(oil);
    QTRY_VERIFY_WITH_TIMEOUT(covers(), 60000);
    const int height = preview->height();
    panel->oil_type_combo()->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(covers(), 60000);
    QVERIFY(preview->height() != height);
    panel->oil_type_combo()->setCurrentIndex(2);
    QTRY_VERIFY_WITH_TIMEOUT(covers(), 60000);
    QCOMPARE(preview->height(), height);

    // A size reached with no movement afterwards (the window maximised) renders all the same,
    // and the filter's label stays beside its list however wide the window is.
    control->resize(1400, 900);
    QTRY_COMPARE(control->width(), 1400);
    QTRY_VERIFY_WITH_TIMEOUT(covers() && preview->result().width() > 600, 60000);
    QLabel* label = nullptr;
    for (QLabel* candidate : control->findChildren<QLabel*>())
        if (candidate->text() == QStringLiteral("Filter:"))
            label = candidate;
    QVERIFY(label);
    const int gap = control->filter_combo()->mapTo(control, QPoint(0, 0)).x() -
                    label->mapTo(control, QPoint(label->width(), 0)).x();
    QVERIFY2(gap >= 0 && gap < 40, qPrintable(QString::number(gap)));
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestControlWindow test;
    return QTest::qExec(&test, argc, argv);
}

// "Live": off by default; when on, a burst of changes renders the document once, after the pause,
// in the background with its progress in the status line, and a newer render replaces an
// unfinished one, whose result never shows.
void TestControlWindow::liveRendersOnceAfterABurstOfChanges()
{
    ControlWindow* control = ControlWindow::instance();
    QVERIFY(scenePicture(900, 700).save(m_dir.filePath("live.png")));
    DocumentWindow* window = open(m_dir.filePath("live.png"));
    DocumentView* view = window->view();
    Launcher* launcher = view->launcher();
    control->set_current_document(view, true);
    control->filter_combo()->setCurrentIndex(0);
    control->live_checkbox()->setChecked(false);
    FilterSlider* slider = control->panel(0)->slider(kStroke);
    // A step as the slider records one when the user lets it go.
    const auto change = [control, slider](int value) {
        control->push_undo(new FilterValueCommand(slider->field(), value, slider->value()));
    };
    int started = 0;
    int rendered = 0;
    connect(launcher, &Launcher::background_started, this, [&](bool live) { started += live; });
    connect(launcher, &Launcher::display_rendered, this, [&] { ++rendered; });

    change(50);
    QVERIFY(!view->live_render_pending());
    QCOMPARE(started, 0);
    QVERIFY(!view->has_result());

    control->live_checkbox()->setChecked(true);
    QVERIFY(live_result());
    for (const int value : {51, 52, 53, 54, 55}) {
        change(value);
        QCoreApplication::processEvents();
        QVERIFY(view->live_render_pending());
        QCOMPARE(started, 0);
    }
    QTRY_COMPARE(started, 1);
    QVERIFY(view->status_bar()->progress_shown() || rendered == 1);
    QTRY_COMPARE(rendered, 1);
    QTRY_VERIFY(!view->status_bar()->progress_shown());
    QCOMPARE(launcher->current_parameters()->value(kStroke).toInt(), 55);
    QVERIFY(!launcher->worker());
    QVERIFY(!view->live_render_pending());
    QCOMPARE(started, 1);

    // Two renders back to back: the first is stopped before its result is taken.
    change(60);
    view->render_live();
    change(61);
    view->render_live();
    QCOMPARE(started, 3);
    QTRY_COMPARE(rendered, 2);
    QCOMPARE(launcher->current_parameters()->value(kStroke).toInt(), 61);
    // The pending pause-timer render still comes, with the same settings.
    QTRY_COMPARE(rendered, 3);
    QCOMPARE(launcher->current_parameters()->value(kStroke).toInt(), 61);
    control->live_checkbox()->setChecked(false);
    QVERIFY(!live_result());
}

#include "test_control_window.moc"
