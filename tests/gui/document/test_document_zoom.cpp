#include "core/algorithms/oil_painting_algorithm.h"
#include "core/algorithms/region_paint_engine.h"
#include "core/framework/parameter_keys.h"
#include "document/picture_io.h"
#include "processing/worker.h"
#include "support/colour_profiles.h"
#include "support/document_windows.h"
#include "support/test_files.h"
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
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/picture_canvas.h"
#include "ui/widgets/status_bar.h"
#include "ui/widgets/zoom_steps.h"

#include <QAbstractButton>
#include <QAction>
#include <QColorSpace>
#include <QComboBox>
#include <QScrollBar>
#include <QSet>
#include <QSlider>
#include <QUndoStack>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

// Runs the command bound to keys in window, as pressing them there does. Which window is active is
// up to the window system (the control window comes back to the front after a render); the real
// keys go through it in the scenario tests, so here the binding and its command are what is tested.
bool press(QWidget* window, const QKeySequence& keys)
{
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcuts().contains(keys)) {
            action->trigger();
            return true;
        }
    }
    return false;
}

// Long enough for a full-size render of the large test pictures under the sanitizers.
constexpr int kRenderTimeout = 120000;

QString g_exportPath;

// The pixels alone: one format, and no colour space (QImage's == compares that too).
QImage rgb(const QImage& image)
{
    QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    pixels.setColorSpace(QColorSpace());
    return pixels;
}

// What the picture area shows on screen.
QImage grabbed(PictureCanvas* canvas)
{
    return rgb(canvas->viewport()->grab().toImage());
}

// The part of a grab where a picture shown at 100 % lies.
QImage pictureOnScreen(PictureCanvas* canvas)
{
    const QPoint origin = canvas->picture_origin().toPoint();
    return grabbed(canvas).copy(QRect(origin, canvas->picture_size()));
}

// picture as an sRGB screen shows it, converted by the toolkit on its own.
QImage inSrgb(const QImage& picture)
{
    QImage converted = picture.convertToFormat(QImage::Format_RGB32);
    if (converted.colorSpace().isValid())
        converted.convertToColorSpace(QColorSpace::SRgb);
    return rgb(converted);
}

// Both stroke lists a display render may record (brushstrokes and painted regions).
QVector<QVector<QPoint>> strokeLists(Launcher* launcher)
{
    const StrokeMemoryPtr& memory = launcher->stroke_memory();
    return {memory->positions(OilPaintingAlgorithm::memoryName()),
            memory->positions(RegionPaintEngine::memoryName())};
}

// A real setting change of the current filter, as the panel records it.
FilterValueCommand* settingChange()
{
    ControlWindow* control = ControlWindow::instance();
    FilterSlider* slider =
        control->panel(control->filter_combo()->currentIndex())->findChild<FilterSlider*>();
    return new FilterValueCommand(slider->field(), slider->value() + 1, slider->value());
}

} // namespace

class TestDocumentZoom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void zoomStops_data();
    void zoomStops();
    void stopsWalkFromFloorToCeilingAndBack();
    void fitKeepsPicturesInsideTheSpace_data();
    void fitKeepsPicturesInsideTheSpace();
    void windowFitsUntilAZoomIsChosen_data();
    void windowFitsUntilAZoomIsChosen();
    void wheelZoomKeepsThePointUnderTheCursor();
    void compareShowsThePhotograph();
    void fullSizeResultIsWhatExportWrites_data();
    void fullSizeResultIsWhatExportWrites();
    void fullSizeRenderStopsWhenNotWanted();
    void processWhileZoomedInFollowsWithTheFullSize();
    void colourProfileIsShownAndExported_data();
    void colourProfileIsShownAndExported();

private:
    DocumentWindow* openWindow(const QString& name);
    DocumentWindow* openProcessed(const QString& name);
    void closeAllWindows();

    QTemporaryDir m_dir;
};

