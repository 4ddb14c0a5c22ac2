// The batch library as the batch window uses it: outputs byte-identical to drawlume-render's,
// failures with reasons while the good pictures are still written, the policies for existing
// files, name patterns, and cancelling.

#include "batch/batch_renderer.h"
#include "core/filters/filter_list.h"
#include "support/render_cli.h"
#include "support/test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {

// Records what a batch tells; can cancel the batch at a chosen moment.
class RecordingObserver : public BatchObserver
{
public:
    BatchRenderer* renderer = nullptr;
    int cancelAtRender = -1;   // cancel when this picture's render starts
    int cancelAtProgress = -1; // cancel at this picture's first progress of cancelPercent or more
    int cancelPercent = 1;
    int cancelAtWritten = -1; // cancel once this picture is written

    QStringList events;
    QMap<int, QString> failures;
    QMap<int, QString> written;
    QMap<int, QString> skipped;
    QMap<int, int> lastPercent;
    BatchSummary summary;
    int finishedCalls = 0;

    void pictureStarted(int index, const QString&) override
    {
        events.append(QStringLiteral("started %1").arg(index));
    }
    void renderStarted(int index, IProgressReporter*) override
    {
        if (index == cancelAtRender)
            renderer->cancel();
    }
    void pictureProgress(int index, int percent) override
    {
        QVERIFY(percent >= 0 && percent <= 100);
        QVERIFY(percent >= lastPercent.value(index, 0));
        lastPercent[index] = percent;
        if (index == cancelAtProgress && percent >= cancelPercent)
            renderer->cancel();
    }
    void pictureWritten(int index, const QString& output) override
    {
        events.append(QStringLiteral("written %1").arg(index));
        written[index] = output;
        if (index == cancelAtWritten)
            renderer->cancel();
    }
    void pictureFailed(int index, const QString& message) override
    {
        events.append(QStringLiteral("failed %1").arg(index));
        failures[index] = message;
    }
    void pictureSkipped(int index, const QString& output) override
    {
        events.append(QStringLiteral("skipped %1").arg(index));
        skipped[index] = output;
    }
    void pictureCancelled(int index) override
    {
        events.append(QStringLiteral("cancelled %1").arg(index));
    }
    void batchFinished(const BatchSummary& s) override
    {
        summary = s;
        ++finishedCalls;
    }
};

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestBatchRenderer : public QObject, public RenderCliFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void goodAndBadPictures_data();
    void goodAndBadPictures();
    void existingFiles_data();
    void existingFiles();
    void namePatterns_data();
    void namePatterns();
    void cancelKeepsFinishedFiles_data();
    void cancelKeepsFinishedFiles();

private:
    QString freshDirectory(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QDir(path).removeRecursively();
        [&] { QVERIFY(QDir().mkpath(path)); }();
        return path;
    }
    BatchSettings settingsFor(const QString& filterName, const QStringList& inputs,
                              const QString& folder) const
    {
        BatchSettings settings;
        for (const QString& input : inputs)
            settings.jobs.append({input, QString()});
        settings.outputFolder = folder;
        settings.filterName = filterName;
        settings.parameters = batchRenderParameters(*defaultParameters(filterName));
        return settings;
    }
};

void TestBatchRenderer::initTestCase()
{
    createInputs();
}

void TestBatchRenderer::goodAndBadPictures_data()
{
    QTest::addColumn<QString>("filterName");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<int>("concurrency");
    QTest::addColumn<bool>("keepInformation");
    QTest::addColumn<int>("stated"); // the photos' resolution in dots per metre, 0: none

    QTest::newRow("Pencil, png, one at a time") << "Pencil"
                                                << "png" << 1 << true << 0;
    QTest::newRow("Pencil, jpg, two at a time, 300 ppi") << "Pencil"
                                                         << "jpg" << 2 << true << 11811;
    QTest::newRow("Oil, png, two at a time, 200 ppi") << "Oil"
                                                      << "png" << 2 << false << 7874;
    QTest::newRow("Oil, jpg, one at a time") << "Oil"
                                             << "jpg" << 1 << true << 0;
    QTest::newRow("Watercolor, webp, one at a time") << "Watercolor"
                                                     << "webp" << 1 << true << 0;
}

