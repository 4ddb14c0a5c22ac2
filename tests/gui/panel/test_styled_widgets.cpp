#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/bevel_label.h"
#include "ui/widgets/clickable_label.h"
#include "ui/widgets/h_line.h"
#include "ui/widgets/placeholder.h"
#include "ui/widgets/status_bar.h"
#include "ui/widgets/style_sheet.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGridLayout>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// What painting some text added to a widget: the pixels of a grab that differ from a grab of the
// same widget without the text.
struct TextInk
{
    int darkest = 255; // lowest grey among the changed pixels
    int lightest = 0;  // highest grey among the pixels made lighter
    int lighterCount = 0;
    int darkerCount = 0;
    QRect darkBox;  // bounds of the pixels made darker
    QRect lightBox; // bounds of the pixels made lighter
};

int greyOf(QRgb pixel)
{
    return qGray(pixel);
}

TextInk inkBetween(const QImage& withText, const QImage& without)
{
    TextInk ink;
    for (int y = 0; y < withText.height(); ++y) {
        for (int x = 0; x < withText.width(); ++x) {
            const int a = greyOf(withText.pixel(x, y));
            const int b = greyOf(without.pixel(x, y));
            if (a < b - 8) {
                ++ink.darkerCount;
                ink.darkBox |= QRect(x, y, 1, 1);
                ink.darkest = qMin(ink.darkest, a);
            } else if (a > b + 8) {
                ++ink.lighterCount;
                ink.lightBox |= QRect(x, y, 1, 1);
                ink.lightest = qMax(ink.lightest, a);
            }
        }
    }
    return ink;
}

// The widget as it appears in its window, over its parent's background.
QImage grabImage(QWidget* widget)
{
    QWidget* window = widget->window();
    const QRect area(widget->mapTo(window, QPoint(0, 0)), widget->size());
    return window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

QWheelEvent wheel(QWidget* target, int delta)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    return QWheelEvent(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
}

// Records the wheel events that reach it.
class WheelCounter : public QWidget
{
public:
    int wheels = 0;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        ++wheels;
        event->accept();
    }
};

QSize placeholderPictureSize()
{
    return QSvgRenderer(QStringLiteral(":/placeholder.svg")).defaultSize();
}

} // namespace

class TestStyledWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void buttonTextIsEmbossed_data();
    void buttonTextIsEmbossed();
    void buttonTakesTheStyleSheetHeight();
    void labelTextIsEmbossed_data();
    void labelTextIsEmbossed();

    void wheelNeverChangesTheComboSelection_data();
    void wheelNeverChangesTheComboSelection();
    void comboListShowsEveryEntry_data();
    void comboListShowsEveryEntry();
    void longComboEntryStopsBeforeTheArrow();

    void clickableLabelReportsLeftClicksInside();

    void hLineIsATwoToneLine_data();
    void hLineIsATwoToneLine();

    void statusBarHasFixedHeightAndText();
    void statusBarGradientFollowsItsHeight();
    void statusBarKeepsGripAtBottomRight();

    void placeholderFitsItsPicture_data();
    void placeholderFitsItsPicture();
    void placeholderFrameOnlyWhenFramed_data();
    void placeholderFrameOnlyWhenFramed();
};

void TestStyledWidgets::initTestCase()
{
    qApp->setStyleSheet(applicationStyleSheet());
    QVERIFY(!placeholderPictureSize().isEmpty());
}

void TestStyledWidgets::buttonTextIsEmbossed_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("down");
    QTest::addColumn<int>("textGrey");
    QTest::newRow("enabled") << true << false << 41;
    QTest::newRow("disabled") << false << false << 120;
    QTest::newRow("held down") << true << true << 120;
}

void TestStyledWidgets::buttonTextIsEmbossed()
{
    QFETCH(bool, enabled);
    QFETCH(bool, down);
    QFETCH(int, textGrey);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* withText = new BevelButton(QStringLiteral("MWMWM"), &window);
    auto* blank = new BevelButton(QString(), &window);
    for (BevelButton* button : {withText, blank}) {
        button->setFixedWidth(120);
        button->setEnabled(enabled);
        button->setDown(down);
        layout->addWidget(button);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const TextInk ink = inkBetween(grabImage(withText), grabImage(blank));
    QVERIFY2(ink.darkerCount > 20, "no dark text painted");
    // The text's own colour: dark grey when enabled, the lighter grey when disabled or held down.
    QVERIFY2(qAbs(ink.darkest - textGrey) <= 4, qPrintable(QString::number(ink.darkest)));
    // The light copy is still there, one pixel below and to the right.
    QVERIFY2(ink.lighterCount > 10, "no light copy painted");
    QVERIFY2(ink.lightest >= 226, qPrintable(QString::number(ink.lightest)));
    QCOMPARE(ink.lightBox.right(), ink.darkBox.right() + 1);
    QCOMPARE(ink.lightBox.bottom(), ink.darkBox.bottom() + 1);
}

void TestStyledWidgets::buttonTakesTheStyleSheetHeight()
{
    BevelButton button(QStringLiteral("Process"));
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QCOMPARE(button.sizeHint().height(), 24);
}

void TestStyledWidgets::labelTextIsEmbossed_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("textGrey");
    QTest::newRow("enabled") << true << 41;
    QTest::newRow("disabled") << false << 120;
}