void TestDocumentZoom::initTestCase()
{
    QVERIFY(m_dir.isValid());
    set_file_dialog_runner([](QWidget*, const QString&, const QString&, const QString& filter,
                              QString* selected, bool) {
        // The type of the name's suffix, which keeps it (PNG holds the pixels exactly).
        const QString suffix = QFileInfo(g_exportPath).suffix().toLower();
        const QString wanted = suffix == QLatin1String("png")            ? QStringLiteral("PNG")
                               : suffix.startsWith(QLatin1String("tif")) ? QStringLiteral("TIFF")
                               : suffix == QLatin1String("bmp")          ? QStringLiteral("BMP")
                                                                         : QStringLiteral("JPEG");
        for (const QString& one : filter.split(QStringLiteral(";;")))
            if (one.startsWith(wanted))
                *selected = one;
        return g_exportPath;
    });
    QVERIFY(scenePicture(120, 90).save(m_dir.filePath("small.png")));
    QVERIFY(scenePicture(3000, 2000).save(m_dir.filePath("large.png")));
    QVERIFY(scenePicture(2400, 1600).save(m_dir.filePath("render.png")));
    QVERIFY(scenePicture(1000, 700).save(m_dir.filePath("oil.png")));
}

void TestDocumentZoom::cleanup()
{
    closeAllWindows();
    ControlWindow::instance()->filter_combo()->setCurrentIndex(0);
}

DocumentWindow* TestDocumentZoom::openWindow(const QString& name)
{
    DocumentWindow* window = start_application({m_dir.filePath(name)});
    window->resize(800, 600);
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("the document window was not shown");
    // Shortcuts reach only the active window.
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        qWarning("the document window did not become active");
    settle();
    return window;
}

DocumentWindow* TestDocumentZoom::openProcessed(const QString& name)
{
    DocumentWindow* window = openWindow(name);
    DocumentView* view = window->view();
    if (!view->process() ||
        !QTest::qWaitFor([&] { return view->has_result() && !view->launcher()->worker(); },
                         kRenderTimeout))
        qWarning("the render did not complete");
    settle();
    return window;
}

void TestDocumentZoom::closeAllWindows()
{
    closeAllDocumentWindows();
}

void TestDocumentZoom::zoomStops_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<double>("in");
    QTest::addColumn<double>("out");
    QTest::newRow("floor") << 0.10 << 0.15 << 0.10;
    QTest::newRow("below the floor") << 0.05 << 0.10 << 0.10;
    QTest::newRow("fitted between stops") << 0.18 << 0.20 << 0.15;
    QTest::newRow("a third") << 1.0 / 3.0 << 0.50 << 0.25;
    QTest::newRow("a third as shown") << 0.3333333 << 0.50 << 0.25;
    QTest::newRow("just below 1:1") << 0.95 << 1.0 << 2.0 / 3.0;
    QTest::newRow("1:1") << 1.0 << 1.5 << 2.0 / 3.0;
    QTest::newRow("just above 1:1") << 1.2 << 1.5 << 1.0;
    QTest::newRow("below the ceiling") << 6.0 << 8.0 << 4.0;
    QTest::newRow("ceiling") << 8.0 << 8.0 << 6.0;
    QTest::newRow("above the ceiling") << 9.0 << 8.0 << 8.0;
}

void TestDocumentZoom::zoomStops()
{
    QFETCH(double, zoom);
    QFETCH(double, in);
    QFETCH(double, out);
    QCOMPARE(zoom_steps::zoom_in(zoom), in);
    QCOMPARE(zoom_steps::zoom_out(zoom), out);
}

void TestDocumentZoom::stopsWalkFromFloorToCeilingAndBack()
{
    // Up from the floor: every step grows, 1:1 is met exactly, the ceiling ends it.
    QVector<double> up = {zoom_steps::kMinimum};
    while (up.size() < 100 && zoom_steps::zoom_in(up.constLast()) != up.constLast()) {
        QVERIFY(zoom_steps::zoom_in(up.constLast()) > up.constLast());
        up.append(zoom_steps::zoom_in(up.constLast()));
    }
    QCOMPARE(up.constLast(), zoom_steps::kMaximum);
    QVERIFY(up.contains(1.0));
    // Down from the ceiling: the same stops, so a round trip comes back where it began.
    QVector<double> down = {zoom_steps::kMaximum};
    while (down.size() < 100 && zoom_steps::zoom_out(down.constLast()) != down.constLast())
        down.append(zoom_steps::zoom_out(down.constLast()));
    std::reverse(down.begin(), down.end());
    QCOMPARE(down, up);
    // Each stop has its own percentage in the status bar.
    QSet<int> percents;
    for (double stop : up)
        percents.insert(zoom_steps::percent(stop));
    QCOMPARE(percents.size(), up.size());
}

