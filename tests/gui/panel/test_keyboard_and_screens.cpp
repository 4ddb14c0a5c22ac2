#include "core/filters/filter_list.h"
#include "support/document_windows.h"
#include "support/test_pictures.h"
#include "ui/application.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/menu.h"
#include "ui/panel/control_window.h"
#include "ui/panel/filter_slider.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/image_zoom_slider.h"
#include "ui/panel/integer_edit.h"
#include "ui/panel/preview_widget.h"
#include "ui/panel/thumbnail.h"
#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/placeholder.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QSlider>
#include <QUndoStack>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// What a screen reader hears for widget.
QString spoken(QWidget* widget, QAccessible::Text what = QAccessible::Name)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(what) : QString();
}

// The row label of a panel control, as the panel shows it, without its colon.
QString row_label(const FilterWidget* panel, const QWidget* control)
{
    auto* grid = qobject_cast<QGridLayout*>(panel->layout());
    const int index = grid ? grid->indexOf(control) : -1;
    if (index < 0)
        return QString();
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    const QLayoutItem* item = grid->itemAtPosition(row, 0);
    const auto* label = item ? qobject_cast<const QLabel*>(item->widget()) : nullptr;
    QString text = label ? label->text() : QString();
    text.remove(QLatin1Char(':'));
    return text.trimmed();
}

// The panel's controls a user can reach, in reading order: row by row, left to right.
QList<QWidget*> reachable_controls(const FilterWidget* panel)
{
    QList<QWidget*> controls;
    for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisibleTo(panel) && child->isEnabled() &&
            (child->focusPolicy() & Qt::TabFocus))
            controls.append(child);
    }
    // Reading order: the grid's rows top to bottom, each row left to right.
    auto* grid = qobject_cast<QGridLayout*>(panel->layout());
    const auto place = [grid](const QWidget* widget) {
        int row = 0, column = 0, rows = 0, columns = 0;
        if (grid && grid->indexOf(widget) >= 0)
            grid->getItemPosition(grid->indexOf(widget), &row, &column, &rows, &columns);
        return std::make_pair(row, column);
    };
    std::stable_sort(controls.begin(), controls.end(),
                     [&](const QWidget* a, const QWidget* b) { return place(a) < place(b); });
    return controls;
}

// True when the bevelled frame of button is drawn from the doubled picture at scale 2: its
// top-left corner (10 x 10 pixels of the window, 20 x 20 of the screen) shows the corner of
// button@2x.png pixel for pixel where that picture is opaque. Frames cut as single pictures
// would stretch the doubled picture's corner over twice its pixels.
bool frameIsSharp(QWidget* button)
{
    const QImage shot = button->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage frame =
        QImage(QStringLiteral(":/button@2x.png")).convertToFormat(QImage::Format_ARGB32);
    if (shot.width() < 20 || shot.height() < 20 || frame.size() != QSize(48, 48))
        return false;
    int compared = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const QRgb want = frame.pixel(x, y);
            if (qAlpha(want) != 255)
                continue;
            const QRgb got = shot.pixel(x, y);
            if (std::abs(qRed(got) - qRed(want)) > 3 || std::abs(qGreen(got) - qGreen(want)) > 3 ||
                std::abs(qBlue(got) - qBlue(want)) > 3)
                return false;
            ++compared;
        }
    }
    return compared > 100;
}

