#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/style_sheet.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSlider>
#include <QSvgRenderer>
#include <QVBoxLayout>
#include <QtTest>

class TestStyleSheet : public QObject
{
    Q_OBJECT

private slots:
    void selectorsComeInOrder();
    void declarationsCarryTheirValues_data();
    void declarationsCarryTheirValues();
    void everyPictureTheStyleSheetNamesExists();
    void interfacePictureLoadsWithItsSize_data();
    void interfacePictureLoadsWithItsSize();
    void placeholderDrawingIsValid();
    void framesAreUniformWhereTheyStretch_data();
    void framesAreUniformWhereTheyStretch();
    void styleSheetParsesAndShapesTheWidgets();
};

void TestStyleSheet::selectorsComeInOrder()
{
    const QString sheet = applicationStyleSheet();
    const QStringList selectors = {
        "BevelButton {",
        "BevelButton:pressed {",
        "BevelComboBox:!editable {",
        "BevelComboBox:!editable:on {",
        "BevelComboBox::down-arrow {",
        "BevelComboBox::down-arrow:on {",
        "BevelComboBox::drop-down:!editable {",
        "QSlider::groove:horizontal {",
        "QSlider::add-page:horizontal {",
        "QSlider::handle:horizontal {",
        "QSlider::handle:horizontal:pressed {",
        "QScrollArea {",
        "PanelScrollArea {",
    };
    int from = 0;
    for (const QString& selector : selectors) {
        const int at = sheet.indexOf(selector, from);
        QVERIFY2(at >= 0, qPrintable(selector + QStringLiteral(" missing or out of order")));
        from = at + selector.size();
    }
    // Thirteen rules, no more.
    QCOMPARE(sheet.count(QLatin1Char('{')), selectors.size());
    QCOMPARE(sheet.count(QLatin1Char('}')), selectors.size());
}

void TestStyleSheet::declarationsCarryTheirValues_data()
{
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QString>("declaration");
    QTest::newRow("button frame") << "BevelButton"
                                  << "border-image: url(:/button.png) 10;";
    QTest::newRow("button height") << "BevelButton"
                                   << "min-height: 24px;";
    QTest::newRow("button padding") << "BevelButton"
                                    << "padding: -10px 0px;";
    QTest::newRow("pressed frame") << "BevelButton:pressed"
                                   << "border-image: url(:/button-pressed.png) 10;";
    QTest::newRow("pressed shift") << "BevelButton:pressed"
                                   << "padding-bottom: -11px;";
    QTest::newRow("combo frame") << "BevelComboBox:!editable"
                                 << "border-image: url(:/combobox.png) 10;";
    QTest::newRow("combo room for arrow") << "BevelComboBox:!editable"
                                          << "padding-right: 8px;";
    QTest::newRow("open combo frame") << "BevelComboBox:!editable:on"
                                      << "border-image: url(:/combobox-pressed.png) 10;";
    QTest::newRow("arrow") << "BevelComboBox::down-arrow"
                           << "image: url(:/arrows.png);";
    QTest::newRow("arrow when open") << "BevelComboBox::down-arrow:on"
                                     << "top: 1px;";
    QTest::newRow("drop-down place") << "BevelComboBox::drop-down:!editable"
                                     << "right: -6px;";
    QTest::newRow("groove") << "QSlider::groove:horizontal"
                            << "stop: 0 #555555, stop: 1 #FFFFFF";
    QTest::newRow("add-page") << "QSlider::add-page:horizontal"
                              << "border-radius: 2px;";
    QTest::newRow("handle") << "QSlider::handle:horizontal"
                            << "image: url(:/slider-handle.png); width: 14;";
    QTest::newRow("pressed handle") << "QSlider::handle:horizontal:pressed"
                                    << "image: url(:/slider-handle-pressed.png);";
    QTest::newRow("scroll area") << "QScrollArea"
                                 << "background: rgb(135, 135, 135);";
}

void TestStyleSheet::declarationsCarryTheirValues()
{
    QFETCH(QString, selector);
    QFETCH(QString, declaration);
    const QString sheet = applicationStyleSheet();
    const QRegularExpression rule(QRegularExpression::escape(selector) +
                                  QStringLiteral(" \\{([^}]*)\\}"));
    const QRegularExpressionMatch match = rule.match(sheet);
    QVERIFY2(match.hasMatch(), qPrintable(selector));
    QVERIFY2(match.captured(1).contains(declaration), qPrintable(match.captured(1)));
}

void TestStyleSheet::everyPictureTheStyleSheetNamesExists()
{
    const QRegularExpression url(QStringLiteral("url\\((:/[^)]+)\\)"));
    int count = 0;
    auto it = url.globalMatch(applicationStyleSheet());
    while (it.hasNext()) {
        const QString path = it.next().captured(1);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        ++count;
    }
    QCOMPARE(count, 7);
}