void TestDocumentZoom::fitKeepsPicturesInsideTheSpace_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("space");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("percent");
    QTest::newRow("small is never enlarged") << QSize(120, 90) << QSize(800, 550) << 1.0 << 100;
    QTest::newRow("exactly the space") << QSize(800, 550) << QSize(800, 550) << 1.0 << 100;
    QTest::newRow("large, width decides")
        << QSize(3000, 2000) << QSize(800, 550) << 800.0 / 3000 << 27;
    QTest::newRow("tall, height decides")
        << QSize(2000, 3000) << QSize(800, 550) << 550.0 / 3000 << 18;
    QTest::newRow("very wide: floor") << QSize(20000, 100) << QSize(800, 550) << 0.10 << 10;
    QTest::newRow("very tall: floor") << QSize(100, 30000) << QSize(800, 550) << 0.10 << 10;
    QTest::newRow("no picture") << QSize() << QSize(800, 550) << 1.0 << 100;
}

void TestDocumentZoom::fitKeepsPicturesInsideTheSpace()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, space);
    QFETCH(double, zoom);
    QFETCH(int, percent);
    const double fitted = zoom_steps::fit(picture, space);
    QVERIFY2(std::abs(fitted - zoom) < 1e-12, qPrintable(QString::number(fitted)));
    QCOMPARE(zoom_steps::percent(fitted), percent);
}

void TestDocumentZoom::windowFitsUntilAZoomIsChosen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<double>("chosen");
    QTest::newRow("small, zoomed in")
        << "small.png" << QSize(120, 90) << QKeySequence(Qt::CTRL | Qt::Key_Equal) << 1.5;
    QTest::newRow("large, actual size")
        << "large.png" << QSize(3000, 2000) << QKeySequence(Qt::CTRL | Qt::Key_1) << 1.0;
    QTest::newRow("large, zoomed out")
        << "large.png" << QSize(3000, 2000) << QKeySequence(Qt::CTRL | Qt::Key_Minus) << 0.25;
}

