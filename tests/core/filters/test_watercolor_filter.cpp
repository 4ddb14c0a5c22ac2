#include "core/algorithms/pencil_bw_algorithm.h"
#include "core/algorithms/texturize_algorithm.h"
#include "core/algorithms/watercolor_algorithm.h"
#include "core/framework/filter.h"
#include "core/filters/filter_list.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

const QString kOverlayKey = QStringLiteral("WatercolorFilterWidget::pencil_");
const QString kTextureKey = QStringLiteral("TexturizeAlgorithm::texture");

// The set the watercolor panel makes for these choices.
FilterParametersPtr panelSet(const QString& overlay, const QString& texture, double scale = 1.0)
{
    FilterParametersPtr set = defaultParameters(QStringLiteral("Watercolor"));
    set->insert(kOverlayKey, overlay);
    set->insert(kTextureKey, texture);
    addFixedValues(*set);
    set->insert(QStringLiteral("scaling"), scale);
    set->insert(QStringLiteral("for_preview"), false);
    return set;
}

QImage runFilter(const QImage& picture, const FilterParametersPtr& set,
                 RecordingReporter* reporter = nullptr, FilterPtr filter = {})
{
    seedRandom();
    if (!filter)
        filter = createFilter(QStringLiteral("Watercolor"));
    filter->setImage(picture);
    filter->setParameters(set);
    filter->setProgressReporter(reporter);
    filter->run();
    return filter->image();
}

// The painting alone, as the filter's first phase makes it.
QImage painting(const QImage& picture, const FilterParametersPtr& set)
{
    WatercolorAlgorithm algorithm;
    algorithm.setParameters(set);
    QImage image = picture;
    seedRandom();
    algorithm.process(image);
    return image;
}

} // namespace

class TestWatercolorFilter : public QObject
{
    Q_OBJECT

private slots:
    void isCreatedByName();
    void phasesFollowTheStepsThatRun_data();
    void phasesFollowTheStepsThatRun();
    void overlayStylesBlendTheDrawing_data();
    void overlayStylesBlendTheDrawing();
    void textureIsPrintedOnThePainting();
    void cancelLeavesThePictureUnchanged_data();
    void cancelLeavesThePictureUnchanged();
    void scaledRunWithOverlayKeepsAlpha();
    void sameRenderTwiceGivesSameBytes();
    void tinyPicturesRender_data();
    void tinyPicturesRender();
};

void TestWatercolorFilter::isCreatedByName()
{
    const FilterPtr filter = createFilter(QStringLiteral("Watercolor"));
    QVERIFY(filter);
    QCOMPARE(filter->name(), QStringLiteral("Watercolor"));
    QVERIFY(filterNames().contains(filter->name()));
}

void TestWatercolorFilter::phasesFollowTheStepsThatRun_data()
{
    QTest::addColumn<FilterParametersPtr>("set");
    QTest::addColumn<QStringList>("announcements");
    const QString paper = QStringLiteral("Watercolor paper");
    QTest::newRow("plain") << panelSet("None", "None") << QStringList{"phases 2", "next"};
    QTest::newRow("paper") << panelSet("None", paper) << QStringList{"phases 3", "next"};
    QTest::newRow("contour") << panelSet("Contour", "None")
                             << QStringList{"phases 3", "next", "next"};
    QTest::newRow("contour, paper")
        << panelSet("Contour", paper) << QStringList{"phases 4", "next", "next"};
    // The drawing is made but not blended for a style it does not know.
    FilterParametersPtr unknown = panelSet("Contour", paper);
    unknown->insert(kOverlayKey, QStringLiteral("Sketchy"));
    QTest::newRow("unknown style") << unknown << QStringList{"phases 4", "next", "next"};
    // With pencil settings present the drawing is made whatever the style; "None", like any
    // text that is no blend, leaves it unused.
    FilterParametersPtr none = panelSet("Contour", paper);
    none->insert(kOverlayKey, QStringLiteral("None"));
    QTest::newRow("none with pencil settings")
        << none << QStringList{"phases 4", "next", "next"};
    FilterParametersPtr textureOnly(new FilterParameters(QStringLiteral("Watercolor"), {}));
    textureOnly->insert(kTextureKey, paper);
    QTest::newRow("no watercolor settings") << textureOnly << QStringList{"phases 2", "next"};
}

void TestWatercolorFilter::phasesFollowTheStepsThatRun()
{
    QFETCH(FilterParametersPtr, set);
    QFETCH(QStringList, announcements);
    RecordingReporter reporter;
    runFilter(scenePicture(40, 30), set, &reporter);
    QStringList phases = reporter.calls("phases");
    phases += reporter.calls("next");
    QCOMPARE(phases, announcements);
}

