#include "core/algorithms/oil_painting_algorithm.h"
#include "core/algorithms/oil_pastel_algorithm.h"
#include "core/algorithms/stroke_painter.h"
#include "core/filters/filter_list.h"
#include "core/raster/execution.h"
#include "core/raster/random.h"
#include "support/filter_runs.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

const QString kPrefix = QStringLiteral("OilPastelAlgorithm::");

QImage painted(const FilterParametersPtr& set, const QImage& picture,
               const StrokeMemoryPtr& memory = {}, IProgressReporter* reporter = nullptr)
{
    OilPastelAlgorithm algorithm;
    algorithm.setParameters(set);
    algorithm.setStrokeMemory(memory);
    algorithm.setProgressReporter(reporter);
    seedRandom();
    QImage image = picture;
    algorithm.process(image);
    return image;
}

// A picture whose red is 255 everywhere: the canvas's red, so no centre is ever "far" from it
// unless the pick threshold is 0.
QImage saturatedRed(int width, int height)
{
    QImage picture = randomPicture(width, height, QImage::Format_RGB32, 5);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] |= 0x00FF0000u;
    }
    return picture;
}

} // namespace

class TestOilPastelAlgorithm : public QObject
{
    Q_OBJECT

private slots:
    void settingsConvert();
    void readyWithItsFiveSettings();
    void precisionHundredTakesEveryFirstCandidate();
    void zeroStrokesMakeAShortRun();
    void scalingIsUsedAsItComes();
    void scaledRunRecordsThenExportReplays();
    void shortReplayPaintsTheRestAtRandom();
    void cancelLeavesThePicture();
    void saturatedRedPictureEnds();
    void strokesInsideAndAtTheBorderAgree();
};

void TestOilPastelAlgorithm::settingsConvert()
{
    OilPastelAlgorithm a;
    QCOMPARE(a.name(), QStringLiteral("Oil pastel"));
    FilterParametersPtr set(new FilterParameters(QStringLiteral("Pastel"), {}));
    set->insert(kPrefix + "minimum_stroke_size", 20);
    set->insert(kPrefix + "maximum_stroke_size", 100);
    set->insert(kPrefix + "number_of_brushstrokes", 37);
    set->insert(kPrefix + "edge_intensity", 1);
    set->insert(kPrefix + "brushstroke_precision", 60);
    set->insert(QStringLiteral("scaling"), 0.3);
    a.setParameters(set);
    QCOMPARE(a.minimumStrokeSize(), 50);
    QCOMPARE(a.maximumStrokeSize(), 254);
    QCOMPARE(a.numberOfBrushstrokes(), 37); // taken as it is
    QCOMPARE(a.edgeFactor(), 252);
    QCOMPARE(a.precision(), 152);
    QVERIFY(a.isScaled());
    QCOMPARE(a.scale(), 0.3);

    // Absent keys keep their values; the scaled flag stays.
    a.setParameters(FilterParametersPtr(new FilterParameters(QStringLiteral("Pastel"), {})));
    QCOMPARE(a.precision(), 152);
    QVERIFY(a.isScaled());

    QCOMPARE(OilPastelAlgorithm::acceptanceFactor(0), 640);
    QCOMPARE(OilPastelAlgorithm::acceptanceFactor(254), 1021);
    QCOMPARE(OilPastelAlgorithm::pickThreshold(0), 25);
    QCOMPARE(OilPastelAlgorithm::pickThreshold(254), 0);
}

void TestOilPastelAlgorithm::readyWithItsFiveSettings()
{
    OilPastelAlgorithm a;
    QVERIFY(!a.isReady());
    FilterParametersPtr set = renderSet("Pastel");
    set->remove(kPrefix + "edge_intensity");
    a.setParameters(set);
    QVERIFY(!a.isReady());
    a.setParameters(renderSet("Pastel"));
    QVERIFY(a.isReady());
}