void TestDocumentZoom::windowFitsUntilAZoomIsChosen()
{
    QFETCH(QString, name);
    QFETCH(QSize, picture);
    QFETCH(QKeySequence, keys);
    QFETCH(double, chosen);
    DocumentWindow* window = openWindow(name);
    DocumentView* view = window->view();
    PictureCanvas* canvas = view->canvas();
    // The zoom at which the picture fills the area in one direction, never above 100 %.
    auto expectShown = [&](double zoom) {
        const int percent = qRound(zoom * 100);
        QCOMPARE(view->status_bar()->zoom_text(), QStringLiteral("%1%").arg(percent));
    };
    auto expectFitted = [&] {
        expectShown(canvas->zoom());
        const QSize area = canvas->size();
        const double fitted = std::min({1.0, double(area.width()) / picture.width(),
                                        double(area.height()) / picture.height()});
        QVERIFY(canvas->is_fitted());
        QVERIFY2(std::abs(canvas->zoom() - fitted) < 1e-9,
                 qPrintable(QStringLiteral("%1 for %2").arg(canvas->zoom()).arg(fitted)));
        // Nothing to scroll: the whole picture is in sight.
        QCOMPARE(canvas->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(canvas->verticalScrollBar()->maximum(), 0);
    };
    QTRY_VERIFY(canvas->isVisible());
    expectFitted();
    const double first = canvas->zoom();

    // A larger window fits again (a small picture stays at 100 %).
    window->resize(1100, 820);
    QTRY_COMPARE(window->size(), QSize(1100, 820));
    settle();
    expectFitted();
    QVERIFY(picture.width() < 500 ? canvas->zoom() == first : canvas->zoom() > first);

    // A chosen zoom stays through resizing.
    window->resize(800, 600);
    QTRY_COMPARE(window->size(), QSize(800, 600));
    QVERIFY(press(window, keys));
    QCOMPARE(canvas->zoom(), chosen);
    QVERIFY(!canvas->is_fitted());
    expectShown(chosen);
    window->resize(1000, 700);
    QTRY_COMPARE(window->size(), QSize(1000, 700));
    settle();
    QCOMPARE(canvas->zoom(), chosen);
    expectShown(chosen);

    // Fit in Window brings fitting back.
    QVERIFY(press(window, QKeySequence(Qt::CTRL | Qt::Key_0)));
    expectFitted();
}

void TestDocumentZoom::wheelZoomKeepsThePointUnderTheCursor()
{
    DocumentWindow* window = openWindow(QStringLiteral("large.png"));
    PictureCanvas* canvas = window->view()->canvas();
    window->menu()->action_actual_size()->trigger();
    QCOMPARE(canvas->zoom(), 1.0);
    // Off the centre, so that zooming about the centre would move the point away.
    const QPointF cursor(173, 121);
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(cursor, canvas->viewport()->mapToGlobal(cursor), QPoint(),
                          QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas->viewport(), &event);
    };

    // In three stops and out five: the picture stays larger than the area all the way.
    for (int notches : {1, 1, 1, -1, -1, -1, -1, -1}) {
        const double before = canvas->zoom();
        const QPointF point = (cursor - canvas->picture_origin()) / before;
        wheel(120 * notches, Qt::ControlModifier);
        const double after = canvas->zoom();
        QCOMPARE(after, notches > 0 ? zoom_steps::zoom_in(before) : zoom_steps::zoom_out(before));
        const QPointF now = canvas->picture_origin() + point * after;
        QVERIFY2((now - cursor).manhattanLength() <= 1.5, qPrintable(QString::number(after)));
    }
    QCOMPARE(canvas->zoom(), 0.5);
    QCOMPARE(window->view()->status_bar()->zoom_text(), QStringLiteral("50%"));

    // A fine wheel zooms once its turns add up to a notch.
    wheel(60, Qt::ControlModifier);
    QCOMPARE(canvas->zoom(), 0.5);
    wheel(60, Qt::ControlModifier);
    QCOMPARE(canvas->zoom(), 2.0 / 3.0);

    // Without Ctrl the wheel scrolls.
    const QPointF origin = canvas->picture_origin();
    wheel(-120, Qt::NoModifier);
    QCOMPARE(canvas->zoom(), 2.0 / 3.0);
    QVERIFY(canvas->picture_origin().y() < origin.y());
    QCOMPARE(canvas->picture_origin().x(), origin.x());
}

