#include "core/algorithms/pencil_bw_algorithm.h"
#include "core/raster/raster_primitives.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

#include <cmath>

namespace {

const QString kPrefix = QStringLiteral("PencilBWAlgorithm::");

FilterParametersPtr pencilSet(int threshold, int intensity, int stroke, int brightness,
                              int colourIntensity, const QString& colour = "lead_pencil")
{
    FilterParametersPtr set(new FilterParameters(QStringLiteral("Pencil"), {}));
    set->insert(kPrefix + "edge_threshold", threshold);
    set->insert(kPrefix + "edge_intensity", intensity);
    set->insert(kPrefix + "stroke_length", stroke);
    set->insert(kPrefix + "darken_lighten", brightness);
    set->insert(kPrefix + "color_intensity", colourIntensity);
    set->insert(kPrefix + "color_enabled", colour);
    return set;
}

// The drawing computed the slow, obvious way: one pixel at a time, straight from the rules,
// darkening an RGB canvas directly and computing every direction with atan2, cos and sin.
QImage referenceSketch(const QImage& input, const PencilRenderer::Settings& st)
{
    const QImage src = input;
    const int w = src.width(), h = src.height();
    QImage canvas = src.copy();
    canvas.fill(0xFFFFFFFFu);
    auto lum = [&](int x, int y) {
        const QRgb p = src.pixel(x, y);
        return (30 * qRed(p) + 59 * qGreen(p) + 11 * qBlue(p)) / 100;
    };
    auto darken = [&](int x, int y, int d) {
        if (x < 0 || x > w - 2 || y < 0 || y > h - 2)
            return;
        const QRgb c = canvas.pixel(x, y);
        canvas.setPixel(x, y,
                        qRgba(std::max(0, qRed(c) - d), std::max(0, qGreen(c) - d),
                              std::max(0, qBlue(c) - d), 255));
    };
    for (int y = 1; y <= h - 2; ++y) {
        for (int x = 1; x <= w - 2; ++x) {
            const int gx = (lum(x - 1, y - 1) + 2 * lum(x - 1, y) + lum(x - 1, y + 1) -
                            lum(x + 1, y - 1) - 2 * lum(x + 1, y) - lum(x + 1, y + 1)) /
                           4;
            const int gy = (lum(x - 1, y - 1) + 2 * lum(x, y - 1) + lum(x + 1, y - 1) -
                            lum(x - 1, y + 1) - 2 * lum(x, y + 1) - lum(x + 1, y + 1)) /
                           4;
            const int a = std::abs(gx), b = std::abs(gy);
            if ((a + b) / 2 < st.edgeThreshold || std::abs(a - b) <= 1) {
                const int yc = lum(x, y);
                const int n = std::max(0, (382 - st.shadingBase) - 2 * yc);
                const int theta = randomBelow(8 - (yc >> 5)) + (yc >> 3);
                const int length = n >> 5;
                int d = n / 10;
                for (int k = 0;;) {
                    if (d <= 0)
                        break;
                    const int p = int(std::floor(std::cos(double(theta)) * k));
                    const int q = int(std::floor(std::sin(double(theta)) * k));
                    darken(x - p, y - q, d);
                    darken(x + p, y + q, d);
                    k += 1;
                    d -= 1;
                    if (k > length)
                        break;
                }
            } else {
                const double theta = gx != 0 ? std::atan2(double(gy), double(gx)) + M_PI / 2 : M_PI;
                const int maxLen = ((a + b) >> 3) * st.strokeLength / 50;
                const int s0 = ((a + b) >> 2) * st.strokeLength / 50 - ((150 - st.darkness) / 4);
                if (s0 > 0) {
                    for (int k = 0;; ++k) {
                        const int p = int(std::floor(std::cos(theta) * k));
                        const int q = int(std::floor(std::sin(theta) * k));
                        darken(x - p, y - q, s0 - k);
                        darken(x + p, y + q, s0 - k);
                        if (!(k + 1 <= maxLen && s0 - (k + 1) > 0))
                            break;
                    }
                }
            }
        }
    }
    if (st.coloured) {
        const int m = 255 - st.colourWeight;
        for (int y = 1; y <= h - 2; ++y) {
            for (int x = 1; x <= w - 2; ++x) {
                const QRgb s = src.pixel(x, y), c = canvas.pixel(x, y);
                int out[3];
                const int sv[3] = {qRed(s), qGreen(s), qBlue(s)};
                const int cv[3] = {qRed(c), qGreen(c), qBlue(c)};
                for (int i = 0; i < 3; ++i) {
                    const int screen = 255 - (255 - cv[i]) * (255 - sv[i]) / 256;
                    out[i] = std::clamp(
                        (m * screen + st.colourWeight * (cv[i] * cv[i] / 256)) / 256, 0, 255);
                }
                canvas.setPixel(x, y, qRgba(out[0], out[1], out[2], 255));
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb c = canvas.pixel(x, y);
            int v[3] = {qRed(c), qGreen(c), qBlue(c)};
            const int grey = (v[0] + v[1] + v[2]) / 3;
            for (int& ch : v)
                ch = std::clamp(ch + 70 * (ch - grey) / 100, 0, 255);
            const int alpha = src.hasAlphaChannel() ? qAlpha(src.pixel(x, y)) : 255;
            canvas.setPixel(x, y, qRgba(v[0], v[1], v[2], alpha));
        }
    }
    return canvas;
}

bool isGrey(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qRed(row[x]) != qGreen(row[x]) || qGreen(row[x]) != qBlue(row[x]))
                return false;
        }
    }
    return true;
}

} // namespace

