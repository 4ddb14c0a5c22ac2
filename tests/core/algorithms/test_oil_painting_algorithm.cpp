#include "core/algorithms/algorithm_list.h"
#include "core/algorithms/expressive_brushstrokes.h"
#include "core/algorithms/oil_painting_algorithm.h"
#include "core/filters/filter_list.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "support/filter_runs.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

const QString kPrefix = QStringLiteral("OilPaintingAlgorithm::");
const QString kOilType = kPrefix + QStringLiteral("oil_type");

FilterParametersPtr oilSet(const QMap<QString, QVariant>& values)
{
    FilterParametersPtr set(new FilterParameters(QStringLiteral("Oil"), {}));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        set->insert(it.key(), it.value());
    return set;
}

// The choice of the brushstroke type, which most cases paint in.
const QMap<QString, QVariant> kBrushstrokes = {{kOilType, Keys::Oil::brushstrokes}};

QImage painted(const FilterParametersPtr& set, const QImage& picture,
               const StrokeMemoryPtr& memory = {}, IProgressReporter* reporter = nullptr)
{
    OilPaintingAlgorithm algorithm;
    algorithm.setParameters(set);
    algorithm.setStrokeMemory(memory);
    algorithm.setProgressReporter(reporter);
    seedRandom();
    QImage image = picture;
    algorithm.process(image);
    return image;
}

// A flag one thread raises and others wait for; a wait gives up after a minute (and says so)
// rather than hang a test whose other thread never gets there.
class Gate
{
public:
    void open()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }
    bool wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_opened.wait_for(lock, std::chrono::minutes(1), [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};

// Mean L1 colour distance per pixel between two pictures of the same size.
double meanDistance(const QImage& a, const QImage& b)
{
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return double(sum) / (qint64(a.width()) * a.height());
}

} // namespace

class TestOilPaintingAlgorithm : public QObject
{
    Q_OBJECT

private slots:
    void nameIsOilPainting();
    void slidersConvert_data();
    void slidersConvert();
    void oilTypesAreRecognised_data();
    void oilTypesAreRecognised();
    void readyOnlyWithoutImpastoSettings_data();
    void readyOnlyWithoutImpastoSettings();
    void unknownOilTypePaintsStandardBrushstrokes();
    void expressiveTypeMatchesBrushstrokesToThePicture();
    void scalingBelowHalfWorksAtHalf();
    void impastoTypeDrivesTheEngine();
    void cancelReachesTheEngine();
    void maximumBelowMinimumLowersTheMinimum();
    void zeroStrokesLeaveMostlyCanvas();
    void edgeFactorZeroChangesNothing();
    void edgeDarkeningFollowsTheDrawing_data();
    void edgeDarkeningFollowsTheDrawing();
    void precisionConstants();
    void standardRunPaintsThePicture();
    void sameRunTwiceGivesSameBytes();
    void progressReportsOnlyNewPercentages();
    void simultaneousRendersKeepTheirOwnProgress_data();
    void simultaneousRendersKeepTheirOwnProgress();
    void scaledRunRecordsThenExportReplays();
    void emptyReplayPaintsLikeAFreeRun();
    void exhaustedReplayKeepsPainting();
    void cancelledRecordingKeepsTheLastList();
    void cancelLeavesTheLastSnapshot();
    void saturatedRedPictureEnds();
    void saturatedRedPictureCanBeCancelled();
    void tinyPicturesPaint_data();
    void tinyPicturesPaint();
};

void TestOilPaintingAlgorithm::nameIsOilPainting()
{
    QCOMPARE(OilPaintingAlgorithm().name(), QStringLiteral("Oil painting"));
    QVERIFY(createAlgorithm(QStringLiteral("Oil painting")).dynamicCast<OilPaintingAlgorithm>());
}