void TestDocumentZoom::compareShowsThePhotograph()
{
    DocumentWindow* window = openProcessed(QStringLiteral("small.png"));
    QVERIFY(window->view()->has_result());
    PictureCanvas* canvas = window->view()->canvas();
    // An odd width centres the picture on a half pixel: it must still show pixel for pixel.
    window->resize(801, 601);
    QTRY_COMPARE(window->size(), QSize(801, 601));
    settle();
    QCOMPARE(canvas->picture_origin().x() - std::floor(canvas->picture_origin().x()), 0.5);
    QCOMPARE(canvas->zoom(), 1.0);
    const QImage photograph = rgb(canvas->photograph());
    const QImage artwork = rgb(canvas->shown_image());
    QVERIFY(photograph != artwork);
    QCOMPARE(pictureOnScreen(canvas), artwork);

    // Backslash held: the photograph; the key's repeats change nothing; released: the artwork.
    canvas->setFocus();
    QTest::keyPress(canvas, Qt::Key_Backslash);
    QVERIFY(canvas->is_comparing());
    QCOMPARE(pictureOnScreen(canvas), photograph);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Backslash, Qt::NoModifier, "\\", true);
    QApplication::sendEvent(canvas, &repeatRelease);
    QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Backslash, Qt::NoModifier, "\\", true);
    QApplication::sendEvent(canvas, &repeatPress);
    QCOMPARE(pictureOnScreen(canvas), photograph);
    QTest::keyRelease(canvas, Qt::Key_Backslash);
    QVERIFY(!canvas->is_comparing());
    QCOMPARE(pictureOnScreen(canvas), artwork);

    // The status bar's button, held down, does the same.
    QAbstractButton* button = window->view()->status_bar()->compare_button();
    QVERIFY(button->isVisible());
    QTest::mousePress(button, Qt::LeftButton);
    QCOMPARE(pictureOnScreen(canvas), photograph);
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(pictureOnScreen(canvas), artwork);

    // Split: the photograph left of the divider, the artwork right of it.
    QAction* action = window->menu()->action_split_compare();
    const QPoint origin = canvas->picture_origin().toPoint();
    // The picture column at area x, on screen and in the two pictures.
    auto column = [&](const QImage& image, int x, bool screen) {
        return image.copy(QRect(screen ? x : x - origin.x(), screen ? origin.y() : 0, 1,
                                canvas->picture_size().height()));
    };
    // Columns 8 pixels or more from the divider are clear of its line and grip.
    auto expectSides = [&](int divider) {
        const QImage screen = grabbed(canvas);
        for (int x : {divider - 20, divider - 8})
            QVERIFY2(column(screen, x, true) == column(photograph, x, false),
                     qPrintable(QString::number(x)));
        for (int x : {divider + 8, divider + 20})
            QVERIFY2(column(screen, x, true) == column(artwork, x, false),
                     qPrintable(QString::number(x)));
    };

    action->trigger();
    QVERIFY(canvas->is_split());
    const int divider = canvas->divider_x();
    QVERIFY(std::abs(divider - canvas->viewport()->width() / 2) <= 1);
    QVERIFY(divider - 20 > origin.x() && divider + 50 < origin.x() + 120);
    expectSides(divider);

    // Dragging the divider (taken a little beside it) moves it by as much as the pointer moved.
    QWidget* area = canvas->viewport();
    const int y = origin.y() + 5;
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, QPoint(divider + 3, y));
    QCOMPARE(canvas->divider_x(), divider);
    QTest::mouseMove(area, QPoint(divider + 15, y));
    QTest::mouseMove(area, QPoint(divider + 28, y));
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, QPoint(divider + 28, y));
    const int moved = canvas->divider_x();
    QVERIFY2(std::abs(moved - (divider + 25)) <= 1, qPrintable(QString::number(moved)));
    QVERIFY(std::abs(canvas->split_position() * area->width() - moved) <= 0.5);
    expectSides(moved);
    // Away from the divider a press leaves it where it is.
    QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, QPoint(moved - 20, y));
    QCOMPARE(canvas->divider_x(), moved);

    // The menu's check mark follows the view, however the split was changed.
    canvas->set_split(false);
    QVERIFY(!action->isChecked());
    QCOMPARE(pictureOnScreen(canvas), artwork);
    canvas->set_split(true);
    QVERIFY(action->isChecked());
    action->trigger();
    QVERIFY(!canvas->is_split());
}

void TestDocumentZoom::fullSizeResultIsWhatExportWrites_data()
{
    // Filters whose display render is smaller than the picture and records where it painted:
    // regions (Watercolor) or brushstrokes (Oil, type 0).
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::newRow("Watercolor") << QString("render.png") << QString("Watercolor");
    QTest::newRow("Oil brushstrokes") << QString("oil.png") << QString("Oil");
}

