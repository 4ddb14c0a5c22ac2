#include "core/algorithms/expressive_brushstrokes.h"
#include "core/algorithms/paint_progress.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QPainter>
#include <QtTest>

#include <vector>

namespace {

using Brushes = ExpressiveBrushstrokes;

QRgb at(const QImage& image, int x, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
}

void put(QImage& image, int x, int y, QRgb value)
{
    reinterpret_cast<QRgb*>(image.scanLine(y))[x] = value;
}

ExpressiveSettings panelDefaults()
{
    ExpressiveSettings s;
    s.maximumStrokeSize = 48;
    s.numberOfBrushstrokes = 25;
    s.precision = 70;
    s.contrast = 84;
    s.details = 214;
    return s;
}

// The renderer written out plainly, one pixel at a time, with its own counters.
struct PlainRenderer
{
    ExpressiveSettings s;
    int progress = 0, step = 0, total = 0;

    void label()
    {
        if (s.reporter)
            s.reporter->report_label(QStringLiteral("Step (%1/%2)").arg(++step).arg(total));
    }

    void pass(const QImage& work, QImage& canvas, int a, int b, int c)
    {
        if (a % 2)
            ++a;
        const int h = a / 2, W = canvas.width(), H = canvas.height();
        std::vector<int> score(size_t(W * H), Brushes::kEmptyScore), index(size_t(W * H), 0);
        std::vector<QRgb> colour(size_t(W * H), qRgb(255, 255, 255));
        std::vector<int> edge(size_t(W * H), 0);
        for (int y = 1; y < H - 1; ++y) {
            for (int x = 1; x < W - 1; ++x) {
                int m[3] = {0, 0, 0};
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (dx || dy) {
                            const QRgb p = at(work, x + dx, y + dy);
                            m[0] += qRed(p), m[1] += qGreen(p), m[2] += qBlue(p);
                        }
                const QRgb p = at(work, x, y);
                edge[size_t(y * W + x)] =
                    (std::abs(qRed(p) - (m[0] >> 3)) + std::abs(qGreen(p) - (m[1] >> 3)) +
                     std::abs(qBlue(p) - (m[2] >> 3))) /
                    3;
            }
        }
        const Brushes::BrushSet brushes = Brushes::buildBrushSet(a);
        const auto g = [&](int k, int i, int j) {
            return qRed(at(brushes[size_t(k)].image, i, j));
        };
        qint64 ink = 0;
        for (int j = 0; j < a; ++j)
            for (int i = 0; i < a; ++i)
                ink += g(0, i, j) < 245 ? 255 - g(0, i, j) : 0;
        const qint64 w = ink * ((125 - s.precision) / 5);
        label();

        int cooldown = 0;
        for (int y = 0; y < H; ++y) {
            if (s.reporter && y % std::max(1, (H / 100) * total) == 0)
                s.reporter->report_progress(++progress);
            for (int x = 0; x < W; ++x) {
                const qint64 r = w + randomBelow(int(unsigned(w) >> 3));
                const int e = edge[size_t(y * W + x)];
                cooldown = e < 5 ? (cooldown > 0 ? cooldown - 1 : cooldown) : 0;
                if (randomBelow(c) < 97 - e || cooldown != 0)
                    continue;
                const size_t at0 = size_t(y * W + x);
                for (int k = 0; k < 10; ++k) {
                    qint64 sum[3] = {0, 0, 0}, count = 0, err = 0;
                    for (int j = 0; j < a; ++j)
                        for (int i = 0; i < a; ++i) {
                            const int px = x - h + i, py = y - h + j;
                            if (g(k, i, j) <= 244 && px > 0 && px < W - 1 && py > 0 && py < H - 1) {
                                const QRgb p = at(work, px, py);
                                sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p);
                                ++count;
                            }
                        }
                    const QRgb avg =
                        count ? qRgb(int(sum[0] / count), int(sum[1] / count), int(sum[2] / count))
                              : qRgb(0, 0, 0);
                    for (int py = std::max(y - h, 0); py < std::min(y + h, H); ++py)
                        for (int px = std::max(x - h, 0); px < std::min(x + h, W); ++px) {
                            const int v = g(k, px - x + h, py - y + h);
                            const QRgb p = at(work, px, py);
                            if (v < 245)
                                err += ((std::abs(qBlue(p) - qBlue(avg)) +
                                         std::abs(qRed(p) - qRed(avg)) +
                                         std::abs(qGreen(p) - qGreen(avg))) *
                                        (255 - v)) >>
                                       5;
                        }
                    if (err < score[at0])
                        score[at0] = int(err), index[at0] = k, colour[at0] = avg;
                }
                if (score[at0] <= r) {
                    if (score[at0] <= (r >> 3))
                        cooldown = 33 - (s.numberOfBrushstrokes >> 3);
                    mix(canvas, x - h, y - h, a, brushes[size_t(index[at0])].image, colour[at0],
                        a - 1, 245);
                }
            }
        }
        label();