void TestOilPaintingAlgorithm::slidersConvert_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("stored");
    const int percent[][2] = {{0, 0},    {1, 2},    {19, 48},  {20, 50},
                              {40, 101}, {60, 152}, {80, 203}, {100, 254}};
    const auto row = [](const QString& key, int slider) -> QTestData& {
        return QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(key).arg(slider)));
    };
    for (const QString& key :
         {QStringLiteral("minimum_stroke_size"), QStringLiteral("maximum_stroke_size"),
          QStringLiteral("number_of_brushstrokes"), QStringLiteral("level_of_contrast"),
          QStringLiteral("level_of_details"), QStringLiteral("strength_of_effect")}) {
        for (const auto& s : percent)
            row(key, s[0]) << key << s[0] << s[1];
    }
    const int reversed[][2] = {{0, 255}, {1, 252}, {39, 155}, {80, 51}, {100, 0}};
    for (const QString& key :
         {QStringLiteral("edge_intensity"), QStringLiteral("image_simplification")}) {
        for (const auto& s : reversed)
            row(key, s[0]) << key << s[0] << s[1];
    }
    const int brightness[][2] = {{-100, 0}, {-80, 25}, {-40, 76},  {0, 127},
                                 {40, 178}, {80, 229}, {100, 255}, {20, 153}};
    for (const auto& b : brightness)
        row(QStringLiteral("brightness"), b[0]) << QStringLiteral("darken_lighten") << b[0] << b[1];
    QTest::newRow("precision") << QStringLiteral("brushstroke_precision") << 70 << 70;
    QTest::newRow("colour intensity") << QStringLiteral("color_intensity") << 60 << 60;
    QTest::newRow("brushstrokes") << QStringLiteral("brushstrokes_intensity") << 60 << 60;
    QTest::newRow("huge strokes") << QStringLiteral("number_of_brushstrokes") << 2000000000
                                  << 2549999;
}

void TestOilPaintingAlgorithm::slidersConvert()
{
    QFETCH(QString, key);
    QFETCH(int, slider);
    QFETCH(int, stored);
    for (const QVariant& value : {QVariant(slider), QVariant(QString::number(slider))}) {
        OilPaintingAlgorithm a;
        a.setParameters(oilSet({{kPrefix + key, value}}));
        const QMap<QString, int> values = {
            {"minimum_stroke_size", a.minimumStrokeSize()},
            {"maximum_stroke_size", a.maximumStrokeSize()},
            {"number_of_brushstrokes", a.numberOfBrushstrokes()},
            {"edge_intensity", a.edgeFactor()},
            {"brushstroke_precision", a.precision()},
            {"level_of_contrast", a.contrast()},
            {"level_of_details", a.details()},
            {"strength_of_effect", a.strength()},
            {"image_simplification", a.simplification()},
            {"color_intensity", a.colourIntensity()},
            {"darken_lighten", a.brightness()},
            {"brushstrokes_intensity", a.brushstrokeIntensity()},
        };
        QCOMPARE(values.value(key), stored);
        // Every other setting stays unset.
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.key() != key)
                QCOMPARE(it.value(), int(OilPaintingAlgorithm::kNotReceived));
        }
    }
}

void TestOilPaintingAlgorithm::oilTypesAreRecognised_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::newRow("standard") << "standart_oil" << 0;
    QTest::newRow("expressive") << "expressive_brushstrokes" << 1;
    QTest::newRow("impasto") << "oil_painting" << 2;
    QTest::newRow("unknown") << "watery" << 0;
    QTest::newRow("label, not value") << "Oil painting" << 0;
}

void TestOilPaintingAlgorithm::oilTypesAreRecognised()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    OilPaintingAlgorithm a;
    QCOMPARE(a.oilType(), 0);
    a.setParameters(oilSet({{kOilType, QStringLiteral("oil_painting")}}));
    a.setParameters(oilSet({{kOilType, text}}));
    QCOMPARE(a.oilType(), type);
}