// The child run of this test: QT_SCALE_FACTOR is set before the application object exists, the
// application starts on a photo and reports whether its control window fits the screen, with
// "Process" on it, whether the preview is painted at the screen's own pixels, and at scale 2
// whether the bevelled frames are drawn from their doubled pictures.
int scaled_run(int argc, char** argv, const QString& photo)
{
    Application app(argc, argv);
    DocumentWindow* window = start_application({photo});
    ControlWindow* control = ControlWindow::instance();
    const bool shown =
        QTest::qWaitForWindowExposed(window) && QTest::qWaitForWindowExposed(control);
    // Measured once the preview has come: the window is laid out by then.
    PreviewWidget* preview = control->thumbnail()->preview();
    QTest::qWaitFor([preview] { return !preview->result().isNull(); }, 30000);
    const QRect area = control->screen()->availableGeometry();
    const QRect frame = control->frameGeometry();
    const QRect process(control->process_button()->mapToGlobal(QPoint(0, 0)),
                        control->process_button()->size());
    const qreal density = control->devicePixelRatioF();
    std::printf("screen %d x %d, frame %d,%d %d x %d, Process %d,%d %d x %d, preview %g on %g\n",
                area.width(), area.height(), frame.x(), frame.y(), frame.width(), frame.height(),
                process.x(), process.y(), process.width(), process.height(),
                preview->result().devicePixelRatio(), density);
    const bool fits = shown && area.contains(frame) && area.contains(process) &&
                      control->process_button()->isVisible();
    const bool sharp =
        !preview->result().isNull() && qFuzzyCompare(preview->result().devicePixelRatio(), density);
    const bool frames = !qFuzzyCompare(density, 2.0) || frameIsSharp(control->process_button());
    std::printf("frames %s\n", frames ? "sharp" : "blurred");
    return fits && sharp && frames ? 0 : 1;
}

} // namespace

// The control window used without a mouse and on high-density screens: Tab reaches every
// control in reading order, keys change settings as one undo step each, the focused control is
// marked, F6 switches windows, screen readers hear named controls, and at scale factors 1.5 and 2
// the window fits a 1600 x 1200 screen.
class TestKeyboardAndScreens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void tabReachesEveryControlInReadingOrder_data();
    void tabReachesEveryControlInReadingOrder();
    void keysChangeSettingsOneUndoStepEach();
    void focusedControlIsMarked();
    void f6SwitchesBetweenDocumentAndControlWindow();
    void everyControlHasANameAndADescription();
    void panelLooksTheSameAfterHideAndShow();
    void controlWindowFitsAScaledScreen_data();
    void controlWindowFitsAScaledScreen();

private:
    DocumentWindow* open_photo();
    // Puts the control window in front with the keyboard focus on widget.
    void focus(QWidget* widget);

    QTemporaryDir m_dir;
};

void TestKeyboardAndScreens::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(scenePicture(320, 240).save(m_dir.filePath("photo.png")));
}

void TestKeyboardAndScreens::cleanup()
{
    closeAllDocumentWindows();
}

DocumentWindow* TestKeyboardAndScreens::open_photo()
{
    DocumentWindow* window = start_application({m_dir.filePath("photo.png")});
    if (!QTest::qWaitForWindowExposed(window) || !QTest::qWaitForWindowActive(window, 30000))
        qWarning("the document window did not get the focus");
    ControlWindow::instance()->set_current_document(window->view(), true);
    return window;
}

void TestKeyboardAndScreens::focus(QWidget* widget)
{
    ControlWindow* control = ControlWindow::instance();
    control->take_keyboard_focus();
    QVERIFY(QTest::qWaitForWindowExposed(control));
    // These tests run without a window manager: an activation asked for while the window was
    // still being mapped can be lost, so it is asked for again until the window has it.
    QDeadlineTimer deadline(30000);
    while (!QTest::qWaitForWindowActive(control, 500) && !deadline.hasExpired())
        control->take_keyboard_focus();
    QVERIFY(control->isActiveWindow());
    widget->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), widget);
}

