#include "core/algorithms/pencil_renderer.h"
#include "support/test_pictures.h"

#include <QtTest>

#include <cmath>

namespace {

// The edge drawing written straight from its definition, pixel by pixel through QImage::pixel.
QImage slowGradientStrokes(const QImage& source, int threshold, int darkness, int length)
{
    const int W = source.width(), H = source.height();
    QImage out(source.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    const auto Y = [&](int x, int y) {
        const QRgb p = source.pixel(x, y);
        return (30 * qRed(p) + 59 * qGreen(p) + 11 * qBlue(p)) / 100;
    };
    for (int y = 1; y <= H - 2; ++y) {
        for (int x = 1; x <= W - 2; ++x) {
            int gx = (Y(x - 1, y - 1) + 2 * Y(x - 1, y) + Y(x - 1, y + 1)) -
                     (Y(x + 1, y - 1) + 2 * Y(x + 1, y) + Y(x + 1, y + 1));
            int gy = (Y(x - 1, y - 1) + 2 * Y(x, y - 1) + Y(x + 1, y - 1)) -
                     (Y(x - 1, y + 1) + 2 * Y(x, y + 1) + Y(x + 1, y + 1));
            gx /= 4;
            gy /= 4;
            const int a = std::abs(gx) + std::abs(gy);
            if ((a >> 1) < threshold || std::abs(std::abs(gx) - std::abs(gy)) <= 1)
                continue;
            const double theta = std::atan2(double(gy), double(gx));
            const int steps = length * (a >> 3) / 50;
            const int d0 = length * (a >> 2) / 50 + (150 - darkness) / (-4);
            if (d0 <= 0)
                continue;
            int d = d0;
            for (int k = 0;; ++k) {
                const int dx = int(std::floor(k * std::cos(theta)));
                const int dy = int(std::floor(k * std::sin(theta)));
                for (int sign : {-1, 1}) {
                    const int cx = x + sign * dx, cy = y + sign * dy;
                    if (cx >= 0 && cx < W - 1 && cy >= 0 && cy < H - 1) {
                        const QRgb p = out.pixel(cx, cy);
                        out.setPixel(cx, cy,
                                     qRgb(std::max(qRed(p) - d, 0), std::max(qGreen(p) - d, 0),
                                          std::max(qBlue(p) - d, 0)));
                    }
                }
                if (k + 1 > steps)
                    break;
                d = d0 - (k + 1);
                if (d <= 0)
                    break;
            }
        }
    }
    return out;
}

// The edge drawing as a 32-bit picture, once it is checked to be the grey one-byte picture the
// painters read.
QImage drawingAsRgb(const QImage& drawing)
{
    if (drawing.format() != QImage::Format_Grayscale8)
        return QImage();
    return drawing.convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPencilRenderer : public QObject
{
    Q_OBJECT

private slots:
    void gradientDrawingOfAFlatPictureIsWhite();
    void gradientDrawingOfAOnePixelWidePictureIsTheWhiteCopy_data();
    void gradientDrawingOfAOnePixelWidePictureIsTheWhiteCopy();
    void gradientDrawingMatchesItsDefinition_data();
    void gradientDrawingMatchesItsDefinition();
    void gradientDrawingDarkensAcrossEdges();
};

void TestPencilRenderer::gradientDrawingOfAFlatPictureIsWhite()
{
    QImage flat(40, 30, QImage::Format_RGB32);
    flat.fill(qRgb(90, 120, 30));
    QImage white(40, 30, QImage::Format_RGB32);
    white.fill(Qt::white);
    QCOMPARE(drawingAsRgb(PencilRenderer::gradientStrokeDrawing(flat, 4, 180, 20)), white);
}

void TestPencilRenderer::gradientDrawingOfAOnePixelWidePictureIsTheWhiteCopy_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1 wide") << QSize(1, 30);
    QTest::newRow("1 high") << QSize(30, 1);
    QTest::newRow("2 wide") << QSize(2, 30);
}

void TestPencilRenderer::gradientDrawingOfAOnePixelWidePictureIsTheWhiteCopy()
{
    QFETCH(QSize, size);
    const QImage picture = randomPicture(size.width(), size.height(), QImage::Format_RGB32, 5);
    QImage white(size, QImage::Format_RGB32);
    white.fill(Qt::white);
    QCOMPARE(drawingAsRgb(PencilRenderer::gradientStrokeDrawing(picture, 4, 180, 20)), white);
}

void TestPencilRenderer::gradientDrawingMatchesItsDefinition_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("darkness");
    QTest::addColumn<int>("length");
    QTest::newRow("scene") << scenePicture(70, 50) << 4 << 180 << 20;
    QTest::newRow("noise") << randomPicture(40, 30, QImage::Format_RGB32, 7) << 4 << 180 << 20;
    QTest::newRow("long strokes") << scenePicture(50, 40) << 2 << 220 << 100;
    QTest::newRow("light") << randomPicture(30, 30, QImage::Format_RGB32, 8) << 10 << 100 << 35;
}

void TestPencilRenderer::gradientDrawingMatchesItsDefinition()
{
    QFETCH(QImage, picture);
    QFETCH(int, threshold);
    QFETCH(int, darkness);
    QFETCH(int, length);
    QCOMPARE(
        drawingAsRgb(PencilRenderer::gradientStrokeDrawing(picture, threshold, darkness, length)),
        slowGradientStrokes(picture, threshold, darkness, length));
}

void TestPencilRenderer::gradientDrawingDarkensAcrossEdges()
{
    QImage picture(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y, x < 20 ? qRgb(20, 20, 20) : qRgb(230, 230, 230));
    }
    const QImage out = PencilRenderer::gradientStrokeDrawing(picture, 4, 180, 20);
    QVERIFY(qRed(out.pixel(19, 10)) < 200);
    QCOMPARE(out.pixel(5, 10), qRgb(255, 255, 255));
    QCOMPARE(out.pixel(35, 10), qRgb(255, 255, 255));
}

QTEST_GUILESS_MAIN(TestPencilRenderer)
#include "test_pencil_renderer.moc"