void TestOilPaintingAlgorithm::readyOnlyWithoutImpastoSettings_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("ready");
    const QStringList brushstrokes = {
        "minimum_stroke_size",   "maximum_stroke_size", "number_of_brushstrokes", "edge_intensity",
        "brushstroke_precision", "level_of_contrast",   "level_of_details"};
    QTest::newRow("the seven brushstroke settings") << brushstrokes << true;
    QStringList six = brushstrokes;
    six.removeLast();
    QTest::newRow("six of them") << six << false;
    for (const char* impasto : {"strength_of_effect", "image_simplification", "color_intensity",
                                "darken_lighten", "brushstrokes_intensity"})
        QTest::newRow(impasto) << (brushstrokes + QStringList{impasto}) << false;
    QTest::newRow("nothing") << QStringList() << false;
}

void TestOilPaintingAlgorithm::readyOnlyWithoutImpastoSettings()
{
    QFETCH(QStringList, keys);
    QFETCH(bool, ready);
    QMap<QString, QVariant> values;
    for (const QString& key : keys)
        values.insert(kPrefix + key, 50);
    OilPaintingAlgorithm a;
    a.setParameters(oilSet(values));
    QCOMPARE(a.isReady(), ready);

    // The panel's sets carry all twelve.
    OilPaintingAlgorithm panel;
    panel.setParameters(renderSet("Oil", kBrushstrokes));
    QVERIFY(!panel.isReady());
}

void TestOilPaintingAlgorithm::unknownOilTypePaintsStandardBrushstrokes()
{
    const QImage picture = scenePicture(48, 36);
    const QImage standard = painted(renderSet("Oil", kBrushstrokes), picture);
    const QImage unknown = painted(renderSet("Oil", {{kOilType, "acrylic"}}), picture);
    QCOMPARE(unknown, standard);
    QVERIFY(standard != picture.convertToFormat(standard.format()));
}

void TestOilPaintingAlgorithm::expressiveTypeMatchesBrushstrokesToThePicture()
{
    // The type hands the converted settings to the matching renderer: its steps are announced,
    // and the picture is its own, not the standard painter's.
    const QImage picture = scenePicture(96, 72);
    RecordingReporter reporter;
    const FilterParametersPtr set = renderSet("Oil", {{kOilType, Keys::Oil::expressive}});
    const QImage expressive = painted(set, picture, {}, &reporter);
    QCOMPARE(reporter.calls(QStringLiteral("label")),
             QStringList(
                 {"label Step (1/4)", "label Step (2/4)", "label Step (3/4)", "label Step (4/4)"}));
    OilPaintingAlgorithm a;
    a.setParameters(set);
    ExpressiveSettings settings;
    settings.maximumStrokeSize = a.maximumStrokeSize();
    settings.numberOfBrushstrokes = a.numberOfBrushstrokes();
    settings.precision = a.precision();
    settings.contrast = a.contrast();
    settings.details = a.details();
    QImage direct = picture;
    seedRandom();
    paintExpressiveBrushstrokes(settings, direct);
    QCOMPARE(expressive, direct);
    QVERIFY(expressive != painted(renderSet("Oil", kBrushstrokes), picture));
}

void TestOilPaintingAlgorithm::scalingBelowHalfWorksAtHalf()
{
    OilPaintingAlgorithm a;
    a.setParameters(renderSet("Oil", kBrushstrokes, 0.3));
    QVERIFY(a.isScaled());
    QCOMPARE(a.scale(), 0.5);
    a.setParameters(renderSet("Oil", kBrushstrokes, 0.75));
    QCOMPARE(a.scale(), 0.75);
    // A later set without "scaling" leaves the object scaled.
    a.setParameters(oilSet({{kOilType, QStringLiteral("standart_oil")}}));
    QVERIFY(a.isScaled());

    for (const QString& type :
         {QStringLiteral("standart_oil"), QStringLiteral("expressive_brushstrokes"),
          QStringLiteral("oil_painting")}) {
        const QImage result =
            painted(renderSet("Oil", {{kOilType, type}}, 0.3), scenePicture(61, 45));
        QCOMPARE(result.size(), QSize(30, 22));
    }
}