void TestDocumentZoom::fullSizeResultIsWhatExportWrites()
{
    QFETCH(QString, name);
    QFETCH(QString, filter);
    DocumentWindow* window = openWindow(name);
    ControlWindow* control = ControlWindow::instance();
    const int index = control->filter_index(filter);
    control->filter_combo()->setCurrentIndex(index);
    if (filter == QLatin1String("Oil"))
        control->panel(index)->combo(Keys::Oil::type)->setCurrentIndex(0);
    QCOMPARE(control->current_parameters()->filterName(), filter);
    DocumentView* view = window->view();
    Launcher* launcher = view->launcher();
    PictureCanvas* canvas = view->canvas();
    const QVector<QVector<QPoint>> noStrokes = strokeLists(launcher);
    QVERIFY(view->process());
    QTRY_VERIFY_WITH_TIMEOUT(view->has_result() && !launcher->worker(), kRenderTimeout);

    // The display render is smaller than the picture and records its strokes.
    const QSize size = view->source_image().size();
    QVERIFY(launcher->display_scale() < 1.0);
    QVERIFY(launcher->display_result().width() < size.width());
    QCOMPARE(canvas->shown_image(), launcher->display_result());
    const QVector<QVector<QPoint>> recorded = strokeLists(launcher);
    QVERIFY(recorded != noStrokes);

    // Looking closer than the display render starts the full-size render in the background.
    QSignalSpy progress(launcher, &Launcher::background_progress);
    QVERIFY(press(window, QKeySequence(Qt::CTRL | Qt::Key_1)));
    QCOMPARE(canvas->zoom(), 1.0);
    QVERIFY(launcher->full_size_running());
    QVERIFY(view->status_bar()->progress_shown());
    QVERIFY(!launcher->worker());
    QTRY_VERIFY_WITH_TIMEOUT(!launcher->full_size_running(), kRenderTimeout);
    QVERIFY(!view->status_bar()->progress_shown());
    QCOMPARE(progress.constLast().constFirst().toInt(), -1);
    const QImage full = launcher->full_size_result();
    QCOMPARE(full.size(), size);
    QCOMPARE(canvas->shown_image(), full);
    // It replays the display's strokes and records none.
    QCOMPARE(strokeLists(launcher), recorded);

    // Export writes the kept result at once, without rendering again.
    g_exportPath = m_dir.filePath(filter + QStringLiteral("-kept.png"));
    window->menu()->action_export()->trigger();
    QVERIFY(!launcher->worker());
    QImage written;
    QVERIFY(loadPicture(g_exportPath, written));
    QCOMPARE(rgb(written), rgb(full));
    const QByteArray kept = readAll(g_exportPath);

    // A setting change makes the kept result stale; undoing it does too.
    control->push_undo(settingChange());
    QVERIFY(launcher->full_size_result().isNull());
    QCOMPARE(canvas->shown_image(), launcher->display_result());
    view->undo_stack()->undo();
    QVERIFY(launcher->full_size_result().isNull());

    // Without it the export renders again: the same file, and its render is kept in turn.
    g_exportPath = m_dir.filePath(filter + QStringLiteral("-rendered.png"));
    window->menu()->action_export()->trigger();
    QVERIFY(launcher->worker());
    QTRY_VERIFY_WITH_TIMEOUT(!launcher->worker() && QFile::exists(g_exportPath), kRenderTimeout);
    QCOMPARE(readAll(g_exportPath), kept);
    QCOMPARE(rgb(launcher->full_size_result()), rgb(full));
    QCOMPARE(canvas->shown_image(), launcher->full_size_result());
    QCOMPARE(strokeLists(launcher), recorded);
}

