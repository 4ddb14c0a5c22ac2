#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/result_cache.h"
#include "core/raster/random.h"
#include "processing/preview_render.h"
#include "processing/worker.h"
#include "support/test_pictures.h"

#include <QtTest>

class TestPreviewRender : public QObject
{
    Q_OBJECT

private slots:
    void previewParametersCopyWithForPreview_data();
    void previewParametersCopyWithForPreview();
    void previewParametersChangeTheCacheKey();
    void renderPreviewEqualsFilterByHand_data();
    void renderPreviewEqualsFilterByHand();
    void preparedFilterOnWorkerGivesTheSamePicture();
    void nothingToRenderGivesNullImage_data();
    void nothingToRenderGivesNullImage();
};

void TestPreviewRender::previewParametersCopyWithForPreview_data()
{
    QTest::addColumn<QVariant>("panelValue"); // "for_preview" in the panel's set; invalid: absent

    QTest::newRow("absent") << QVariant();
    QTest::newRow("false") << QVariant(false);
    QTest::newRow("already true") << QVariant(true);
}

void TestPreviewRender::previewParametersCopyWithForPreview()
{
    QFETCH(QVariant, panelValue);
    FilterParameters panel = *defaultParameters(QStringLiteral("Pencil"));
    if (panelValue.isValid())
        panel.insert(forPreviewKey(), panelValue);
    const FilterParameters before = panel;

    const FilterParametersPtr set = preview_parameters(panel);

    QVERIFY(set);
    QCOMPARE(set->value(forPreviewKey()).typeId(), QMetaType::Bool);
    QCOMPARE(set->value(forPreviewKey()).toBool(), true);
    QCOMPARE(set->filterName(), panel.filterName());
    // Everything else is the panel's, and the panel's set is untouched.
    FilterParameters rest = *set;
    rest.remove(forPreviewKey());
    FilterParameters panelRest = panel;
    panelRest.remove(forPreviewKey());
    QCOMPARE(rest, panelRest);
    QCOMPARE(panel, before);
}

void TestPreviewRender::previewParametersChangeTheCacheKey()
{
    const QImage piece = scenePicture(31, 17);
    FilterParameters panel = *defaultParameters(QStringLiteral("Pencil"));
    panel.insert(forPreviewKey(), false);
    const CacheKey panelKey = makeKey(piece, panel);
    const CacheKey previewKey = makeKey(piece, *preview_parameters(panel));
    QCOMPARE(previewKey.imageDigest, panelKey.imageDigest);
    QVERIFY(previewKey.parametersText != panelKey.parametersText);
    // The same settings give the same key, so a repeated preview finds its entry.
    QCOMPARE(makeKey(piece, *preview_parameters(panel)), previewKey);
}

void TestPreviewRender::renderPreviewEqualsFilterByHand_data()
{
    QTest::addColumn<QString>("filterName");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // a setting changed from the defaults; empty key: none

    QTest::newRow("Pencil defaults") << QStringLiteral("Pencil") << QString() << QString();
    QTest::newRow("Pencil on kraft paper")
        << QStringLiteral("Pencil") << Keys::Texture::paper << QStringLiteral("Kraft paper");
    // Every other offered filter the factory builds, with its defaults.
    for (const QString& name : filterNames()) {
        if (name != QLatin1String("Pencil") && createFilter(name))
            QTest::newRow(qPrintable(name + QStringLiteral(" defaults")))
                << name << QString() << QString();
    }
}

void TestPreviewRender::renderPreviewEqualsFilterByHand()
{
    QFETCH(QString, filterName);
    QFETCH(QString, key);
    QFETCH(QString, value);
    FilterParametersPtr panel = defaultParameters(filterName);
    if (!key.isEmpty())
        panel->insert(key, value);
    const FilterParametersPtr set = preview_parameters(*panel);
    const QImage picture = scenePicture(48, 36);

    seedRandom();
    FilterPtr byHand = createFilter(filterName);
    QVERIFY(byHand);
    byHand->setImage(picture);
    byHand->setParameters(set);
    byHand->setProgressReporter(nullptr);
    byHand->run();
    const QImage expected = byHand->image();

    seedRandom();
    const QImage rendered = render_preview(filterName, picture, set);

    QVERIFY(!rendered.isNull());
    QCOMPARE(rendered.size(), picture.size());
    QCOMPARE(rendered, expected);
    // The filter drew something: a preview is not the picture handed in.
    QVERIFY(rendered.convertToFormat(QImage::Format_RGB32) != picture);
    // The set it rendered with is still a preview set.
    QCOMPARE(set->value(forPreviewKey()).toBool(), true);
}

void TestPreviewRender::preparedFilterOnWorkerGivesTheSamePicture()
{
    // What the control window does: the prepared filter on a Worker, which starts its thread's
    // generator afresh.
    const QString name = QStringLiteral("Pencil");
    const FilterParametersPtr set = preview_parameters(*defaultParameters(name));
    const QImage picture = scenePicture(40, 30);

    seedRandom();
    const QImage onThisThread = render_preview(name, picture, set);

    // Leave this thread's generator somewhere else: the worker must not depend on it.
    randomBelow(1000);
    FilterPtr filter = make_preview_filter(name, picture, set);
    QVERIFY(filter);
    Worker worker(filter, nullptr);
    worker.start();
    QVERIFY(worker.wait(60000));
    QVERIFY(!worker.was_cancelled());
    QCOMPARE(worker.result_image(), onThisThread);
}

void TestPreviewRender::nothingToRenderGivesNullImage_data()
{
    QTest::addColumn<QString>("filterName");
    QTest::addColumn<QImage>("source");
    QTest::addColumn<bool>("withSet");

    const QImage picture = scenePicture(12, 9);
    QTest::newRow("null source") << QStringLiteral("Pencil") << QImage() << true;
    QTest::newRow("zero-width source")
        << QStringLiteral("Pencil") << QImage(0, 9, QImage::Format_RGB32) << true;
    QTest::newRow("unknown filter") << QStringLiteral("Charcoal") << picture << true;
    QTest::newRow("empty filter name") << QString() << picture << true;
    QTest::newRow("no set") << QStringLiteral("Pencil") << picture << false;
}

void TestPreviewRender::nothingToRenderGivesNullImage()
{
    QFETCH(QString, filterName);
    QFETCH(QImage, source);
    QFETCH(bool, withSet);
    const FilterParametersPtr set =
        withSet ? preview_parameters(*defaultParameters(QStringLiteral("Pencil")))
                : FilterParametersPtr();

    QVERIFY(!make_preview_filter(filterName, source, set));
    QVERIFY(render_preview(filterName, source, set).isNull());
}

QTEST_GUILESS_MAIN(TestPreviewRender)
#include "test_preview_render.moc"