void TestOilPaintingAlgorithm::impastoTypeDrivesTheEngine()
{
    const QImage picture = scenePicture(50, 40);
    const FilterParametersPtr set = renderSet("Oil", {{kOilType, Keys::Oil::impasto}});
    OilPaintingAlgorithm a;
    a.setParameters(set);
    const QImage result = painted(set, picture);

    RegionPaintEngine engine;
    QImage expected = picture;
    seedRandom();
    QVERIFY(engine.paint(expected, QImage(QStringLiteral(":/impastotexture.jpg")), false, 1.0,
                         nullptr, a.brushstrokeIntensity(), a.strength(), a.simplification(),
                         a.brightness(), a.colourIntensity(), false));
    QCOMPARE(result, expected);
}

void TestOilPaintingAlgorithm::cancelReachesTheEngine()
{
    OilPaintingAlgorithm a;
    a.setCancelled(true);
    QVERIFY(a.isCancelled());
    QVERIFY(a.engine().isCancelled());
    a.setCancelled(false);
    QVERIFY(!a.engine().isCancelled());

    // A cancelled impasto run leaves the picture as it was.
    a.setParameters(renderSet("Oil", {{kOilType, Keys::Oil::impasto}}));
    a.setCancelled(true);
    const QImage picture = scenePicture(40, 30);
    QImage image = picture;
    a.process(image);
    QCOMPARE(image, picture);
}

void TestOilPaintingAlgorithm::maximumBelowMinimumLowersTheMinimum()
{
    FilterParametersPtr set = renderSet("Oil", kBrushstrokes);
    set->insert(kPrefix + "minimum_stroke_size", 60); // 152
    set->insert(kPrefix + "maximum_stroke_size", 40); // 101
    OilPaintingAlgorithm a;
    a.setParameters(set);
    RecordingReporter reporter;
    a.setProgressReporter(&reporter);
    QImage image = scenePicture(60, 40);
    seedRandom();
    a.process(image);
    QCOMPARE(a.minimumStrokeSize(), 101);
    QCOMPARE(a.maximumStrokeSize(), 101);
    QCOMPARE(image.size(), QSize(60, 40));
    QCOMPARE(reporter.log.last(), QStringLiteral("progress 100"));
    // One size level, 107 down to 96: below the minimum, but progress stays within 0..100.
    for (const QString& call : reporter.calls(QStringLiteral("progress"))) {
        const int percent = call.mid(9).toInt();
        QVERIFY2(percent >= 0 && percent <= 100, qPrintable(call));
    }
}

void TestOilPaintingAlgorithm::zeroStrokesLeaveMostlyCanvas()
{
    FilterParametersPtr set = renderSet("Oil", kBrushstrokes);
    set->insert(kPrefix + "number_of_brushstrokes", 0);
    set->insert(kPrefix + "edge_intensity", 100);
    QImage dark(80, 60, QImage::Format_RGB32);
    dark.fill(qRgb(40, 60, 90));
    const QImage result = painted(set, dark);
    QCOMPARE(result.size(), dark.size());
    QVERIFY2(canvasShare(result) > 0.6, qPrintable(QString::number(canvasShare(result))));
}

void TestOilPaintingAlgorithm::edgeFactorZeroChangesNothing()
{
    QImage canvas = randomPicture(30, 20, QImage::Format_RGB32, 3);
    const QImage source = randomPicture(30, 20, QImage::Format_RGB32, 4);
    QImage strokes(30, 20, QImage::Format_Grayscale8);
    strokes.fill(0);
    const QImage before = canvas;
    OilPaintingAlgorithm::darkenEdges(canvas, source, strokes, 0);
    QCOMPARE(canvas, before);

    // Through the whole painter: edge intensity 100 gives factor 0.
    OilPaintingAlgorithm a;
    a.setParameters(oilSet({{kPrefix + "edge_intensity", 100}}));
    QCOMPARE(a.edgeFactor(), 0);
}

void TestOilPaintingAlgorithm::edgeDarkeningFollowsTheDrawing_data()
{
    // The drawing is grey, one byte a pixel; s is the weight (510 - 2 grey) / 3 of one channel.
    QTest::addColumn<int>("grey");
    QTest::addColumn<int>("shift");
    QTest::newRow("black") << 0 << 170 * 255 / 300;       // 144
    QTest::newRow("dark grey") << 100 << 103 * 255 / 300; // 87
    QTest::newRow("light grey") << 230 << 16 * 255 / 300; // 13
    QTest::newRow("white") << 255 << 0;
}