void TestWatercolorFilter::overlayStylesBlendTheDrawing_data()
{
    QTest::addColumn<QString>("style");
    QTest::newRow("none") << "None";
    QTest::newRow("unknown") << "Sketchy";
    QTest::newRow("contour") << "Contour";
    QTest::newRow("dark shading") << "Dark shading";
    QTest::newRow("light shading") << "Light shading";
}

void TestWatercolorFilter::overlayStylesBlendTheDrawing()
{
    QFETCH(QString, style);
    const QImage picture = scenePicture(60, 45);
    FilterParametersPtr set = panelSet("Contour", "None");
    set->insert(kOverlayKey, style);
    const QImage result = runFilter(picture, set);

    // The painting, then the pencil drawing of the photograph blended in by style.
    QImage expected = painting(picture, set);
    PencilBWAlgorithm pencil;
    pencil.setParameters(set);
    QImage drawing = picture;
    pencil.process(drawing);
    if (style == "Contour")
        multiplyBlend(drawing, expected, 0.5);
    else if (style == "Dark shading")
        softLightBlend(drawing, expected);
    else if (style == "Light shading")
        luminosityBlend(drawing, expected, 0.5);
    QCOMPARE(result, expected);
    const bool blended = style != "None" && style != "Sketchy";
    QCOMPARE(result != painting(picture, set), blended);
}

void TestWatercolorFilter::textureIsPrintedOnThePainting()
{
    const QImage picture = scenePicture(50, 40, QImage::Format_ARGB32);
    const FilterParametersPtr set = panelSet("None", "Kraft paper");
    QImage expected = painting(picture, set);
    TexturizeAlgorithm texture;
    texture.setParameters(set);
    texture.process(expected);
    expected = restoreAlpha(picture, expected);
    QCOMPARE(runFilter(picture, set), expected);
}

void TestWatercolorFilter::cancelLeavesThePictureUnchanged_data()
{
    QTest::addColumn<QString>("cancelAt");
    QTest::newRow("before the painting") << "phases";
    QTest::newRow("during the painting") << "progress 0";
}

void TestWatercolorFilter::cancelLeavesThePictureUnchanged()
{
    QFETCH(QString, cancelAt);
    const QImage picture = scenePicture(60, 40);
    FilterPtr filter = createFilter(QStringLiteral("Watercolor"));
    RecordingReporter reporter;
    reporter.onCall = [&](const QString& call) {
        if (call.startsWith(cancelAt))
            filter->cancel();
    };
    const QImage result =
        runFilter(picture, panelSet("Contour", "Watercolor paper"), &reporter, filter);
    QCOMPARE(result, picture);
    QVERIFY(!reporter.log.contains("progress 100"));
    // A painting that never started ends no phase; a cancelled one ends the first only.
    QCOMPARE(reporter.calls("next").size(), cancelAt == "phases" ? 0 : 1);
}

void TestWatercolorFilter::scaledRunWithOverlayKeepsAlpha()
{
    QImage picture = scenePicture(80, 60, QImage::Format_ARGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 80; ++x)
            picture.setPixel(x, y, qRgba(10, 20, 30, 0));
    const QImage result = runFilter(picture, panelSet("Dark shading", "Rice paper", 0.5));
    QCOMPARE(result.size(), QSize(40, 30));
    QCOMPARE(qAlpha(result.pixel(7, 2)), 0);
    QCOMPARE(qAlpha(result.pixel(7, 20)), 255);
}

void TestWatercolorFilter::sameRenderTwiceGivesSameBytes()
{
    const QImage picture = randomPicture(64, 48, QImage::Format_RGB32, 11);
    const FilterParametersPtr set = panelSet("Light shading", "Linen canvas");
    const QImage first = runFilter(picture, set);
    QCOMPARE(runFilter(picture, set), first);
}

void TestWatercolorFilter::tinyPicturesRender_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("scale");
    for (const QSize size : {QSize(1, 1), QSize(1, 9), QSize(9, 1), QSize(3, 3), QSize(9, 9)}) {
        for (const double scale : {1.0, 0.5})
            QTest::addRow("%dx%d at %g", size.width(), size.height(), scale) << size << scale;
    }
}

void TestWatercolorFilter::tinyPicturesRender()
{
    QFETCH(QSize, size);
    QFETCH(double, scale);
    const QImage picture = scenePicture(size.width(), size.height());
    const QImage result = runFilter(picture, panelSet("Contour", "Old paper", scale));
    // A scale that leaves no pixel paints nothing and keeps the picture.
    const QSize reduced(int(size.width() * scale), int(size.height() * scale));
    QCOMPARE(result.size(), reduced.isEmpty() ? size : reduced);
}

QTEST_GUILESS_MAIN(TestWatercolorFilter)
#include "test_watercolor_filter.moc"
