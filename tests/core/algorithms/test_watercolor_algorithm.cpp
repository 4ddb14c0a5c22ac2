#include "core/algorithms/algorithm_list.h"
#include "core/algorithms/watercolor_algorithm.h"
#include "core/filters/filter_list.h"
#include "core/raster/random.h"
#include "support/filter_runs.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

const QString kWatercolor = QStringLiteral("Watercolor");
const QString kPrefix = QStringLiteral("WatercolorAlgorithm::");

FilterParametersPtr watercolorSet(const QMap<QString, QVariant>& values)
{
    FilterParametersPtr set(new FilterParameters(kWatercolor, {}));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        set->insert(it.key(), it.value());
    return set;
}

QImage processed(WatercolorAlgorithm& algorithm, const QImage& picture)
{
    seedRandom();
    QImage image = picture;
    algorithm.process(image);
    return image;
}

} // namespace

class TestWatercolorAlgorithm : public QObject
{
    Q_OBJECT

private slots:
    void nameIsWatercolor();
    void readyOnceTheFiveSettingsArrive_data();
    void readyOnceTheFiveSettingsArrive();
    void slidersConvert_data();
    void slidersConvert();
    void scalingIsUsedAsItIs();
    void texturePathIsSetByEveryParameterSet();
    void unreadyAlgorithmLeavesThePicture();
    void paintsLikeTheEngineWithItsSettings();
    void otherFormatsAreConvertedFirst();
    void cancelReachesTheEngine();
    void strokeMemoryReachesTheEngine();
};

void TestWatercolorAlgorithm::nameIsWatercolor()
{
    QCOMPARE(WatercolorAlgorithm().name(), QStringLiteral("Watercolor"));
    const AlgorithmPtr created = createAlgorithm(QStringLiteral("Watercolor"));
    QVERIFY(created.dynamicCast<WatercolorAlgorithm>());
}

void TestWatercolorAlgorithm::readyOnceTheFiveSettingsArrive_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<bool>("ready");
    QTest::newRow("none missing") << QString() << true;
    for (const char* key : {"strength_of_effect", "image_simplification", "color_intensity",
                            "darken_lighten", "brushstrokes_intensity"})
        QTest::newRow(key) << kPrefix + key << false;
    QTest::newRow("optional scaling") << scalingKey() << true;
    QTest::newRow("optional for_preview") << forPreviewKey() << true;
}

void TestWatercolorAlgorithm::readyOnceTheFiveSettingsArrive()
{
    QFETCH(QString, missing);
    QFETCH(bool, ready);
    FilterParametersPtr set = renderSet(kWatercolor, {}, 0.5);
    set->remove(missing);
    WatercolorAlgorithm algorithm;
    QVERIFY(!algorithm.isReady());
    algorithm.setParameters(set);
    QCOMPARE(algorithm.isReady(), ready);
}

void TestWatercolorAlgorithm::slidersConvert_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("stored");
    const int strength[][2] = {{0, 0}, {20, 50}, {40, 101}, {60, 152}, {80, 203}, {100, 254}};
    for (const auto& s : strength)
        QTest::addRow("strength %d", s[0]) << "strength_of_effect" << s[0] << s[1];
    const int simplification[][2] = {{0, 255}, {80, 51}, {100, 0}, {101, -2}};
    for (const auto& s : simplification)
        QTest::addRow("simplification %d", s[0]) << "image_simplification" << s[0] << s[1];
    const int brightness[][2] = {{-100, 0}, {-80, 25}, {-40, 76}, {0, 127},
                                 {40, 178}, {80, 229}, {100, 255}};
    for (const auto& b : brightness)
        QTest::addRow("brightness %d", b[0]) << "darken_lighten" << b[0] << b[1];
    QTest::newRow("colour intensity") << "color_intensity" << 60 << 60;
    QTest::newRow("brushstrokes") << "brushstrokes_intensity" << 60 << 60;
    // A damaged document's value does not overflow the conversion.
    QTest::newRow("huge strength") << "strength_of_effect" << 2000000000 << 2549999;
}

void TestWatercolorAlgorithm::slidersConvert()
{
    QFETCH(QString, key);
    QFETCH(int, slider);
    QFETCH(int, stored);
    WatercolorAlgorithm algorithm;
    algorithm.setParameters(watercolorSet({{kPrefix + key, slider}}));
    // Parameter XML gives text: the same conversion.
    WatercolorAlgorithm fromText;
    fromText.setParameters(watercolorSet({{kPrefix + key, QString::number(slider)}}));
    const QMap<QString, int> values = {
        {"strength_of_effect", algorithm.strength()},
        {"image_simplification", algorithm.simplification()},
        {"darken_lighten", algorithm.brightness()},
        {"color_intensity", algorithm.colourIntensity()},
        {"brushstrokes_intensity", algorithm.brushstrokeIntensity()}};
    QCOMPARE(values.value(key), stored);
    QCOMPARE(fromText.strength(), algorithm.strength());
    QCOMPARE(fromText.brightness(), algorithm.brightness());
    QCOMPARE(fromText.simplification(), algorithm.simplification());
}

