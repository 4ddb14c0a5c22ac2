#include "core/raster/raster_primitives.h"
#include "support/test_pictures.h"
#include "ui/panel/image_zoom_slider.h"
#include "ui/panel/preview_widget.h"
#include "ui/panel/slider.h"
#include "ui/panel/thumbnail.h"
#include "ui/widgets/bevel_label.h"
#include "ui/widgets/style_sheet.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QtTest>

#include <cmath>

namespace {

const QRgb kPreviewGrey = qRgb(135, 135, 135);
const QSize kView(280, 280);

QPixmap pixmapOf(const QImage& image)
{
    return QPixmap::fromImage(image);
}

QImage grabbed(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void sendMouse(QWidget& widget, QEvent::Type type, const QPointF& global, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, widget.mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// A press, one move per step (screen pixels) and a release.
void drag(QWidget& widget, const QList<QPoint>& steps)
{
    QPointF at(400, 300);
    sendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
    for (const QPoint& step : steps) {
        at += step;
        sendMouse(widget, QEvent::MouseMove, at, Qt::LeftButton);
    }
    sendMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void drag(QWidget& widget, const QPoint& by)
{
    drag(widget, QList<QPoint>{by});
}

// A preview of the usual size showing picture at the zoom (percent).
void setUp(PreviewWidget& preview, const QImage& picture, int zoomPercent = 100,
           const QSize& view = kView)
{
    preview.setFixedSize(view);
    preview.slot_zoom_moved(zoomPercent);
    preview.set_source(pixmapOf(picture));
}

bool closeTo(const QPointF& a, const QPointF& b)
{
    return std::abs(a.x() - b.x()) < 1e-9 && std::abs(a.y() - b.y()) < 1e-9;
}

// The pixel a spinner spoke covers: the middle of the spoke (0.5, -10 before rotation), rotated
// clockwise by the given degrees about the spinner centre.
QPoint spokePixel(const QSize& view, int degrees)
{
    const double radians = degrees * M_PI / 180.0;
    const double x = 0.5 * std::cos(radians) + 10.0 * std::sin(radians);
    const double y = 0.5 * std::sin(radians) - 10.0 * std::cos(radians);
    return QPoint((view.width() - 1) / 2 + int(std::floor(x)),
                  (view.height() - 1) / 2 + int(std::floor(y)));
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void visibleSourceCoversViewAndMargin_data();
    void visibleSourceCoversViewAndMargin();
    void panFollowsTheDragWithinThePicture_data();
    void panFollowsTheDragWithinThePicture();
    void releaseDropsTheResultAndAsksForAPreview();
    void panMemoryRestoresEachPicture();
    void restoredPanIsLimitedToTheView();
    void zoomIsLimitedToItsRange_data();
    void zoomIsLimitedToItsRange();
    void zoomKeepsTheCentre_data();
    void zoomKeepsTheCentre();
    void smallPictureIsCentred_data();
    void smallPictureIsCentred();
    void resizeShiftsThePan_data();
    void resizeShiftsThePan();
    void paintsResultOrSourceOrNothing();
    void busyShowsTheSpinner();
    void spinnerTurnsWhileBusy();
    void emptySourceIsHarmless();

    void thumbnailShowsAndHidesThePreview();
    void sliderAnnouncesEveryChange_data();
    void sliderAnnouncesEveryChange();
    void zoomSliderStepZoomsAndAsksAtOnce_data();
    void zoomSliderStepZoomsAndAsksAtOnce();
    void zoomSliderDragAsksOnceAtRelease();
    void zoomSliderClickOnTheGroove();
};

void TestPreview::initTestCase()
{
    qApp->setStyleSheet(applicationStyleSheet());
}

void TestPreview::visibleSourceCoversViewAndMargin_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QSize>("view");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("dragBy");
    QTest::addColumn<QRect>("expectedRect"); // of the picture, before scaling
    QTest::addColumn<QSize>("expectedSize"); // of the preview input

    const QSize large(1000, 800);
    QTest::newRow("100 %") << large << kView << 100 << QPoint() << QRect(0, 0, 310, 310)
                           << QSize(310, 310);
    QTest::newRow("50 %") << large << kView << 50 << QPoint() << QRect(0, 0, 620, 620)
                          << QSize(310, 310);
    QTest::newRow("25 %, oblong view") << QSize(2000, 1600) << QSize(280, 260) << 25 << QPoint()
                                       << QRect(0, 0, 1240, 1160) << QSize(310, 290);
    // 250 / 0.33 rounds to 758 and 30 / 0.33 adds 90.9: 848 picture pixels, then clipped in y.
    // 0.33 x 848 rounds to 280, but keeping the aspect ratio gives 279.
    QTest::newRow("33 %") << large << QSize(250, 250) << 33 << QPoint() << QRect(0, 0, 848, 800)
                          << QSize(279, 264);
    QTest::newRow("100 %, small picture")
        << QSize(200, 150) << kView << 100 << QPoint() << QRect(0, 0, 200, 150) << QSize(200, 150);
    QTest::newRow("50 %, small picture")
        << QSize(200, 150) << kView << 50 << QPoint() << QRect(0, 0, 200, 150) << QSize(100, 75);
    QTest::newRow("100 %, narrow picture")
        << QSize(300, 1000) << kView << 100 << QPoint() << QRect(0, 0, 300, 310) << QSize(300, 310);
    QTest::newRow("100 %, panned") << large << kView << 100 << QPoint(-100, -50)
                                   << QRect(100, 50, 310, 310) << QSize(310, 310);
    QTest::newRow("50 %, panned") << large << kView << 50 << QPoint(-100, -50)
                                  << QRect(200, 100, 620, 620) << QSize(310, 310);
    // At the far corner the margin lies outside the picture.
    QTest::newRow("100 %, far corner") << large << kView << 100 << QPoint(-5000, -5000)
                                       << QRect(720, 520, 280, 280) << QSize(280, 280);
    QTest::newRow("50 %, far corner") << large << kView << 50 << QPoint(-5000, -5000)
                                      << QRect(440, 240, 560, 560) << QSize(280, 280);
}

void TestPreview::visibleSourceCoversViewAndMargin()
{
    QFETCH(QSize, pictureSize);
    QFETCH(QSize, view);
    QFETCH(int, zoom);
    QFETCH(QPoint, dragBy);
    QFETCH(QRect, expectedRect);
    QFETCH(QSize, expectedSize);
    const QImage picture =
        randomPicture(pictureSize.width(), pictureSize.height(), QImage::Format_RGB32, 7);
    PreviewWidget preview;
    setUp(preview, picture, zoom, view);
    if (!dragBy.isNull())
        drag(preview, dragBy);

    QCOMPARE(preview.visible_source_rect(), expectedRect);
    const QImage piece = preview.visible_source();
    QCOMPARE(piece.size(), expectedSize);
    const QImage expected =
        picture.copy(expectedRect)
            .scaled(expectedSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QCOMPARE(piece.convertToFormat(QImage::Format_RGB32), expected);
}

void TestPreview::panFollowsTheDragWithinThePicture_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QList<QPoint>>("steps");
    QTest::addColumn<QPointF>("expectedPan");

    // A 1000 x 800 picture in a 280 x 280 view: the pan runs to 720 x 520 at 100 %, to 440 x 240
    // at 50 %.
    QTest::newRow("100 %, left and up") << 100 << QList<QPoint>{{-100, -50}} << QPointF(100, 50);
    QTest::newRow("100 %, in steps")
        << 100 << QList<QPoint>{{-30, -10}, {-30, -10}, {20, 0}} << QPointF(40, 20);
    QTest::newRow("50 %, left and up") << 50 << QList<QPoint>{{-100, -50}} << QPointF(200, 100);
    QTest::newRow("25 %, picture inside the view")
        << 25 << QList<QPoint>{{-100, -100}} << QPointF(0, 0);
    QTest::newRow("past the top-left") << 100 << QList<QPoint>{{50, 80}} << QPointF(0, 0);
    QTest::newRow("there and back past the top-left")
        << 100 << QList<QPoint>{{-100, -100}, {300, 300}} << QPointF(0, 0);
    QTest::newRow("past the bottom-right, 100 %")
        << 100 << QList<QPoint>{{-5000, -5000}} << QPointF(720, 520);
    QTest::newRow("past the bottom-right, 50 %")
        << 50 << QList<QPoint>{{-5000, -5000}} << QPointF(440, 240);
    // The stop is kept, so the way back starts at the edge at once.
    QTest::newRow("past the bottom-right and back")
        << 100 << QList<QPoint>{{-5000, -5000}, {20, 20}} << QPointF(700, 500);
    QTest::newRow("past the top-left and back")
        << 100 << QList<QPoint>{{500, 500}, {-20, -20}} << QPointF(20, 20);
}

void TestPreview::panFollowsTheDragWithinThePicture()
{
    QFETCH(int, zoom);
    QFETCH(QList<QPoint>, steps);
    QFETCH(QPointF, expectedPan);
    PreviewWidget preview;
    setUp(preview, scenePicture(1000, 800), zoom);

    drag(preview, steps);

    QVERIFY2(closeTo(preview.pan(), expectedPan),
             qPrintable(QStringLiteral("pan %1,%2").arg(preview.pan().x()).arg(preview.pan().y())));
    QCOMPARE(preview.visible_source_rect().topLeft(), expectedPan.toPoint());
}

void TestPreview::releaseDropsTheResultAndAsksForAPreview()
{
    PreviewWidget preview;
    setUp(preview, scenePicture(1000, 800));
    preview.set_result(pixmapOf(solidPicture(QSize(310, 310), qRgb(0, 200, 0))));
    QSignalSpy wanted(&preview, &PreviewWidget::sig_preview_wanted);

    sendMouse(preview, QEvent::MouseButtonPress, QPointF(400, 300), Qt::LeftButton);
    QVERIFY(preview.is_pressed());
    QVERIFY(!preview.is_showing_result());
    QCOMPARE(preview.cursor().shape(), Qt::ClosedHandCursor);
    sendMouse(preview, QEvent::MouseMove, QPointF(380, 290), Qt::LeftButton);
    QCOMPARE(wanted.count(), 0);
    QVERIFY(!preview.result().isNull());
    sendMouse(preview, QEvent::MouseButtonRelease, QPointF(380, 290), Qt::NoButton);

    QVERIFY(!preview.is_pressed());
    QCOMPARE(wanted.count(), 1);
    QVERIFY(preview.result().isNull());
    QCOMPARE(preview.cursor().shape(), Qt::ArrowCursor);
    // Hovering without a press pans nothing.
    sendMouse(preview, QEvent::MouseMove, QPointF(300, 200), Qt::NoButton);
    QCOMPARE(preview.pan(), QPointF(20, 10));
    QCOMPARE(preview.cursor().shape(), Qt::OpenHandCursor);
}

void TestPreview::panMemoryRestoresEachPicture()
{
    const QImage first = scenePicture(1000, 800);
    const QImage second = randomPicture(900, 900, QImage::Format_RGB32, 3);
    PreviewWidget preview;
    setUp(preview, first);
    drag(preview, QPoint(-100, -50));
    QCOMPARE(preview.pan(), QPointF(100, 50));

    // A picture seen for the first time starts at the top-left.
    preview.set_source(pixmapOf(second));
    QCOMPARE(preview.pan(), QPointF(0, 0));
    drag(preview, QPoint(-30, -40));

    preview.set_source(pixmapOf(first));
    QCOMPARE(preview.pan(), QPointF(100, 50));
    QPointF remembered;
    QVERIFY(preview.remembered_pan(imageDigest(second), &remembered));
    QCOMPARE(remembered, QPointF(30, 40));

    // A copy of the same pixels is the same picture; clearing in between loses nothing.
    preview.clear();
    preview.set_source(pixmapOf(second.copy()));
    QCOMPARE(preview.pan(), QPointF(30, 40));
    preview.set_source(pixmapOf(first));
    QCOMPARE(preview.pan(), QPointF(100, 50));
    QCOMPARE(preview.visible_source_rect().topLeft(), QPoint(100, 50));
}

void TestPreview::restoredPanIsLimitedToTheView()
{
    const QImage first = scenePicture(1000, 800);
    PreviewWidget preview;
    setUp(preview, first);
    drag(preview, QPoint(-5000, -5000));
    QCOMPARE(preview.pan(), QPointF(720, 520));
    preview.set_source(pixmapOf(scenePicture(500, 500)));

    // A larger view reaches the picture's edge sooner.
    preview.setFixedSize(400, 300);
    preview.set_source(pixmapOf(first));
    QCOMPARE(preview.pan(), QPointF(600, 500));
    // At 50 % the view spans 800 x 600 picture pixels.
    preview.set_source(pixmapOf(scenePicture(500, 500)));
    preview.slot_zoom_moved(50);
    preview.set_source(pixmapOf(first));
    QCOMPARE(preview.pan(), QPointF(200, 200));
}

void TestPreview::zoomIsLimitedToItsRange_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<float>("expectedZoom");

    QTest::newRow("100") << 100 << 1.0f;
    QTest::newRow("50") << 50 << 0.5f;
    QTest::newRow("25") << 25 << 0.25f;
    QTest::newRow("24") << 24 << 0.25f;
    QTest::newRow("0") << 0 << 0.25f;
    QTest::newRow("-40") << -40 << 0.25f;
    QTest::newRow("101") << 101 << 1.0f;
    QTest::newRow("1000") << 1000 << 1.0f;
}

void TestPreview::zoomIsLimitedToItsRange()
{
    QFETCH(int, value);
    QFETCH(float, expectedZoom);
    PreviewWidget preview;
    setUp(preview, scenePicture(600, 500));
    preview.set_result(pixmapOf(solidPicture(QSize(310, 310), qRgb(0, 200, 0))));

    preview.slot_zoom_moved(value);

    QVERIFY(qFuzzyCompare(preview.zoom(), expectedZoom));
    QVERIFY(!preview.is_showing_result());
    const QImage piece = preview.visible_source();
    QVERIFY(!piece.isNull());
    QVERIFY(piece.width() <= kView.width() + PreviewWidget::kMargin);
    QVERIFY(piece.height() <= kView.height() + PreviewWidget::kMargin);
}

void TestPreview::zoomKeepsTheCentre_data()
{
    QTest::addColumn<QPoint>("dragBy");
    QTest::addColumn<QList<int>>("zooms");
    QTest::addColumn<QPointF>("expectedPan");

    // 1000 x 800 picture, 280 x 280 view: at 50 % the view spans 560 picture pixels, so the pan
    // moves back by 140 to keep the centre.
    QTest::newRow("out to 50 %") << QPoint(-300, -300) << QList<int>{50} << QPointF(160, 160);
    QTest::newRow("out and in again")
        << QPoint(-300, -300) << QList<int>{50, 100} << QPointF(300, 300);
    QTest::newRow("out to 25 % stops at the top-left")
        << QPoint(-300, -300) << QList<int>{25} << QPointF(0, 0);
    QTest::newRow("out at the top-left") << QPoint() << QList<int>{50} << QPointF(0, 0);
    QTest::newRow("out at the far corner")
        << QPoint(-5000, -5000) << QList<int>{50} << QPointF(440, 240);
}

void TestPreview::zoomKeepsTheCentre()
{
    QFETCH(QPoint, dragBy);
    QFETCH(QList<int>, zooms);
    QFETCH(QPointF, expectedPan);
    PreviewWidget preview;
    setUp(preview, scenePicture(1000, 800));
    if (!dragBy.isNull())
        drag(preview, dragBy);

    for (int value : zooms)
        preview.slot_zoom_moved(value);

    QVERIFY2(closeTo(preview.pan(), expectedPan),
             qPrintable(QStringLiteral("pan %1,%2").arg(preview.pan().x()).arg(preview.pan().y())));
    // The preview input starts where the view does, never before the picture.
    QCOMPARE(preview.visible_source_rect().topLeft(), expectedPan.toPoint());
}

void TestPreview::smallPictureIsCentred_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("expectedOffset");
    QTest::addColumn<QSize>("expectedDrawn");

    QTest::newRow("100 x 60") << QSize(100, 60) << 100 << QPoint(90, 110) << QSize(100, 60);
    QTest::newRow("100 x 60 at 50 %") << QSize(100, 60) << 50 << QPoint(115, 125) << QSize(50, 30);
    // 50.5 and 30.5 round away from zero.
    QTest::newRow("101 x 61 at 50 %") << QSize(101, 61) << 50 << QPoint(114, 124) << QSize(51, 31);
    QTest::newRow("narrow and tall") << QSize(100, 1000) << 100 << QPoint(90, 0) << QSize(100, 280);
    QTest::newRow("one pixel less than the view")
        << QSize(279, 279) << 100 << QPoint(0, 0) << QSize(279, 279);
    QTest::newRow("larger than the view") << QSize(1000, 800) << 100 << QPoint(0, 0) << kView;
}

void TestPreview::smallPictureIsCentred()
{
    QFETCH(QSize, pictureSize);
    QFETCH(int, zoom);
    QFETCH(QPoint, expectedOffset);
    QFETCH(QSize, expectedDrawn);
    const QRgb red = qRgb(220, 20, 20);
    PreviewWidget preview;
    setUp(preview, solidPicture(pictureSize, red), zoom);

    // Known as soon as the picture is set, and again when it is painted.
    QCOMPARE(preview.offset(), expectedOffset);
    preview.slot_zoom_started();
    const QImage shown = grabbed(preview);
    QCOMPARE(preview.offset(), expectedOffset);

    const QRect drawn(expectedOffset, expectedDrawn);
    QCOMPARE(shown.pixel(drawn.topLeft()), red);
    QCOMPARE(shown.pixel(drawn.bottomRight()), red);
    if (drawn.left() > 0)
        QCOMPARE(shown.pixel(drawn.left() - 1, drawn.top()), kPreviewGrey);
    if (drawn.top() > 0)
        QCOMPARE(shown.pixel(drawn.left(), drawn.top() - 1), kPreviewGrey);
    if (drawn.right() < kView.width() - 1)
        QCOMPARE(shown.pixel(drawn.right() + 1, drawn.bottom()), kPreviewGrey);
    if (drawn.bottom() < kView.height() - 1)
        QCOMPARE(shown.pixel(drawn.right(), drawn.bottom() + 1), kPreviewGrey);
}

void TestPreview::resizeShiftsThePan_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QPoint>("dragBy");
    QTest::addColumn<QSize>("newSize");
    QTest::addColumn<QPointF>("expectedPan");