void TestKeyboardAndScreens::tabReachesEveryControlInReadingOrder_data()
{
    QTest::addColumn<QString>("filter");
    for (const QString& name : filterNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestKeyboardAndScreens::tabReachesEveryControlInReadingOrder()
{
    QFETCH(QString, filter);
    ControlWindow* control = ControlWindow::instance();
    open_photo();
    control->filter_combo()->setCurrentIndex(control->filter_index(filter));
    settle();
    FilterWidget* panel = control->panel(control->filter_index(filter));
    const QList<QWidget*> rows = reachable_controls(panel);
    QVERIFY(rows.size() >= 3);

    // From the filter list, Tab after Tab until the focus comes back to it.
    focus(control->filter_combo());
    QList<QWidget*> reached{control->filter_combo()};
    for (int i = 0; i < 60; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == control->filter_combo())
            break;
        reached.append(now);
    }
    QVERIFY(!reached.isEmpty() && QApplication::focusWidget() == control->filter_combo());

    // The preset row, every row of the panel in reading order, then "Live" and "Process".
    QList<QWidget*> expected{control->filter_combo(), control->preset_combo(),
                             control->save_preset_button()};
    if (control->delete_preset_button()->isEnabled())
        expected.append(control->delete_preset_button());
    expected.append(rows);
    expected << control->live_checkbox() << control->process_button();
    auto* zoom = control->zoom_slider()->findChild<QSlider*>();
    QVERIFY(zoom);
    expected.append(zoom);
    const auto names = [](const QList<QWidget*>& widgets) {
        QStringList list;
        for (const QWidget* widget : widgets)
            list.append(widget ? QStringLiteral("%1 %2").arg(widget->metaObject()->className(),
                                                             widget->objectName())
                               : QStringLiteral("(none)"));
        return list;
    };
    QCOMPARE(names(reached), names(expected));
}

void TestKeyboardAndScreens::keysChangeSettingsOneUndoStepEach()
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* window = open_photo();
    QUndoStack* stack = window->view()->undo_stack();
    control->filter_combo()->setCurrentIndex(control->filter_index(QStringLiteral("Pencil")));
    settle();
    FilterWidget* panel = control->panel(control->filter_index(QStringLiteral("Pencil")));
    FilterSlider* slider = panel->findChildren<FilterSlider*>().value(0);
    QVERIFY(slider && slider->isVisible());
    focus(slider);

    struct Step
    {
        Qt::Key key;
        int change;
    };
    const int start = slider->value();
    int expected = start;
    const int steps = stack->count();
    int step = 0;
    for (const Step& press :
         {Step{Qt::Key_Right, slider->singleStep()}, Step{Qt::Key_PageUp, slider->pageStep()},
          Step{Qt::Key_Left, -slider->singleStep()}}) {
        const int was = expected;
        expected = qBound(slider->minimum(),
                          was + (slider->invertedControls() ? -press.change : press.change),
                          slider->maximum());
        QTest::keyClick(slider, press.key);
        ++step;
        QCOMPARE(slider->value(), expected);
        QCOMPARE(slider->field()->number(), expected);
        QCOMPARE(stack->count(), steps + step);
        QCOMPARE(control->current_parameters()->value(slider->objectName()).toInt(), expected);
    }
    stack->undo();
    stack->undo();
    stack->undo();
    QCOMPARE(slider->value(), start);

    // A number typed in the field is one step when the focus moves on.
    QTest::keyClick(slider, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), slider->field());
    const int typed = slider->minimum() + (slider->maximum() - slider->minimum()) / 3;
    slider->field()->selectAll();
    QTest::keyClicks(slider->field(), QString::number(typed));
    QTest::keyClick(slider->field(), Qt::Key_Tab);
    QCOMPARE(slider->value(), typed);
    QCOMPARE(stack->count(), steps + 1);

    // Space on "Live", arrows on a drop-down.
    const bool live = control->live_checkbox()->isChecked();
    focus(control->live_checkbox());
    QTest::keyClick(control->live_checkbox(), Qt::Key_Space);
    QCOMPARE(control->live_checkbox()->isChecked(), !live);
    QTest::keyClick(control->live_checkbox(), Qt::Key_Space);
    QComboBox* type = panel->findChildren<BevelComboBox*>().value(0);
    QVERIFY(type);
    focus(type);
    const int index = type->currentIndex();
    QTest::keyClick(type, Qt::Key_Down);
    QCOMPARE(type->currentIndex(), index + 1);
    QCOMPARE(stack->count(), steps + 2);
}