void TestWatercolorAlgorithm::scalingIsUsedAsItIs()
{
    WatercolorAlgorithm algorithm;
    QVERIFY(!algorithm.isScaled());
    algorithm.setParameters(watercolorSet({{scalingKey(), 0.3}}));
    QVERIFY(algorithm.isScaled());
    QCOMPARE(algorithm.scale(), 0.3);
    // A later set without the key keeps the flag and the value.
    algorithm.setParameters(watercolorSet({{forPreviewKey(), true}}));
    QVERIFY(algorithm.isScaled());
    QCOMPARE(algorithm.scale(), 0.3);
    QVERIFY(algorithm.isPreview());
}

void TestWatercolorAlgorithm::texturePathIsSetByEveryParameterSet()
{
    WatercolorAlgorithm algorithm;
    QVERIFY(algorithm.texturePath().isEmpty());
    algorithm.setParameters(watercolorSet({}));
    QCOMPARE(algorithm.texturePath(), QStringLiteral(":/watercolor-texture.jpg"));
    QVERIFY(!QImage(algorithm.texturePath()).isNull());
}

void TestWatercolorAlgorithm::unreadyAlgorithmLeavesThePicture()
{
    const QImage picture = scenePicture(30, 20);
    WatercolorAlgorithm untouched;
    QCOMPARE(processed(untouched, picture), picture);
    FilterParametersPtr set = renderSet(kWatercolor);
    set->remove(Keys::Watercolor::brightness);
    WatercolorAlgorithm partial;
    partial.setParameters(set);
    QCOMPARE(processed(partial, picture), picture);
}

void TestWatercolorAlgorithm::paintsLikeTheEngineWithItsSettings()
{
    const QImage picture = scenePicture(60, 40);
    const FilterParametersPtr set = renderSet(kWatercolor, {}, 0.5);
    WatercolorAlgorithm algorithm;
    algorithm.setParameters(set);
    const QImage result = processed(algorithm, picture);
    QCOMPARE(result.size(), QSize(30, 20));

    RegionPaintEngine engine;
    QImage expected = picture;
    seedRandom();
    engine.paint(expected, QImage(":/watercolor-texture.jpg"), true, 0.5, nullptr, 60, 198, 51, 153,
                 60, false);
    QCOMPARE(result, expected);
}

void TestWatercolorAlgorithm::otherFormatsAreConvertedFirst()
{
    const QImage picture = scenePicture(40, 30);
    WatercolorAlgorithm algorithm;
    algorithm.setParameters(renderSet(kWatercolor));
    const QImage fromRgb888 = processed(algorithm, picture.convertToFormat(QImage::Format_RGB888));
    QCOMPARE(fromRgb888.depth(), 32);
    QCOMPARE(fromRgb888, processed(algorithm, picture));
}

void TestWatercolorAlgorithm::cancelReachesTheEngine()
{
    WatercolorAlgorithm algorithm;
    algorithm.setParameters(renderSet(kWatercolor));
    algorithm.setCancelled(true);
    QVERIFY(algorithm.isCancelled());
    QVERIFY(algorithm.engine().isCancelled());
    const QImage picture = scenePicture(40, 30);
    QCOMPARE(processed(algorithm, picture), picture);
    algorithm.setCancelled(false);
    QVERIFY(!algorithm.engine().isCancelled());
    QVERIFY(processed(algorithm, picture) != picture);
}

void TestWatercolorAlgorithm::strokeMemoryReachesTheEngine()
{
    const StrokeMemoryPtr memory(new StrokeMemory);
    WatercolorAlgorithm algorithm;
    algorithm.setStrokeMemory(memory);
    QCOMPARE(algorithm.engine().strokeMemory(), memory);
    algorithm.setParameters(renderSet(kWatercolor, {}, 1.0));
    processed(algorithm, scenePicture(40, 30));
    QVERIFY(!memory->positions(RegionPaintEngine::memoryName()).isEmpty());
}

QTEST_GUILESS_MAIN(TestWatercolorAlgorithm)
#include "test_watercolor_algorithm.moc"
