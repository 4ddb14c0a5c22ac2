#include "core/filters/filter_adapter.h"
#include "core/filters/filter_list.h"
#include "core/framework/iprogress_reporter.h"
#include "core/raster/parallel_rows.h"
#include "core/raster/pixel_rows.h"
#include "core/raster/random.h"
#include "core/raster/working_memory.h"
#include "processing/progress_reporter.h"
#include "processing/worker.h"
#include "support/test_pictures.h"

#include <QtTest>

#include <atomic>
#include <functional>
#include <new>

namespace {

// A filter that works until it is cancelled or released, counting what happens to it.
class ControlledFilter : public Filter
{
public:
    QString name() const override { return QStringLiteral("Controlled"); }
    QImage& image() override { return m_image; }
    void setImage(const QImage& image) override { m_image = image; }
    void setParameters(const FilterParametersPtr&) override {}
    void setProgressReporter(IProgressReporter* reporter) override { m_reporter = reporter; }
    void setStrokeMemory(const StrokeMemoryPtr&) override {}
    void run() override
    {
        runs.fetch_add(1);
        m_stop.store(false);
        if (reportImage && m_reporter) {
            m_image.fill(0xFF00FF00u);
            m_reporter->report_update_image();
            afterImageReport.store(true);
        }
        while (!m_stop.load() && !released.load())
            QThread::msleep(1);
        stopped.store(true);
    }
    void cancel() override
    {
        cancels.fetch_add(1);
        m_stop.store(true);
    }

    std::atomic<int> runs{0};
    std::atomic<int> cancels{0};
    std::atomic<bool> released{false};
    std::atomic<bool> stopped{false};
    std::atomic<bool> afterImageReport{false};
    bool reportImage = false;

private:
    QImage m_image;
    IProgressReporter* m_reporter = nullptr;
    std::atomic<bool> m_stop{false};
};

// A filter whose run is a given piece of work: where a render runs out of memory.
class ScriptedFilter : public Filter
{
public:
    explicit ScriptedFilter(std::function<void(QImage&)> work) : m_work(std::move(work)) {}
    QString name() const override { return QStringLiteral("Scripted"); }
    QImage& image() override { return m_image; }
    void setImage(const QImage& image) override { m_image = image; }
    void setParameters(const FilterParametersPtr&) override {}
    void setProgressReporter(IProgressReporter*) override {}
    void setStrokeMemory(const StrokeMemoryPtr&) override {}
    void run() override { m_work(m_image); }
    void cancel() override {}

private:
    std::function<void(QImage&)> m_work;
    QImage m_image;
};

using Work = std::function<void(QImage&)>;

} // namespace

Q_DECLARE_METATYPE(Work)

class TestWorker : public QObject
{
    Q_OBJECT

private slots:
    void cancelBeforeTheFirstCheckStillFinishesOnce();
    void cancellingTwiceIsHarmless();
    void destroyingARunningWorkerWaitsForTheFilter();
    void runWithoutReporterEmitsOnlyStartedAndFinished();
    void imageReportWaitsUntilHandled();
    void everyRunDrawsTheSameRandomNumbers();
    void reporterEmitsOneSignalPerReport();
    void aRenderOutOfMemoryEndsWithoutAPicture_data();
    void aRenderOutOfMemoryEndsWithoutAPicture();
};

void TestWorker::cancelBeforeTheFirstCheckStillFinishesOnce()
{
    QSharedPointer<ControlledFilter> filter(new ControlledFilter);
    Worker worker(filter, nullptr);
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start();
    worker.slot_cancelled();
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.count(), 1);
    QVERIFY(worker.was_cancelled());
    QVERIFY(filter->cancels.load() >= 1);
}

void TestWorker::cancellingTwiceIsHarmless()
{
    QSharedPointer<ControlledFilter> filter(new ControlledFilter);
    Worker worker(filter, nullptr);
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start();
    QTRY_COMPARE(filter->runs.load(), 1);
    worker.slot_cancelled();
    worker.slot_cancelled();
    QVERIFY(finished.wait(5000));
    QCOMPARE(filter->cancels.load(), 2);
    QVERIFY(worker.was_cancelled());
    QCOMPARE(finished.count(), 1);
}

void TestWorker::destroyingARunningWorkerWaitsForTheFilter()
{
    QSharedPointer<ControlledFilter> filter(new ControlledFilter);
    auto* worker = new Worker(filter, nullptr);
    worker->start();
    QTRY_COMPARE(filter->runs.load(), 1);
    QVERIFY(!filter->stopped.load());
    delete worker;
    QVERIFY(filter->stopped.load());
    QCOMPARE(filter->cancels.load(), 1);
}

void TestWorker::runWithoutReporterEmitsOnlyStartedAndFinished()
{
    QSharedPointer<ControlledFilter> filter(new ControlledFilter);
    filter->released = true;
    filter->setImage(scenePicture(10, 10));
    Worker worker(filter, nullptr);
    QSignalSpy started(&worker, &QThread::started);
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!worker.was_cancelled());
    QCOMPARE(worker.result_image(), scenePicture(10, 10));
    worker.set_cache_key(CacheKey{"digest", "text"});
    QCOMPARE(worker.cache_key().parametersText, QStringLiteral("text"));
}