        const qint64 d = w * 100 / 250;
        for (int I = H / a - 1; I >= 2; --I) {
            if (s.reporter && I % std::max(1, int(H / (a * 100.0)) * total) == 0)
                s.reporter->report_progress(++progress);
            for (int J = W / a - 1; J >= 2; --J) {
                std::vector<QPoint> picks;
                for (int n = 0; n < b; ++n) {
                    QPoint best(a * J - a / 2, a * I - a / 2);
                    for (int x = a * J - a / 2; x <= a * J + a / 2 - 2; ++x)
                        for (int y = a * I - a / 2; y <= a * I + a / 2 - 2; ++y)
                            if (score[size_t(y * W + x)] < score[size_t(best.y() * W + best.x())])
                                best = QPoint(x, y);
                    const size_t i = size_t(best.y() * W + best.x());
                    const int found = score[i];
                    score[i] = Brushes::kEmptyScore;
                    if (found > d)
                        break;
                    picks.push_back(best);
                }
                for (int q = int(picks.size()) - 1; q >= 0; --q) {
                    const QPoint p = picks[size_t(q)];
                    const size_t i = size_t(p.y() * W + p.x());
                    QImage patch = canvas.copy(p.x() - h, p.y() - h, a, a);
                    const QImage& brush = brushes[size_t(index[i])].image;
                    if (q < 3 && edge[i] > 9)
                        mix(patch, 0, 0, a, brush, colour[i], a, 240, true, q - 1);
                    else
                        mix(patch, 0, 0, a, brush, colour[i], a - 1, 245);
                    QPainter(&canvas).drawImage(QPoint(p.x() - h, p.y() - h), patch);
                }
            }
        }
    }

    // The brush laid into image from (x0, y0) over brush columns below `columns` and rows below
    // a - 1 where the brush's red is below `limit`: the weighted mix, or with `halves` its mean
    // with the half-and-half mix with the colour moved by `shift`.
    static void mix(QImage& image, int x0, int y0, int a, const QImage& brush, QRgb c, int columns,
                    int limit, bool halves = false, int shift = 0)
    {
        for (int j = 0; j < a - 1; ++j)
            for (int i = 0; i < columns; ++i) {
                const int g = qRed(at(brush, i, j)), x = x0 + i, y = y0 + j;
                if (g >= limit || x < 0 || y < 0 || x >= image.width() || y >= image.height())
                    continue;
                const QRgb p = at(image, x, y);
                const auto one = [&](int old, int col) {
                    const int weighed = (old * g + col * (255 - g)) >> 8;
                    if (!halves)
                        return weighed;
                    return (((old + std::clamp(col + shift, 0, 255)) >> 1) + weighed) >> 1;
                };
                put(image, x, y,
                    qRgb(one(qRed(p), qRed(c)), one(qGreen(p), qGreen(c)),
                         one(qBlue(p), qBlue(c))));
            }
    }

    void paint(QImage& image)
    {
        QImage work = image.copy();
        if (s.scaled)
            work = scaleByFactor(work, s.scale);
        const QImage donor = work;
        localContrast(work, s.contrast / 3);
        QImage canvas = work.copy();
        if (s.reporter)
            s.reporter->report_progress(0);
        total = s.details < 1 ? 2 : 4;
        const int a1 = s.maximumStrokeSize / 4 + 15, b = a1 * a1 * s.precision / 256;
        pass(work, canvas, a1, b, s.numberOfBrushstrokes / 4 + 98);
        sharpen3x3(canvas);
        if (s.details > 0)
            pass(work, canvas, a1 * 100 / 185, b, s.details / 3 + 25);
        if (s.reporter)
            s.reporter->report_progress(100);
        image = restoreAlpha(donor, canvas);
    }
};

} // namespace

