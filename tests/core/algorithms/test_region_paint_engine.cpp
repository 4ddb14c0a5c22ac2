#include "core/algorithms/region_paint_engine.h"
#include "core/raster/execution.h"
#include "core/raster/random.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

#include <algorithm>

namespace {

struct Settings
{
    int brush = 60;
    int strength = 198;
    int simplification = 51;
    int brightness = 153;
    int colour = 60;
};

struct Outcome
{
    QImage image;
    QVector<QPoint> recorded;
    QVector<qint64> coverageChecks; // painted count at every coverage test
    qint64 areaUnit = 0;
    std::uint32_t randomStateAfter = 0;
};

// The painting as plainly as it can be written: pixel(), setPixel(), column by column, the
// canvas's white as the "unpainted" mark. Slow; for small pictures.
Outcome referencePaint(const QImage& input, const QImage& textureIn, bool scaled, double scale,
                       const Settings& s, bool preview, const QVector<QPoint>& replay = {})
{
    Outcome out;
    seedRandom();
    const QImage work = input.scaled(QSize(int(scale * input.width()), int(scale * input.height())),
                                     Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QImage texture =
        scaled ? textureIn.transformed(QTransform::fromScale(scale, scale)) : textureIn;
    const int W = work.width(), H = work.height();
    const int TW = texture.width(), TH = texture.height();
    const QRgb white = 0xFFFFFFFF, marker = qRgb(255, 127, 0);
    QImage canvas(W, H, QImage::Format_RGB32), mask(W, H, QImage::Format_RGB32);
    canvas.fill(white);
    mask.fill(white);
    qint64 sum = 0;
    for (int r = 0; r < TH; ++r)
        for (int c = 0; c < TW; ++c)
            sum += qRed(texture.pixel(c, r));
    const qint64 mean = sum / (TW * TH);
    const auto delta = [&](qint64 c, qint64 r) {
        const int red =
            qRed(texture.pixel(int(c % std::max(TW - 1, 1)), int(r % std::max(TH - 1, 1))));
        return int((mean - red) * 2 * s.brush / 255);
    };
    const auto paintAt = [&](int c, int r, QRgb col, int d) {
        canvas.setPixel(c, r,
                        qRgb(std::clamp(qRed(col) + d, 0, 254), std::clamp(qGreen(col) + d, 0, 254),
                             std::clamp(qBlue(col) + d, 0, 254)));
    };
    const auto l1 = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
               std::abs(qBlue(a) - qBlue(b));
    };
    const auto inside = [&](int c, int r) { return c >= 0 && r >= 0 && c < W && r < H; };
    const auto rgb = [](QRgb p) { return p & 0xFFFFFF; };
    out.areaUnit = std::max(W * H / 140, 1);
    qint64 P = 0, a = 0;
    int cursor = 0;
    for (int i = 0; i <= (W + H) * 100; ++i) {
        int x = 0, y = 0;
        bool found = false;
        for (int attempt = 0; attempt < 151 && !found; ++attempt) {
            if (!scaled && !preview && cursor < replay.size()) {
                x = replay[cursor].x() % W;
                y = replay[cursor++].y() % H;
            } else {
                x = randomBelow(std::max(W - 1, 1));
                y = randomBelow(std::max(H - 1, 1));
                if (scaled && !preview)
                    out.recorded.append(QPoint(int(x / scale), int(y / scale)));
            }
            const QRgb w = work.pixel(x, y);
            found =
                canvas.pixel(x, y) == white && (qRed(w) < 250 || qGreen(w) < 250 || qBlue(w) < 250);
        }
        out.coverageChecks.append(P);
        if (!found || P / out.areaUnit > s.strength / 2)
            break;
        const QRgb seed = work.pixel(x, y);
        const int R = std::max({x, y, W - x, H - y});
        const qint64 bonus = (a >> 5) + 1;
        int r = 1;
        for (; r <= R; ++r) {
            const qint64 t = std::max(s.simplification >> 3, s.simplification - r) + bonus;
            int total = 0;
            for (int side = 0; side < 4; ++side) {
                const bool row = side < 2;
                const int fixed = side == 0 ? y - r : side == 1 ? y + r : side == 2 ? x - r : x + r;
                if (fixed < 0 || fixed >= (row ? H : W))
                    continue;
                int run = 0, longest = 0;
                for (int k = -r; k <= r; ++k) {
                    const int c = row ? x + k : fixed, rr = row ? fixed : y + k;
                    if (!inside(c, rr) || canvas.pixel(c, rr) != white)
                        continue;
                    if (l1(work.pixel(c, rr), seed) < t) {
                        mask.setPixel(c, rr, seed);
                        longest = std::max(longest, ++run);
                    } else {
                        run = 0;
                    }
                }
                total += longest;
            }
            if (total < (r < 20 ? 4 : 11))
                break;
        }
        if (r > 3) {
            mask.setPixel(x, y, seed);
            QVector<QPoint> stack{QPoint(x, y)};
            while (!stack.isEmpty()) {
                const QPoint p = stack.takeLast();
                if (!inside(p.x(), p.y()) || rgb(mask.pixel(p)) != rgb(seed))
                    continue;
                mask.setPixel(p, marker);
                stack << QPoint(p.x() + 1, p.y()) << QPoint(p.x() - 1, p.y())
                      << QPoint(p.x(), p.y() + 1) << QPoint(p.x(), p.y() - 1);
            }
            qint64 sr = 0, sg = 0, sb = 0, n = 1;
            int minX = W, maxX = 1, minY = H, maxY = 1;
            for (int c = std::max(x - r, 0); c <= std::min(x + r, W - 1); ++c)
                for (int rr = std::max(y - r, 0); rr <= std::min(y + r, H - 1); ++rr) {
                    if (rgb(mask.pixel(c, rr)) != rgb(marker))
                        continue;
                    sr += qRed(work.pixel(c, rr)), sg += qGreen(work.pixel(c, rr)),
                        sb += qBlue(work.pixel(c, rr));
                    ++n;
                    if (c < minX)
                        minX = c;
                    else if (c > maxX)
                        maxX = c;
                    if (rr < minY)
                        minY = rr;
                    else if (rr > maxY)
                        maxY = rr;
                }
            maxX = std::min(maxX, W - 1); // the box starts at column and row 1
            maxY = std::min(maxY, H - 1);
            const QRgb avg = qRgb(int(sr / n), int(sg / n), int(sb / n));
            for (int c = minX; c <= maxX; ++c)
                for (int rr = minY; rr <= maxY; ++rr)
                    if (rgb(mask.pixel(c, rr)) == rgb(marker)) {
                        paintAt(c, rr, avg, delta(c + x + qRed(avg), rr + y + qRed(avg)));
                        ++P;
                    }
            for (int c = minX + 2; c <= maxX - 2; ++c)
                for (int rr = minY + 2; rr <= maxY - 2; ++rr) {
                    int greens = 0;
                    for (int dc = -2; dc <= 2; ++dc)
                        for (int dr = -2; dr <= 2; ++dr)
                            greens += qGreen(mask.pixel(c + dc, rr + dr)) == 127;
                    if (mask.pixel(c, rr) == white && greens > 7)
                        paintAt(c, rr, avg, delta(c + x + qRed(avg), rr + y + qRed(avg)));
                }
            for (int rr = y - r; rr <= y + r; ++rr)
                for (int c = x - r - 1; c <= x + r; ++c)
                    if (inside(c, rr))
                        mask.setPixel(c, rr, white);
        }
        a += s.simplification + 1;
    }
    for (int c = 0; c < W; ++c)
        for (int r = 0; r < H; ++r)
            if (canvas.pixel(c, r) == white)
                paintAt(c, r, work.pixel(c, r), delta(c, r));
    for (int c = 0; c < W; ++c)
        for (int r = 0; r < H; ++r) {
            const QRgb p = canvas.pixel(c, r);
            const int g = std::max((qRed(p) + qGreen(p) + qBlue(p)) >> 5, 4);
            const int add = s.brightness - 127 + g + randomBelow(g >> 2);
            canvas.setPixel(c, r,
                            qRgb(std::clamp(qRed(p) + add, 0, 255),
                                 std::clamp(qGreen(p) + add, 0, 255),
                                 std::clamp(qBlue(p) + add, 0, 255)));
        }
    for (int c = 0; c + 1 < W; ++c)
        for (int r = 0; r + 1 < H; ++r) {
            const QRgb w = work.pixel(c, r);
            const int step = (l1(w, work.pixel(c + 1, r)) + l1(w, work.pixel(c, r + 1))) >> 2;
            const int e = std::min(step * (356 - (qRed(w) + qGreen(w) + qBlue(w)) / 3) >> 8, 65);
            const QRgb p = canvas.pixel(c, r);
            if (e > 4)
                canvas.setPixel(c, r,
                                qRgb(std::max(qRed(p) - e, 0), std::max(qGreen(p) - e, 0),
                                     std::max(qBlue(p) - e, 0)));
        }
    out.image = QImage(W, H, QImage::Format_ARGB32);
    for (int c = 0; c < W; ++c)
        for (int r = 0; r < H; ++r) {
            const QRgb p = canvas.pixel(c, r);
            const int grey = (qRed(p) + qGreen(p) + qBlue(p)) / 3, pc = 2 * s.colour - 100;
            const auto sat = [&](int v) { return std::clamp(v + pc * (v - grey) / 100, 0, 255); };
            out.image.setPixel(c, r,
                               qRgba(sat(qRed(p)), sat(qGreen(p)), sat(qBlue(p)),
                                     work.hasAlphaChannel() ? qAlpha(work.pixel(c, r)) : 255));
        }
    out.randomStateAfter = randomState();
    return out;
}

Outcome enginePaint(const QImage& input, const QImage& texture, bool scaled, double scale,
                    const Settings& s, bool preview, const StrokeMemoryPtr& memory = {},
                    int threads = 0)
{
    RegionPaintEngine engine;
    engine.setStrokeMemory(memory);
    const ScopedExecution threadCount({threads}); // 0: as many as the machine gives
    Outcome out;
    out.image = input;
    seedRandom();
    engine.paint(out.image, texture, scaled, scale, nullptr, s.brush, s.strength, s.simplification,
                 s.brightness, s.colour, preview);
    out.randomStateAfter = randomState();
    if (memory)
        out.recorded = memory->positions(RegionPaintEngine::memoryName());
    return out;
}

QImage greyTexture(int width, int height)
{
    QImage texture = randomPicture(width, height, QImage::Format_RGB32, 7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = 150 + qRed(texture.pixel(x, y)) % 80;
            texture.setPixel(x, y, qRgb(v, v, v));
        }
    return texture;
}

// The picture with every pixel's channels changed by f(red, green, blue).
template <typename F> QImage recoloured(QImage image, F f)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            image.setPixel(x, y, f(qRed(p), qGreen(p), qBlue(p)));
        }
    return image;
}

