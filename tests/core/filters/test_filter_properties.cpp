// What every filter the program knows does alike, one data row per filter (and per value of its
// row switch, overlay or scale where those matter): it is made by its name, renders at the size
// the render asks for, gives the same bytes twice, stops when cancelled, keeps transparent parts
// transparent and reports its phases in order. What only one filter does is tested in its own
// file beside this one.

#include "core/algorithms/paper_catalogue.h"
#include "core/filters/filter_list.h"
#include "core/framework/stroke_memory.h"
#include "core/raster/execution.h"
#include "support/filter_runs.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

using Choices = QMap<QString, QVariant>;

// The size a display render at scale gives: every filter reduces the picture by the render's
// scale; a scale that leaves no pixel paints nothing and keeps the picture.
QSize renderSize(const QSize& picture, double scale)
{
    const QSize reduced(int(picture.width() * scale), int(picture.height() * scale));
    return reduced.isEmpty() ? picture : reduced;
}

// The values of the choice row key of filter; one empty text when the filter has no such row.
QStringList choiceValues(const FilterDescriptor& filter, const QString& key)
{
    QStringList values;
    if (const ParameterSpec* row = filter.row(key)) {
        for (const ParameterChoice& choice : row->choices)
            values.append(choice.value);
    }
    return values.isEmpty() ? QStringList{QString()} : values;
}

// Adds a row named after the filter and its choices for every value of its row switch (the
// pencil type, the oil type) and, with everyOverlay, for every overlay (the pencil overlays, the
// blending filters' watercolor styles); else with the last overlay. Each with a paper, so every
// step of the filter runs. add(name, filter, choices) adds the columns.
template <typename Add> void addFilterRows(bool everyOverlay, Add add)
{
    for (const FilterDescriptor* filter : filterDescriptors()) {
        QStringList overlays = choiceValues(*filter, filter->overlayKey);
        if (!everyOverlay)
            overlays = QStringList{overlays.last()};
        for (const QString& type : choiceValues(*filter, filter->rowSwitchKey)) {
            for (const QString& overlay : overlays) {
                Choices choices{{filter->textureKey, "Kraft paper"}};
                QStringList name{filter->name};
                if (!type.isEmpty()) {
                    choices.insert(filter->rowSwitchKey, type);
                    name.append(type);
                }
                if (!overlay.isEmpty()) {
                    choices.insert(filter->overlayKey, overlay);
                    name.append(overlay);
                }
                add(name.join(QStringLiteral(", ")), filter->name, choices);
            }
        }
    }
}

// A picture whose top rows are transparent and whose left columns below them are half so.
QImage translucentPicture(int width, int height)
{
    QImage picture = scenePicture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (y < height / 5)
                line[x] &= 0x00FFFFFFu;
            else if (x < width / 5)
                line[x] = (line[x] & 0x00FFFFFFu) | 0x80000000u;
        }
    }
    return picture;
}

} // namespace

class TestFilterProperties : public QObject
{
    Q_OBJECT

private slots:
    void isMadeByItsName_data();
    void isMadeByItsName();
    void rendersAtTheSizeAsked_data();
    void rendersAtTheSizeAsked();
    void tinyPicturesRender_data();
    void tinyPicturesRender();
    void sameRenderTwiceGivesSameBytes_data();
    void sameRenderTwiceGivesSameBytes();
    void runClearsAnEarlierCancel_data();
    void runClearsAnEarlierCancel();
    void cancelAtTheStartKeepsThePicture_data();
    void cancelAtTheStartKeepsThePicture();
    void overlayAndPaperChangeThePicture_data();
    void overlayAndPaperChangeThePicture();
    void transparentPartsStayTransparent_data();
    void transparentPartsStayTransparent();
    void phasesFollowTheStepsThatRun_data();
    void phasesFollowTheStepsThatRun();
    void anyThreadCountGivesTheSameBytes_data();
    void anyThreadCountGivesTheSameBytes();
};

void TestFilterProperties::isMadeByItsName_data()
{
    QTest::addColumn<QString>("filter");
    for (const FilterDescriptor* filter : filterDescriptors())
        QTest::newRow(qPrintable(filter->name)) << filter->name;
}