    QTest::newRow("larger") << QSize(1000, 800) << QPoint(-300, -300) << QSize(300, 290)
                            << QPointF(280, 290);
    QTest::newRow("smaller") << QSize(1000, 800) << QPoint(-300, -300) << QSize(260, 270)
                             << QPointF(320, 310);
    QTest::newRow("larger at the far corner")
        << QSize(1000, 800) << QPoint(-5000, -5000) << QSize(300, 290) << QPointF(700, 510);
    QTest::newRow("larger at the top-left stays there")
        << QSize(1000, 800) << QPoint() << QSize(300, 290) << QPointF(0, 0);
    // The picture fits the view in height: no shift in either direction.
    QTest::newRow("picture not taller than the view")
        << QSize(1000, 200) << QPoint(-300, 0) << QSize(300, 290) << QPointF(300, 0);
}

void TestPreview::resizeShiftsThePan()
{
    QFETCH(QSize, pictureSize);
    QFETCH(QPoint, dragBy);
    QFETCH(QSize, newSize);
    QFETCH(QPointF, expectedPan);
    QWidget window;
    window.resize(400, 400);
    auto* preview = new PreviewWidget(&window);
    preview->setGeometry(QRect(QPoint(0, 0), kView));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    preview->set_source(pixmapOf(scenePicture(pictureSize.width(), pictureSize.height())));
    if (!dragBy.isNull())
        drag(*preview, dragBy);

    preview->resize(newSize);

    QCOMPARE(preview->size(), newSize);
    QVERIFY2(
        closeTo(preview->pan(), expectedPan),
        qPrintable(QStringLiteral("pan %1,%2").arg(preview->pan().x()).arg(preview->pan().y())));
}