void TestBatchRenderer::goodAndBadPictures()
{
    QFETCH(QString, filterName);
    QFETCH(QString, suffix);
    QFETCH(int, concurrency);
    QFETCH(bool, keepInformation);
    QFETCH(int, stated);

    const QString folder = freshDirectory("mixed-in");
    // The photos state the row's resolution, or none: the JFIF density unit 0, no pHYs chunk.
    const QString photo = folder + "/photo.png";
    const QString other = folder + "/other.jpg";
    QImage picture = photoPicture(64, 48, 0);
    picture.setDotsPerMeterX(stated ? stated : 1000);
    picture.setDotsPerMeterY(stated ? stated : 1000);
    QVERIFY(picture.save(photo) && picture.save(other, "jpeg", 95));
    if (!stated) {
        QByteArray png = readAll(photo);
        QByteArray jpeg = readAll(other);
        QVERIFY(png.indexOf("pHYs") > 0 && jpeg.mid(6, 4) == "JFIF");
        jpeg[13] = 0;
        QVERIFY(writeAll(photo, png.remove(png.indexOf("pHYs") - 4, 21)) && writeAll(other, jpeg));
    }
    const QString damaged = folder + "/damaged.jpg";
    QVERIFY(writeAll(damaged, QByteArray("\xff\xd8\xff\xe0 not a picture at all", 26)));
    const QString missing = folder + "/missing.png";
    const QString drawing = folder + "/drawing.svg";
    QVERIFY(writeAll(drawing, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" "
                              "height=\"8\"><rect width=\"8\" height=\"8\"/></svg>"));
    const QString out = m_dir.filePath(QStringLiteral("mixed-out/") + QTest::currentDataTag());
    QDir(out).removeRecursively();

    const QStringList inputs = {photo, damaged, missing, other, drawing};
    BatchSettings settings = settingsFor(filterName, inputs, out);
    settings.suffix = suffix;
    settings.concurrency = concurrency;
    settings.keepPhotoInformation = keepInformation;
    BatchRenderer renderer;
    RecordingObserver observer;
    observer.renderer = &renderer;
    const BatchSummary summary = renderer.run(settings, &observer);

    QCOMPARE(summary.written, 2);
    QCOMPARE(summary.failed, 3);
    QCOMPARE(summary.skipped, 0);
    QVERIFY(!summary.cancelled);
    QVERIFY(summary.error.isEmpty());
    QCOMPARE(observer.finishedCalls, 1);
    // Written in the list's order whatever the concurrency; a picture that cannot be read is
    // told at once.
    QStringList ends = observer.events.filter(QRegularExpression("^(written|failed)"));
    QCOMPARE(ends.filter("written"), (QStringList{"written 0", "written 3"}));
    ends.sort();
    QCOMPARE(ends, (QStringList{"failed 1", "failed 2", "failed 4", "written 0", "written 3"}));
    const QStringList reasons = {"damaged", "does not exist", "SVG"};
    for (int i = 1; i <= 3; ++i) {
        const QString& message = observer.failures.value(i == 3 ? 4 : i);
        const QString& input = inputs.at(i == 3 ? 4 : i);
        QVERIFY2(message.startsWith(QStringLiteral("cannot read \"%1\": ").arg(input)),
                 qPrintable(message));
        QVERIFY2(message.contains(reasons.at(i - 1)), qPrintable(message));
    }
    QCOMPARE(observer.lastPercent.value(0), 100);

    // The files are drawlume-render's for the same picture and settings.
    const QString photoOut = QDir(out).filePath("photo-" + filterName + "." + suffix);
    const QString otherOut = QDir(out).filePath("other-" + filterName + "." + suffix);
    QCOMPARE(filesIn(out),
             (QStringList{QFileInfo(otherOut).fileName(), QFileInfo(photoOut).fileName()}));
    QCOMPARE(observer.written.value(0), photoOut);
    const QString reference = freshDirectory("mixed-reference");
    for (const QString& input : {photo, other}) {
        const QString alone = reference + "/" + QFileInfo(input).completeBaseName() + "." + suffix;
        QStringList arguments = {"-f", filterName, input, alone};
        if (!keepInformation)
            arguments.prepend("--strip-metadata");
        const RenderResult result = run(arguments);
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        const QString batch = input == photo ? photoOut : otherOut;
        QVERIFY2(readAll(batch) == readAll(alone), qPrintable(batch));
        // The photo's resolution, or 100 dots per inch (WebP keeps none).
        if (suffix != "webp")
            QCOMPARE(readPicture(batch).dotsPerMeterX(), stated ? stated : 3937);
    }
}

