#include "ui/processing/progress_window.h"
#include "ui/widgets/bevel_button.h"

#include <QPointer>
#include <QProgressBar>
#include <QtTest>

namespace {

// The overall value the panel should show, worked out the long way: phase `phase` of `total`
// covers [100 * phase / total, 100 * (phase + 1) / total], rounded down.
int expectedValue(int p, int phase, int total)
{
    return int(std::floor(100.0 * phase / total + double(p) / total + 1e-9));
}

} // namespace

class TestProgressWindow : public QObject
{
    Q_OBJECT

private slots:
    void overallValue_data();
    void overallValue();
    void matchesTheLongWayForEveryPhase_data();
    void matchesTheLongWayForEveryPhase();
    void threePhasesEndAt100();
    void valueWithoutAPhaseCountShowsThePercentage_data();
    void valueWithoutAPhaseCountShowsThePercentage();
    void stageGoesOnASecondLine_data();
    void stageGoesOnASecondLine();
    void cancelHidesAtOnceAndReports();
    void closeRequestIsIgnored();
    void sitsAtTheTopCentreOfItsParent_data();
    void sitsAtTheTopCentreOfItsParent();
    void panelLooksAsDesigned();
};

void TestProgressWindow::overallValue_data()
{
    QTest::addColumn<int>("phases");
    QTest::addColumn<int>("nextPhases");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("shown");
    QTest::newRow("2 phases, 50 in phase 0") << 2 << 0 << 50 << 25;
    QTest::newRow("2 phases, 50 in phase 1") << 2 << 1 << 50 << 75;
    QTest::newRow("2 phases, 100 in phase 1") << 2 << 1 << 100 << 100;
    QTest::newRow("1 phase, 0") << 1 << 0 << 0 << 0;
    QTest::newRow("1 phase, 100") << 1 << 0 << 100 << 100;
    QTest::newRow("3 phases, start of phase 1") << 3 << 1 << 0 << 33;
    QTest::newRow("3 phases, start of phase 2") << 3 << 2 << 0 << 66;
    QTest::newRow("3 phases, end") << 3 << 2 << 100 << 100;
    QTest::newRow("3 phases, 50 in phase 1 keeps the remainder") << 3 << 1 << 50 << 50;
    QTest::newRow("phase past the last stays in the last band") << 3 << 5 << 50 << 83;
    QTest::newRow("percentage above 100 is held at 100") << 1 << 0 << 150 << 100;
    QTest::newRow("negative percentage is held at 0") << 2 << 1 << -10 << 50;
}

void TestProgressWindow::overallValue()
{
    QFETCH(int, phases);
    QFETCH(int, nextPhases);
    QFETCH(int, percent);
    QFETCH(int, shown);
    QWidget view;
    ProgressWindow panel(&view);
    panel.set_total_phases(phases);
    for (int i = 0; i < nextPhases; ++i)
        panel.next_phase();
    panel.set_value(percent);
    QCOMPARE(panel.value(), shown);
}

void TestProgressWindow::matchesTheLongWayForEveryPhase_data()
{
    QTest::addColumn<int>("phases");
    for (int phases = 1; phases <= 7; ++phases)
        QTest::addRow("%d phases", phases) << phases;
}

void TestProgressWindow::matchesTheLongWayForEveryPhase()
{
    QFETCH(int, phases);
    QWidget view;
    ProgressWindow panel(&view);
    panel.set_total_phases(phases);
    int previous = 0;
    for (int phase = 0; phase < phases; ++phase) {
        for (int p = 0; p <= 100; ++p) {
            panel.set_value(p);
            QCOMPARE(panel.value(), expectedValue(p, phase, phases));
            // The bar never runs backwards over a run.
            QVERIFY(panel.value() >= previous);
            previous = panel.value();
        }
        panel.next_phase();
    }
}

void TestProgressWindow::threePhasesEndAt100()
{
    QWidget view;
    ProgressWindow panel(&view);
    panel.set_total_phases(3);
    // Reports past the last phase (they restart at 0 in the last band) never move the bar back.
    int previous = 0;
    for (int phase = 0; phase < 5; ++phase) {
        for (int p = 0; p <= 100; p += 5) {
            panel.set_value(p);
            QVERIFY(panel.value() >= previous);
            previous = panel.value();
        }
        panel.next_phase();
    }
    QCOMPARE(previous, 100);
}

void TestProgressWindow::valueWithoutAPhaseCountShowsThePercentage_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("nextPhases");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("37") << 37 << 0;
    QTest::newRow("100") << 100 << 0;
    QTest::newRow("37 after a phase change") << 37 << 2;
}