void TestPreview::paintsResultOrSourceOrNothing()
{
    const QRgb blue = qRgb(20, 40, 220);
    const QRgb green = qRgb(0, 200, 0);
    const QPoint middle(140, 140);
    PreviewWidget preview;
    setUp(preview, solidPicture(QSize(1000, 800), blue));
    // No result yet: the picture itself.
    QCOMPARE(grabbed(preview).pixel(middle), blue);

    preview.set_result(pixmapOf(solidPicture(QSize(310, 310), green)));
    QVERIFY(preview.is_showing_result());
    QCOMPARE(grabbed(preview).pixel(middle), green);

    preview.slot_zoom_started();
    QCOMPARE(grabbed(preview).pixel(middle), blue);

    preview.set_result(pixmapOf(solidPicture(QSize(310, 310), green)));
    preview.show_source();
    QVERIFY(!preview.is_showing_result());
    QCOMPARE(grabbed(preview).pixel(middle), blue);

    preview.clear();
    QVERIFY(preview.source().isNull());
    QVERIFY(preview.result().isNull());
    const QImage empty = grabbed(preview);
    QCOMPARE(empty.pixel(middle), kPreviewGrey);
    QCOMPARE(empty.pixel(0, 0), kPreviewGrey);
    QCOMPARE(empty.pixel(279, 279), kPreviewGrey);
}