void TestDocumentZoom::fullSizeRenderStopsWhenNotWanted()
{
    // A picture rendered at its own size is the full size already: nothing more to render.
    DocumentWindow* small = openProcessed(QStringLiteral("small.png"));
    QVERIFY(small->view()->has_result());
    QCOMPARE(small->view()->launcher()->display_result().size(),
             small->view()->source_image().size());
    QCOMPARE(small->view()->launcher()->display_scale(), 1.0);
    QVERIFY(press(small, QKeySequence(Qt::CTRL | Qt::Key_Equal)));
    QVERIFY(small->view()->canvas()->zoom() > 1.0);
    QVERIFY(!small->view()->launcher()->full_size_running());
    QVERIFY(!small->view()->status_bar()->progress_shown());
    closeAllWindows();

    // The pencil draws a display render on the photo reduced to the display scale, as the
    // painters do.
    DocumentWindow* window = openProcessed(QStringLiteral("render.png"));
    DocumentView* view = window->view();
    QVERIFY(view->has_result());
    Launcher* launcher = view->launcher();
    PictureCanvas* canvas = view->canvas();
    QCOMPARE(launcher->current_filter_name(), QStringLiteral("Pencil"));
    QVERIFY(launcher->display_result().width() < view->source_image().width());
    QCOMPARE(launcher->display_scale(), canvas->fit_zoom());

    ControlWindow* control = ControlWindow::instance();
    control->filter_combo()->setCurrentIndex(control->filter_index(QStringLiteral("Watercolor")));
    QVERIFY(press(window, QKeySequence(Qt::CTRL | Qt::Key_0)));
    QVERIFY(view->process());
    QTRY_VERIFY_WITH_TIMEOUT(!launcher->worker(), kRenderTimeout);
    const double scale = launcher->display_scale();
    QVERIFY(scale < 0.5);

    // Down to the display render's scale nothing more is rendered.
    QVERIFY(press(window, QKeySequence::ZoomOut));
    QVERIFY(canvas->zoom() < scale);
    canvas->set_zoom(scale);
    QVERIFY(!launcher->full_size_running());

    // Escape stops the render and says so; the display render stays on screen.
    QVERIFY(press(window, QKeySequence(Qt::CTRL | Qt::Key_1)));
    QVERIFY(launcher->full_size_running());
    QVERIFY(press(window, QKeySequence(Qt::Key_Escape)));
    QVERIFY(!launcher->full_size_running());
    QVERIFY(launcher->full_size_result().isNull());
    QVERIFY(!view->status_bar()->progress_shown());
    QVERIFY(view->status_bar()->text().contains(QStringLiteral("cancelled")));
    QCOMPARE(canvas->shown_image(), launcher->display_result());

    // Zooming in again restarts it; a setting change stops it.
    QVERIFY(press(window, QKeySequence(Qt::CTRL | Qt::Key_Equal)));
    QCOMPARE(canvas->zoom(), 1.5);
    QVERIFY(launcher->full_size_running());
    control->push_undo(settingChange());
    QVERIFY(!launcher->full_size_running());
    QVERIFY(!view->status_bar()->progress_shown());

    // Closing the window while one runs stops it too.
    view->undo_stack()->undo();
    QVERIFY(press(window, QKeySequence(Qt::CTRL | Qt::Key_Equal)));
    QVERIFY(launcher->full_size_running());
    QPointer<Launcher> watch(launcher);
    view->undo_stack()->setClean();
    window->close();
    settle();
    QTRY_VERIFY(!watch);
}

// Process while the view is already closer than the display scale: the full size follows the
// display render without another zoom. (The zoom keys work in the control window too, on the
// current document.)
void TestDocumentZoom::processWhileZoomedInFollowsWithTheFullSize()
{
    DocumentWindow* window = openWindow(QStringLiteral("render.png"));
    DocumentView* view = window->view();
    ControlWindow* control = ControlWindow::instance();
    QCOMPARE(control->current_document(), view);
    QVERIFY(press(control, QKeySequence(Qt::CTRL | Qt::Key_1)));
    QCOMPARE(view->canvas()->zoom(), 1.0);
    QVERIFY(!view->launcher()->full_size_running());
    QVERIFY(view->process());
    QTRY_VERIFY_WITH_TIMEOUT(!view->launcher()->worker(), kRenderTimeout);
    QVERIFY(view->launcher()->display_scale() < 1.0);
    QVERIFY(view->launcher()->full_size_running() ||
            !view->launcher()->full_size_result().isNull());
    QTRY_VERIFY_WITH_TIMEOUT(!view->launcher()->full_size_result().isNull(), kRenderTimeout);
    QCOMPARE(view->canvas()->shown_image(), view->launcher()->full_size_result());
    QCOMPARE(view->launcher()->full_size_result().size(), view->source_image().size());
}