void compareImages(const QImage& actual, const QImage& expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): %3, expected %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(actual.pixel(x, y), 8, 16)
                                     .arg(expected.pixel(x, y), 8, 16)));
}

} // namespace

Q_DECLARE_METATYPE(Settings)

class TestRegionPaintEngine : public QObject
{
    Q_OBJECT

private slots:
    void matchesThePlainPainting_data();
    void matchesThePlainPainting();
    void whitePictureIsOnlyGroundGrainAndEdges();
    void brushstrokeIntensityZeroShowsNoTexture();
    void strengthZeroStopsAtTheFirstCoverageUnit();
    void negativeSimplificationGrowsNoRegion();
    void fillReachesMarksOfADroppedSeed();
    void cancelLeavesPictureAndSeedsUnchanged_data();
    void cancelLeavesPictureAndSeedsUnchanged();
    void replayUsesTheRecordedSeeds();
    void documentsKeepTheirOwnSeeds();
    void parallelPassEqualsSingleThread();
    void sameRenderTwiceGivesSameBytes();
    void nothingToPaintLeavesThePicture();
};

void TestRegionPaintEngine::matchesThePlainPainting_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QImage>("texture");
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<Settings>("settings");

    const QImage scene = scenePicture(48, 36);
    const QImage texture = greyTexture(13, 11);
    Settings loose, exact, sparse, dark;
    loose.simplification = 255;
    exact.simplification = 0;
    sparse.strength = 40;
    dark.brightness = 0;
    dark.colour = 100;
    QTest::newRow("defaults") << scene << texture << false << 1.0 << false << Settings();
    QTest::newRow("preview") << scene << texture << false << 1.0 << true << Settings();
    QTest::newRow("recorded at half") << scene << texture << true << 0.5 << false << Settings();
    QTest::newRow("recorded at 1.5") << scene << texture << true << 1.5 << false << Settings();
    QTest::newRow("loose") << scene << texture << false << 1.0 << false << loose;
    QTest::newRow("exact") << scene << texture << false << 1.0 << false << exact;
    QTest::newRow("sparse, dark") << scene << texture << false << 1.0 << false << sparse;
    QTest::newRow("dark, saturated") << scene << texture << false << 1.0 << false << dark;
    QTest::newRow("noise") << randomPicture(23, 17, QImage::Format_RGB32, 3) << texture << false
                           << 1.0 << false << loose;
    // Seeds of green 127 mark like the region marker; few colours leave marks that later seeds
    // of the same colour fill through.
    QTest::newRow("green 127") << recoloured(scene,
                                             [](int r, int, int b) { return qRgb(r, 127, b); })
                               << texture << false << 1.0 << false << Settings();
    const QImage noise = randomPicture(60, 45, QImage::Format_RGB32, 5);
    QTest::newRow("four colours") << recoloured(noise,
                                                [](int r, int g, int) {
                                                    return qRgb(r & 0x80, g & 0x80, 60);
                                                })
                                  << texture << false << 1.0 << false << exact;
    QTest::newRow("four colours, marker green") << recoloured(noise, [](int r, int g, int) {
        return qRgb((r & 0x80) | 0x40, g < 128 ? 127 : 0, 0);
    }) << texture << false << 1.0 << false << exact;
    for (const int seed : {12, 34, 39}) {
        // Few colours, half of them of green 127, and small tolerances: many seeds are dropped
        // and leave marks, some of green 127, inside the squares of later regions.
        const auto palette = [](int r, int g, int b) {
            return qRgb((r & 0xC0) | 0x20, (g & 0x40) ? 127 : 127 - (b & 1), b & 0x80);
        };
        Settings tight = exact;
        tight.simplification = seed % 3 == 0 ? 0 : (seed % 3 == 1 ? 8 : 30);
        QTest::newRow(qPrintable(QStringLiteral("leftover marks %1").arg(seed)))
            << recoloured(randomPicture(30 + seed % 7 * 5, 25 + seed % 5 * 6, QImage::Format_RGB32,
                                        std::uint32_t(seed)),
                          palette)
            << texture << false << 1.0 << false << tight;
    }
    QTest::newRow("alpha") << scenePicture(31, 29, QImage::Format_ARGB32) << texture << false << 1.0
                           << false << Settings();
    QTest::newRow("one-pixel texture")
        << scene << solidPicture(1, 1, qRgb(90, 90, 90)) << false << 1.0 << false << Settings();
    QTest::newRow("paper texture")
        << scene << QImage(":/watercolor-texture.jpg") << true << 0.75 << false << Settings();
    for (const QSize size :
         {QSize(1, 1), QSize(1, 15), QSize(15, 1), QSize(2, 2), QSize(9, 7), QSize(3, 40)})
        QTest::newRow(qPrintable(QStringLiteral("tiny %1x%2").arg(size.width()).arg(size.height())))
            << scenePicture(size.width(), size.height()) << texture << false << 1.0 << false
            << loose;
}