void TestFilterProperties::isMadeByItsName()
{
    QFETCH(QString, filter);
    const FilterPtr made = createFilter(filter);
    QVERIFY(made);
    QCOMPARE(made->name(), filter);
    QVERIFY(createFilter(filter) != made); // a new filter for every render
}

void TestFilterProperties::rendersAtTheSizeAsked_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<Choices>("choices");
    addFilterRows(true, [](const QString& name, const QString& filter, const Choices& choices) {
        QTest::newRow(qPrintable(name)) << filter << choices;
    });
}

void TestFilterProperties::rendersAtTheSizeAsked()
{
    QFETCH(QString, filter);
    QFETCH(Choices, choices);
    const QImage picture = scenePicture(60, 44);
    for (const double scale : {1.0, 0.5}) {
        const QImage result = runFilter(picture, renderSet(filter, choices, scale));
        QCOMPARE(result.size(), renderSize(picture.size(), scale));
        QVERIFY(result != picture);
    }
}

void TestFilterProperties::tinyPicturesRender_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("scale");
    for (const FilterDescriptor* filter : filterDescriptors()) {
        for (const QSize size : {QSize(1, 1), QSize(1, 9), QSize(9, 1), QSize(3, 3), QSize(9, 9)}) {
            for (const double scale : {1.0, 0.5})
                QTest::addRow("%s, %dx%d at %g", qPrintable(filter->name), size.width(),
                              size.height(), scale)
                    << filter->name << size << scale;
        }
    }
}

void TestFilterProperties::tinyPicturesRender()
{
    QFETCH(QString, filter);
    QFETCH(QSize, size);
    QFETCH(double, scale);
    const FilterDescriptor* descriptor = findFilter(filter);
    Choices choices{{descriptor->textureKey, "Old paper"}};
    if (!descriptor->overlayKey.isEmpty())
        choices.insert(descriptor->overlayKey,
                       choiceValues(*descriptor, descriptor->overlayKey).at(1));
    const QImage picture = scenePicture(size.width(), size.height());
    const QImage result = runFilter(picture, renderSet(filter, choices, scale));
    QCOMPARE(result.size(), renderSize(size, scale));
}

void TestFilterProperties::sameRenderTwiceGivesSameBytes_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<Choices>("choices");
    addFilterRows(false, [](const QString& name, const QString& filter, const Choices& choices) {
        QTest::newRow(qPrintable(name)) << filter << choices;
    });
}

void TestFilterProperties::sameRenderTwiceGivesSameBytes()
{
    QFETCH(QString, filter);
    QFETCH(Choices, choices);
    const QImage picture = randomPicture(64, 48, QImage::Format_RGB32, 11);
    const FilterParametersPtr set = renderSet(filter, choices, 1.0);
    const QImage first = runFilter(picture, set);
    QCOMPARE(runFilter(picture, set), first);
    // A scaled render, which records its strokes, as well.
    const FilterParametersPtr scaled = renderSet(filter, choices, 0.5);
    QCOMPARE(runFilter(picture, scaled), runFilter(picture, scaled));
}

void TestFilterProperties::runClearsAnEarlierCancel_data()
{
    sameRenderTwiceGivesSameBytes_data();
}

void TestFilterProperties::runClearsAnEarlierCancel()
{
    QFETCH(QString, filter);
    QFETCH(Choices, choices);
    const QImage picture = scenePicture(48, 40);
    const FilterParametersPtr set = renderSet(filter, choices, 1.0);
    const QImage uncancelled = runFilter(picture, set);
    const FilterPtr cancelled = createFilter(filter);
    cancelled->cancel();
    QCOMPARE(runFilter(picture, set, nullptr, cancelled), uncancelled);
}

void TestFilterProperties::cancelAtTheStartKeepsThePicture_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<Choices>("choices");
    QTest::addColumn<QString>("cancelAt"); // the first report starting so
    addFilterRows(false, [](const QString& name, const QString& filter, const Choices& choices) {
        QTest::addRow("%s, at the first report", qPrintable(name)) << filter << choices << "";
        // The expressive brushstrokes finish the canvas they began, cancelled or not
        // (test_expressive_brushstrokes.cpp).
        if (choices.value(Keys::Oil::type) != Keys::Oil::expressive)
            QTest::addRow("%s, at the first progress", qPrintable(name))
                << filter << choices << "progress 0";
    });
}