void TestStyleSheet::interfacePictureLoadsWithItsSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("button") << ":/button.png" << QSize(24, 24);
    QTest::newRow("button pressed") << ":/button-pressed.png" << QSize(24, 24);
    QTest::newRow("combobox") << ":/combobox.png" << QSize(24, 24);
    QTest::newRow("combobox pressed") << ":/combobox-pressed.png" << QSize(24, 24);
    QTest::newRow("arrows") << ":/arrows.png" << QSize(16, 16);
    QTest::newRow("slider handle") << ":/slider-handle.png" << QSize(14, 14);
    QTest::newRow("slider handle pressed") << ":/slider-handle-pressed.png" << QSize(14, 14);
    QTest::newRow("original size") << ":/original-size.png" << QSize(16, 16);
    QTest::newRow("about") << ":/about.png" << QSize(96, 96);
    QTest::newRow("resize grip") << ":/resize-grip.png" << QSize(16, 16);
    QTest::newRow("separator") << ":/separator.png" << QSize(1, 2);
    QTest::newRow("busy background") << ":/BackProgress.png" << QSize(36, 36);
    QTest::newRow("indicator") << ":/indicator.png" << QSize(32, 32);
    // The doubled pictures of high-density screens.
    for (const char* name : {"button", "button-pressed", "combobox", "combobox-pressed"})
        QTest::newRow(name) << QStringLiteral(":/%1@2x.png").arg(name) << QSize(48, 48);
    QTest::newRow("arrows doubled") << ":/arrows@2x.png" << QSize(32, 32);
    QTest::newRow("slider handle doubled") << ":/slider-handle@2x.png" << QSize(28, 28);
    QTest::newRow("pressed handle doubled") << ":/slider-handle-pressed@2x.png" << QSize(28, 28);
    QTest::newRow("original size doubled") << ":/original-size@2x.png" << QSize(32, 32);
    QTest::newRow("resize grip doubled") << ":/resize-grip@2x.png" << QSize(32, 32);
    QTest::newRow("busy background doubled") << ":/BackProgress@2x.png" << QSize(72, 72);
    QTest::newRow("about doubled") << ":/about@2x.png" << QSize(192, 192);
}

void TestStyleSheet::interfacePictureLoadsWithItsSize()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    // Not blank: something is drawn.
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; ++y)
        for (int x = 0; x < image.width() && !drawn; ++x)
            drawn = qAlpha(image.pixel(x, y)) > 0;
    QVERIFY(drawn);
}

void TestStyleSheet::placeholderDrawingIsValid()
{
    QSvgRenderer renderer(QStringLiteral(":/placeholder.svg"));
    QVERIFY(renderer.isValid());
    QVERIFY(!renderer.defaultSize().isEmpty());
    QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(135, 135, 135));
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    // Light lines on the preview grey.
    int light = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            light += qGray(image.pixel(x, y)) > 180;
    QVERIFY(light > image.width() * image.height() / 50);
}

void TestStyleSheet::framesAreUniformWhereTheyStretch_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("scale"); // 2 for the doubled picture of high-density screens
    for (const char* name : {"button", "button-pressed", "combobox", "combobox-pressed"}) {
        QTest::newRow(name) << QString::fromLatin1(name) << 1;
        QTest::newRow(qPrintable(QStringLiteral("%1@2x").arg(name)))
            << QString::fromLatin1(name) << 2;
    }
}

void TestStyleSheet::framesAreUniformWhereTheyStretch()
{
    // The style stretches the middle of a frame sliced 10 pixels (20 in the doubled picture) from
    // each edge: the middle columns must repeat the first of them and the middle rows the first
    // row, or a wider or taller control shows seams. The style sheet for the picture's screens
    // cuts it there.
    QFETCH(QString, name);
    QFETCH(int, scale);
    const QString path =
        scale == 1 ? QStringLiteral(":/%1.png").arg(name) : QStringLiteral(":/%1@2x.png").arg(name);
    const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(24, 24) * scale);
    const int cut = 10 * scale;
    for (int y = 0; y < image.height(); ++y)
        for (int x = cut + 1; x < cut + 4 * scale; ++x)
            QCOMPARE(image.pixel(x, y), image.pixel(cut, y));
    for (int x = 0; x < image.width(); ++x)
        for (int y = cut + 1; y < cut + 4 * scale; ++y)
            QCOMPARE(image.pixel(x, y), image.pixel(x, cut));
    QVERIFY(applicationStyleSheet(scale == 1 ? 1.0 : 1.5)
                .contains(QStringLiteral("url(:/%1.png) %2;").arg(name).arg(cut)));
}

void TestStyleSheet::styleSheetParsesAndShapesTheWidgets()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*[Ss]tyle ?[Ss]heet.*")));
    qApp->setStyleSheet(applicationStyleSheet());
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new BevelButton(QStringLiteral("Process"), &window);
    auto* combo = new BevelComboBox(&window);
    combo->addItems({"Pencil", "Oil"});
    auto* slider = new QSlider(Qt::Horizontal, &window);
    layout->addWidget(button);
    layout->addWidget(combo);
    layout->addWidget(slider);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(button->height(), 24);
    QCOMPARE(combo->height(), 20);
    // The slider's height comes from its 14-pixel handle picture plus the negative margins.
    QVERIFY(slider->sizeHint().height() >= 14);
    qApp->setStyleSheet(QString());
}

QTEST_MAIN(TestStyleSheet)
#include "test_style_sheet.moc"