Q_DECLARE_METATYPE(ExpressiveSettings)

class TestExpressiveBrushstrokes : public QObject
{
    Q_OBJECT

private slots:
    void paintsLikeThePlainRenderer_data();
    void paintsLikeThePlainRenderer();
    void piecesFollowTheirRules();
    void pickingTakesTheBestOfACell();
    void matchTableKeepsScoreAndBrush_data();
    void matchTableKeepsScoreAndBrush();
    void cancellingStopsEachHalf();
    void awkwardPicturesFinish();
    void scaledRunKeepsAlphaInPlace();
};

void TestExpressiveBrushstrokes::paintsLikeThePlainRenderer_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<ExpressiveSettings>("settings");
    QTest::addColumn<int>("threads");
    QTest::addColumn<bool>("vectorised");

    const ExpressiveSettings defaults = panelDefaults();
    const QImage scene = scenePicture(130, 100);
    QTest::newRow("defaults, 2 threads") << scene << defaults << 2 << true;
    QTest::newRow("defaults, plain loops") << scene << defaults << 1 << false;

    ExpressiveSettings fine = defaults;
    fine.maximumStrokeSize = 0; // brushes 16 and 8: several cell rows in both passes
    fine.numberOfBrushstrokes = 76;
    fine.precision = 100;
    fine.details = 254;
    QTest::newRow("small brushes") << scenePicture(120, 100) << fine << 2 << true;

    ExpressiveSettings single = fine;
    single.details = 0;
    single.precision = 0;
    single.numberOfBrushstrokes = 0;
    QTest::newRow("one pass, no picks") << scenePicture(120, 90) << single << 2 << true;

    // Translucent pixels near the bottom and right survive the contrast and sharpening, and
    // picks over them are drawn back by QPainter, which composes the patch with itself.
    QImage translucent = scenePicture(100, 80, QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 0; x < translucent.width(); ++x)
            put(translucent, x, y, (at(translucent, x, y) & 0x00FFFFFFu) | QRgb(20 + x) << 24);
    QTest::newRow("translucent") << translucent << fine << 2 << true;
    QTest::newRow("premultiplied")
        << translucent.convertToFormat(QImage::Format_ARGB32_Premultiplied) << fine << 1 << true;
    QTest::newRow("noise") << randomPicture(70, 60, QImage::Format_RGB32, 4) << defaults << 2
                           << true;

    ExpressiveSettings scaled = defaults;
    scaled.scaled = true;
    scaled.scale = 0.5;
    QTest::newRow("scaled") << scenePicture(250, 210) << scaled << 2 << true;
}

void TestExpressiveBrushstrokes::paintsLikeThePlainRenderer()
{
    QFETCH(QImage, picture);
    QFETCH(ExpressiveSettings, settings);
    QFETCH(int, threads);
    QFETCH(bool, vectorised);

    Execution setting;
    setting.threads = threads;
    setting.minimumParallelPixels = 0;
    setting.simd = vectorised;
    const ScopedExecution scoped(setting);

    RecordingReporter reporter, plainReporter;
    PaintProgress progress;
    settings.reporter = &reporter;
    settings.progress = &progress;
    seedRandom();
    QImage painted = picture;
    paintExpressiveBrushstrokes(settings, painted);
    const std::uint32_t state = randomState();

    PlainRenderer plain{settings};
    plain.s.reporter = &plainReporter;
    seedRandom();
    QImage expected = picture;
    plain.paint(expected);

    QVERIFY(painted != picture.convertToFormat(painted.format()));
    QCOMPARE(painted, expected);
    QCOMPARE(reporter.log, plainReporter.log);
    QCOMPARE(state, randomState());
    QCOMPARE(progress.count(), plain.progress);
    QCOMPARE(progress.step(), plain.step);
    QCOMPARE(progress.totalSteps(), plain.total);

    // Without a reporter nothing is counted and the picture is the same.
    settings.reporter = nullptr;
    seedRandom();
    QImage quiet = picture;
    paintExpressiveBrushstrokes(settings, quiet);
    QCOMPARE(quiet, expected);
    QCOMPARE(progress.step(), 0);
    QCOMPARE(progress.count(), 0);
}