void TestFilterProperties::cancelAtTheStartKeepsThePicture()
{
    QFETCH(QString, filter);
    QFETCH(Choices, choices);
    QFETCH(QString, cancelAt);
    const QImage picture = scenePicture(60, 40);
    const FilterPtr running = createFilter(filter);
    RecordingReporter reporter;
    reporter.onCall = [&](const QString& call) {
        if (call.startsWith(cancelAt))
            running->cancel();
    };
    const QImage result = runFilter(picture, renderSet(filter, choices, 1.0), &reporter, running);
    QCOMPARE(result, picture);
    QVERIFY(!reporter.log.contains("progress 100"));
}

void TestFilterProperties::overlayAndPaperChangeThePicture_data()
{
    isMadeByItsName_data();
}

void TestFilterProperties::overlayAndPaperChangeThePicture()
{
    QFETCH(QString, filter);
    const FilterDescriptor* descriptor = findFilter(filter);
    const QImage picture = scenePicture(60, 44);
    // The defaults: no overlay (for the filters that have one to leave out) and no paper.
    const QImage plain = runFilter(picture, renderSet(filter, {}, 1.0));
    const QStringList overlays = choiceValues(*descriptor, descriptor->overlayKey);
    if (overlays.first() == Keys::Overlay::none) {
        const Choices overlay{{descriptor->overlayKey, overlays.at(1)}};
        QVERIFY(runFilter(picture, renderSet(filter, overlay, 1.0)) != plain);
    }
    const Choices paper{{descriptor->textureKey, "Pastel paper"}};
    QVERIFY(runFilter(picture, renderSet(filter, paper, 1.0)) != plain);
}

void TestFilterProperties::transparentPartsStayTransparent_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<Choices>("choices");
    QTest::addColumn<double>("scale");
    addFilterRows(false, [](const QString& name, const QString& filter, const Choices& choices) {
        for (const double scale : {1.0, 0.5})
            QTest::addRow("%s, at %g", qPrintable(name), scale) << filter << choices << scale;
        Choices noPaper = choices;
        noPaper.insert(findFilter(filter)->textureKey, Keys::Texture::none);
        QTest::addRow("%s, no paper", qPrintable(name)) << filter << noPaper << 1.0;
    });
}

void TestFilterProperties::transparentPartsStayTransparent()
{
    QFETCH(QString, filter);
    QFETCH(Choices, choices);
    QFETCH(double, scale);
    const QImage picture = translucentPicture(50, 40);
    const QImage result = runFilter(picture, renderSet(filter, choices, scale));
    QCOMPARE(result.size(), renderSize(picture.size(), scale));
    if (result.size() == picture.size()) {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                QCOMPARE(qAlpha(result.pixel(x, y)), qAlpha(picture.pixel(x, y)));
        }
    } else {
        // Away from the edges of the parts, where the reduction mixes them.
        QCOMPARE(qAlpha(result.pixel(result.width() / 2, 1)), 0);
        QCOMPARE(qAlpha(result.pixel(result.width() / 2, result.height() - 2)), 255);
    }
}