void TestWorker::imageReportWaitsUntilHandled()
{
    QSharedPointer<ControlledFilter> filter(new ControlledFilter);
    filter->reportImage = true;
    filter->released = true;
    filter->setImage(QImage(4, 4, QImage::Format_RGB32));
    QScopedPointer<IProgressReporter> reporter(create_progress_reporter());
    filter->setProgressReporter(reporter.data());
    Worker worker(filter, nullptr);

    bool workerWaited = false;
    QRgb shown = 0;
    connect(
        reporter.data(), &IProgressReporter::update_image, this,
        [&] {
            // Give the worker time to run on if it did not wait.
            QThread::msleep(50);
            workerWaited = !filter->afterImageReport.load();
            shown = filter->image().pixel(0, 0);
        },
        Qt::BlockingQueuedConnection);
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start();
    QVERIFY(finished.wait(5000));
    QVERIFY(workerWaited);
    QCOMPARE(shown, 0xFF00FF00u);
}

void TestWorker::everyRunDrawsTheSameRandomNumbers()
{
    QImage results[2];
    for (QImage& result : results) {
        // Draws on this thread must not change what the worker draws.
        for (int i = 0; i < 17; ++i)
            random15();
        FilterPtr filter = createFilter(QStringLiteral("Pencil"));
        filter->setImage(scenePicture(40, 30));
        filter->setParameters(defaultParameters(QStringLiteral("Pencil")));
        Worker worker(filter, nullptr);
        QSignalSpy finished(&worker, &QThread::finished);
        worker.start();
        QVERIFY(finished.wait(5000));
        result = worker.result_image();
    }
    QCOMPARE(results[1], results[0]);
}

void TestWorker::reporterEmitsOneSignalPerReport()
{
    QScopedPointer<IProgressReporter> reporter(create_progress_reporter());
    QVERIFY(!reporter->parent());
    QSignalSpy progress(reporter.data(), &IProgressReporter::progress);
    QSignalSpy image(reporter.data(), &IProgressReporter::update_image);
    QSignalSpy label(reporter.data(), &IProgressReporter::label);
    QSignalSpy phases(reporter.data(), &IProgressReporter::sig_set_total_phases);
    QSignalSpy next(reporter.data(), &IProgressReporter::sig_next_phase);
    reporter->report_total_phases(3);
    reporter->report_progress(42);
    reporter->report_label(QStringLiteral("Brushing"));
    reporter->report_update_image();
    reporter->report_next_phase();
    QCOMPARE(phases.count(), 1);
    QCOMPARE(phases.first().first().toInt(), 3);
    QCOMPARE(progress.first().first().toInt(), 42);
    QCOMPARE(label.first().first().toString(), QStringLiteral("Brushing"));
    QCOMPARE(image.count(), 1);
    QCOMPARE(next.count(), 1);
}

void TestWorker::aRenderOutOfMemoryEndsWithoutAPicture_data()
{
    QTest::addColumn<Work>("work");
    QTest::addColumn<bool>("outOfMemory");

    // Wherever the memory runs out (the filter's own thread, a helper thread of a split pixel
    // loop, a picture that could not be made), the render ends with no picture and says why.
    QTest::newRow("thrown by the filter") << Work([](QImage& image) {
        image.fill(0xFF0000FFu);
        throw std::bad_alloc();
    }) << true;
    QTest::newRow("thrown in a chunk on a helper thread") << Work([](QImage& image) {
        image.fill(0xFF0000FFu);
        parallelRows(0, image.height(), 2, 1, [](int begin, int, int worker) {
            if (worker == 1 || begin == 7)
                throw std::bad_alloc();
        });
    }) << true;
    QTest::newRow("thrown in a band of rows") << Work([](QImage& image) {
        pixel_rows::runBands(image.height(), 2, [](int band, int, int) {
            if (band == 1)
                throw std::bad_alloc();
        });
    }) << true;
    QTest::newRow("a picture that could not be had") << Work([](QImage& image) {
        image = QImage();
        requirePixels(image);
    }) << true;
    QTest::newRow("split loops that finish") << Work([](QImage& image) {
        parallelRows(0, image.height(), 2, 1, [&image](int begin, int end, int) {
            for (int y = begin; y < end; ++y)
                std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), image.width(), 0xFF00FF00u);
        });
        pixel_rows::runBands(image.height(), 2, [](int, int, int) {});
    }) << false;
}

void TestWorker::aRenderOutOfMemoryEndsWithoutAPicture()
{
    QFETCH(Work, work);
    QFETCH(bool, outOfMemory);
    FilterPtr filter(new ScriptedFilter(work));
    filter->setImage(scenePicture(40, 30));
    Worker worker(filter, nullptr);
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(worker.out_of_memory(), outOfMemory);
    QVERIFY(!worker.was_cancelled());
    if (outOfMemory) {
        QVERIFY(worker.result_image().isNull());
        QCOMPARE(worker.out_of_memory_message(),
                 QStringLiteral("not enough memory for a 40 x 30 picture with Scripted"));
    } else {
        QCOMPARE(worker.result_image().size(), QSize(40, 30));
        QCOMPARE(worker.result_image().pixel(39, 29), 0xFF00FF00u);
    }
}

QTEST_GUILESS_MAIN(TestWorker)
#include "test_worker.moc"
