// The pencil filter's own steps: the drawing, then the paper printed on it. What every filter
// does alike is in test_filter_properties.cpp.

#include "core/algorithms/paper_catalogue.h"
#include "support/filter_runs.h"
#include "support/recording_reporter.h"
#include "support/test_pictures.h"

#include <QtTest>

namespace {

const QString kPencil = QStringLiteral("Pencil");

} // namespace

class TestPencilFilter : public QObject
{
    Q_OBJECT

private slots:
    void textureIsPrintedOnTheDrawing();
    void cancelBeforeTheTexturePhaseSkipsIt();
    void incompleteSettingsPassThePictureThrough();
};

void TestPencilFilter::textureIsPrintedOnTheDrawing()
{
    const QImage picture = scenePicture(64, 48);
    const QImage drawing = runFilter(picture, renderSet(kPencil, {}, 1.0));
    const QImage printed =
        runFilter(picture, renderSet(kPencil, {{Keys::Texture::paper, "Kraft paper"}}, 1.0));
    const QImage kraft = loadPaperTexture(QStringLiteral("Kraft paper"));
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb d = drawing.pixel(x, y), t = kraft.pixel(x, y), p = printed.pixel(x, y);
            QCOMPARE(qRed(p), qRed(t) * qRed(d) / 256);
            QCOMPARE(qBlue(p), qBlue(t) * qBlue(d) / 256);
        }
    }
}

void TestPencilFilter::cancelBeforeTheTexturePhaseSkipsIt()
{
    const QImage picture = scenePicture(60, 40);
    const QImage drawing = runFilter(picture, renderSet(kPencil, {}, 1.0));

    const FilterPtr filter = createFilter(kPencil);
    RecordingReporter reporter;
    // Cancel as the drawing finishes: the drawing stands, the texture does not run.
    reporter.onCall = [&](const QString& call) {
        if (call == QLatin1String("progress 100"))
            filter->cancel();
    };
    const QImage result =
        runFilter(picture, renderSet(kPencil, {{Keys::Texture::paper, "Kraft paper"}}, 1.0),
                  &reporter, filter);
    QCOMPARE(reporter.calls(QStringLiteral("phases")), QStringList{"phases 2"});
    QVERIFY(reporter.calls(QStringLiteral("next")).isEmpty());
    QCOMPARE(result, drawing);
}

void TestPencilFilter::incompleteSettingsPassThePictureThrough()
{
    const QImage picture = scenePicture(30, 20);
    FilterParametersPtr set = renderSet(kPencil, {}, 1.0);
    set->remove(Keys::Pencil::strokeLength);
    RecordingReporter reporter;
    QCOMPARE(runFilter(picture, set, &reporter), picture);
    QCOMPARE(reporter.calls(QStringLiteral("phases")), QStringList{"phases 0"});
}

QTEST_GUILESS_MAIN(TestPencilFilter)
#include "test_pencil_filter.moc"