void TestOilPaintingAlgorithm::edgeDarkeningFollowsTheDrawing()
{
    QFETCH(int, grey);
    QFETCH(int, shift);
    // Canvas equal to the source: only the drawing counts.
    QImage canvas(6, 5, QImage::Format_RGB32);
    canvas.fill(qRgb(200, 150, 100));
    const QImage source = canvas;
    QImage strokes(6, 5, QImage::Format_Grayscale8);
    strokes.fill(uint(grey));
    OilPaintingAlgorithm::darkenEdges(canvas, source, strokes, 255);
    const QRgb darkened = qRgb(200 - shift, 150 - shift, std::max(100 - shift, 0));
    QCOMPARE(canvas.pixel(0, 0), darkened);
    QCOMPARE(canvas.pixel(4, 3), darkened);
    // The last column and row stay.
    QCOMPARE(canvas.pixel(5, 2), qRgb(200, 150, 100));
    QCOMPARE(canvas.pixel(2, 4), qRgb(200, 150, 100));
}

void TestOilPaintingAlgorithm::precisionConstants()
{
    QCOMPARE(OilPaintingAlgorithm::pickThreshold(100), 15);
    QCOMPARE(OilPaintingAlgorithm::acceptanceFactor(100), 714);
    QCOMPARE(OilPaintingAlgorithm::pickThreshold(0), 25);
    QCOMPARE(OilPaintingAlgorithm::acceptanceFactor(0), 514);
    // Both ends paint.
    for (int precision : {0, 100}) {
        FilterParametersPtr set = renderSet("Oil", kBrushstrokes);
        set->insert(kPrefix + "brushstroke_precision", precision);
        const QImage result = painted(set, scenePicture(60, 45));
        QVERIFY(canvasShare(result) < 0.5);
    }
}

void TestOilPaintingAlgorithm::standardRunPaintsThePicture()
{
    const QImage picture = scenePicture(80, 60);
    const QImage result = painted(renderSet("Oil", kBrushstrokes), picture);
    QCOMPARE(result.size(), picture.size());
    QVERIFY(canvasShare(result) < 0.2);
    // Close to the photograph on average, though not equal.
    const double distance = meanDistance(result, picture);
    QVERIFY2(distance < 90.0 && distance > 0.0, qPrintable(QString::number(distance)));

    // Alpha comes back from the photograph.
    QImage translucent = picture.convertToFormat(QImage::Format_ARGB32);
    translucent.setPixel(10, 10, qRgba(10, 20, 30, 77));
    const QImage withAlpha = painted(renderSet("Oil", kBrushstrokes), translucent);
    QCOMPARE(qAlpha(withAlpha.pixel(10, 10)), 77);
}

void TestOilPaintingAlgorithm::sameRunTwiceGivesSameBytes()
{
    const QImage picture = scenePicture(64, 48);
    const FilterParametersPtr set = renderSet("Oil", kBrushstrokes, kUnscaled, true);
    QCOMPARE(imageDigest(painted(set, picture)), imageDigest(painted(set, picture)));
}

void TestOilPaintingAlgorithm::progressReportsOnlyNewPercentages()
{
    // Each run starts from the 0 that process() reports, whatever an earlier run reached.
    OilPaintingAlgorithm algorithm;
    algorithm.setParameters(renderSet("Oil", kBrushstrokes));
    RecordingReporter reporter;
    algorithm.setProgressReporter(&reporter);
    QImage image = scenePicture(60, 45);
    seedRandom();
    algorithm.process(image);
    const QStringList calls = reporter.calls("progress");
    QVERIFY(calls.size() >= 3);
    QCOMPARE(calls.first(), QStringLiteral("progress 0"));
    QCOMPARE(calls.last(), QStringLiteral("progress 100"));
    int previous = 0;
    for (int i = 1; i + 1 < calls.size(); ++i) {
        const int percent = calls.at(i).mid(9).toInt();
        QVERIFY(percent != previous);
        QVERIFY(percent >= 0 && percent <= 100);
        previous = percent;
    }
    QCOMPARE(algorithm.progress().lastPercent(), previous);

    RecordingReporter again;
    algorithm.setProgressReporter(&again);
    image = scenePicture(60, 45);
    seedRandom();
    algorithm.process(image);
    QCOMPARE(again.log, reporter.log);
}