void TestPreview::busyShowsTheSpinner()
{
    PreviewWidget preview;
    setUp(preview, solidPicture(QSize(1000, 800), qRgb(0, 0, 0)));
    preview.set_result(pixmapOf(solidPicture(QSize(310, 310), qRgb(0, 0, 0))));
    // What the busy picture alone gives over the black picture, without spokes.
    QImage pictureOnly = solidPicture(kView, qRgb(0, 0, 0));
    {
        QPainter painter(&pictureOnly);
        painter.drawImage(QPoint((kView.width() + 1) / 2 - 19, (kView.height() + 1) / 2 - 19),
                          QImage(QStringLiteral(":/BackProgress.png")));
    }
    const QPoint brightest = spokePixel(kView, 0);   // spoke 0, alpha 0.8
    const QPoint halfway = spokePixel(kView, 180);   // spoke 6, alpha 0.3
    const QPoint last = spokePixel(kView, 30);       // spoke 11, alpha below 0
    const QPoint secondLast = spokePixel(kView, 60); // spoke 10, alpha below 0

    const QImage idle = grabbed(preview);
    QCOMPARE(idle.pixel(brightest), qRgb(0, 0, 0));

    preview.set_busy(true);
    QVERIFY(preview.is_busy());
    QVERIFY(!preview.is_showing_result());
    const QImage busy = grabbed(preview);
    QVERIFY(busy != idle);
    QVERIFY2(qGray(busy.pixel(brightest)) > 180,
             qPrintable(QString::number(qGray(busy.pixel(brightest)))));
    QVERIFY(qGray(busy.pixel(brightest)) > qGray(busy.pixel(halfway)) + 60);
    QVERIFY(qGray(busy.pixel(halfway)) > qGray(pictureOnly.pixel(halfway)) + 30);
    // The last two spokes have no alpha left: only the busy picture shows there.
    QVERIFY(std::abs(qGray(busy.pixel(last)) - qGray(pictureOnly.pixel(last))) <= 2);
    QVERIFY(std::abs(qGray(busy.pixel(secondLast)) - qGray(pictureOnly.pixel(secondLast))) <= 2);
    // The busy picture is there, beyond the spokes' reach, and nothing else changed.
    int pictureShows = 0;
    for (int y = 0; y < kView.height(); ++y) {
        for (int x = 0; x < kView.width(); ++x) {
            if (std::hypot(x + 0.5 - 139, y + 0.5 - 139) < 17.0)
                continue;
            QCOMPARE(busy.pixel(x, y), pictureOnly.pixel(x, y));
            if (pictureOnly.pixel(x, y) != qRgb(0, 0, 0))
                ++pictureShows;
        }
    }
    QVERIFY(pictureShows > 50);

    // One tick turns the brightest spoke a twelfth clockwise.
    QVERIFY(QMetaObject::invokeMethod(&preview, "slot_timer"));
    QCOMPARE(preview.spinner_angle(), 30);
    const QImage turned = grabbed(preview);
    QVERIFY(qGray(turned.pixel(spokePixel(kView, 30))) > 180);
    // The last two spokes moved on with it.
    QVERIFY(std::abs(qGray(turned.pixel(spokePixel(kView, 60))) -
                     qGray(pictureOnly.pixel(spokePixel(kView, 60)))) <= 2);
    QVERIFY(std::abs(qGray(turned.pixel(spokePixel(kView, 90))) -
                     qGray(pictureOnly.pixel(spokePixel(kView, 90)))) <= 2);

    preview.set_busy(false);
    QVERIFY(!preview.is_busy());
    QVERIFY(preview.is_showing_result());
    QCOMPARE(grabbed(preview), idle);
}

