#include "core/filters/filter_adapter.h"
#include "core/filters/filter_list.h"
#include "core/framework/filter_parameters.h"
#include "core/framework/ialgorithm.h"
#include "core/framework/parameter_keys.h"

#include <QtTest>

class TestFilterFramework : public QObject
{
    Q_OBJECT

private slots:
    void valuesTextJoinsNameAndValuesInKeyOrder();
    void keysAreAscendingAndAbsentKeysInvalid();
    void effectiveScaleRule_data();
    void effectiveScaleRule();
    void algorithmFactoryKnowsRegisteredNamesOnly();
    void filterFactoryAndList();
    void adapterKeepsOnlyTheLatestParameterSet();

    void tableDefaultsForEveryFilter_data();
    void tableDefaultsForEveryFilter();
    void everyDefaultIsAValidValue();
    void pencilOverlayAddsFixedPencilValues_data();
    void pencilOverlayAddsFixedPencilValues();
    void blendingFiltersCarryFixedWatercolorValues();
    void choicesMatchByValueOrLabel();
};

void TestFilterFramework::valuesTextJoinsNameAndValuesInKeyOrder()
{
    FilterParameters set(QStringLiteral("Pencil"), {});
    set.insert(QStringLiteral("b"), 7);
    set.insert(QStringLiteral("a"), QStringLiteral("x"));
    QCOMPARE(set.valuesText(), QStringLiteral("Pencilx7"));
    set.insert(QStringLiteral("a"), true);
    QCOMPARE(set.valuesText(), QStringLiteral("Penciltrue7"));
    QCOMPARE(FilterParameters().valuesText(), QString());
}

void TestFilterFramework::keysAreAscendingAndAbsentKeysInvalid()
{
    FilterParameters set(QStringLiteral("Oil"), {{QStringLiteral("zeta"), 1}});
    set.insert(QStringLiteral("Alpha"), 2);
    set.insert(QStringLiteral("alpha"), 3);
    QCOMPARE(set.keys(), QStringList({"Alpha", "alpha", "zeta"}));
    QVERIFY(!set.value(QStringLiteral("missing")).isValid());
    set.remove(QStringLiteral("zeta"));
    set.remove(QStringLiteral("not there"));
    QCOMPARE(set.keys(), QStringList({"Alpha", "alpha"}));
    QCOMPARE(scalingKey(), QStringLiteral("scaling"));
    QCOMPARE(forPreviewKey(), QStringLiteral("for_preview"));
}

void TestFilterFramework::effectiveScaleRule_data()
{
    QTest::addColumn<double>("requested");
    QTest::addColumn<double>("floor");
    QTest::addColumn<double>("expected");
    QTest::newRow("below floor") << 0.3 << 0.5 << 0.5;
    QTest::newRow("above floor") << 2.0 << 0.5 << 2.0;
    QTest::newRow("ignores scaling") << 0.3 << -1.0 << 1.0;
    QTest::newRow("no floor") << 0.3 << 0.0 << 0.3;
}

void TestFilterFramework::effectiveScaleRule()
{
    QFETCH(double, requested);
    QFETCH(double, floor);
    QTEST(effectiveScale(requested, floor), "expected");
}

void TestFilterFramework::algorithmFactoryKnowsRegisteredNamesOnly()
{
    for (const QString& name : {QStringLiteral("Texturize"), QStringLiteral("Pencil B & W")}) {
        AlgorithmPtr algorithm = createAlgorithm(name);
        QVERIFY2(algorithm, qPrintable(name));
        QCOMPARE(algorithm->name(), name);
        QVERIFY(!algorithm->isCancelled());
    }
    QVERIFY(createAlgorithm(QStringLiteral("texturize")).isNull());
    QVERIFY(createAlgorithm(QString()).isNull());
    QVERIFY(createAlgorithm(QStringLiteral("Sepia")).isNull());
}

void TestFilterFramework::filterFactoryAndList()
{
    QCOMPARE(filterNames(), QStringList({"Pencil", "Watercolor", "Pastel", "Oil"}));
    FilterPtr pencil = createFilter(QStringLiteral("Pencil"));
    QVERIFY(pencil);
    QCOMPARE(pencil->name(), QStringLiteral("Pencil"));
    QVERIFY(createFilter(QStringLiteral("pencil")).isNull());
    QVERIFY(createFilter(QStringLiteral("Sketch")).isNull());
    // Every filter the factory creates has a parameter table.
    for (const QString& name : allFilterNames()) {
        if (createFilter(name))
            QVERIFY2(!parameterTable(name).isEmpty(), qPrintable(name));
    }
}

