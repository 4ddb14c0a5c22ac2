// The blending filters' own steps: the painting, the watercolor blended over it in the chosen
// style, and the paper. What every filter does alike is in test_filter_properties.cpp.

#include "core/algorithms/algorithm_list.h"
#include "core/algorithms/texturize_algorithm.h"
#include "core/algorithms/watercolor_algorithm.h"
#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/raster/raster_primitives.h"
#include "support/filter_runs.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

const QString kPaintBlend = QStringLiteral("Paint blend");
const QString kWatermix = QStringLiteral("Watermix");

using Choices = QMap<QString, QVariant>;

QString aftertouchKey(const QString& filter)
{
    return findFilter(filter)->overlayKey;
}

// The choices of the filter's panel: the watercolor's style and the paper.
Choices styleAndPaper(const QString& filter, const QString& style, const QString& paper)
{
    return {{aftertouchKey(filter), style}, {textureKey(filter), paper}};
}

// The filter's painter alone, optionally cancelled at its first report; reports counts its calls.
QImage paintingAlone(const QString& filter, const QImage& picture, const FilterParametersPtr& set,
                     bool cancelled = false, int* reports = nullptr)
{
    const AlgorithmPtr painter = createAlgorithm(filter == kPaintBlend ? oilPaintingAlgorithmName()
                                                                       : oilPastelAlgorithmName());
    RecordingReporter reporter;
    reporter.onCall = [&](const QString&) { painter->setCancelled(cancelled); };
    painter->setParameters(set);
    painter->setProgressReporter(&reporter);
    QImage image = picture;
    seedRandom();
    painter->process(image);
    if (reports)
        *reports = reporter.log.size();
    return image;
}

// The painting with the watercolor (brought to the painting's size) blended in `style`, then
// printed on `texture`; an empty style or texture skips that step.
QImage byHand(const QString& filter, const QImage& picture, const FilterParametersPtr& set,
              const QString& style, const QString& texture)
{
    QImage result = paintingAlone(filter, picture, set);
    if (!style.isEmpty()) {
        WatercolorAlgorithm watercolor;
        watercolor.setParameters(set);
        QImage layer = filter == kPaintBlend ? scaleToSize(picture, result) : picture;
        watercolor.process(layer);
        layer = scaleToSize(layer, result);
        if (style == Keys::Blend::darkStrokes)
            multiplyBlend(layer, result, 0.5);
        else if (style == Keys::Blend::saturationStrokes)
            softLightBlend(layer, result);
        else
            luminosityBlend(layer, result, 0.5);
    }
    if (!texture.isEmpty()) {
        TexturizeAlgorithm paper;
        paper.setParameters(set);
        paper.setParameters(
            FilterParametersPtr(new FilterParameters({}, {{Keys::Texture::paper, texture}})));
        paper.process(result);
    }
    return result;
}

} // namespace

class TestBlendFilters : public QObject
{
    Q_OBJECT

private slots:
    void runsTheChosenSteps_data();
    void runsTheChosenSteps();
    void cancelStopsTheLaterSteps_data();
    void cancelStopsTheLaterSteps();
};