void TestPreview::spinnerTurnsWhileBusy()
{
    PreviewWidget preview;
    setUp(preview, scenePicture(400, 400));
    preview.set_busy(true);
    QTRY_VERIFY_WITH_TIMEOUT(preview.spinner_angle() >= 60, 5000);

    // Twelve ticks make a full turn, back to 0 rather than 360.
    preview.clear(); // stops the timer too
    QVERIFY(!preview.is_busy());
    const int angle = preview.spinner_angle();
    for (int tick = angle; tick < 360; tick += 30)
        QVERIFY(QMetaObject::invokeMethod(&preview, "slot_timer"));
    QCOMPARE(preview.spinner_angle(), 0);
    QVERIFY(!preview.spinner_turning());
}

void TestPreview::emptySourceIsHarmless()
{
    PreviewWidget preview;
    preview.setFixedSize(kView);
    QSignalSpy wanted(&preview, &PreviewWidget::sig_preview_wanted);
    QVERIFY(preview.visible_source().isNull());
    QVERIFY(preview.visible_source_rect().isEmpty());

    preview.set_source(QPixmap());
    preview.slot_zoom_moved(40);
    drag(preview, QPoint(-50, -50));
    QCOMPARE(preview.pan(), QPointF(0, 0));
    preview.set_busy(true);
    preview.set_result(QPixmap());
    preview.set_busy(false);
    preview.resize(300, 300);
    QCOMPARE(grabbed(preview).pixel(100, 100), kPreviewGrey);
    QVERIFY(preview.visible_source().isNull());
    QCOMPARE(wanted.count(), 1);

    // A one-pixel picture still gives a one-pixel preview input at 25 %.
    preview.slot_zoom_moved(25);
    preview.set_source(pixmapOf(solidPicture(QSize(1, 1), qRgb(9, 9, 9))));
    QCOMPARE(preview.visible_source().size(), QSize(1, 1));
    QCOMPARE(preview.offset(), QPoint(139, 139));

    Thumbnail thumbnail;
    thumbnail.set_source(QImage());
    QVERIFY(thumbnail.source_image().isNull());
    thumbnail.set_result(QImage());
    thumbnail.clear();
    QVERIFY(thumbnail.source_image().isNull());
}