void TestDocumentZoom::colourProfileIsShownAndExported_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");

    QTest::newRow("Display P3 JPEG exported as JPEG") << "Display P3"
                                                      << "jpg"
                                                      << "jpg";
    QTest::newRow("Display P3 PNG exported as PNG") << "Display P3"
                                                    << "png"
                                                    << "png";
    QTest::newRow("Adobe-like PNG exported as TIFF") << "Adobe-like"
                                                     << "png"
                                                     << "tif";
    QTest::newRow("camera profile JPEG exported as PNG") << "camera"
                                                         << "jpg"
                                                         << "png";
    QTest::newRow("untagged PNG exported as PNG") << "none"
                                                  << "png"
                                                  << "png";
}

void TestDocumentZoom::colourProfileIsShownAndExported()
{
    QFETCH(QString, profile);
    QFETCH(QString, input);
    QFETCH(QString, output);

    // A picture with a patch of Display P3 colours (mid red, a saturated orange) that sRGB shows
    // differently, and its untagged twin.
    QImage picture = scenePicture(120, 90);
    for (int y = 10; y < 30; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 10; x < 40; ++x)
            row[x] = x < 25 ? qRgb(180, 60, 60) : qRgb(230, 140, 30);
    }
    const QString tag = QString(QTest::currentDataTag()).replace(' ', '-');
    const QString taggedName = tag + QStringLiteral("-tagged.") + input;
    const QString plainName = tag + QStringLiteral("-plain.") + input;
    QVERIFY(tagged(picture, profile).save(m_dir.filePath(taggedName), nullptr, 95));
    QVERIFY(picture.save(m_dir.filePath(plainName), nullptr, 95));
    const QByteArray icc = testColourSpace(profile).iccProfile();

    // The view shows the picture converted to sRGB (an untagged one as it is), the pixels the
    // document holds stay the file's.
    DocumentWindow* window = openWindow(taggedName);
    DocumentView* view = window->view();
    PictureCanvas* canvas = view->canvas();
    QCOMPARE(canvas->zoom(), 1.0);
    const QImage source = view->source_image();
    QCOMPARE(source.colorSpace().iccProfile(), icc);
    QTRY_COMPARE(pictureOnScreen(canvas), inSrgb(source));
    const QRgb patch = pictureOnScreen(canvas).pixel(12, 12);
    QCOMPARE(patch != rgb(source).pixel(12, 12), !icc.isEmpty());

    // The artwork is shown converted too, and exported with the photo's profile.
    QVERIFY(view->process());
    QTRY_VERIFY_WITH_TIMEOUT(view->has_result() && !view->launcher()->worker(), kRenderTimeout);
    settle();
    QCOMPARE(canvas->shown_image().colorSpace().iccProfile(), icc);
    QTRY_COMPARE(pictureOnScreen(canvas), inSrgb(canvas->shown_image()));
    g_exportPath = m_dir.filePath(tag + QStringLiteral("-tagged-export.") + output);
    window->menu()->action_export()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!view->launcher()->worker() && QFile::exists(g_exportPath),
                             kRenderTimeout);
    QCOMPARE(embeddedProfile(g_exportPath), icc);
    const QString taggedExport = g_exportPath;
    closeAllWindows();

    // The untagged twin exports the very same pixels, without a profile.
    DocumentWindow* plain = openProcessed(plainName);
    QVERIFY(plain->view()->has_result());
    g_exportPath = m_dir.filePath(tag + QStringLiteral("-plain-export.") + output);
    plain->menu()->action_export()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!plain->view()->launcher()->worker() && QFile::exists(g_exportPath),
                             kRenderTimeout);
    QVERIFY(embeddedProfile(g_exportPath).isEmpty());
    QImage exported, twin;
    QVERIFY(loadPicture(taggedExport, exported));
    QVERIFY(loadPicture(g_exportPath, twin));
    QCOMPARE(rgb(exported), rgb(twin));
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestDocumentZoom test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_document_zoom.moc"