void TestOilPastelAlgorithm::precisionHundredTakesEveryFirstCandidate()
{
    // On a picture the canvas already matches in red, a centre is only found when the pick
    // threshold is 0 (precision 100): then every stroke takes its first draw, and a recording
    // run records one centre per stroke of the budget. Precision 90 (threshold 2) finds none.
    const QImage picture = saturatedRed(90, 70);
    for (const int precision : {100, 90}) {
        FilterParametersPtr set = renderSet("Pastel", {}, 1.0);
        set->insert(kPrefix + "brushstroke_precision", precision);
        StrokeMemoryPtr memory(new StrokeMemory);
        RecordingReporter reporter;
        painted(set, picture, memory, &reporter);
        QVERIFY(reporter.log.contains(QStringLiteral("progress 100")));
        const int recorded = memory->positions(OilPastelAlgorithm::memoryName()).size();

        // The budget: 2 * (W * H / 2) * n / levels, spent level by level at 10 % smaller sizes.
        OilPastelAlgorithm a;
        a.setParameters(set);
        const int m = a.minimumStrokeSize(), M = a.maximumStrokeSize();
        const qint64 budget =
            2 * ((qint64(90) * 70 / 2) * a.numberOfBrushstrokes() / ((M - m) / 100 + 1));
        qint64 strokes = 0;
        for (int S = M + 6; m + 4 < S; S = S * 90 / 100)
            strokes += std::max<qint64>(budget / (qint64(S) * S), 1);
        QCOMPARE(recorded, precision == 100 ? int(strokes) : 0);
    }
}

void TestOilPastelAlgorithm::zeroStrokesMakeAShortRun()
{
    // A budget of 0: every stroke shrinks the brush, so a run lays one stroke per size level.
    FilterParametersPtr set = renderSet("Pastel", {}, 1.0);
    set->insert(kPrefix + "number_of_brushstrokes", 0);
    StrokeMemoryPtr memory(new StrokeMemory);
    QImage dark(80, 60, QImage::Format_RGB32);
    dark.fill(qRgb(40, 60, 90));
    const QImage result = painted(set, dark, memory);
    QCOMPARE(result.size(), dark.size());
    OilPastelAlgorithm a;
    a.setParameters(set);
    int levels = 0;
    for (int S = a.maximumStrokeSize() + 6; a.minimumStrokeSize() + 4 < S; S = S * 90 / 100)
        ++levels;
    QCOMPARE(memory->positions(OilPastelAlgorithm::memoryName()).size(), levels);
}

void TestOilPastelAlgorithm::scalingIsUsedAsItComes()
{
    // Unlike the oil painting, a display scale of 0.3 works at 0.3.
    const QImage result = painted(renderSet("Pastel", {}, 0.3), scenePicture(100, 80));
    QCOMPARE(result.size(), QSize(30, 24));
}

void TestOilPastelAlgorithm::scaledRunRecordsThenExportReplays()
{
    const QImage picture = scenePicture(96, 72);
    StrokeMemoryPtr memory(new StrokeMemory);
    painted(renderSet("Pastel", {}, 0.5), picture, memory);
    const QVector<QPoint> recorded = memory->positions(OilPastelAlgorithm::memoryName());
    QVERIFY(recorded.size() > 20);
    for (const QPoint& p : recorded)
        QVERIFY(p.x() >= 0 && p.x() < 96 && p.y() >= 0 && p.y() < 72);
    // The oil painting's list is its own.
    QVERIFY(memory->positions(OilPaintingAlgorithm::memoryName()).isEmpty());

    // The export replays the list; a preview neither reads nor writes it.
    const QImage exported = painted(renderSet("Pastel"), picture, memory);
    QCOMPARE(painted(renderSet("Pastel"), picture, memory), exported);
    painted(renderSet("Pastel", {}, 0.5, true), picture, memory);
    QCOMPARE(memory->positions(OilPastelAlgorithm::memoryName()), recorded);
    StrokeMemoryPtr other(new StrokeMemory);
    QVector<QPoint> shifted = recorded;
    for (QPoint& p : shifted)
        p = QPoint((p.x() + 17) % 96, (p.y() + 11) % 72);
    other->setPositions(OilPastelAlgorithm::memoryName(), shifted);
    QVERIFY(painted(renderSet("Pastel"), picture, other) != exported);
}