void TestExpressiveBrushstrokes::piecesFollowTheirRules()
{
    // Edges: a white dot on black; the border stays black.
    QImage dot(5, 5, QImage::Format_RGB32);
    dot.fill(Qt::black);
    put(dot, 2, 2, qRgb(255, 255, 255));
    put(dot, 0, 2, qRgb(255, 255, 255));
    const QImage edges = Brushes::edgeMagnitude(dot);
    QCOMPARE(at(edges, 2, 2), qRgb(255, 255, 255));
    QCOMPARE(at(edges, 3, 3), qRgb(31, 31, 31));
    QCOMPARE(at(edges, 1, 2), qRgb(63, 63, 63)); // two white neighbours
    QCOMPARE(at(edges, 0, 2), qRgb(0, 0, 0));

    // The brush set: ten a x a brushes, the quarter turns opposite ways; more ink is asked for
    // at precision 100 than at 0.
    const Brushes::BrushSet set = Brushes::buildBrushSet(16);
    QCOMPARE(int(set.size()), 10);
    for (const Brushes::Brush& brush : set)
        QCOMPARE(brush.image.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            QCOMPARE(at(set[5].image, x, y), at(set[0].image, 15 - x, 15 - y));
    QVERIFY(!set[0].ink.empty());
    QCOMPARE(Brushes::brushInkThreshold(set, 0), 5 * Brushes::brushInkThreshold(set, 100));
    QVERIFY(Brushes::brushInkThreshold(set, 100) > 0);

    // A footprint wholly off the picture: black, no error.
    QCOMPARE(Brushes::averageUnderBrush(set[3], 16, -40, 8, dot), qRgb(0, 0, 0));
    QCOMPARE(Brushes::brushError(set[3], 16, qRgb(0, 0, 0), -40, 8, dot), 0);

    // A 4 x 4 brush: ink 100 at (1, 1), full ink in the last column at (3, 1), faint 242 at
    // (2, 2), nothing in the last row at (1, 3).
    QImage pattern(4, 4, QImage::Format_RGB32);
    pattern.fill(qRgb(255, 255, 255));
    put(pattern, 1, 1, qRgb(100, 100, 100));
    put(pattern, 3, 1, qRgb(0, 0, 0));
    put(pattern, 2, 2, qRgb(242, 242, 242));
    put(pattern, 1, 3, qRgb(0, 0, 0));
    const Brushes::Brush brush = Brushes::brushFromImage(pattern);
    const QRgb colour = qRgb(0, 100, 250);
    const auto weighed = [](int old, int c, int g) { return (old * g + c * (255 - g)) >> 8; };
    const QRgb grey = qRgb(200, 200, 200);

    QImage canvas(6, 6, QImage::Format_RGB32);
    canvas.fill(grey);
    Brushes::stampBrush(brush, 4, 3, 3, canvas, colour); // top-left at (1, 1)
    QCOMPARE(at(canvas, 2, 2),
             qRgb(weighed(200, 0, 100), weighed(200, 100, 100), weighed(200, 250, 100)));
    QCOMPARE(at(canvas, 3, 3),
             qRgb(weighed(200, 0, 242), weighed(200, 100, 242), weighed(200, 250, 242)));
    QCOMPARE(at(canvas, 4, 2), grey);
    QCOMPARE(at(canvas, 2, 4), grey);

    // The best pick on an edge mixes in its colour darkened by 1 and reaches the last column;
    // below the three best, or off the edges, a pick is stamped.
    for (const int q : {0, 3}) {
        for (const int edge : {10, 9}) {
            QImage patch(4, 4, QImage::Format_RGB32);
            patch.fill(grey);
            Brushes::blendPick(q, edge, patch, colour, brush);
            canvas.fill(grey);
            Brushes::stampBrush(brush, 4, 2, 2, canvas, colour);
            if (q == 3 || edge == 9) {
                QCOMPARE(patch, canvas.copy(0, 0, 4, 4));
                continue;
            }
            const auto both = [&](int c, int g) {
                return (((200 + std::clamp(c - 1, 0, 255)) >> 1) + weighed(200, c, g)) >> 1;
            };
            QCOMPARE(at(patch, 1, 1), qRgb(both(0, 100), both(100, 100), both(250, 100)));
            QCOMPARE(at(patch, 3, 1), qRgb(both(0, 0), both(100, 0), both(250, 0)));
            QCOMPARE(at(patch, 2, 2), grey); // 242 is too faint for an edge pick
            QCOMPARE(at(patch, 1, 3), grey);
        }
    }
}

void TestExpressiveBrushstrokes::pickingTakesTheBestOfACell()
{
    // a = 4, cell (2, 2): columns and rows 6..8.
    for (const int limit : {10, 2}) {
        Brushes::MatchTable table(20, 20);
        table.set(7, 6, 5, 3);
        table.set(6, 8, 5, 1);
        table.set(8, 8, 3, 2);
        table.set(6, 6, 50, 0);
        table.set(9, 9, 1, 0);                    // outside the window
        table.set(7, 7, Brushes::kEmptyScore, 4); // a search that found nothing: no match
        const std::vector<QPoint> picks = Brushes::pickBestInCell(table, 4, 2, 2, limit, 10);
        // Ties go to the earlier column.
        const std::vector<QPoint> best = {QPoint(8, 8), QPoint(6, 8), QPoint(7, 6)};
        QCOMPARE(picks, std::vector<QPoint>(best.begin(), best.begin() + std::min(limit, 3)));
        for (const QPoint& p : picks)
            QCOMPARE(table.score(p.x(), p.y()), Brushes::kEmptyScore);
        // A used entry keeps its brush (its colour is worked out from it).
        QCOMPARE(table.brushIndex(6, 8), 1);
        QVERIFY(table.hasMatch(6, 8));
        QCOMPARE(table.brushIndex(7, 7), 0);
        QVERIFY(!table.hasMatch(7, 7));
        QVERIFY(!table.hasMatch(5, 5));
        QCOMPARE(table.score(9, 9), 1);
        // Running out below the limit uses up the entry that stopped the search.
        QCOMPARE(table.score(6, 6), limit == 10 ? int(Brushes::kEmptyScore) : 50);
        QCOMPARE(table.score(7, 6), limit == 10 ? int(Brushes::kEmptyScore) : 5);
    }
}

void TestExpressiveBrushstrokes::matchTableKeepsScoreAndBrush_data()
{
    // Score and brush share a word: scores up to the empty score, the largest brush index.
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("brush");
    QTest::addColumn<bool>("match");
    QTest::newRow("zero error") << 0 << 0 << true;
    QTest::newRow("last brush") << 5 << Brushes::kBrushCount - 1 << true;
    QTest::newRow("just below empty") << Brushes::kEmptyScore - 1 << 7 << true;
    QTest::newRow("empty") << int(Brushes::kEmptyScore) << 4 << false;
}

void TestExpressiveBrushstrokes::matchTableKeepsScoreAndBrush()
{
    QFETCH(int, score);
    QFETCH(int, brush);
    QFETCH(bool, match);
    Brushes::MatchTable table(5, 4);
    table.set(3, 2, score, brush);
    QCOMPARE(table.score(3, 2), score);
    QCOMPARE(table.hasMatch(3, 2), match);
    QCOMPARE(table.brushIndex(3, 2), match ? brush : 0);
    // Using the entry up changes its score only; the neighbours stay empty.
    table.setScore(3, 2, Brushes::kEmptyScore);
    QCOMPARE(table.score(3, 2), int(Brushes::kEmptyScore));
    QCOMPARE(table.hasMatch(3, 2), match);
    QCOMPARE(table.brushIndex(3, 2), match ? brush : 0);
    for (const QPoint& p : {QPoint(2, 2), QPoint(4, 2), QPoint(3, 1), QPoint(3, 3)}) {
        QCOMPARE(table.score(p.x(), p.y()), int(Brushes::kEmptyScore));
        QVERIFY(!table.hasMatch(p.x(), p.y()));
    }
}

void TestExpressiveBrushstrokes::cancellingStopsEachHalf()
{
    const QImage picture = scenePicture(130, 100);
    const QStringList tail = {QStringLiteral("label Step (1/0)"), QStringLiteral("progress 100")};
    // Cancelled in the random matching of the first pass, or as its cell picking begins: the
    // counters start again from 0, the second pass stops at its first row.
    for (const QString& trigger :
         {QStringLiteral("progress 2"), QStringLiteral("label Step (2/4)")}) {
        std::atomic<bool> cancelled{false};
        RecordingReporter reporter;
        reporter.onCall = [&](const QString& call) {
            if (call == trigger)
                cancelled = true;
        };
        PaintProgress progress;
        ExpressiveSettings settings = panelDefaults();
        settings.reporter = &reporter;
        settings.cancelled = &cancelled;
        settings.progress = &progress;
        QImage image = picture;
        seedRandom();
        paintExpressiveBrushstrokes(settings, image);
        QCOMPARE(reporter.log.mid(reporter.log.indexOf(trigger) + 1), tail);
        QCOMPARE(image.size(), picture.size());
        QVERIFY(image != picture);
        QCOMPARE(progress.count(), 0);
        QCOMPARE(progress.step(), 0);
        QCOMPARE(progress.totalSteps(), 0);
    }
}

void TestExpressiveBrushstrokes::awkwardPicturesFinish()
{
    QImage flat(60, 50, QImage::Format_RGB32);
    flat.fill(qRgb(90, 90, 90));
    QImage red = randomPicture(60, 50, QImage::Format_RGB32, 7);
    for (int y = 0; y < red.height(); ++y)
        for (int x = 0; x < red.width(); ++x)
            put(red, x, y, at(red, x, y) | 0x00FF0000u);
    const QList<QImage> pictures = {flat,
                                    red,
                                    scenePicture(1, 1),
                                    scenePicture(1, 40),
                                    scenePicture(40, 1),
                                    scenePicture(3, 3),
                                    scenePicture(2, 2, QImage::Format_ARGB32)};
    for (const QImage& picture : pictures) {
        for (const double scale : {1.0, 0.5}) {
            ExpressiveSettings settings = panelDefaults();
            settings.scaled = scale < 1.0;
            settings.scale = scale;
            RecordingReporter reporter;
            settings.reporter = &reporter;
            QImage image = picture;
            seedRandom();
            paintExpressiveBrushstrokes(settings, image);
            const QSize size(int(picture.width() * scale), int(picture.height() * scale));
            if (size.isEmpty()) {
                // Nothing to paint at that scale: the picture stays.
                QCOMPARE(image, picture);
                QVERIFY(reporter.log.isEmpty());
                continue;
            }
            QCOMPARE(image.size(), size);
            QCOMPARE(reporter.log.last(), QStringLiteral("progress 100"));
        }
    }
}

void TestExpressiveBrushstrokes::scaledRunKeepsAlphaInPlace()
{
    QImage picture = scenePicture(90, 70, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            put(picture, x, y, (at(picture, x, y) & 0x00FFFFFFu) | (QRgb(2 * x) << 24));
    for (const double scale : {1.0, 0.5}) {
        ExpressiveSettings settings = panelDefaults();
        settings.scaled = scale < 1.0;
        settings.scale = scale;
        QImage image = picture;
        paintExpressiveBrushstrokes(settings, image);
        QCOMPARE(image.size(), picture.size() * scale);
        QCOMPARE(image.format(), QImage::Format_ARGB32);
        // The alpha of the photograph reduced as the painting was: a pixel keeps the alpha of
        // the place it shows.
        const QImage reduced = scaleByFactor(picture, scale);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(qAlpha(at(image, x, y)), qAlpha(at(reduced, x, y)));
        QVERIFY(qAlpha(at(image, image.width() - 1, 0)) > image.width() * 3 / 2);
    }
}

QTEST_GUILESS_MAIN(TestExpressiveBrushstrokes)
#include "test_expressive_brushstrokes.moc"