void TestFilterProperties::phasesFollowTheStepsThatRun_data()
{
    QTest::addColumn<FilterParametersPtr>("set");
    QTest::addColumn<int>("phases"); // the steps that run
    // Every filter, type and overlay, with and without a paper: one phase for the painting or
    // drawing, one for the layer laid over it (the blending filters' watercolor, a pencil
    // overlay other than "None"), one for the paper.
    addFilterRows(true, [](const QString& name, const QString& filter, Choices choices) {
        const QString overlay = choices.value(findFilter(filter)->overlayKey).toString();
        const int layer = !overlay.isEmpty() && overlay != Keys::Overlay::none;
        for (const QString& paper : {QStringLiteral("Kraft paper"), Keys::Texture::none}) {
            choices.insert(textureKey(filter), paper);
            QTest::newRow(qPrintable(name + QStringLiteral(", ") + paper))
                << renderSet(filter, choices, 1.0) << 1 + layer + int(paper != "None");
        }
    });
    QTest::newRow("Pencil, unknown paper")
        << renderSet("Pencil", {{Keys::Texture::paper, "Papyrus"}}, 1.0) << 1;
    // With pencil settings present the drawing is made whatever the style, also one it does not
    // blend; without the watercolor's settings only the paper follows the (unchanged) painting.
    FilterParametersPtr unknown =
        renderSet("Watercolor",
                  {{Keys::Overlay::watercolor, "Contour"}, {Keys::Texture::paper, "None"}}, 1.0);
    unknown->insert(Keys::Overlay::watercolor, QStringLiteral("Sketchy"));
    QTest::newRow("Watercolor, unknown style") << unknown << 2;
    FilterParametersPtr paperOnly(new FilterParameters(QStringLiteral("Watercolor"), {}));
    paperOnly->insert(Keys::Texture::paper, QStringLiteral("Watercolor paper"));
    QTest::newRow("Watercolor, no watercolor settings") << paperOnly << 2;
}

void TestFilterProperties::phasesFollowTheStepsThatRun()
{
    QFETCH(FilterParametersPtr, set);
    QFETCH(int, phases);
    RecordingReporter reporter;
    runFilter(scenePicture(60, 40), set, &reporter);
    // The phase count comes first, and every announced phase runs.
    QCOMPARE(reporter.log.first(), QStringLiteral("phases %1").arg(phases));
    QCOMPARE(reporter.calls("phases").size(), 1);
    QCOMPARE(reporter.calls("next").size(), phases - 1);
    // The whole run's progress, as the progress window shows it, never goes back and ends at 100.
    int phase = 0;
    int overall = 0;
    for (const QString& call : qAsConst(reporter.log)) {
        if (call == QLatin1String("next"))
            ++phase;
        if (!call.startsWith(QLatin1String("progress ")))
            continue;
        const int now = overallProgress(call.mid(9).toInt(), phase, phases);
        QVERIFY2(now >= overall, qPrintable(reporter.log.join(QLatin1Char(','))));
        overall = now;
    }
    QCOMPARE(overall, 100);
}

void TestFilterProperties::anyThreadCountGivesTheSameBytes_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<Choices>("choices");
    // Every overlay, and the papers in turn so that each is printed on by some row.
    int row = 0;
    addFilterRows(true, [&row](const QString& name, const QString& filter, Choices choices) {
        const QString paper = paperCatalogue().at(row++ % paperCatalogue().size()).name;
        choices.insert(textureKey(filter), paper);
        QTest::newRow(qPrintable(name + QStringLiteral(", ") + paper)) << filter << choices;
    });
}

void TestFilterProperties::anyThreadCountGivesTheSameBytes()
{
    QFETCH(QString, filter);
    QFETCH(Choices, choices);
    // Every split loop runs, even on these small pictures: a render, and the display render
    // whose strokes the full-size export then replays, give the bytes of one thread.
    const QVector<QImage> pictures{scenePicture(83, 61),
                                   randomPicture(70, 90, QImage::Format_RGB32, 4)};
    const auto renders = [&](int threads) {
        Execution setting;
        setting.threads = threads;
        setting.minimumParallelPixels = 1;
        const ScopedExecution scoped(setting);
        QVector<QImage> results;
        for (const QImage& picture : pictures) {
            results.append(runFilter(picture, renderSet(filter, choices, 1.0)));
            const StrokeMemoryPtr memory(new StrokeMemory);
            for (const double scale : {0.5, kUnscaled}) {
                const FilterPtr run = createFilter(filter);
                run->setStrokeMemory(memory);
                results.append(runFilter(picture, renderSet(filter, choices, scale), nullptr, run));
            }
        }
        return results;
    };
    const QVector<QImage> single = renders(1);
    for (const int threads : {2, 3, 8}) {
        const QVector<QImage> split = renders(threads);
        for (int i = 0; i < single.size(); ++i)
            QVERIFY2(split[i] == single[i],
                     qPrintable(QStringLiteral("%1 threads, render %2").arg(threads).arg(i)));
    }
}

QTEST_GUILESS_MAIN(TestFilterProperties)
#include "test_filter_properties.moc"