class TestPencilBWAlgorithm : public QObject
{
    Q_OBJECT

private slots:
    void init() { seedRandom(); }

    void slidersConvertToRendererSettings_data();
    void slidersConvertToRendererSettings();
    void textValuesReadLikeTheirTypedValues();
    void missingKeysLeaveItNotReady();
    void unreadyAlgorithmLeavesPictureUnchanged();

    void sketchMatchesPlainComputation_data();
    void sketchMatchesPlainComputation();
    void threadCountDoesNotChangeTheDrawing();
    void leadPencilIsGrey();
    void flatBrightPictureWithoutShadingIsWhite();
    void flatDarkPictureIsHatched();
    void scalingChangesNothing();
    void twoRendersAreIdentical();
    void cancelLeavesInputUnchanged();
    void tinyPicturesGiveWhiteCanvasWithAlpha_data();
    void tinyPicturesGiveWhiteCanvasWithAlpha();
    void progressRisesFromZeroToHundred();
};

void TestPencilBWAlgorithm::slidersConvertToRendererSettings_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("intensity");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("colourIntensity");
    QTest::addColumn<int>("expectedThreshold");
    QTest::addColumn<int>("expectedShading");
    QTest::addColumn<int>("expectedDarkness");
    QTest::addColumn<int>("expectedWeight");
    // 2.55 and 1.275 are the doubles just below their decimal values.
    QTest::newRow("zero") << 0 << 0 << 0 << 50 << 0 << 255 << 128 << 100;
    QTest::newRow("twenty") << 20 << 20 << -80 << 60 << 50 << 204 << 230 << 80;
    QTest::newRow("forty") << 40 << 40 << -40 << 75 << 101 << 153 << 179 << 50;
    QTest::newRow("sixty") << 60 << 60 << 40 << 90 << 152 << 102 << 77 << 20;
    QTest::newRow("eighty") << 80 << 80 << 80 << 100 << 203 << 51 << 26 << 0;
    QTest::newRow("hundred") << 100 << 100 << 100 << 100 << 254 << 0 << 0 << 0;
    QTest::newRow("darkest") << 5 << 40 << -100 << 50 << 12 << 153 << 255 << 100;
}

void TestPencilBWAlgorithm::slidersConvertToRendererSettings()
{
    QFETCH(int, threshold);
    QFETCH(int, intensity);
    QFETCH(int, brightness);
    QFETCH(int, colourIntensity);
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(threshold, intensity, 40, brightness, colourIntensity));
    QVERIFY(algorithm.isReady());
    const PencilRenderer::Settings st = algorithm.rendererSettings();
    QTEST(st.edgeThreshold, "expectedThreshold");
    QTEST(st.shadingBase, "expectedShading");
    QTEST(st.darkness, "expectedDarkness");
    QTEST(st.colourWeight, "expectedWeight");
    QCOMPARE(st.strokeLength, 40);
    QCOMPARE(st.coloured, false);
}

void TestPencilBWAlgorithm::textValuesReadLikeTheirTypedValues()
{
    // A set read back from a document holds text only.
    FilterParametersPtr typed = pencilSet(37, 63, 71, -17, 83, "colored_pencils");
    FilterParametersPtr text(new FilterParameters(QStringLiteral("Pencil"), {}));
    for (const QString& key : typed->keys())
        text->insert(key, typed->value(key).toString());
    text->insert(QStringLiteral("scaling"), QStringLiteral("0.5"));

    PencilBWAlgorithm fromTyped, fromText;
    fromTyped.setParameters(typed);
    fromText.setParameters(text);
    const PencilRenderer::Settings a = fromTyped.rendererSettings();
    const PencilRenderer::Settings b = fromText.rendererSettings();
    QCOMPARE(b.edgeThreshold, a.edgeThreshold);
    QCOMPARE(b.shadingBase, a.shadingBase);
    QCOMPARE(b.strokeLength, a.strokeLength);
    QCOMPARE(b.darkness, a.darkness);
    QCOMPARE(b.colourWeight, a.colourWeight);
    QCOMPARE(b.coloured, true);

    // Any text other than "lead_pencil" selects the coloured mode.
    FilterParametersPtr other(new FilterParameters);
    other->insert(kPrefix + "color_enabled", QStringLiteral("crayons"));
    fromTyped.setParameters(other);
    QCOMPARE(fromTyped.rendererSettings().coloured, true);
    // Keys absent from a later set keep their values.
    QCOMPARE(fromTyped.rendererSettings().edgeThreshold, a.edgeThreshold);
}