void TestOilPaintingAlgorithm::simultaneousRendersKeepTheirOwnProgress_data()
{
    QTest::addColumn<QString>("type");
    QTest::newRow("standard") << Keys::Oil::brushstrokes;
    QTest::newRow("expressive") << Keys::Oil::expressive;
}

void TestOilPaintingAlgorithm::simultaneousRendersKeepTheirOwnProgress()
{
    // An export and a preview of one picture, each on its own thread with its own reporter. The
    // export is held at its third progress report while the preview starts and makes its first
    // three, then both run on together. Each reports, and paints, what it does alone.
    QFETCH(QString, type);
    const QImage picture = scenePicture(96, 72);
    const FilterParametersPtr exportSet = renderSet("Oil", {{kOilType, type}});
    const FilterParametersPtr previewSet = renderSet("Oil", {{kOilType, type}}, kUnscaled, true);
    RecordingReporter exportAlone, previewAlone;
    const QImage exportPicture = painted(exportSet, picture, {}, &exportAlone);
    const QImage previewPicture = painted(previewSet, picture, {}, &previewAlone);
    QVERIFY(exportAlone.calls("progress").size() > 4); // held well before its end
    QVERIFY(previewAlone.calls("progress").size() > 4);

    Gate exportHeld, previewStarted;
    std::atomic<int> timeouts{0};
    const auto wait = [&timeouts](Gate& gate) {
        if (!gate.wait())
            ++timeouts;
    };
    RecordingReporter exportReporter, previewReporter;
    exportReporter.onCall = [&](const QString& call) {
        if (call.startsWith("progress") && exportReporter.calls("progress").size() == 3) {
            exportHeld.open();
            wait(previewStarted);
        }
    };
    previewReporter.onCall = [&](const QString& call) {
        if (!call.startsWith("progress"))
            return;
        const int reports = previewReporter.calls("progress").size();
        if (reports == 1)
            wait(exportHeld);
        else if (reports == 3)
            previewStarted.open();
    };
    QImage exported, previewed;
    std::thread exportThread([&] { exported = painted(exportSet, picture, {}, &exportReporter); });
    std::thread previewThread([&] {
        previewed = painted(previewSet, picture, {}, &previewReporter);
        previewStarted.open();
    });
    exportThread.join();
    previewThread.join();

    QCOMPARE(timeouts.load(), 0);
    QCOMPARE(exportReporter.log, exportAlone.log);
    QCOMPARE(previewReporter.log, previewAlone.log);
    // Each run's own rising progress from 0, closed by 100 (the expressive count rises by one a
    // few rows, and on a picture this small passes 100 before the close).
    for (const RecordingReporter* reporter : {&exportReporter, &previewReporter}) {
        const QStringList calls = reporter->calls("progress");
        QCOMPARE(calls.first(), QStringLiteral("progress 0"));
        QCOMPARE(calls.last(), QStringLiteral("progress 100"));
        for (int i = 1; i + 1 < calls.size(); ++i)
            QVERIFY(calls.at(i).mid(9).toInt() >= calls.at(i - 1).mid(9).toInt());
    }
    QCOMPARE(exported, exportPicture);
    QCOMPARE(previewed, previewPicture);
}