void TestKeyboardAndScreens::focusedControlIsMarked()
{
    ControlWindow* control = ControlWindow::instance();
    open_photo();
    control->filter_combo()->setCurrentIndex(control->filter_index(QStringLiteral("Pencil")));
    settle();
    FilterWidget* panel = control->panel(control->filter_index(QStringLiteral("Pencil")));
    const QList<FilterSlider*> sliders = panel->findChildren<FilterSlider*>();
    QVERIFY(sliders.size() >= 2);
    QList<QWidget*> marked{sliders[0], sliders[0]->field(), sliders[1], control->preset_combo(),
                           control->save_preset_button()};
    // Each control looks different with the focus than without, and so does the panel.
    QImage before;
    for (QWidget* widget : marked) {
        focus(control->filter_combo());
        const QImage plain = widget->grab().toImage();
        focus(widget);
        const QImage focused = widget->grab().toImage();
        QVERIFY2(plain != focused, widget->metaObject()->className());
        const QImage window = control->grab().toImage();
        QVERIFY(window != before);
        before = window;
    }
}

void TestKeyboardAndScreens::f6SwitchesBetweenDocumentAndControlWindow()
{
    ControlWindow* control = ControlWindow::instance();
    DocumentWindow* window = open_photo();
    QAction* action = window->menu()->action_switch_to_panel();
    QVERIFY(action);
    QCOMPARE(action->shortcut(), QKeySequence(Qt::Key_F6));
    QVERIFY(action->text().remove(QLatin1Char('&')).contains(QStringLiteral("Filter Parameters")));

    settle();
    QVERIFY(QTest::qWaitForWindowActive(window, 30000));
    QTest::keyClick(window->windowHandle(), Qt::Key_F6);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(control));
    QVERIFY(control->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(control->windowHandle(), Qt::Key_F6);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(window));
}

void TestKeyboardAndScreens::everyControlHasANameAndADescription()
{
    ControlWindow* control = ControlWindow::instance();
    // Before a picture: the placeholder's words.
    Placeholder* placeholder = control->findChild<Placeholder*>();
    QVERIFY(placeholder);
    QCOMPARE(spoken(placeholder), QStringLiteral("Open or drop a picture"));

    open_photo();
    for (const QString& filter : filterNames()) {
        const int index = control->filter_index(filter);
        control->filter_combo()->setCurrentIndex(index);
        settle();
        QCOMPARE(spoken(control->thumbnail()->preview()),
                 QStringLiteral("Preview of %1").arg(control->filter_combo()->itemText(index)));
        FilterWidget* panel = control->panel(index);
        for (QWidget* widget : reachable_controls(panel)) {
            const QString label = row_label(panel, widget);
            QVERIFY2(!label.isEmpty(), widget->metaObject()->className());
            // Sliders and number fields: the label, with the range in the description.
            auto* slider = qobject_cast<FilterSlider*>(widget);
            if (auto* field = qobject_cast<IntegerEdit*>(widget))
                slider = qobject_cast<FilterSlider*>(field->slider());
            if (slider) {
                QCOMPARE(spoken(widget), label);
                const QString range =
                    QStringLiteral("%1 to %2").arg(slider->minimum()).arg(slider->maximum());
                QVERIFY2(spoken(widget, QAccessible::Description).contains(label) &&
                             spoken(widget, QAccessible::Description).contains(range),
                         qPrintable(spoken(widget, QAccessible::Description)));
            } else {
                QCOMPARE(widget->accessibleName(), label);
                QVERIFY(!spoken(widget).isEmpty());
            }
        }
    }
    // Every interactive object of the window, the panels' included, is named.
    const QSet<QAccessible::Role> interactive = {QAccessible::PushButton, QAccessible::Slider,
                                                 QAccessible::SpinBox,    QAccessible::EditableText,
                                                 QAccessible::ComboBox,   QAccessible::CheckBox};
    int named = 0;
    for (QWidget* widget : control->findChildren<QWidget*>()) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        if (!face || !interactive.contains(face->role()) || !widget->isVisible())
            continue;
        QVERIFY2(!face->text(QAccessible::Name).isEmpty(),
                 qPrintable(QStringLiteral("%1 %2").arg(widget->metaObject()->className(),
                                                        widget->objectName())));
        ++named;
    }
    QVERIFY(named >= 12);
    QCOMPARE(spoken(control->filter_combo()), control->filter_combo()->currentText());
    QCOMPARE(control->filter_combo()->accessibleName(), QStringLiteral("Filter"));
}