void TestBatchRenderer::existingFiles_data()
{
    QTest::addColumn<QString>("policy");
    QTest::addColumn<QStringList>("files");    // in the output folder afterwards
    QTest::addColumn<QStringList>("events");   // what the batch told
    QTest::addColumn<bool>("oldFileReplaced"); // view-Pencil.png is the first picture's drawing

    // Two inputs named "view" in two folders, and a view-Pencil.png from before.
    QTest::newRow("skip") << "skip" << QStringList{"view-Pencil.png"}
                          << QStringList{"skipped 0", "skipped 1"} << false;
    QTest::newRow("overwrite") << "overwrite" << QStringList{"view-Pencil.png"}
                               << QStringList{"started 0", "failed 1", "written 0"} << true;
    QTest::newRow("add a number") << "number"
                                  << QStringList{"view-Pencil-2.png", "view-Pencil-3.png",
                                                 "view-Pencil.png"}
                                  << QStringList{"started 0", "started 1", "written 0", "written 1"}
                                  << false;
}

void TestBatchRenderer::existingFiles()
{
    QFETCH(QString, policy);
    QFETCH(QStringList, files);
    QFETCH(QStringList, events);
    QFETCH(bool, oldFileReplaced);

    const QString folder = freshDirectory("existing-" + policy);
    QVERIFY(QDir().mkpath(folder + "/a"));
    QVERIFY(QDir().mkpath(folder + "/b"));
    const QString first = folder + "/a/view.png";
    const QString second = folder + "/b/view.jpg";
    QVERIFY(photoPicture(64, 48, 0).save(first));
    QVERIFY(photoPicture(48, 40, 1).save(second));
    const QString out = folder + "/out";
    QVERIFY(QDir().mkpath(out));
    const QByteArray old("an older file");
    QVERIFY(writeAll(out + "/view-Pencil.png", old));

    BatchSettings settings = settingsFor("Pencil", {first, second}, out);
    settings.suffix = "png";
    settings.existing = existingFilePolicyFromKey(policy);
    QCOMPARE(existingFilePolicyKey(settings.existing), policy);
    settings.concurrency = 2;
    BatchRenderer renderer;
    RecordingObserver observer;
    observer.renderer = &renderer;
    const BatchSummary summary = renderer.run(settings, &observer);

    QCOMPARE(filesIn(out), files);
    QCOMPARE(observer.events, events);
    QCOMPARE(summary.written, events.filter("written").size());
    QCOMPARE(summary.skipped, events.filter("skipped").size());
    QCOMPARE(summary.failed, events.filter("failed").size());
    const QByteArray firstDrawing = [&] {
        const RenderResult result = run({"-f", "Pencil", first, folder + "/alone.png"});
        return result.exitCode == 0 ? readAll(folder + "/alone.png") : QByteArray();
    }();
    QVERIFY(!firstDrawing.isEmpty());
    QCOMPARE(readAll(out + "/view-Pencil.png") == firstDrawing, oldFileReplaced);
    QCOMPARE(readAll(out + "/view-Pencil.png") == old, !oldFileReplaced);
    if (policy == "number") {
        QVERIFY(readAll(out + "/view-Pencil-2.png") == firstDrawing);
        QCOMPARE(observer.written.value(1), out + "/view-Pencil-3.png");
    }
    if (policy == "overwrite") {
        QVERIFY2(observer.failures.value(1).contains(
                     QStringLiteral("its output \"%1\" is the output of \"%2\"")
                         .arg(out + "/view-Pencil.png", first)),
                 qPrintable(observer.failures.value(1)));
    }
}

void TestBatchRenderer::namePatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("fileName"); // empty when the pattern is refused
    QTest::addColumn<QString>("reason");

    QTest::newRow("default") << defaultNamePattern() << "/p/garden.jpg"
                             << "garden-Pencil.png"
                             << "";
    QTest::newRow("two dots keep the first") << "{name}.{ext}"
                                             << "/p/holiday.2023.jpeg"
                                             << "holiday.2023.png"
                                             << "";
    QTest::newRow("fields twice, text between") << "{filter} {name} ({name}).{ext}"
                                                << "x/a.tif"
                                                << "Pencil a (a).png"
                                                << "";
    QTest::newRow("unknown field stays") << "{name}-{date}.{ext}"
                                         << "a.png"
                                         << "a-{date}.png"
                                         << "";
    QTest::newRow("a base name holding a field") << "{name}.{ext}"
                                                 << "/p/{filter}.png"
                                                 << "{filter}.png"
                                                 << "";
    QTest::newRow("no {name}") << "{filter}.{ext}"
                               << "a.png"
                               << ""
                               << "no {name}";
    QTest::newRow("empty") << ""
                           << "a.png"
                           << ""
                           << "empty";
    QTest::newRow("blank") << "   "
                           << "a.png"
                           << ""
                           << "empty";
    QTest::newRow("slash") << "out/{name}.{ext}"
                           << "a.png"
                           << ""
                           << "path separator";
    QTest::newRow("backslash") << "{name}\\x.{ext}"
                               << "a.png"
                               << ""
                               << "path separator";
    QTest::newRow("no {ext}") << "{name}"
                              << "a.png"
                              << ""
                              << "the pattern has no {ext}";
    QTest::newRow("{ext unclosed") << "{name}.{ext"
                                   << "a.png"
                                   << ""
                                   << "\"{ext\" lacks its closing \"}\"";
    QTest::newRow("{ext} not at the end") << "{name}.{ext}.bak"
                                          << "a.png"
                                          << ""
                                          << "does not end in .{ext}";
    QTest::newRow("control character") << "{name}\n.{ext}"
                                       << "a.png"
                                       << ""
                                       << "control";
}