void TestRegionPaintEngine::matchesThePlainPainting()
{
    QFETCH(QImage, picture);
    QFETCH(QImage, texture);
    QFETCH(bool, scaled);
    QFETCH(double, scale);
    QFETCH(bool, preview);
    QFETCH(Settings, settings);
    const Outcome expected = referencePaint(picture, texture, scaled, scale, settings, preview);
    const Outcome actual = enginePaint(picture, texture, scaled, scale, settings, preview,
                                       StrokeMemoryPtr(new StrokeMemory));
    compareImages(actual.image.convertToFormat(QImage::Format_ARGB32), expected.image);
    QCOMPARE(actual.recorded, expected.recorded);
    QCOMPARE(actual.randomStateAfter, expected.randomStateAfter);
}

void TestRegionPaintEngine::whitePictureIsOnlyGroundGrainAndEdges()
{
    const QImage white = solidPicture(20, 16, 0xFFFFFFFF);
    const Outcome actual = enginePaint(white, greyTexture(9, 9), false, 1.0, Settings(), false);
    compareImages(actual.image.convertToFormat(QImage::Format_ARGB32),
                  referencePaint(white, greyTexture(9, 9), false, 1.0, Settings(), false).image);
    // 151 failed attempts of two draws each, then one grain draw per pixel.
    seedRandom();
    for (int i = 0; i < 151 * 2 + 20 * 16; ++i)
        randomBelow(2);
    QCOMPARE(actual.randomStateAfter, randomState());
}

