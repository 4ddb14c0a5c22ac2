#include "core/algorithms/oil_painting_algorithm.h"
#include "core/framework/filter.h"
#include "core/filters/filter_list.h"
#include "core/raster/random.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

const QString kOverlayKey = QStringLiteral("OilPaintingFilterWidget::pencil_");
const QString kTextureKey = QStringLiteral("TexturizeAlgorithm::texture");
const QString kOilType = QStringLiteral("OilPaintingAlgorithm::oil_type");

// The set the oil panel makes for these choices.
FilterParametersPtr panelSet(const QString& type, const QString& overlay, const QString& texture,
                             double scale = 1.0)
{
    FilterParametersPtr set = defaultParameters(QStringLiteral("Oil"));
    set->insert(kOilType, type);
    set->insert(kOverlayKey, overlay);
    set->insert(kTextureKey, texture);
    addFixedValues(*set);
    set->insert(QStringLiteral("scaling"), scale);
    set->insert(QStringLiteral("for_preview"), false);
    return set;
}

QImage runFilter(const QImage& picture, const FilterParametersPtr& set,
                 RecordingReporter* reporter = nullptr)
{
    seedRandom();
    FilterPtr filter = createFilter(QStringLiteral("Oil"));
    filter->setImage(picture);
    filter->setParameters(set);
    filter->setProgressReporter(reporter);
    filter->run();
    return filter->image();
}

} // namespace

class TestOilPaintingFilter : public QObject
{
    Q_OBJECT

private slots:
    void isCreatedByName();
    void phasesCountTheReadySteps_data();
    void phasesCountTheReadySteps();
    void everyTypeAndOverlayRenders_data();
    void everyTypeAndOverlayRenders();
    void cancelBeforeThePaintingLeavesThePicture();
    void sameRenderTwiceGivesSameBytes();
};

void TestOilPaintingFilter::isCreatedByName()
{
    const FilterPtr filter = createFilter(QStringLiteral("Oil"));
    QVERIFY(filter);
    QCOMPARE(filter->name(), QStringLiteral("Oil"));
    QVERIFY(filterNames().contains(filter->name()));
}

void TestOilPaintingFilter::phasesCountTheReadySteps_data()
{
    QTest::addColumn<FilterParametersPtr>("set");
    QTest::addColumn<QStringList>("announcements");
    const QString canvas = QStringLiteral("Linen canvas");
    // The panel's twelve oil settings never make the painting "ready": it is not counted, but
    // both phases end every run.
    QTest::newRow("no overlay, texture")
        << panelSet("standart_oil", "None", canvas) << QStringList{"phases 2", "next", "next"};
    QTest::newRow("overlay, texture")
        << panelSet("standart_oil", "Contour", canvas) << QStringList{"phases 3", "next", "next"};
    QTest::newRow("nothing else") << panelSet("oil_painting", "None", "None")
                                  << QStringList{"phases 1", "next", "next"};
}

void TestOilPaintingFilter::phasesCountTheReadySteps()
{
    QFETCH(FilterParametersPtr, set);
    QFETCH(QStringList, announcements);
    RecordingReporter reporter;
    runFilter(scenePicture(40, 30), set, &reporter);
    QStringList phases = reporter.calls("phases");
    phases += reporter.calls("next");
    QCOMPARE(phases, announcements);
}

void TestOilPaintingFilter::everyTypeAndOverlayRenders_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("overlay");
    for (const char* type : {"standart_oil", "expressive_brushstrokes", "oil_painting"}) {
        for (const char* overlay : {"None", "Contour", "Dark shading", "Light shading"})
            QTest::addRow("%s, %s", type, overlay) << type << overlay;
    }
}

void TestOilPaintingFilter::everyTypeAndOverlayRenders()
{
    QFETCH(QString, type);
    QFETCH(QString, overlay);
    const QImage picture = scenePicture(60, 44);
    const QImage full = runFilter(picture, panelSet(type, overlay, "Grained canvas"));
    QCOMPARE(full.size(), picture.size());
    // A display render comes back at the display size.
    FilterParametersPtr scaled = panelSet(type, overlay, "Grained canvas");
    scaled->insert(QStringLiteral("scaling"), 0.5);
    QCOMPARE(runFilter(picture, scaled).size(), QSize(30, 22));
}

void TestOilPaintingFilter::cancelBeforeThePaintingLeavesThePicture()
{
    const QImage picture = scenePicture(40, 30);
    FilterPtr filter = createFilter(QStringLiteral("Oil"));
    filter->setImage(picture);
    filter->setParameters(panelSet("standart_oil", "Contour", "Linen canvas"));
    RecordingReporter reporter;
    reporter.onCall = [&](const QString& call) {
        if (call.startsWith(QStringLiteral("progress 0")))
            filter->cancel();
    };
    filter->setProgressReporter(&reporter);
    filter->run();
    QCOMPARE(filter->image(), picture);
}

void TestOilPaintingFilter::sameRenderTwiceGivesSameBytes()
{
    const QImage picture = scenePicture(60, 44);
    for (const char* type : {"standart_oil", "oil_painting"}) {
        const FilterParametersPtr set = panelSet(type, "Contour", "Linen canvas");
        QCOMPARE(runFilter(picture, set), runFilter(picture, set));
    }
}

QTEST_GUILESS_MAIN(TestOilPaintingFilter)
#include "test_oil_painting_filter.moc"
