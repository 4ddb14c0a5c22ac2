#include "core/algorithms/paper_catalogue.h"
#include "core/algorithms/texturize_algorithm.h"
#include "core/raster/execution.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

FilterParametersPtr textureSet(const QString& texture, const QString& transform = QString(),
                               const QVariant& scaling = QVariant())
{
    FilterParametersPtr set(new FilterParameters(QStringLiteral("Pencil"), {}));
    set->insert(QStringLiteral("TexturizeAlgorithm::texture"), texture);
    if (!transform.isEmpty())
        set->insert(QStringLiteral("TexturizeAlgorithm::transform"), transform);
    if (scaling.isValid())
        set->insert(QStringLiteral("scaling"), scaling);
    return set;
}

// One channel of the paper multiply.
int multiplied(int texel, int pixel)
{
    return texel * pixel / 256;
}

// Checks every pixel of result against picture multiplied by texel(x, y).
template <typename Texel>
void verifyMultiply(const QImage& picture, const QImage& result, Texel texel)
{
    QCOMPARE(result.size(), picture.size());
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y), t = texel(x, y), r = result.pixel(x, y);
            if (qRed(r) != multiplied(qRed(t), qRed(p)) ||
                qGreen(r) != multiplied(qGreen(t), qGreen(p)) ||
                qBlue(r) != multiplied(qBlue(t), qBlue(p)) || qAlpha(r) != 255)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

} // namespace

class TestTexturizeAlgorithm : public QObject
{
    Q_OBJECT

private slots:
    void readyOnlyForCatalogueTextures_data();
    void readyOnlyForCatalogueTextures();
    void tileRepeatsFromTheTopLeft();
    void stretchLaysTheTextureOnceOverThePicture();
    void halfScalingHalvesTheGrain();
    void unscalableScalingKeepsTheTexture();
    void otherPlacementTiles();
    void whiteTexelLowersByAtMostOneStep();
    void threadCountDoesNotChangeTheResult();
    void pictureOfAnotherFormatIsConverted();
    void cancelStopsBeforeTheEnd();
};

void TestTexturizeAlgorithm::readyOnlyForCatalogueTextures_data()
{
    QTest::addColumn<QString>("texture");
    QTest::addColumn<bool>("ready");
    for (const PaperTexture& paper : paperCatalogue())
        QTest::newRow(qPrintable(paper.name)) << paper.name << true;
    QTest::newRow("None") << "None" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("lower case") << "kraft paper" << false;
    QTest::newRow("unknown") << "Papyrus" << false;
}

void TestTexturizeAlgorithm::readyOnlyForCatalogueTextures()
{
    QFETCH(QString, texture);
    TexturizeAlgorithm algorithm;
    QVERIFY(!algorithm.isReady());
    algorithm.setParameters(textureSet(texture));
    QTEST(algorithm.isReady(), "ready");
    QCOMPARE(algorithm.name(), QStringLiteral("Texturize"));
}

void TestTexturizeAlgorithm::tileRepeatsFromTheTopLeft()
{
    const QImage texture = loadPaperTexture(QStringLiteral("Kraft paper"));
    QCOMPARE(texture.size(), QSize(448, 392));
    // Larger than the texture in both directions, so it repeats edge to edge.
    const QImage picture = scenePicture(1000, 900);
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Kraft paper")));
    QCOMPARE(algorithm.placement(), TexturizeAlgorithm::Tile);
    QImage result = picture;
    algorithm.process(result);
    verifyMultiply(picture, result, [&](int x, int y) {
        return texture.pixel(x % texture.width(), y % texture.height());
    });
}

void TestTexturizeAlgorithm::stretchLaysTheTextureOnceOverThePicture()
{
    const QImage picture = scenePicture(300, 200);
    const QImage stretched =
        loadPaperTexture(QStringLiteral("Rice paper"))
            .scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Rice paper"), QStringLiteral("Stretch")));
    QCOMPARE(algorithm.placement(), TexturizeAlgorithm::Stretch);
    QImage result = picture;
    algorithm.process(result);
    verifyMultiply(picture, result, [&](int x, int y) { return stretched.pixel(x, y); });
}

void TestTexturizeAlgorithm::halfScalingHalvesTheGrain()
{
    const QImage texture = loadPaperTexture(QStringLiteral("Grained canvas"));
    const QImage half = texture.transformed(QTransform().scale(0.5, 0.5), Qt::FastTransformation);
    QCOMPARE(half.size(), texture.size() / 2);
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Grained canvas"), QString(), 0.5));
    QCOMPARE(algorithm.sampleFor(QSize(600, 600)).size(), QSize(256, 256));
    const QImage picture = scenePicture(600, 300);
    QImage result = picture;
    algorithm.process(result);
    // The grain repeats twice as often: rows 256 apart are printed with the same texels.
    verifyMultiply(picture, result,
                   [&](int x, int y) { return half.pixel(x % half.width(), y % half.height()); });
}