void TestBatchRenderer::namePatterns()
{
    QFETCH(QString, pattern);
    QFETCH(QString, input);
    QFETCH(QString, fileName);
    QFETCH(QString, reason);

    const QString problem = checkNamePattern(pattern);
    QCOMPARE(problem.isEmpty(), reason.isEmpty());
    QVERIFY2(problem.contains(reason), qPrintable(problem));
    if (!fileName.isEmpty()) {
        QCOMPARE(patternFileName(pattern, input, "Pencil", "png"), fileName);
        return;
    }

    // A batch with a refused pattern renders nothing and says why.
    const QString out = m_dir.filePath("refused-pattern");
    QDir(out).removeRecursively();
    BatchSettings settings = settingsFor("Pencil", {m_photo}, out);
    settings.pattern = pattern;
    RecordingObserver observer;
    const BatchSummary summary = BatchRenderer().run(settings, &observer);
    QVERIFY2(summary.error.contains(reason), qPrintable(summary.error));
    QCOMPARE(summary.written + summary.failed + summary.skipped, 0);
    QVERIFY(observer.events.isEmpty());
    QCOMPARE(observer.finishedCalls, 1);
    QVERIFY(!QFileInfo::exists(out));
}

void TestBatchRenderer::cancelKeepsFinishedFiles_data()
{
    QTest::addColumn<int>("concurrency");
    QTest::addColumn<QString>("moment");

    QTest::newRow("as the second's render starts") << 1 << "render";
    QTest::newRow("during the second's render") << 1 << "progress";
    QTest::newRow("as the second's render reaches 100 %") << 1 << "end";
    QTest::newRow("two at a time, once the first is written") << 2 << "written";
}

void TestBatchRenderer::cancelKeepsFinishedFiles()
{
    QFETCH(int, concurrency);
    QFETCH(QString, moment);

    // Larger pictures, so that a render reports progress before it ends.
    const QString folder = freshDirectory("cancel-in");
    QStringList inputs;
    for (int i = 0; i < 3; ++i) {
        inputs.append(QStringLiteral("%1/p%2.png").arg(folder).arg(i));
        QVERIFY(photoPicture(320, 240, i % 2).save(inputs.last()));
    }
    const QString out = m_dir.filePath("cancel-out");
    QDir(out).removeRecursively();

    BatchSettings settings = settingsFor("Oil", inputs, out);
    settings.suffix = "png";
    settings.concurrency = concurrency;
    BatchRenderer renderer;
    RecordingObserver observer;
    observer.renderer = &renderer;
    if (moment == "render")
        observer.cancelAtRender = 1;
    else if (moment == "progress" || moment == "end")
        observer.cancelAtProgress = 1;
    else
        observer.cancelAtWritten = 0;
    observer.cancelPercent = moment == "end" ? 100 : 1;
    const BatchSummary summary = renderer.run(settings, &observer);

    QVERIFY(summary.cancelled);
    QVERIFY(renderer.isCancelled());
    QCOMPARE(summary.failed, 0);
    QCOMPARE(observer.finishedCalls, 1);
    QVERIFY(!observer.events.contains("started 2"));
    // The second picture is told as stopped (no file), unless its render had ended before the
    // cancel: then it is written. A render cancelled as it starts is always stopped.
    const bool secondWritten = observer.events.contains("written 1");
    QCOMPARE(observer.events.contains("cancelled 1"), !secondWritten);
    QVERIFY(!secondWritten || moment != "render");
    QCOMPARE(summary.written, secondWritten ? 2 : 1);
    // The finished pictures stay; nothing else, no temporary file either.
    QStringList files = {"p0-Oil.png"};
    if (secondWritten)
        files.append("p1-Oil.png");
    QCOMPARE(filesIn(out), files);
    for (const QString& file : files)
        QVERIFY(!readPicture(out + "/" + file).isNull());
}

QTEST_GUILESS_MAIN(TestBatchRenderer)
#include "test_batch_renderer.moc"