void TestBlendFilters::runsTheChosenSteps_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<FilterParametersPtr>("set");
    QTest::addColumn<QString>("style");   // the blend expected; empty: none
    QTest::addColumn<QString>("texture"); // the paper expected; empty: none
    const QString paper = QStringLiteral("Kraft paper");
    for (const QString& filter : {kPaintBlend, kWatermix}) {
        const QByteArray f = filter.toUtf8();
        for (const char* style : {"Dark strokes", "Saturation strokes", "Large strokes"})
            QTest::addRow("%s, %s", f.data(), style)
                << filter << renderSet(filter, styleAndPaper(filter, style, paper), 1.0)
                << QString(style) << paper;
        QTest::addRow("%s, other style", f.data())
            << filter << renderSet(filter, styleAndPaper(filter, "Smudge", paper), 1.0) << QString()
            << paper;
        FilterParametersPtr noStyle =
            renderSet(filter, styleAndPaper(filter, QString(), paper), 1.0);
        noStyle->remove(aftertouchKey(filter));
        QTest::addRow("%s, no style", f.data()) << filter << noStyle << QString() << paper;
        // A set the panels did not make: no watercolor at all.
        FilterParametersPtr noWatercolor =
            renderSet(filter, styleAndPaper(filter, "Dark strokes", paper), 1.0);
        for (const QString& key : noWatercolor->keys()) {
            if (key.startsWith(QLatin1String("WatercolorAlgorithm::")))
                noWatercolor->remove(key);
        }
        QTest::addRow("%s, no watercolor settings", f.data())
            << filter << noWatercolor << QString() << paper;
        // Only the filter's own key chooses the texture.
        FilterParametersPtr noTexture =
            renderSet(filter, styleAndPaper(filter, "Large strokes", paper), 1.0);
        noTexture->remove(textureKey(filter));
        noTexture->insert(Keys::Texture::paper, paper);
        QTest::addRow("%s, no texture key", f.data())
            << filter << noTexture << QStringLiteral("Large strokes") << QString();
    }
    // Scaled renders: the painter never works below half size and the watercolor of a paint
    // blend reduces the already reduced photograph again.
    for (const double scale : {0.25, 2.0})
        QTest::addRow("Paint blend at %g", scale)
            << kPaintBlend
            << renderSet(kPaintBlend, styleAndPaper(kPaintBlend, "Dark strokes", paper), scale)
            << QStringLiteral("Dark strokes") << paper;
    QTest::newRow("Watermix at 0.5")
        << kWatermix << renderSet(kWatermix, styleAndPaper(kWatermix, "Dark strokes", paper), 0.5)
        << QStringLiteral("Dark strokes") << paper;
}

void TestBlendFilters::runsTheChosenSteps()
{
    QFETCH(QString, filter);
    QFETCH(FilterParametersPtr, set);
    QFETCH(QString, style);
    QFETCH(QString, texture);
    const QImage picture = scenePicture(48, 40);
    QVERIFY(!filterNames().contains(filter)); // made by name, though not offered in the list
    const QImage result = runFilter(picture, set);
    QCOMPARE(result, byHand(filter, picture, set, style, texture));
    // The watercolor reaches the far corner of the painting, whatever the two sizes were.
    if (!style.isEmpty()) {
        const QImage unblended = byHand(filter, picture, set, QString(), texture);
        const QPoint corner(result.width() - 1, result.height() - 1);
        QVERIFY(result.pixel(corner) != unblended.pixel(corner));
    }
}

void TestBlendFilters::cancelStopsTheLaterSteps_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("when"); // 1 in the painting, 2 in the watercolor
    for (const QString& filter : {kPaintBlend, kWatermix}) {
        for (const int when : {1, 2})
            QTest::addRow("%s, %d", qPrintable(filter), when) << filter << when;
    }
}

void TestBlendFilters::cancelStopsTheLaterSteps()
{
    QFETCH(QString, filter);
    QFETCH(int, when);
    const QImage picture = scenePicture(48, 40);
    const FilterParametersPtr set =
        renderSet(filter, styleAndPaper(filter, "Dark strokes", "Old paper"), 1.0);
    int painterReports = 0;
    const QImage painting = paintingAlone(filter, picture, set, false, &painterReports);
    const FilterPtr blend = createFilter(filter);
    RecordingReporter reporter;
    reporter.onCall = [&, at = when == 1 ? 1 : painterReports + 1](const QString&) {
        if (reporter.log.size() == at)
            blend->cancel();
    };
    const QImage result = runFilter(picture, set, &reporter, blend);
    if (when == 1) {
        QCOMPARE(result, paintingAlone(filter, picture, set, true));
    } else {
        // The watercolor had started: it is not laid over the painting, nor the paper printed.
        QVERIFY(reporter.log.size() > painterReports);
        QCOMPARE(result, painting);
    }
}

QTEST_GUILESS_MAIN(TestBlendFilters)
#include "test_blend_filters.moc"
