#include "core/framework/filter.h"
#include "core/filters/filter_list.h"
#include "core/raster/random.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

const QString kOverlayKey = QStringLiteral("OilPastelFilterWidget::pencil_");
const QString kTextureKey = QStringLiteral("TexturizeAlgorithm::texture");

// The set the pastel panel makes for these choices.
FilterParametersPtr panelSet(const QString& overlay, const QString& texture)
{
    FilterParametersPtr set = defaultParameters(QStringLiteral("Pastel"));
    set->insert(kOverlayKey, overlay);
    set->insert(kTextureKey, texture);
    addFixedValues(*set);
    set->insert(QStringLiteral("scaling"), 1.0);
    set->insert(QStringLiteral("for_preview"), false);
    return set;
}

QImage runFilter(const QImage& picture, const FilterParametersPtr& set,
                 RecordingReporter* reporter = nullptr)
{
    seedRandom();
    FilterPtr filter = createFilter(QStringLiteral("Pastel"));
    filter->setImage(picture);
    filter->setParameters(set);
    filter->setProgressReporter(reporter);
    filter->run();
    return filter->image();
}

} // namespace

class TestOilPastelFilter : public QObject
{
    Q_OBJECT

private slots:
    void isCreatedByName();
    void phasesCountTheReadySteps_data();
    void phasesCountTheReadySteps();
    void overlayAndTextureChangeThePicture();
};

void TestOilPastelFilter::isCreatedByName()
{
    const FilterPtr filter = createFilter(QStringLiteral("Pastel"));
    QVERIFY(filter);
    QCOMPARE(filter->name(), QStringLiteral("Pastel"));
    QVERIFY(filterNames().contains(filter->name()));
}

void TestOilPastelFilter::phasesCountTheReadySteps_data()
{
    QTest::addColumn<FilterParametersPtr>("set");
    QTest::addColumn<QStringList>("announcements");
    // The pastel is ready with its five settings, so it counts as a phase of its own.
    QTest::newRow("overlay, texture") << panelSet("Contour", "Kraft paper")
                                      << QStringList{"phases 4", "next", "next"};
    QTest::newRow("no overlay, texture")
        << panelSet("None", "Kraft paper") << QStringList{"phases 3", "next", "next"};
    QTest::newRow("nothing else") << panelSet("None", "None")
                                  << QStringList{"phases 2", "next", "next"};
}

void TestOilPastelFilter::phasesCountTheReadySteps()
{
    QFETCH(FilterParametersPtr, set);
    QFETCH(QStringList, announcements);
    RecordingReporter reporter;
    runFilter(scenePicture(40, 30), set, &reporter);
    QStringList phases = reporter.calls("phases");
    phases += reporter.calls("next");
    QCOMPARE(phases, announcements);
}

void TestOilPastelFilter::overlayAndTextureChangeThePicture()
{
    const QImage picture = scenePicture(60, 44);
    const QImage plain = runFilter(picture, panelSet("None", "None"));
    QCOMPARE(plain.size(), picture.size());
    QCOMPARE(runFilter(picture, panelSet("None", "None")), plain);
    QVERIFY(runFilter(picture, panelSet("Contour", "None")) != plain);
    QVERIFY(runFilter(picture, panelSet("None", "Pastel paper")) != plain);
}

QTEST_GUILESS_MAIN(TestOilPastelFilter)
#include "test_oil_pastel_filter.moc"