void TestPreview::thumbnailShowsAndHidesThePreview()
{
    Thumbnail thumbnail;
    PreviewWidget* preview = thumbnail.preview();
    QVERIFY(preview);
    QVERIFY(preview->isVisibleTo(&thumbnail));
    QCOMPARE(thumbnail.minimumSize(), QSize(255, 255));
    auto* frame = qobject_cast<QLabel*>(preview->parentWidget());
    QVERIFY(frame);
    QCOMPARE(frame->frameShape(), QFrame::Box);
    QCOMPARE(frame->frameWidth(), 1);
    QCOMPARE(frame->parentWidget(), &thumbnail);
    thumbnail.resize(300, 300);
    thumbnail.show();
    QVERIFY(QTest::qWaitForWindowExposed(&thumbnail));
    QCOMPARE(preview->geometry(), QRect(1, 1, 298, 298));

    const QImage picture = scenePicture(800, 600);
    QSignalSpy update(&thumbnail, &Thumbnail::signal_update_thumbnail);
    thumbnail.clear();
    QVERIFY(!preview->isVisible());
    thumbnail.set_source(picture);
    QVERIFY(preview->isVisible());
    QCOMPARE(preview->source().size(), picture.size());
    QCOMPARE(thumbnail.source_image(), preview->visible_source());
    QCOMPARE(thumbnail.source_image().size(), QSize(328, 328));

    thumbnail.clear();
    const QImage result = solidPicture(QSize(328, 328), qRgb(1, 2, 3));
    thumbnail.set_result(result);
    QVERIFY(preview->isVisible());
    QCOMPARE(preview->result().toImage().convertToFormat(QImage::Format_RGB32), result);

    thumbnail.set_source(picture);
    thumbnail.set_busy(true);
    QVERIFY(preview->is_busy());
    thumbnail.set_busy(false);
    QVERIFY(preview->is_showing_result());
    thumbnail.show_source();
    QVERIFY(!preview->is_showing_result());

    // The end of a pan reaches the thumbnail's owner.
    drag(*preview, QPoint(-10, -10));
    QCOMPARE(update.count(), 1);
    thumbnail.zoom_started();
    QVERIFY(thumbnail.is_zooming());
    thumbnail.zoom_image(50);
    QVERIFY(qFuzzyCompare(preview->zoom(), 0.5f));
    QCOMPARE(update.count(), 1);
    thumbnail.zoom_finished();
    QVERIFY(!thumbnail.is_zooming());
    QCOMPARE(update.count(), 2);
}