void TestPencilBWAlgorithm::missingKeysLeaveItNotReady()
{
    PencilBWAlgorithm algorithm;
    QVERIFY(!algorithm.isReady());
    FilterParametersPtr partial = pencilSet(5, 40, 40, -40, 50);
    partial->remove(kPrefix + "darken_lighten");
    algorithm.setParameters(partial);
    QVERIFY(!algorithm.isReady());
    FilterParametersPtr rest(new FilterParameters);
    rest->insert(kPrefix + "darken_lighten", 0);
    algorithm.setParameters(rest);
    QVERIFY(algorithm.isReady());
    QCOMPARE(algorithm.name(), QStringLiteral("Pencil B & W"));
}

void TestPencilBWAlgorithm::unreadyAlgorithmLeavesPictureUnchanged()
{
    PencilBWAlgorithm algorithm;
    QImage picture = scenePicture(20, 16);
    const QImage before = picture.copy();
    algorithm.process(picture);
    QCOMPARE(picture, before);
}

void TestPencilBWAlgorithm::sketchMatchesPlainComputation_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<FilterParametersPtr>("set");
    QTest::newRow("defaults, scene") << scenePicture(41, 29) << pencilSet(5, 40, 40, -40, 50);
    QTest::newRow("threshold 0, random")
        << randomPicture(23, 19, QImage::Format_RGB32, 7) << pencilSet(0, 40, 40, -40, 50);
    QTest::newRow("long strokes, dark") << scenePicture(37, 33) << pencilSet(30, 90, 100, -100, 50);
    QTest::newRow("light, short") << scenePicture(30, 30) << pencilSet(60, 0, 5, 100, 50);
    QTest::newRow("coloured") << scenePicture(35, 27)
                              << pencilSet(5, 40, 40, -40, 70, "colored_pencils");
    QTest::newRow("coloured, alpha") << randomPicture(17, 21, QImage::Format_ARGB32, 11)
                                     << pencilSet(10, 60, 60, 0, 100, "colored_pencils");
    QTest::newRow("thin") << scenePicture(3, 40) << pencilSet(5, 40, 40, -40, 50);
}

void TestPencilBWAlgorithm::sketchMatchesPlainComputation()
{
    QFETCH(QImage, picture);
    QFETCH(FilterParametersPtr, set);
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(set);

    const QImage expected = referenceSketch(picture, algorithm.rendererSettings());
    const std::uint32_t stateAfterReference = randomState();

    seedRandom();
    QImage result = picture;
    algorithm.process(result);
    QCOMPARE(result.format(), picture.format());
    QCOMPARE(result, expected);
    // The same number of random draws, in the same order.
    QCOMPARE(randomState(), stateAfterReference);
}

void TestPencilBWAlgorithm::threadCountDoesNotChangeTheDrawing()
{
    const QImage picture = randomPicture(97, 211, QImage::Format_RGB32, 3);
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(5, 40, 60, -40, 60, "colored_pencils"));
    QImage single = picture;
    {
        const ScopedExecution oneThread({1});
        algorithm.process(single);
    }
    for (int threads : {2, 3, 5}) {
        seedRandom();
        QImage several = picture;
        const ScopedExecution split({threads});
        algorithm.process(several);
        QCOMPARE(several, single);
    }
}

void TestPencilBWAlgorithm::leadPencilIsGrey()
{
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(5, 40, 40, -40, 50));
    QImage picture = scenePicture(64, 48);
    algorithm.process(picture);
    QVERIFY(isGrey(picture));
    // Something was drawn: the disc's outline at least.
    QVERIFY(picture != QImage(scenePicture(64, 48).size(), QImage::Format_RGB32));
    int dark = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            dark += qRed(picture.pixel(x, y)) < 200;
    QVERIFY(dark > 50);
}