void TestFilterFramework::adapterKeepsOnlyTheLatestParameterSet()
{
    FilterPtr filter = createFilter(QStringLiteral("Pencil"));
    FilterParametersPtr first = defaultParameters(QStringLiteral("Pencil"));
    FilterParametersPtr second(new FilterParameters(QStringLiteral("Pencil"), {}));
    QWeakPointer<FilterParameters> firstWatch = first;
    QWeakPointer<FilterParameters> secondWatch = second;
    filter->setParameters(first);
    filter->setParameters(second);
    first.reset();
    second.reset();
    QVERIFY(firstWatch.isNull());
    QVERIFY(!secondWatch.isNull());
    // The algorithms kept the first set's values: the pencil still draws.
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(qRgb(20, 20, 20));
    filter->setImage(picture);
    filter->run();
    QVERIFY(filter->image() != picture);
    filter.reset();
    QVERIFY(secondWatch.isNull());
}

void TestFilterFramework::tableDefaultsForEveryFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QVariantMap>("expected");
    // Spelled out rather than through Keys: documents and parameter files store these names, so
    // they are pinned here.
    const QString p = QStringLiteral("PencilBWAlgorithm::");
    const QString w = QStringLiteral("WatercolorAlgorithm::");
    const QString o = QStringLiteral("OilPaintingAlgorithm::");
    const QString s = QStringLiteral("OilPastelAlgorithm::");
    const QString t = QStringLiteral("TexturizeAlgorithm::texture");
    QTest::newRow("Pencil") << "Pencil"
                            << QVariantMap{{p + "color_enabled", "lead_pencil"},
                                           {p + "edge_threshold", 5},
                                           {p + "edge_intensity", 40},
                                           {p + "stroke_length", 40},
                                           {p + "darken_lighten", -40},
                                           {p + "color_intensity", 50},
                                           {t, "None"}};
    QTest::newRow("Watercolor") << "Watercolor"
                                << QVariantMap{{w + "strength_of_effect", 78},
                                               {w + "image_simplification", 80},
                                               {w + "color_intensity", 60},
                                               {w + "darken_lighten", 20},
                                               {w + "brushstrokes_intensity", 60},
                                               {"WatercolorFilterWidget::pencil_", "None"},
                                               {t, "None"}};
    QTest::newRow("Pastel") << "Pastel"
                            << QVariantMap{{s + "minimum_stroke_size", 7},
                                           {s + "maximum_stroke_size", 63},
                                           {s + "number_of_brushstrokes", 20},
                                           {s + "edge_intensity", 8},
                                           {s + "brushstroke_precision", 72},
                                           {"OilPastelFilterWidget::pencil_", "None"},
                                           {t, "None"}};
    QTest::newRow("Oil") << "Oil"
                         << QVariantMap{{o + "oil_type", "oil_painting"},
                                        {o + "minimum_stroke_size", 3},
                                        {o + "maximum_stroke_size", 19},
                                        {o + "number_of_brushstrokes", 10},
                                        {o + "edge_intensity", 39},
                                        {o + "brushstroke_precision", 70},
                                        {o + "level_of_contrast", 33},
                                        {o + "level_of_details", 84},
                                        {o + "strength_of_effect", 78},
                                        {o + "image_simplification", 80},
                                        {o + "color_intensity", 60},
                                        {o + "darken_lighten", 20},
                                        {o + "brushstrokes_intensity", 60},
                                        {"OilPaintingFilterWidget::pencil_", "None"},
                                        {t, "None"}};
    QTest::newRow("Paint blend") << "Paint blend"
                                 << QVariantMap{
                                        {o + "minimum_stroke_size", 3},
                                        {o + "maximum_stroke_size", 78},
                                        {o + "number_of_brushstrokes", 20},
                                        {o + "edge_intensity", 8},
                                        {o + "brushstroke_precision", 71},
                                        {"PaintBlendFilterWidget::aftertouch_", "Large strokes"},
                                        {"PaintBlendFilterWidget::texturize_", "None"},
                                        {w + "strength_of_effect", 240},
                                        {w + "image_simplification", 220},
                                        {w + "color_intensity", 70},
                                        {w + "darken_lighten", 40},
                                        {w + "brushstrokes_intensity", 60}};
    QTest::newRow("Watermix") << "Watermix"
                              << QVariantMap{{s + "minimum_stroke_size", 3},
                                             {s + "maximum_stroke_size", 53},
                                             {s + "number_of_brushstrokes", 5},
                                             {s + "edge_intensity", 24},
                                             {s + "brushstroke_precision", 47},
                                             {"WatermixFilterWidget::aftertouch_", "Dark strokes"},
                                             {"WatermixFilterWidget::texturize_", "None"},
                                             {w + "strength_of_effect", 120},
                                             {w + "image_simplification", 240},
                                             {w + "color_intensity", 80},
                                             {w + "darken_lighten", 0},
                                             {w + "brushstrokes_intensity", 60}};
}