void TestPreview::sliderAnnouncesEveryChange_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("set value") << QStringLiteral("setValue 70") << QList<int>{70};
    QTest::newRow("same value") << QStringLiteral("setValue 50") << QList<int>{};
    QTest::newRow("above the range") << QStringLiteral("setValue 150") << QList<int>{100};
    QTest::newRow("two key steps") << QStringLiteral("Right Right") << QList<int>{51, 52};
    QTest::newRow("page key") << QStringLiteral("PageUp") << QList<int>{60};
    QTest::newRow("end key") << QStringLiteral("End") << QList<int>{100};
    QTest::newRow("range moves the value") << QStringLiteral("setRange 60") << QList<int>{60};
    QTest::newRow("drag moves") << QStringLiteral("drag 55 56") << QList<int>{55, 56};
}

void TestPreview::sliderAnnouncesEveryChange()
{
    QFETCH(QString, action);
    QFETCH(QList<int>, expected);
    Slider slider(Qt::Horizontal);
    QCOMPARE(slider.orientation(), Qt::Horizontal);
    slider.setRange(0, 100);
    slider.setValue(50);
    QList<int> announced;
    connect(&slider, &Slider::sig_value_change, this, [&](int value) {
        // Announced with the value already set.
        QCOMPARE(slider.value(), value);
        announced.append(value);
    });
    QSignalSpy changed(&slider, &QSlider::valueChanged);

    const QStringList words = action.split(QLatin1Char(' '));
    if (words.first() == QLatin1String("setValue")) {
        slider.setValue(words.at(1).toInt());
    } else if (words.first() == QLatin1String("setRange")) {
        slider.setRange(words.at(1).toInt(), 100);
    } else if (words.first() == QLatin1String("drag")) {
        slider.setSliderDown(true);
        for (int i = 1; i < words.size(); ++i)
            slider.setSliderPosition(words.at(i).toInt());
        slider.setSliderDown(false);
    } else {
        for (const QString& key : words) {
            const Qt::Key code = key == QLatin1String("Right")    ? Qt::Key_Right
                                 : key == QLatin1String("PageUp") ? Qt::Key_PageUp
                                                                  : Qt::Key_End;
            QTest::keyClick(&slider, code);
        }
    }

    QCOMPARE(announced, expected);
    QCOMPARE(changed.count(), expected.size());
}