void TestTexturizeAlgorithm::unscalableScalingKeepsTheTexture()
{
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Old paper"), QString(), 0.0));
    QCOMPARE(algorithm.sampleFor(QSize(50, 50)).size(), QSize(400, 400));
    QImage picture = scenePicture(50, 40);
    algorithm.process(picture);
    QCOMPARE(picture.size(), QSize(50, 40));
}

void TestTexturizeAlgorithm::otherPlacementTiles()
{
    const QImage texture = loadPaperTexture(QStringLiteral("Old paper"));
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Old paper"), QStringLiteral("Mirror")));
    QCOMPARE(algorithm.placement(), TexturizeAlgorithm::Other);
    const QImage picture = scenePicture(900, 500);
    QImage result = picture;
    algorithm.process(result);
    verifyMultiply(picture, result, [&](int x, int y) {
        return texture.pixel(x % texture.width(), y % texture.height());
    });
}

void TestTexturizeAlgorithm::whiteTexelLowersByAtMostOneStep()
{
    // 255 * v / 256 truncates: 255 becomes 254, 1 becomes 0, 0 stays 0.
    QCOMPARE(multiplied(255, 255), 254);
    QCOMPARE(multiplied(255, 1), 0);
    QCOMPARE(multiplied(255, 128), 127);
    const QImage texture = loadPaperTexture(QStringLiteral("Watercolor paper"));
    QImage picture(texture.size(), QImage::Format_RGB32);
    picture.fill(qRgb(255, 1, 0));
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Watercolor paper")));
    QImage result = picture;
    algorithm.process(result);
    int whiteTexels = 0;
    for (int y = 0; y < texture.height(); ++y) {
        for (int x = 0; x < texture.width(); ++x) {
            const QRgb t = texture.pixel(x, y);
            const QRgb r = result.pixel(x, y);
            QCOMPARE(qRed(r), qRed(t) * 255 / 256);
            QCOMPARE(qGreen(r), 0);
            QCOMPARE(qBlue(r), 0);
            if (qRed(t) == 255) {
                ++whiteTexels;
                QCOMPARE(qRed(r), 254);
            }
        }
    }
    Q_UNUSED(whiteTexels);
}

void TestTexturizeAlgorithm::threadCountDoesNotChangeTheResult()
{
    const QImage picture = randomPicture(701, 333, QImage::Format_RGB32, 21);
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Linen canvas"), QString(), 1.5));
    QImage single = picture;
    {
        const ScopedExecution oneThread({1});
        algorithm.process(single);
    }
    for (int threads : {2, 4}) {
        const ScopedExecution split({threads});
        QImage several = picture;
        algorithm.process(several);
        QCOMPARE(several, single);
    }
}

void TestTexturizeAlgorithm::pictureOfAnotherFormatIsConverted()
{
    QImage picture = scenePicture(120, 80).convertToFormat(QImage::Format_RGB888);
    const QImage asRgb32 = picture.convertToFormat(QImage::Format_RGB32);
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Pastel paper")));
    algorithm.process(picture);
    QCOMPARE(picture.format(), QImage::Format_RGB32);
    const QImage texture = loadPaperTexture(QStringLiteral("Pastel paper"));
    verifyMultiply(asRgb32, picture, [&](int x, int y) { return texture.pixel(x, y); });
}

void TestTexturizeAlgorithm::cancelStopsBeforeTheEnd()
{
    const QImage picture = scenePicture(200, 400);
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(textureSet(QStringLiteral("Crumpled paper")));
    const ScopedExecution oneThread({1});
    RecordingReporter reporter;
    algorithm.setProgressReporter(&reporter);
    reporter.onCall = [&](const QString& call) {
        if (call != QLatin1String("progress 0"))
            algorithm.setCancelled(true);
    };
    QImage result = picture;
    algorithm.process(result);
    QVERIFY(!reporter.log.contains(QStringLiteral("progress 100")));
    // The last row was not reached.
    const int last = picture.height() - 1;
    for (int x = 0; x < picture.width(); ++x)
        QCOMPARE(result.pixel(x, last), picture.pixel(x, last));
    QVERIFY(result.pixel(0, 0) != picture.pixel(0, 0) || result.pixel(5, 5) != picture.pixel(5, 5));
}

QTEST_GUILESS_MAIN(TestTexturizeAlgorithm)
#include "test_texturize_algorithm.moc"