void TestRegionPaintEngine::brushstrokeIntensityZeroShowsNoTexture()
{
    Settings flat;
    flat.brush = 0;
    const QImage picture = scenePicture(40, 30);
    const QImage a = enginePaint(picture, greyTexture(13, 11), false, 1.0, flat, false).image;
    const QImage b = enginePaint(picture, greyTexture(5, 17), false, 1.0, flat, false).image;
    QCOMPARE(a, b);
    const QImage textured =
        enginePaint(picture, greyTexture(5, 17), false, 1.0, Settings(), false).image;
    QVERIFY(textured != b);
}

void TestRegionPaintEngine::strengthZeroStopsAtTheFirstCoverageUnit()
{
    Settings none;
    none.strength = 0;
    const QImage picture = scenePicture(60, 40);
    const Outcome expected = referencePaint(picture, greyTexture(9, 9), false, 1.0, none, false);
    const QVector<qint64>& checks = expected.coverageChecks;
    QVERIFY(checks.size() >= 2);
    QVERIFY(checks.last() >= expected.areaUnit);
    for (int i = 0; i + 1 < checks.size(); ++i)
        QVERIFY(checks.at(i) < expected.areaUnit);
    compareImages(enginePaint(picture, greyTexture(9, 9), false, 1.0, none, false)
                      .image.convertToFormat(QImage::Format_ARGB32),
                  expected.image);
}