void TestPreview::zoomSliderStepZoomsAndAsksAtOnce_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expectedValue");
    QTest::addColumn<int>("expectedRequests");

    QTest::newRow("set value") << QStringLiteral("set 50") << 50 << 1;
    QTest::newRow("key step") << QStringLiteral("Left") << 99 << 1;
    QTest::newRow("three key steps") << QStringLiteral("Left Left Left") << 97 << 3;
    QTest::newRow("page step") << QStringLiteral("PageDown") << 90 << 1;
    QTest::newRow("to the minimum") << QStringLiteral("Home") << 25 << 1;
    QTest::newRow("below the range") << QStringLiteral("set 5") << 25 << 1;
    QTest::newRow("no change") << QStringLiteral("set 100") << 100 << 0;
}

void TestPreview::zoomSliderStepZoomsAndAsksAtOnce()
{
    QFETCH(QString, action);
    QFETCH(int, expectedValue);
    QFETCH(int, expectedRequests);
    Thumbnail thumbnail;
    thumbnail.set_source(scenePicture(800, 600));
    ImageZoomSlider zoomSlider(&thumbnail);
    Slider* slider = zoomSlider.slider();
    QCOMPARE(slider->minimum(), 25);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(slider->value(), 100);
    QCOMPARE(zoomSlider.value_label()->text(), QStringLiteral("100%"));
    QCOMPARE(zoomSlider.value_label()->font().pointSize(), 10);
    QSignalSpy requests(&thumbnail, &Thumbnail::signal_update_thumbnail);

    const QStringList words = action.split(QLatin1Char(' '));
    if (words.first() == QLatin1String("set")) {
        slider->setValue(words.at(1).toInt());
    } else {
        for (const QString& key : words) {
            const Qt::Key code = key == QLatin1String("Left")       ? Qt::Key_Left
                                 : key == QLatin1String("PageDown") ? Qt::Key_PageDown
                                                                    : Qt::Key_Home;
            QTest::keyClick(slider, code);
        }
    }

    QCOMPARE(slider->value(), expectedValue);
    QCOMPARE(zoomSlider.value_label()->text(), QStringLiteral("%1%").arg(expectedValue));
    QVERIFY(qFuzzyCompare(thumbnail.preview()->zoom(), expectedValue / 100.0f));
    QCOMPARE(requests.count(), expectedRequests);
    QVERIFY(!thumbnail.is_zooming());
    QVERIFY(thumbnail.preview()->result().isNull() || expectedRequests == 0);
}

void TestPreview::zoomSliderDragAsksOnceAtRelease()
{
    Thumbnail thumbnail;
    thumbnail.set_source(scenePicture(800, 600));
    thumbnail.set_result(solidPicture(QSize(10, 10), qRgb(0, 200, 0)));
    ImageZoomSlider zoomSlider(&thumbnail);
    Slider* slider = zoomSlider.slider();
    QSignalSpy requests(&thumbnail, &Thumbnail::signal_update_thumbnail);

    slider->setSliderDown(true);
    QVERIFY(thumbnail.is_zooming());
    QVERIFY(!thumbnail.preview()->is_showing_result());
    slider->setSliderPosition(80);
    QVERIFY(qFuzzyCompare(thumbnail.preview()->zoom(), 0.8f));
    QCOMPARE(zoomSlider.value_label()->text(), QStringLiteral("80%"));
    slider->setSliderPosition(60);
    QVERIFY(qFuzzyCompare(thumbnail.preview()->zoom(), 0.6f));
    QCOMPARE(requests.count(), 0);
    QVERIFY(thumbnail.is_zooming());

    slider->setSliderDown(false);
    QCOMPARE(requests.count(), 1);
    QVERIFY(!thumbnail.is_zooming());
    QVERIFY(thumbnail.preview()->result().isNull());
    QCOMPARE(zoomSlider.value_label()->text(), QStringLiteral("60%"));
}

void TestPreview::zoomSliderClickOnTheGroove()
{
    QWidget window;
    auto* thumbnail = new Thumbnail(&window);
    auto* zoomSlider = new ImageZoomSlider(thumbnail, &window);
    thumbnail->setGeometry(0, 0, 300, 300);
    zoomSlider->setGeometry(0, 310, 300, 30);
    window.resize(300, 340);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    thumbnail->set_source(scenePicture(800, 600));
    QSignalSpy requests(thumbnail, &Thumbnail::signal_update_thumbnail);
    Slider* slider = zoomSlider->slider();

    // Left of the handle, which sits at the right end at 100 %.
    const QPoint groove(slider->width() / 4, slider->height() / 2);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, groove);

    QVERIFY(slider->value() < 100);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(zoomSlider->value_label()->text(), QStringLiteral("%1%").arg(slider->value()));
    QVERIFY(qFuzzyCompare(thumbnail->preview()->zoom(), slider->value() / 100.0f));
    QVERIFY(!thumbnail->is_zooming());
}

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
