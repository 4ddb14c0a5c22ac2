// The watercolor filter's own steps: the painting, the pencil drawing blended over it by style,
// and the paper. What every filter does alike is in test_filter_properties.cpp.

#include "core/algorithms/pencil_bw_algorithm.h"
#include "core/algorithms/texturize_algorithm.h"
#include "core/algorithms/watercolor_algorithm.h"
#include "core/raster/raster_primitives.h"
#include "support/filter_runs.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

const QString kWatercolor = QStringLiteral("Watercolor");

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
    void overlayStylesBlendTheDrawing_data();
    void overlayStylesBlendTheDrawing();
    void textureIsPrintedOnThePainting();
    void cancelEndsOnlyAStartedPainting_data();
    void cancelEndsOnlyAStartedPainting();
};

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
    // The pencil settings of a contour overlay, whatever the style.
    FilterParametersPtr set =
        renderSet(kWatercolor, {{Keys::Overlay::watercolor, Keys::Overlay::contour}}, 1.0);
    set->insert(Keys::Overlay::watercolor, style);
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
    const FilterParametersPtr set =
        renderSet(kWatercolor, {{Keys::Texture::paper, "Kraft paper"}}, 1.0);
    QImage expected = painting(picture, set);
    TexturizeAlgorithm texture;
    texture.setParameters(set);
    texture.process(expected);
    expected = restoreAlpha(picture, expected);
    QCOMPARE(runFilter(picture, set), expected);
}

void TestWatercolorFilter::cancelEndsOnlyAStartedPainting_data()
{
    QTest::addColumn<QString>("cancelAt");
    QTest::newRow("before the painting") << "phases";
    QTest::newRow("during the painting") << "progress 0";
}

void TestWatercolorFilter::cancelEndsOnlyAStartedPainting()
{
    QFETCH(QString, cancelAt);
    FilterPtr filter = createFilter(kWatercolor);
    RecordingReporter reporter;
    reporter.onCall = [&](const QString& call) {
        if (call.startsWith(cancelAt))
            filter->cancel();
    };
    const FilterParametersPtr set = renderSet(kWatercolor,
                                              {{Keys::Overlay::watercolor, Keys::Overlay::contour},
                                               {Keys::Texture::paper, "Watercolor paper"}},
                                              1.0);
    runFilter(scenePicture(60, 40), set, &reporter, filter);
    // Neither the drawing nor the paper starts after a cancel: no phase follows the painting's.
    QVERIFY(reporter.calls("next").isEmpty());
}

QTEST_GUILESS_MAIN(TestWatercolorFilter)
#include "test_watercolor_filter.moc"