void TestRegionPaintEngine::negativeSimplificationGrowsNoRegion()
{
    // Every seed is taken at its first attempt and dropped: the picture is only the ground with
    // grain and edges, as in a white picture but with the draws of every seed before the grain.
    Settings negative;
    negative.simplification = -2;
    const QImage picture = scenePicture(12, 10);
    const Outcome actual = enginePaint(picture, greyTexture(9, 9), false, 1.0, negative, false);
    const Outcome expected =
        referencePaint(picture, greyTexture(9, 9), false, 1.0, negative, false);
    QCOMPARE(expected.coverageChecks.size(), (12 + 10) * 100 + 1);
    QVERIFY(std::all_of(expected.coverageChecks.cbegin(), expected.coverageChecks.cend(),
                        [](qint64 p) { return p == 0; }));
    compareImages(actual.image.convertToFormat(QImage::Format_ARGB32), expected.image);
}

void TestRegionPaintEngine::fillReachesMarksOfADroppedSeed()
{
    // A grey block with a one-pixel line hanging from it on red. The first seed, on the line,
    // is dropped at radius 1 and leaves marks above and below it; the second, in the block,
    // stops growing at radius 6 and its fill runs down the line into those marks, outside the
    // square it clears. Later seeds meet that leftover marker.
    QImage picture = solidPicture(40, 45, qRgb(200, 40, 40));
    for (int y = 10; y <= 20; ++y)
        for (int x = 10; x <= 20; ++x)
            picture.setPixel(x, y, qRgb(100, 100, 100));
    for (int y = 21; y <= 40; ++y)
        picture.setPixel(15, y, qRgb(100, 100, 100));
    const QVector<QPoint> seeds{QPoint(15, 23), QPoint(15, 15)};
    const StrokeMemoryPtr memory(new StrokeMemory);
    memory->setPositions(RegionPaintEngine::memoryName(), seeds);
    const QImage texture = greyTexture(13, 11);
    const Outcome actual = enginePaint(picture, texture, false, 1.0, Settings(), false, memory);
    const Outcome expected = referencePaint(picture, texture, false, 1.0, Settings(), false, seeds);
    compareImages(actual.image.convertToFormat(QImage::Format_ARGB32), expected.image);
    QCOMPARE(actual.randomStateAfter, expected.randomStateAfter);
}

void TestRegionPaintEngine::cancelLeavesPictureAndSeedsUnchanged_data()
{
    QTest::addColumn<int>("cancelAtProgress"); // -1: cancelled before the call
    QTest::newRow("before") << -1;
    QTest::newRow("at the start") << 1;
    QTest::newRow("after some seeds") << 3;
}

void TestRegionPaintEngine::cancelLeavesPictureAndSeedsUnchanged()
{
    QFETCH(int, cancelAtProgress);
    const QImage picture = scenePicture(80, 60);
    const StrokeMemoryPtr memory(new StrokeMemory);
    const QVector<QPoint> earlier{QPoint(3, 4), QPoint(5, 6)};
    memory->setPositions(RegionPaintEngine::memoryName(), earlier);

    RegionPaintEngine engine;
    engine.setStrokeMemory(memory);
    RecordingReporter reporter;
    reporter.onCall = [&](const QString& call) {
        if (call.startsWith("progress") && reporter.calls("progress").size() == cancelAtProgress)
            engine.setCancelled(true);
    };
    engine.setCancelled(cancelAtProgress < 0);
    QImage image = picture;
    Settings s;
    s.simplification = 0; // small regions, many seeds
    QVERIFY(!engine.paint(image, greyTexture(9, 9), true, 1.0, &reporter, s.brush, s.strength,
                          s.simplification, s.brightness, s.colour, false));
    QCOMPARE(image, picture);
    QCOMPARE(memory->positions(RegionPaintEngine::memoryName()), earlier);
    QVERIFY(!reporter.log.contains("progress 100"));
}