void TestStyledWidgets::labelTextIsEmbossed()
{
    QFETCH(bool, enabled);
    QFETCH(int, textGrey);

    QWidget window;
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(150, 150, 150));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&window);
    auto* label = new BevelLabel(QStringLiteral("MWMWM"), &window);
    auto* blank = new BevelLabel(&window);
    for (BevelLabel* l : {label, blank}) {
        l->setFixedSize(100, 24);
        l->setEnabled(enabled);
        layout->addWidget(l);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const TextInk ink = inkBetween(grabImage(label), grabImage(blank));
    QVERIFY(ink.darkerCount > 20);
    QVERIFY2(qAbs(ink.darkest - textGrey) <= 4, qPrintable(QString::number(ink.darkest)));
    // The faint light copy, one pixel lower: 150 + 0.375 * (230 - 150) = 180.
    QVERIFY(ink.lighterCount > 5);
    QVERIFY2(qAbs(ink.lightest - 180) <= 4, qPrintable(QString::number(ink.lightest)));
    QCOMPARE(ink.lightBox.bottom(), ink.darkBox.bottom() + 1);
    QVERIFY(qAbs(ink.lightBox.right() - ink.darkBox.right()) <= 1);
    QVERIFY(qAbs(ink.lightBox.left() - ink.darkBox.left()) <= 1);
}

void TestStyledWidgets::wheelNeverChangesTheComboSelection_data()
{
    QTest::addColumn<int>("delta");
    QTest::newRow("up") << 120;
    QTest::newRow("down") << -120;
    QTest::newRow("fine") << -15;
}

void TestStyledWidgets::wheelNeverChangesTheComboSelection()
{
    QFETCH(int, delta);
    WheelCounter parent;
    auto* combo = new BevelComboBox(&parent);
    combo->addItems({"Pencil", "Oil", "Watercolor", "Pastel", "Charcoal"});
    combo->setCurrentIndex(2);
    QSignalSpy changes(combo, &QComboBox::currentIndexChanged);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    for (int i = 0; i < 3; ++i) {
        QWheelEvent event = wheel(combo, delta);
        QApplication::sendEvent(combo, &event);
        QVERIFY(event.isAccepted());
    }
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(changes.count(), 0);
    // Consumed: the panel around the combo does not scroll either.
    QCOMPARE(parent.wheels, 0);
}

void TestStyledWidgets::comboListShowsEveryEntry_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("maxVisible");
    QTest::newRow("10 entries") << 10 << 10;
    QTest::newRow("10 entries, style limit 4") << 10 << 4;
    QTest::newRow("12 entries") << 12 << 10;
    QTest::newRow("3 entries") << 3 << 10;
}