void TestOilPaintingAlgorithm::scaledRunRecordsThenExportReplays()
{
    const QImage picture = scenePicture(96, 72);
    StrokeMemoryPtr memory(new StrokeMemory);
    const QImage display = painted(renderSet("Oil", kBrushstrokes, 0.5), picture, memory);
    QCOMPARE(display.size(), QSize(48, 36));
    const QVector<QPoint> recorded = memory->positions(OilPaintingAlgorithm::memoryName());
    QVERIFY(recorded.size() > 50);
    bool reachesFarHalf = false;
    for (const QPoint& p : recorded) {
        QVERIFY(p.x() >= 0 && p.x() < 96 && p.y() >= 0 && p.y() < 72);
        reachesFarHalf = reachesFarHalf || p.x() >= 48 || p.y() >= 36;
    }
    QVERIFY(reachesFarHalf);

    // The export replays the list: the same memory gives the same bytes, another list other
    // ones, and replaying leaves the list alone.
    const FilterParametersPtr exportSet = renderSet("Oil", kBrushstrokes);
    const QImage exported = painted(exportSet, picture, memory);
    QCOMPARE(exported.size(), picture.size());
    QCOMPARE(painted(exportSet, picture, memory), exported);
    QCOMPARE(memory->positions(OilPaintingAlgorithm::memoryName()), recorded);
    StrokeMemoryPtr other(new StrokeMemory);
    painted(renderSet("Oil", kBrushstrokes, 0.5), scenePicture(96, 72, QImage::Format_ARGB32),
            other);
    QVector<QPoint> shifted = recorded;
    for (QPoint& p : shifted)
        p = QPoint((p.x() + 17) % 96, (p.y() + 11) % 72);
    other->setPositions(OilPaintingAlgorithm::memoryName(), shifted);
    QVERIFY(painted(exportSet, picture, other) != exported);

    // The export of another document is not affected by this one's display render.
    StrokeMemoryPtr untouched(new StrokeMemory);
    QVERIFY(untouched->positions(OilPaintingAlgorithm::memoryName()).isEmpty());
}

void TestOilPaintingAlgorithm::emptyReplayPaintsLikeAFreeRun()
{
    // A picture shown at its own size is rendered without "scaling": a replay with nothing
    // recorded chooses its centres as a free run does instead of stacking them in a corner.
    const QImage picture = scenePicture(80, 60);
    const QImage free = painted(renderSet("Oil", kBrushstrokes, kUnscaled, true), picture);
    const QImage withoutMemory = painted(renderSet("Oil", kBrushstrokes), picture);
    const QImage emptyMemory =
        painted(renderSet("Oil", kBrushstrokes), picture, StrokeMemoryPtr(new StrokeMemory));
    QCOMPARE(withoutMemory, free);
    QCOMPARE(emptyMemory, free);
    QVERIFY(canvasShare(emptyMemory) < 0.2);
}

void TestOilPaintingAlgorithm::exhaustedReplayKeepsPainting()
{
    const QImage picture = scenePicture(80, 60);
    StrokeMemoryPtr memory(new StrokeMemory);
    memory->setPositions(OilPaintingAlgorithm::memoryName(),
                         {QPoint(10, 10), QPoint(40, 30), QPoint(70, 50)});
    const QImage result = painted(renderSet("Oil", kBrushstrokes), picture, memory);
    const QImage free = painted(renderSet("Oil", kBrushstrokes, kUnscaled, true), picture);
    QVERIFY(canvasShare(result) < 0.2);
    QVERIFY(meanDistance(result, picture) < 1.5 * meanDistance(free, picture) + 5.0);
    // Only three strokes may sit where the list says; the canvas corner is not overpainted.
    QVERIFY(result != free);
}

void TestOilPaintingAlgorithm::cancelledRecordingKeepsTheLastList()
{
    const QImage picture = scenePicture(80, 60);
    StrokeMemoryPtr memory(new StrokeMemory);
    const QVector<QPoint> earlier = {QPoint(1, 2), QPoint(3, 4)};
    memory->setPositions(OilPaintingAlgorithm::memoryName(), earlier);

    OilPaintingAlgorithm a;
    a.setParameters(renderSet("Oil", kBrushstrokes, 0.5));
    a.setStrokeMemory(memory);
    RecordingReporter reporter;
    int reports = 0;
    reporter.onCall = [&](const QString& call) {
        if (call.startsWith(QStringLiteral("progress")) && ++reports == 3)
            a.setCancelled(true);
    };
    a.setProgressReporter(&reporter);
    QImage image = picture;
    seedRandom();
    a.process(image);
    QVERIFY(a.isCancelled());
    QVERIFY(!reporter.log.contains(QStringLiteral("progress 100")));
    QCOMPARE(memory->positions(OilPaintingAlgorithm::memoryName()), earlier);
}