void TestRegionPaintEngine::replayUsesTheRecordedSeeds()
{
    // A display render at half size records; the export at full size replays those positions.
    const QImage picture = scenePicture(64, 48);
    const QImage texture = greyTexture(13, 11);
    const StrokeMemoryPtr memory(new StrokeMemory);
    const Outcome recorded = enginePaint(picture, texture, true, 0.5, Settings(), false, memory);
    QVERIFY(!recorded.recorded.isEmpty());
    QCOMPARE(recorded.recorded,
             referencePaint(picture, texture, true, 0.5, Settings(), false).recorded);

    const Outcome replayed = enginePaint(picture, texture, false, 1.0, Settings(), false, memory);
    compareImages(
        replayed.image.convertToFormat(QImage::Format_ARGB32),
        referencePaint(picture, texture, false, 1.0, Settings(), false, recorded.recorded).image);
    QCOMPARE(memory->positions(RegionPaintEngine::memoryName()), recorded.recorded);
    // Without the list the export draws its own seeds.
    QVERIFY(enginePaint(picture, texture, false, 1.0, Settings(), false).image != replayed.image);
}

void TestRegionPaintEngine::documentsKeepTheirOwnSeeds()
{
    const QImage first = scenePicture(64, 48),
                 second = randomPicture(50, 70, QImage::Format_RGB32, 9);
    const QImage texture = greyTexture(13, 11);
    const StrokeMemoryPtr alone(new StrokeMemory);
    enginePaint(first, texture, true, 0.5, Settings(), false, alone);
    const QImage expected = enginePaint(first, texture, false, 1.0, Settings(), false, alone).image;

    // The same document while another one records its own display render in between.
    const StrokeMemoryPtr a(new StrokeMemory), b(new StrokeMemory);
    enginePaint(first, texture, true, 0.5, Settings(), false, a);
    enginePaint(second, texture, true, 0.5, Settings(), false, b);
    QVERIFY(a->positions(RegionPaintEngine::memoryName()) !=
            b->positions(RegionPaintEngine::memoryName()));
    QCOMPARE(enginePaint(first, texture, false, 1.0, Settings(), false, a).image, expected);
}

void TestRegionPaintEngine::parallelPassEqualsSingleThread()
{
    // Wider than one band of the final pass.
    const QImage picture = scenePicture(300, 50);
    const QImage one =
        enginePaint(picture, greyTexture(13, 11), false, 1.0, Settings(), false, {}, 1).image;
    const QImage three =
        enginePaint(picture, greyTexture(13, 11), false, 1.0, Settings(), false, {}, 3).image;
    QCOMPARE(one, three);
}

void TestRegionPaintEngine::sameRenderTwiceGivesSameBytes()
{
    const QImage picture = scenePicture(90, 70);
    const QImage texture(":/watercolor-texture.jpg");
    const QImage first = enginePaint(picture, texture, false, 1.0, Settings(), false).image;
    QCOMPARE(enginePaint(picture, texture, false, 1.0, Settings(), false).image, first);
    QVERIFY(first != picture);
}

void TestRegionPaintEngine::nothingToPaintLeavesThePicture()
{
    const QImage picture = scenePicture(20, 20);
    RegionPaintEngine engine;
    for (const double scale : {0.0, -1.0, 0.01}) {
        QImage image = picture;
        QVERIFY(!engine.paint(image, greyTexture(5, 5), true, scale, nullptr, 60, 198, 51, 153, 60,
                              false));
        QCOMPARE(image, picture);
    }
    QImage image = picture;
    QVERIFY(!engine.paint(image, QImage(), false, 1.0, nullptr, 60, 198, 51, 153, 60, false));
    QCOMPARE(image, picture);
}

QTEST_GUILESS_MAIN(TestRegionPaintEngine)
#include "test_region_paint_engine.moc"