void TestProgressWindow::valueWithoutAPhaseCountShowsThePercentage()
{
    QFETCH(int, percent);
    QFETCH(int, nextPhases);
    QWidget view;
    ProgressWindow panel(&view);
    for (int i = 0; i < nextPhases; ++i)
        panel.next_phase();
    panel.set_value(percent);
    QCOMPARE(panel.value(), percent);
    panel.set_total_phases(0);
    panel.set_value(percent);
    QCOMPARE(panel.value(), percent);
}

void TestProgressWindow::stageGoesOnASecondLine_data()
{
    QTest::addColumn<QString>("stage");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("Drawing strokes")
                           << QStringLiteral("Rendering...<br>Drawing strokes");
    QTest::newRow("empty") << QString() << QStringLiteral("Rendering...<br>");
    QTest::newRow("markup is shown as text")
        << QStringLiteral("<b>Paper</b> & canvas")
        << QStringLiteral("Rendering...<br>&lt;b&gt;Paper&lt;/b&gt; "
                          "&amp; canvas");
}

void TestProgressWindow::stageGoesOnASecondLine()
{
    QFETCH(QString, stage);
    QFETCH(QString, text);
    QWidget view;
    ProgressWindow panel(&view);
    QCOMPARE(panel.text(), QStringLiteral("Rendering..."));
    panel.set_label(stage);
    QCOMPARE(panel.text(), text);
}

void TestProgressWindow::cancelHidesAtOnceAndReports()
{
    QWidget view;
    view.resize(600, 400);
    auto* panel = new ProgressWindow(&view);
    QSignalSpy cancelled(panel, &ProgressWindow::cancelled);
    view.show();
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(panel->isVisible());

    auto* cancel = panel->findChild<BevelButton*>();
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    // The slot connected to cancelled() already sees the panel hidden.
    bool hiddenWhenReported = false;
    connect(panel, &ProgressWindow::cancelled, this,
            [&] { hiddenWhenReported = !panel->isVisible(); });
    QTest::mouseClick(cancel, Qt::LeftButton);
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(hiddenWhenReported);
    QVERIFY(!panel->isVisible());
}

void TestProgressWindow::closeRequestIsIgnored()
{
    QWidget view;
    view.resize(600, 400);
    QPointer<ProgressWindow> panel = new ProgressWindow(&view);
    QSignalSpy cancelled(panel.data(), &ProgressWindow::cancelled);
    view.show();
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QVERIFY(!panel->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(panel);
    QVERIFY(panel->isVisible());
    QCOMPARE(cancelled.count(), 0);
}

void TestProgressWindow::sitsAtTheTopCentreOfItsParent_data()
{
    QTest::addColumn<QSize>("viewSize");
    QTest::addColumn<QSize>("resizedTo");
    QTest::newRow("800 x 600") << QSize(800, 600) << QSize(1001, 700);
    QTest::newRow("odd width") << QSize(541, 300) << QSize(500, 300);
    QTest::newRow("narrower than the panel") << QSize(300, 200) << QSize(900, 200);
}

void TestProgressWindow::sitsAtTheTopCentreOfItsParent()
{
    QFETCH(QSize, viewSize);
    QFETCH(QSize, resizedTo);
    QWidget view;
    view.resize(viewSize);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto* panel = new ProgressWindow(&view);
    panel->show();
    QCOMPARE(panel->pos(), QPoint(viewSize.width() / 2 - 340 / 2, 0));
    // Drawn inside the view, not as a window of its own.
    QVERIFY(!panel->isWindow());
    QCOMPARE(panel->parentWidget(), &view);

    view.resize(resizedTo);
    QTRY_COMPARE(view.size(), resizedTo);
    QTRY_COMPARE(panel->pos(), QPoint(resizedTo.width() / 2 - 340 / 2, 0));
}

void TestProgressWindow::panelLooksAsDesigned()
{
    QWidget view;
    ProgressWindow panel(&view);
    QCOMPARE(panel.size(), QSize(340, 120));
    QCOMPARE(panel.minimumSize(), QSize(340, 120));
    QCOMPARE(panel.maximumSize(), QSize(340, 120));
    QCOMPARE(panel.windowTitle(), QStringLiteral("Drawlume"));
    QVERIFY(panel.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(panel.palette().color(QPalette::Active, QPalette::Window), QColor(237, 237, 237));
    const QProgressBar* bar = panel.findChild<QProgressBar*>();
    QVERIFY(bar);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QVERIFY(!bar->isTextVisible());
    QCOMPARE(bar->maximumWidth(), 304);
    QCOMPARE(panel.value(), 0);
}

QTEST_MAIN(TestProgressWindow)
#include "test_progress_window.moc"