void TestFilterFramework::tableDefaultsForEveryFilter()
{
    QFETCH(QString, filter);
    QFETCH(QVariantMap, expected);
    FilterParametersPtr set = defaultParameters(filter);
    QCOMPARE(set->filterName(), filter);
    QCOMPARE(set->keys(), expected.keys());
    for (const QString& key : expected.keys())
        QCOMPARE(set->value(key).toString(), expected.value(key).toString());
    QVERIFY(textureKey(filter).endsWith(filter.startsWith("Paint") || filter == "Watermix"
                                            ? QStringLiteral("texturize_")
                                            : QStringLiteral("texture")));
}

void TestFilterFramework::everyDefaultIsAValidValue()
{
    for (const QString& filter : allFilterNames()) {
        const QVector<ParameterSpec>& table = parameterTable(filter);
        QVERIFY(!table.isEmpty());
        for (const ParameterSpec& entry : table) {
            QVERIFY2(entry.isValidValue(entry.defaultValue), qPrintable(entry.key));
            QVERIFY(entry.hidden == entry.label.isEmpty());
            QCOMPARE(findParameter(filter, entry.key), &entry);
            if (entry.kind == ParameterSpec::Slider) {
                QVERIFY(!entry.isValidValue(entry.maximum + 1));
                QVERIFY(!entry.isValidValue(entry.minimum - 1));
                QVERIFY(!entry.isValidValue(QStringLiteral("ten")));
            } else {
                QVERIFY(!entry.isValidValue(QStringLiteral("no such choice")));
            }
        }
    }
    QVERIFY(parameterTable(QStringLiteral("Sketch")).isEmpty());
    QVERIFY(!findParameter(QStringLiteral("Pencil"), scalingKey()));
}

void TestFilterFramework::pencilOverlayAddsFixedPencilValues_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("overlayKey");
    QTest::addColumn<int>("shading");
    QTest::newRow("Watercolor") << "Watercolor" << Keys::Overlay::watercolor << 43;
    QTest::newRow("Pastel") << "Pastel" << Keys::Overlay::pastel << 43;
    QTest::newRow("Oil") << "Oil" << Keys::Overlay::oil << 40;
}

void TestFilterFramework::pencilOverlayAddsFixedPencilValues()
{
    QFETCH(QString, filter);
    QFETCH(QString, overlayKey);
    QFETCH(int, shading);
    FilterParametersPtr set = defaultParameters(filter);
    for (const QString& key : set->keys())
        QVERIFY2(!key.startsWith("PencilBWAlgorithm::"), qPrintable(key));

    for (const char* overlay : {"Contour", "Dark shading", "Light shading"}) {
        set->insert(overlayKey, overlay);
        const QMap<QString, QVariant> fixed = fixedValues(*set);
        QCOMPARE(fixed.size(), 5);
        QCOMPARE(fixed.value(Keys::Pencil::contour).toInt(), 2);
        QCOMPARE(fixed.value(Keys::Pencil::shading).toInt(), shading);
        QCOMPARE(fixed.value(Keys::Pencil::strokeLength).toInt(), 35);
        QCOMPARE(fixed.value(Keys::Pencil::brightness).toInt(), -20);
        QCOMPARE(fixed.value(Keys::Pencil::saturation).toInt(), 50);
    }
    set->insert(overlayKey, Keys::Overlay::none);
    QVERIFY(fixedValues(*set).isEmpty());
}

void TestFilterFramework::blendingFiltersCarryFixedWatercolorValues()
{
    FilterParameters set(QStringLiteral("Paint blend"), {});
    QCOMPARE(fixedValues(set).value(Keys::Watercolor::strength).toInt(), 240);
    set.setFilterName(QStringLiteral("Watermix"));
    addFixedValues(set);
    QCOMPARE(set.value(Keys::Watercolor::simplification).toInt(), 240);
    QCOMPARE(set.keys().size(), 5);
    set.setFilterName(QStringLiteral("Pencil"));
    QVERIFY(fixedValues(set).isEmpty());
}

void TestFilterFramework::choicesMatchByValueOrLabel()
{
    const ParameterSpec* type = findParameter(QStringLiteral("Pencil"), Keys::Pencil::type);
    QVERIFY(type);
    QCOMPARE(type->findChoice("colored_pencils")->value, QStringLiteral("colored_pencils"));
    QCOMPARE(type->findChoice("colored pencils")->value, QStringLiteral("colored_pencils"));
    QVERIFY(!type->findChoice("Colored"));
    const ParameterSpec* texture = findParameter(QStringLiteral("Oil"), Keys::Texture::paper);
    QCOMPARE(texture->choices.size(), 10);
    QCOMPARE(texture->findChoice("kraft paper")->value, QStringLiteral("Kraft paper"));
}

QTEST_GUILESS_MAIN(TestFilterFramework)
#include "test_filter_framework.moc"