// The panel grey from the first show on, one height and one look however often the window is
// hidden and shown; "Filter:" in the font of the panels' labels, and no label touching its slider.
void TestKeyboardAndScreens::panelLooksTheSameAfterHideAndShow()
{
    ControlWindow* control = ControlWindow::instance();
    open_photo();
    control->filter_combo()->setCurrentIndex(control->filter_index(QStringLiteral("Pencil")));
    QTRY_VERIFY(!control->preview_worker());
    settle();
    QCOMPARE(control->palette().color(QPalette::Window), QColor(196, 196, 196));
    const QSize size = control->size();
    const QImage before = control->grab().toImage();
    for (int round = 0; round < 2; ++round) {
        control->hide();
        settle();
        control->show();
        QVERIFY(QTest::qWaitForWindowExposed(control));
        QTRY_VERIFY(!control->preview_worker());
        settle();
        QCOMPARE(control->size(), size);
        QCOMPARE(control->palette().color(QPalette::Window), QColor(196, 196, 196));
        QVERIFY(control->grab().toImage() == before);
    }

    FilterWidget* panel = control->panel(control->filter_index(QStringLiteral("Pencil")));
    QLabel* filter_label = nullptr;
    for (QLabel* label : control->findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("Filter:"))
            filter_label = label;
    }
    QVERIFY(filter_label);
    for (FilterSlider* slider : panel->findChildren<FilterSlider*>()) {
        if (!slider->isVisible())
            continue;
        auto* grid = qobject_cast<QGridLayout*>(panel->layout());
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(slider), &row, &column, &rows, &columns);
        auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget());
        QVERIFY(label);
        QCOMPARE(filter_label->font(), label->font());
        // The label's words end a few pixels before the slider begins.
        const int words = label->x() + label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(slider->x() - words >= 8, qPrintable(label->text()));
    }
    // "Filter:" and "Preset:" keep room before their lists too.
    for (QLabel* label : control->findChildren<QLabel*>()) {
        QWidget* list = label->text() == QStringLiteral("Filter:")   ? control->filter_combo()
                        : label->text() == QStringLiteral("Preset:") ? label->buddy()
                                                                     : nullptr;
        if (!list)
            continue;
        const int words = label->mapTo(control, QPoint(label->width(), 0)).x();
        QVERIFY2(list->mapTo(control, QPoint(0, 0)).x() - words >= 4, qPrintable(label->text()));
    }
}

void TestKeyboardAndScreens::controlWindowFitsAScaledScreen_data()
{
    QTest::addColumn<QString>("scale");
    QTest::newRow("1.5") << QStringLiteral("1.5");
    QTest::newRow("2") << QStringLiteral("2");
}

void TestKeyboardAndScreens::controlWindowFitsAScaledScreen()
{
    QFETCH(QString, scale);
    // The scale factor holds for a whole process: a run of this test program of its own.
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--scaled-run"), m_dir.filePath("photo.png")});
    QVERIFY(run.waitForFinished(240000));
    const QString output = QString::fromLocal8Bit(run.readAll());
    QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("screen ")), qPrintable(output));
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--scaled-run") == 0) {
        int count = 1;
        return scaled_run(count, argv, QString::fromLocal8Bit(argv[2]));
    }
    Application app(argc, argv);
    TestKeyboardAndScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_keyboard_and_screens.moc"
