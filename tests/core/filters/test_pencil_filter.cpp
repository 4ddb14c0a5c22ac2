#include "core/algorithms/paper_catalogue.h"
#include "core/framework/filter.h"
#include "core/filters/filter_list.h"
#include "core/raster/random.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

FilterParametersPtr pencilDefaults(const QString& texture = QStringLiteral("None"))
{
    FilterParametersPtr set = defaultParameters(QStringLiteral("Pencil"));
    set->insert(QStringLiteral("TexturizeAlgorithm::texture"), texture);
    set->insert(QStringLiteral("scaling"), 1.0);
    set->insert(QStringLiteral("for_preview"), false);
    return set;
}

QImage runPencil(const QImage& picture, const FilterParametersPtr& set,
                 IProgressReporter* reporter = nullptr)
{
    seedRandom();
    FilterPtr filter = createFilter(QStringLiteral("Pencil"));
    filter->setImage(picture);
    filter->setParameters(set);
    filter->setProgressReporter(reporter);
    filter->run();
    return filter->image();
}

} // namespace

class TestPencilFilter : public QObject
{
    Q_OBJECT

private slots:
    void phasesFollowTheReadyAlgorithms_data();
    void phasesFollowTheReadyAlgorithms();
    void textureIsPrintedOnTheDrawing();
    void transparentAreasKeepTheirAlpha_data();
    void transparentAreasKeepTheirAlpha();
    void cancelBeforeTheTexturePhaseSkipsIt();
    void incompleteSettingsPassThePictureThrough();
};

void TestPencilFilter::phasesFollowTheReadyAlgorithms_data()
{
    QTest::addColumn<QString>("texture");
    QTest::addColumn<QStringList>("announcements");
    QTest::newRow("no texture") << "None" << QStringList{"phases 1"};
    QTest::newRow("unknown texture") << "Papyrus" << QStringList{"phases 1"};
    QTest::newRow("kraft") << "Kraft paper" << QStringList{"phases 2", "next"};
}

void TestPencilFilter::phasesFollowTheReadyAlgorithms()
{
    QFETCH(QString, texture);
    RecordingReporter reporter;
    runPencil(scenePicture(60, 40), pencilDefaults(texture), &reporter);
    QStringList announcements = reporter.calls(QStringLiteral("phases"));
    announcements += reporter.calls(QStringLiteral("next"));
    QTEST(announcements, "announcements");
    // The number of phases comes first, before any progress.
    QVERIFY(reporter.log.first().startsWith(QStringLiteral("phases")));
    if (reporter.log.contains(QStringLiteral("next"))) {
        // The texture phase reports its own progress from 0 after the phase change.
        const int next = reporter.log.indexOf(QStringLiteral("next"));
        QCOMPARE(reporter.log.at(next + 1), QStringLiteral("progress 0"));
        QCOMPARE(reporter.log.last(), QStringLiteral("progress 100"));
    }
}

void TestPencilFilter::textureIsPrintedOnTheDrawing()
{
    const QImage picture = scenePicture(64, 48);
    const QImage drawing = runPencil(picture, pencilDefaults());
    const QImage printed = runPencil(picture, pencilDefaults(QStringLiteral("Kraft paper")));
    const QImage kraft = loadPaperTexture(QStringLiteral("Kraft paper"));
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb d = drawing.pixel(x, y), t = kraft.pixel(x, y), p = printed.pixel(x, y);
            QCOMPARE(qRed(p), qRed(t) * qRed(d) / 256);
            QCOMPARE(qBlue(p), qBlue(t) * qBlue(d) / 256);
        }
    }
}

void TestPencilFilter::transparentAreasKeepTheirAlpha_data()
{
    QTest::addColumn<QString>("texture");
    QTest::newRow("drawing only") << "None";
    QTest::newRow("on linen") << "Linen canvas";
}

void TestPencilFilter::transparentAreasKeepTheirAlpha()
{
    QFETCH(QString, texture);
    QImage picture = scenePicture(50, 40, QImage::Format_ARGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x)
            if (x < 10 || y >= 35)
                picture.setPixel(x, y, picture.pixel(x, y) & 0x00FFFFFFu);
            else if (x < 20)
                picture.setPixel(x, y, (picture.pixel(x, y) & 0x00FFFFFFu) | 0x80000000u);
    const QImage result = runPencil(picture, pencilDefaults(texture));
    QCOMPARE(result.size(), picture.size());
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x)
            QCOMPARE(qAlpha(result.pixel(x, y)), qAlpha(picture.pixel(x, y)));
}

void TestPencilFilter::cancelBeforeTheTexturePhaseSkipsIt()
{
    const QImage picture = scenePicture(60, 40);
    const QImage drawing = runPencil(picture, pencilDefaults());

    seedRandom();
    FilterPtr filter = createFilter(QStringLiteral("Pencil"));
    RecordingReporter reporter;
    // Cancel as the drawing finishes: the drawing stands, the texture does not run.
    reporter.onCall = [&](const QString& call) {
        if (call == QLatin1String("progress 100"))
            filter->cancel();
    };
    filter->setImage(picture);
    filter->setParameters(pencilDefaults(QStringLiteral("Kraft paper")));
    filter->setProgressReporter(&reporter);
    filter->run();
    QCOMPARE(reporter.calls(QStringLiteral("phases")), QStringList{"phases 2"});
    QVERIFY(reporter.calls(QStringLiteral("next")).isEmpty());
    QCOMPARE(filter->image(), drawing);
}

void TestPencilFilter::incompleteSettingsPassThePictureThrough()
{
    const QImage picture = scenePicture(30, 20);
    FilterParametersPtr set = pencilDefaults();
    set->remove(QStringLiteral("PencilBWAlgorithm::stroke_length"));
    RecordingReporter reporter;
    QCOMPARE(runPencil(picture, set, &reporter), picture);
    QCOMPARE(reporter.calls(QStringLiteral("phases")), QStringList{"phases 0"});
}

QTEST_GUILESS_MAIN(TestPencilFilter)
#include "test_pencil_filter.moc"