void TestPencilBWAlgorithm::flatBrightPictureWithoutShadingIsWhite()
{
    // Shading slider 0 gives E = 255: with Y >= 64 the hatching darkness 382 - E - 2Y is <= 0.
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(5, 0, 40, -40, 50));
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(qRgb(64, 64, 64));
    algorithm.process(picture);
    QImage white(30, 20, QImage::Format_RGB32);
    white.fill(0xFFFFFFFFu);
    QCOMPARE(picture, white);
}

void TestPencilBWAlgorithm::flatDarkPictureIsHatched()
{
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(5, 40, 40, -40, 50));
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(qRgb(30, 30, 30));
    const QImage input = picture;
    const QImage expected = referenceSketch(input, algorithm.rendererSettings());
    seedRandom();
    algorithm.process(picture);
    QCOMPARE(picture, expected);
    // The last row and column are never drawn on.
    for (int x = 0; x < 30; ++x)
        QCOMPARE(picture.pixel(x, 19), 0xFFFFFFFFu);
    QVERIFY(qRed(picture.pixel(15, 10)) < 255);
}

void TestPencilBWAlgorithm::scalingChangesNothing()
{
    const QImage picture = scenePicture(40, 30);
    PencilBWAlgorithm plain, scaled;
    plain.setParameters(pencilSet(5, 40, 40, -40, 50));
    FilterParametersPtr set = pencilSet(5, 40, 40, -40, 50);
    set->insert(QStringLiteral("scaling"), 0.25);
    scaled.setParameters(set);
    QImage a = picture, b = picture;
    plain.process(a);
    seedRandom();
    scaled.process(b);
    QCOMPARE(b, a);
}

void TestPencilBWAlgorithm::twoRendersAreIdentical()
{
    const QImage picture = randomPicture(50, 40, QImage::Format_RGB32, 5);
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(5, 40, 40, -40, 50));
    QImage first = picture, second = picture;
    algorithm.process(first);
    seedRandom();
    algorithm.process(second);
    QCOMPARE(second, first);
    // Without reseeding the hatching directions come out differently.
    QImage third = picture;
    algorithm.process(third);
    QVERIFY(third != first);
}

void TestPencilBWAlgorithm::cancelLeavesInputUnchanged()
{
    const QImage picture = scenePicture(80, 60);
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(5, 40, 40, -40, 50));

    // Cancelled before the run.
    QImage image = picture.copy();
    algorithm.setCancelled(true);
    QVERIFY(algorithm.isCancelled());
    algorithm.process(image);
    QCOMPARE(image, picture);

    // Cancelled from within, once the stroke pass has reported progress.
    RecordingReporter reporter;
    reporter.onCall = [&](const QString& call) {
        if (call != QLatin1String("progress 0"))
            algorithm.setCancelled(true);
    };
    algorithm.setCancelled(false);
    algorithm.setProgressReporter(&reporter);
    const ScopedExecution oneThread({1});
    image = picture.copy();
    algorithm.process(image);
    QVERIFY(algorithm.isCancelled());
    QCOMPARE(image, picture);
    QVERIFY(!reporter.log.contains(QStringLiteral("progress 100")));
}

void TestPencilBWAlgorithm::tinyPicturesGiveWhiteCanvasWithAlpha_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1x1") << QSize(1, 1);
    QTest::newRow("2x2") << QSize(2, 2);
    QTest::newRow("1x9") << QSize(1, 9);
    QTest::newRow("9x2") << QSize(9, 2);
}

void TestPencilBWAlgorithm::tinyPicturesGiveWhiteCanvasWithAlpha()
{
    QFETCH(QSize, size);
    QImage picture = randomPicture(size.width(), size.height(), QImage::Format_ARGB32, 9);
    const QImage input = picture.copy();
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(0, 100, 100, -100, 50, "colored_pencils"));
    algorithm.process(picture);
    QCOMPARE(picture.size(), size);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            QCOMPARE(picture.pixel(x, y), (input.pixel(x, y) & 0xFF000000u) | 0x00FFFFFFu);
}

void TestPencilBWAlgorithm::progressRisesFromZeroToHundred()
{
    RecordingReporter reporter;
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSet(5, 40, 40, -40, 50));
    algorithm.setProgressReporter(&reporter);
    QImage picture = scenePicture(50, 300);
    algorithm.process(picture);
    const QStringList progress = reporter.calls(QStringLiteral("progress"));
    QVERIFY(progress.size() >= 3);
    QCOMPARE(progress.first(), QStringLiteral("progress 0"));
    QCOMPARE(progress.last(), QStringLiteral("progress 100"));
    int previous = -1;
    for (const QString& call : progress) {
        const int value = call.section(' ', 1).toInt();
        QVERIFY(value >= previous);
        previous = value;
    }
}

QTEST_GUILESS_MAIN(TestPencilBWAlgorithm)
#include "test_pencil_bw_algorithm.moc"