void TestOilPaintingAlgorithm::cancelLeavesTheLastSnapshot()
{
    const QImage picture = scenePicture(80, 60);
    // Cancelled before the first stroke: the picture as it came in.
    {
        OilPaintingAlgorithm a;
        a.setParameters(renderSet("Oil", kBrushstrokes));
        RecordingReporter reporter;
        reporter.onCall = [&](const QString&) { a.setCancelled(true); };
        a.setProgressReporter(&reporter);
        QImage image = picture;
        a.process(image);
        QCOMPARE(image, picture);
        QCOMPARE(reporter.log, QStringList{QStringLiteral("progress 0")});
    }
    // Cancelled after a few reports: the canvas as last reported, at the working size.
    {
        OilPaintingAlgorithm a;
        a.setParameters(renderSet("Oil", kBrushstrokes, 0.5));
        RecordingReporter reporter;
        int reports = 0;
        reporter.onCall = [&](const QString&) {
            if (++reports == 4)
                a.setCancelled(true);
        };
        a.setProgressReporter(&reporter);
        QImage image = picture;
        seedRandom();
        a.process(image);
        QCOMPARE(image.size(), QSize(40, 30));
        QVERIFY(!reporter.log.contains(QStringLiteral("progress 100")));
    }
}

void TestOilPaintingAlgorithm::saturatedRedPictureEnds()
{
    QImage picture = randomPicture(120, 90, QImage::Format_RGB32, 9);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, picture.pixel(x, y) | 0x00FF0000u);
    }
    for (const QString& mode : {QStringLiteral("free"), QStringLiteral("scaled")}) {
        QElapsedTimer timer;
        timer.start();
        RecordingReporter reporter;
        const QImage result = painted(
            renderSet("Oil", kBrushstrokes, mode == "scaled" ? 0.5 : kUnscaled, mode == "free"),
            picture, StrokeMemoryPtr(new StrokeMemory), &reporter);
        QVERIFY(reporter.log.contains(QStringLiteral("progress 100")));
        QVERIFY(!result.isNull());
        QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
    }
}

void TestOilPaintingAlgorithm::saturatedRedPictureCanBeCancelled()
{
    QImage picture(200, 150, QImage::Format_RGB32);
    picture.fill(qRgb(255, 30, 200));
    OilPaintingAlgorithm a;
    a.setParameters(renderSet("Oil", kBrushstrokes));
    RecordingReporter reporter;
    reporter.onCall = [&](const QString&) { a.setCancelled(true); };
    a.setProgressReporter(&reporter);
    QImage image = picture;
    a.process(image);
    QCOMPARE(image, picture);
    QVERIFY(!reporter.log.contains(QStringLiteral("progress 100")));
}

void TestOilPaintingAlgorithm::tinyPicturesPaint_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1x1") << QSize(1, 1);
    QTest::newRow("1x40") << QSize(1, 40);
    QTest::newRow("40x1") << QSize(40, 1);
    QTest::newRow("3x3") << QSize(3, 3);
}

void TestOilPaintingAlgorithm::tinyPicturesPaint()
{
    QFETCH(QSize, size);
    for (const QString& type : {QStringLiteral("standart_oil"), QStringLiteral("oil_painting")}) {
        const QImage result = painted(renderSet("Oil", {{kOilType, type}}),
                                      scenePicture(size.width(), size.height()));
        QCOMPARE(result.size(), size);
        const QImage scaled = painted(renderSet("Oil", {{kOilType, type}}, 0.5),
                                      scenePicture(size.width(), size.height()));
        QVERIFY(scaled.width() <= size.width());
    }
}

QTEST_GUILESS_MAIN(TestOilPaintingAlgorithm)
#include "test_oil_painting_algorithm.moc"