void TestStyledWidgets::comboListShowsEveryEntry()
{
    QFETCH(int, entries);
    QFETCH(int, maxVisible);
    QWidget window;
    auto* combo = new BevelComboBox(&window);
    for (int i = 0; i < entries; ++i)
        combo->addItem(QStringLiteral("Entry %1").arg(i + 1));
    combo->setMaxVisibleItems(maxVisible);
    window.resize(300, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    combo->showPopup();
    QAbstractItemView* list = combo->view();
    QTRY_VERIFY(list->isVisible());
    const QRect viewport = list->viewport()->rect();
    // The popup window around the list, which clips it.
    const QRect popup = list->window()->rect();
    for (int row = 0; row < entries; ++row) {
        const QRect item = list->visualRect(combo->model()->index(row, 0));
        QVERIFY2(item.top() >= viewport.top() && item.bottom() <= viewport.bottom(),
                 qPrintable(QStringLiteral("entry %1 not visible").arg(row)));
        const QRect shown(list->viewport()->mapTo(list->window(), item.topLeft()), item.size());
        QVERIFY2(shown.top() >= popup.top() && shown.bottom() <= popup.bottom(),
                 qPrintable(QStringLiteral("entry %1 cut off by the popup").arg(row)));
    }
    QCOMPARE(list->verticalScrollBar()->maximum(), 0);
    combo->hidePopup();
}

void TestStyledWidgets::longComboEntryStopsBeforeTheArrow()
{
    QWidget window;
    window.setFixedSize(200, 60);
    auto* combo = new BevelComboBox(&window);
    auto* empty = new BevelComboBox(&window);
    combo->setGeometry(0, 5, 160, 20);
    empty->setGeometry(0, 35, 160, 20);
    combo->addItem(QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"));
    empty->addItem(QString());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QImage with = grabImage(combo);
    const QImage without = grabImage(empty);
    int rightmostInk = -1;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (qAbs(greyOf(with.pixel(x, y)) - greyOf(without.pixel(x, y))) > 8)
                rightmostInk = qMax(rightmostInk, x);
    QVERIFY(rightmostInk > 100);
    // The arrow sits in the last 16 pixels or so; the text stays clear of it.
    QVERIFY2(rightmostInk < combo->width() - 18, qPrintable(QString::number(rightmostInk)));
}

void TestStyledWidgets::clickableLabelReportsLeftClicksInside()
{
    QWidget window;
    window.resize(100, 100);
    auto* label = new ClickableLabel(&window);
    label->setPixmap(QPixmap(QStringLiteral(":/original-size.png")));
    label->setGeometry(10, 10, 16, 16);
    QSignalSpy clicks(label, &ClickableLabel::clicked);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    QCOMPARE(clicks.count(), 1);
    QTest::mouseClick(label, Qt::RightButton, Qt::NoModifier, QPoint(8, 8));
    QCOMPARE(clicks.count(), 1);
    // Pressed on the label, released outside it: no click.
    QTest::mousePress(label, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    QTest::mouseRelease(label, Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    QCOMPARE(clicks.count(), 1);
}

void TestStyledWidgets::hLineIsATwoToneLine_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("1") << 1;
    QTest::newRow("37") << 37;
    QTest::newRow("300") << 300;
}

void TestStyledWidgets::hLineIsATwoToneLine()
{
    QFETCH(int, width);
    const QImage separator(QStringLiteral(":/separator.png"));
    QCOMPARE(separator.size(), QSize(1, 2));

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* line = new HLine(&window);
    line->setFixedWidth(width);
    layout->addWidget(line);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(line->height(), 2);
    QCOMPARE(line->minimumHeight(), 2);
    QCOMPARE(line->maximumHeight(), 2);
    const QImage image = grabImage(line);
    for (int x = 0; x < width; ++x) {
        QCOMPARE(image.pixel(x, 0), separator.pixel(0, 0) | 0xFF000000u);
        QCOMPARE(image.pixel(x, 1), separator.pixel(0, 1) | 0xFF000000u);
    }
    QVERIFY(qGray(separator.pixel(0, 0)) < qGray(separator.pixel(0, 1)));
}

void TestStyledWidgets::statusBarHasFixedHeightAndText()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* bar = new StatusBar(&window);
    layout->addWidget(bar);
    window.resize(400, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(bar->height(), 24);
    QCOMPARE(bar->minimumHeight(), 24);
    QCOMPARE(bar->maximumHeight(), 24);
    bar->set_text(QStringLiteral("photo.jpg: (800 x 600)"));
    QCOMPARE(bar->text(), QStringLiteral("photo.jpg: (800 x 600)"));
    bar->set_zoom(67);
    QCOMPARE(bar->zoom_text(), QStringLiteral("67%"));
    BevelLabel* label = nullptr;
    BevelLabel* zoom = nullptr;
    for (BevelLabel* each : bar->findChildren<BevelLabel*>())
        (each->text() == bar->text() ? label : zoom) = each;
    QVERIFY(label && zoom);
    QCOMPARE(label->font().pointSize(), 10);
    // The text sits in the middle of the space between the zoom at the left and the Compare
    // button at the right.
    QCoreApplication::processEvents();
    const QWidget* compare = bar->compare_button();
    QVERIFY(compare->isVisible());
    QVERIFY(zoom->geometry().right() < label->geometry().left());
    QVERIFY(label->geometry().right() < compare->geometry().left());
    auto* grid = qobject_cast<QGridLayout*>(bar->layout());
    QVERIFY(grid);
    const int columnCentre = grid->cellRect(0, 1).center().x();
    QVERIFY2(qAbs(label->geometry().center().x() - columnCentre) <= 1,
             qPrintable(QString::number(label->geometry().center().x())));
    QVERIFY(qAbs(label->geometry().center().y() - bar->height() / 2) <= 1);
}

void TestStyledWidgets::statusBarGradientFollowsItsHeight()
{
    StatusBar bar;
    bar.resize(300, 24);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    const QImage image = grabImage(&bar);
    // Sampled left of any text: light grey at the top, darker at the bottom, falling steadily.
    QVERIFY(qAbs(qGray(image.pixel(2, 0)) - 204) <= 3);
    QVERIFY(qAbs(qGray(image.pixel(2, 23)) - 153) <= 4);
    for (int y = 1; y < 24; ++y)
        QVERIFY(qGray(image.pixel(2, y)) <= qGray(image.pixel(2, y - 1)));
    const QBrush brush = bar.palette().brush(QPalette::Inactive, QPalette::Window);
    QVERIFY(brush.gradient());
    QCOMPARE(brush.gradient()->type(), QGradient::LinearGradient);
}

void TestStyledWidgets::statusBarKeepsGripAtBottomRight()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    auto* bar = new StatusBar(&window);
    layout->addWidget(bar);
    window.resize(420, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QSizeGrip* grip = bar->findChild<QSizeGrip*>();
    QVERIFY(grip);
    QTRY_COMPARE(grip->geometry(), QRect(bar->width() - 16, bar->height() - 16, 16, 16));
    window.resize(640, 300);
    QTRY_COMPARE(grip->geometry(), QRect(bar->width() - 16, bar->height() - 16, 16, 16));
}

void TestStyledWidgets::placeholderFitsItsPicture_data()
{
    QTest::addColumn<bool>("framed");
    QTest::addColumn<QSize>("size");
    QTest::newRow("unframed, wide") << false << QSize(800, 300);
    QTest::newRow("unframed, tall") << false << QSize(300, 700);
    QTest::newRow("unframed, picture's shape") << false << QSize(420, 320);
    QTest::newRow("framed, square") << true << QSize(260, 260);
    QTest::newRow("framed, large") << true << QSize(600, 500);
}

void TestStyledWidgets::placeholderFitsItsPicture()
{
    QFETCH(bool, framed);
    QFETCH(QSize, size);
    Placeholder placeholder(framed);
    placeholder.resize(size);
    placeholder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&placeholder));
    QCOMPARE(placeholder.size(), size);

    const QSvgWidget* picture = placeholder.findChild<QSvgWidget*>();
    QVERIFY(picture);
    const QRect shown = picture->geometry();
    const QSize natural = placeholderPictureSize();
    // Never closer than 10 pixels to an edge, and touching that margin on one axis.
    QVERIFY(shown.left() >= 10 && shown.top() >= 10);
    QVERIFY(shown.right() <= size.width() - 11 && shown.bottom() <= size.height() - 11);
    QVERIFY(qAbs(shown.width() - (size.width() - 20)) <= 1 ||
            qAbs(shown.height() - (size.height() - 20)) <= 1);
    // The picture keeps its shape and sits in the middle.
    const double aspect = double(natural.width()) / natural.height();
    QVERIFY(qAbs(shown.width() - shown.height() * aspect) <= 2.0);
    QVERIFY(qAbs((shown.left() + shown.right() + 1) - size.width()) <= 2);
    QVERIFY(qAbs((shown.top() + shown.bottom() + 1) - size.height()) <= 2);
}

void TestStyledWidgets::placeholderFrameOnlyWhenFramed_data()
{
    QTest::addColumn<bool>("framed");
    QTest::newRow("framed") << true;
    QTest::newRow("unframed") << false;
}

void TestStyledWidgets::placeholderFrameOnlyWhenFramed()
{
    QFETCH(bool, framed);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* placeholder = new Placeholder(framed, &window);
    layout->addWidget(placeholder);
    window.resize(300, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(placeholder->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(placeholder->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(placeholder->minimumSize(), framed ? QSize(250, 250) : QSize(0, 0));
    QCOMPARE(placeholder->frameShape(), framed ? QFrame::Box : QFrame::NoFrame);
    const QImage image = grabImage(placeholder);
    const QRgb corner = image.pixel(0, 0);
    const QRgb inside = image.pixel(4, 4);
    QCOMPARE(inside, qRgb(135, 135, 135));
    QCOMPARE(corner, framed ? qRgb(84, 84, 84) : qRgb(135, 135, 135));
}

QTEST_MAIN(TestStyledWidgets)
#include "test_styled_widgets.moc"