void TestOilPastelAlgorithm::shortReplayPaintsTheRestAtRandom()
{
    // With three recorded centres (or none) the export still covers the picture: the other
    // strokes land at random instead of piling up in a corner.
    const QImage picture = scenePicture(80, 60);
    StrokeMemoryPtr three(new StrokeMemory);
    three->setPositions(OilPastelAlgorithm::memoryName(),
                        {QPoint(10, 10), QPoint(40, 30), QPoint(70, 50)});
    const QImage result = painted(renderSet("Pastel"), picture, three);
    QVERIFY2(canvasShare(result) < 0.2, qPrintable(QString::number(canvasShare(result))));
    const QImage none = painted(renderSet("Pastel"), picture, StrokeMemoryPtr(new StrokeMemory));
    QVERIFY(canvasShare(none) < 0.2);
    QVERIFY(none != result);
}

void TestOilPastelAlgorithm::cancelLeavesThePicture()
{
    const QImage picture = scenePicture(120, 90);
    OilPastelAlgorithm a;
    a.setParameters(renderSet("Pastel"));
    a.setCancelled(true);
    RecordingReporter reporter;
    a.setProgressReporter(&reporter);
    QImage image = picture;
    a.process(image);
    QCOMPARE(image, picture);
    QVERIFY(!reporter.log.contains(QStringLiteral("progress 100")));

    // Cancelled while painting: the last snapshot of the canvas, never the finished drawing.
    OilPastelAlgorithm b;
    b.setParameters(renderSet("Pastel"));
    RecordingReporter midway;
    midway.onCall = [&](const QString& call) {
        if (call.startsWith(QStringLiteral("progress")) && call != QStringLiteral("progress 0"))
            b.setCancelled(true);
    };
    b.setProgressReporter(&midway);
    QImage partial = picture;
    seedRandom();
    b.process(partial);
    QVERIFY(!midway.log.contains(QStringLiteral("progress 100")));
    QCOMPARE(QStringLiteral("progress %1").arg(b.progress().lastPercent()), midway.log.last());
    QCOMPARE(partial.size(), picture.size());
    QVERIFY(partial != painted(renderSet("Pastel"), picture));
}

void TestOilPastelAlgorithm::saturatedRedPictureEnds()
{
    // The candidate search gives up instead of looking for ever, and hears a cancel.
    const QImage picture = saturatedRed(120, 90);
    RecordingReporter reporter;
    const QImage result = painted(renderSet("Pastel", {}, 0.5), picture,
                                  StrokeMemoryPtr(new StrokeMemory), &reporter);
    QVERIFY(reporter.log.contains(QStringLiteral("progress 100")));
    QCOMPARE(result.size(), QSize(60, 45));
}

void TestOilPastelAlgorithm::strokesInsideAndAtTheBorderAgree()
{
    // Strokes inside the picture take the SIMD way, the others the pixel-at-a-time way; making
    // every stroke take the second must not change a byte, for both painters, with an alpha
    // channel and in a scaled run.
    QImage picture = scenePicture(160, 120, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = (line[x] & 0x00FFFFFFu) | (QRgb((x * 7 + y * 3) & 0xFF) << 24);
    }
    FilterParametersPtr oil = defaultParameters(QStringLiteral("Oil"));
    oil->insert(QStringLiteral("OilPaintingAlgorithm::oil_type"), QStringLiteral("standart_oil"));
    const auto paintBoth = [&]() {
        OilPaintingAlgorithm a;
        a.setParameters(oil);
        seedRandom();
        QImage image = picture;
        a.process(image);
        return QVector<QImage>{image, painted(renderSet("Pastel"), picture),
                               painted(renderSet("Pastel", {}, 0.7), picture)};
    };
    QVERIFY(execution().simd);
    const QVector<QImage> vectorised = paintBoth();
    Execution plain;
    plain.simd = false;
    const ScopedExecution scoped(plain);
    const QVector<QImage> scalar = paintBoth();
    for (int i = 0; i < vectorised.size(); ++i)
        QVERIFY2(vectorised[i] == scalar[i], qPrintable(QString::number(i)));
}

QTEST_GUILESS_MAIN(TestOilPastelAlgorithm)
#include "test_oil_pastel_algorithm.moc"
