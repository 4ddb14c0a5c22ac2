// Properties of the algorithm resources that tools/generate_resources makes and the core library
// compiles in: paper and canvas textures, the watercolor and impasto grounds, and the brush and
// crayon bitmaps. Everything is read back through the ":/" bundle, as the algorithms read it.

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

QByteArray resourceBytes(const QString& name)
{
    QFile file(QStringLiteral(":/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QImage resourceImage(const QString& name)
{
    return QImage(QStringLiteral(":/") + name);
}

// Number of colour components in a JPEG's frame header, or -1 if there is none.
int jpegComponents(const QByteArray& bytes)
{
    const auto byte = [&](int i) { return static_cast<unsigned char>(bytes.at(i)); };
    if (bytes.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return -1;
    int pos = 2;
    while (pos + 4 <= bytes.size()) {
        if (byte(pos) != 0xFF)
            return -1;
        const int marker = byte(pos + 1);
        const int length = (byte(pos + 2) << 8) | byte(pos + 3);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return pos + 9 < bytes.size() ? byte(pos + 9) : -1;
        if (marker == 0xDA || marker == 0xD9) // scan data or end before any frame header
            return -1;
        pos += 2 + length;
    }
    return -1;
}

// Bits per pixel of a BMP file (BITMAPINFOHEADER field at byte 28).
int bmpBitCount(const QByteArray& bytes)
{
    if (bytes.size() < 30 || !bytes.startsWith("BM"))
        return -1;
    return static_cast<unsigned char>(bytes.at(28)) |
           (static_cast<unsigned char>(bytes.at(29)) << 8);
}

struct GreyStatistics
{
    double mean = 0.0;
    double deviation = 0.0;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

GreyStatistics statistics(const QImage& source)
{
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    double sum = 0.0, sum2 = 0.0, r = 0.0, g = 0.0, b = 0.0;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double grey = qGray(line[x]);
            sum += grey;
            sum2 += grey * grey;
            r += qRed(line[x]);
            g += qGreen(line[x]);
            b += qBlue(line[x]);
        }
    }
    const double n = double(img.width()) * img.height();
    GreyStatistics s;
    s.mean = sum / n;
    s.deviation = std::sqrt(std::max(0.0, sum2 / n - s.mean * s.mean));
    s.red = r / n;
    s.green = g / n;
    s.blue = b / n;
    return s;
}

// Mean absolute difference over all channels between column a and column b.
double columnDifference(const QImage& img, int a, int b)
{
    double sum = 0.0;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        sum += std::abs(qRed(line[a]) - qRed(line[b])) +
               std::abs(qGreen(line[a]) - qGreen(line[b])) +
               std::abs(qBlue(line[a]) - qBlue(line[b]));
    }
    return sum / (3.0 * img.height());
}

double rowDifference(const QImage& img, int a, int b)
{
    const auto* la = reinterpret_cast<const QRgb*>(img.constScanLine(a));
    const auto* lb = reinterpret_cast<const QRgb*>(img.constScanLine(b));
    double sum = 0.0;
    for (int x = 0; x < img.width(); ++x)
        sum += std::abs(qRed(la[x]) - qRed(lb[x])) + std::abs(qGreen(la[x]) - qGreen(lb[x])) +
               std::abs(qBlue(la[x]) - qBlue(lb[x]));
    return sum / (3.0 * img.width());
}

void addTextureRows()
{
    QTest::newRow("Coarse-grained-canvas") << QStringLiteral("Coarse-grained-canvas.jpg");
    QTest::newRow("Watercolor-paper") << QStringLiteral("Watercolor-paper.jpg");
    QTest::newRow("Pastel-paper") << QStringLiteral("Pastel-paper.jpg");
    QTest::newRow("Old-paper") << QStringLiteral("Old-paper.jpg");
    QTest::newRow("Linen-canvas") << QStringLiteral("Linen-canvas.jpg");
    QTest::newRow("Kraft-paper") << QStringLiteral("Kraft-paper.jpg");
    QTest::newRow("Crumpled-paper") << QStringLiteral("Crumpled-paper.jpg");
    QTest::newRow("Rice-paper") << QStringLiteral("Rice-paper.jpg");
    QTest::newRow("Fine-grained-canvas") << QStringLiteral("Fine-grained-canvas.jpg");
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void bundleHoldsTheResources();
    void sizes_data();
    void sizes();
    void texturesAreColourJpegs_data();
    void texturesAreColourJpegs();
    void pencilImageIsSingleChannel();
    void bitmapBitCount_data();
    void bitmapBitCount();
    void whitePapersAreLight_data();
    void whitePapersAreLight();
    void tintedPapersStayReadable_data();
    void tintedPapersStayReadable();
    void groundsHaveModerateGrain_data();
    void groundsHaveModerateGrain();
    void markedFractions_data();
    void markedFractions();
    void strokesAreGreyOnPureWhite_data();
    void strokesAreGreyOnPureWhite();
    void brushstrokeIsLongThinAndDarkInTheMiddle();
    void texturesTileWithoutSeams_data();
    void texturesTileWithoutSeams();
};

void TestResources::bundleHoldsTheResources()
{
    QVERIFY(QFile::exists(QStringLiteral(":/Kraft-paper.jpg")));
    QVERIFY(!resourceImage(QStringLiteral("Kraft-paper.jpg")).isNull());
}

void TestResources::sizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("Coarse-grained-canvas") << "Coarse-grained-canvas.jpg" << QSize(512, 512);
    QTest::newRow("Watercolor-paper") << "Watercolor-paper.jpg" << QSize(600, 600);
    QTest::newRow("Pastel-paper") << "Pastel-paper.jpg" << QSize(1000, 1000);
    QTest::newRow("Old-paper") << "Old-paper.jpg" << QSize(400, 400);
    QTest::newRow("Linen-canvas") << "Linen-canvas.jpg" << QSize(800, 600);
    QTest::newRow("Kraft-paper") << "Kraft-paper.jpg" << QSize(448, 392);
    QTest::newRow("Crumpled-paper") << "Crumpled-paper.jpg" << QSize(1000, 1000);
    QTest::newRow("Rice-paper") << "Rice-paper.jpg" << QSize(427, 397);
    QTest::newRow("Fine-grained-canvas") << "Fine-grained-canvas.jpg" << QSize(600, 600);
    QTest::newRow("watercolor-texture") << "watercolor-texture.jpg" << QSize(1024, 768);
    QTest::newRow("impastotexture") << "impastotexture.jpg" << QSize(1024, 768);
    QTest::newRow("stroke11") << "stroke11.bmp" << QSize(250, 250);
    QTest::newRow("brushstroke") << "brushstroke.bmp" << QSize(250, 250);
    QTest::newRow("pencilimage") << "pencilimage.jpg" << QSize(500, 500);
}

void TestResources::sizes()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage img = resourceImage(name);
    QVERIFY2(!img.isNull(), qPrintable(name));
    QCOMPARE(img.size(), size);
}

void TestResources::texturesAreColourJpegs_data()
{
    QTest::addColumn<QString>("name");
    addTextureRows();
    QTest::newRow("watercolor-texture") << QStringLiteral("watercolor-texture.jpg");
    QTest::newRow("impastotexture") << QStringLiteral("impastotexture.jpg");
}

void TestResources::texturesAreColourJpegs()
{
    QFETCH(QString, name);
    QCOMPARE(jpegComponents(resourceBytes(name)), 3);
    QCOMPARE(resourceImage(name).format(), QImage::Format_RGB32);
}

void TestResources::pencilImageIsSingleChannel()
{
    QCOMPARE(jpegComponents(resourceBytes(QStringLiteral("pencilimage.jpg"))), 1);
    QCOMPARE(resourceImage(QStringLiteral("pencilimage.jpg")).format(), QImage::Format_Grayscale8);
}

void TestResources::bitmapBitCount_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("bits");
    QTest::newRow("stroke11") << QStringLiteral("stroke11.bmp") << 24;
    QTest::newRow("brushstroke") << QStringLiteral("brushstroke.bmp") << 32;
}

void TestResources::bitmapBitCount()
{
    QFETCH(QString, name);
    QFETCH(int, bits);
    QCOMPARE(bmpBitCount(resourceBytes(name)), bits);
}

void TestResources::whitePapersAreLight_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Coarse-grained-canvas") << QStringLiteral("Coarse-grained-canvas.jpg");
    QTest::newRow("Watercolor-paper") << QStringLiteral("Watercolor-paper.jpg");
    QTest::newRow("Pastel-paper") << QStringLiteral("Pastel-paper.jpg");
    QTest::newRow("Linen-canvas") << QStringLiteral("Linen-canvas.jpg");
    QTest::newRow("Crumpled-paper") << QStringLiteral("Crumpled-paper.jpg");
    QTest::newRow("Rice-paper") << QStringLiteral("Rice-paper.jpg");
    QTest::newRow("Fine-grained-canvas") << QStringLiteral("Fine-grained-canvas.jpg");
}

// Multiplying a picture by one of these leaves it readable.
void TestResources::whitePapersAreLight()
{
    QFETCH(QString, name);
    const GreyStatistics s = statistics(resourceImage(name));
    QVERIFY2(s.mean >= 190.0, qPrintable(QStringLiteral("%1: mean %2").arg(name).arg(s.mean)));
    QVERIFY2(s.mean <= 250.0, qPrintable(QStringLiteral("%1: mean %2").arg(name).arg(s.mean)));
    QVERIFY2(s.deviation > 2.0,
             qPrintable(QStringLiteral("%1: flat, std %2").arg(name).arg(s.deviation)));
}

void TestResources::tintedPapersStayReadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minRedOverBlue"); // how much warmer than grey the paper must be
    QTest::newRow("Kraft-paper") << QStringLiteral("Kraft-paper.jpg") << 60.0;
    QTest::newRow("Old-paper") << QStringLiteral("Old-paper.jpg") << 40.0;
}

// Kraft and old paper darken and tint the picture, but not so much that it disappears.
void TestResources::tintedPapersStayReadable()
{
    QFETCH(QString, name);
    QFETCH(double, minRedOverBlue);
    const GreyStatistics s = statistics(resourceImage(name));
    QVERIFY2(s.mean >= 150.0 && s.mean <= 192.0,
             qPrintable(QStringLiteral("%1: mean %2").arg(name).arg(s.mean)));
    QVERIFY2(s.red > s.green && s.green > s.blue,
             qPrintable(QStringLiteral("%1: not warm").arg(name)));
    QVERIFY2(s.red - s.blue >= minRedOverBlue,
             qPrintable(QStringLiteral("%1: red %2 blue %3").arg(name).arg(s.red).arg(s.blue)));
}

void TestResources::groundsHaveModerateGrain_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("mean");
    QTest::newRow("watercolor-texture") << QStringLiteral("watercolor-texture.jpg") << 194.0;
    QTest::newRow("impastotexture") << QStringLiteral("impastotexture.jpg") << 204.0;
}

// The grounds are added as deltas around their mean: grey, centred where the algorithms expect,
// with enough grain to be seen and not so much that they become a picture of their own.
void TestResources::groundsHaveModerateGrain()
{
    QFETCH(QString, name);
    QFETCH(double, mean);
    const QImage img = resourceImage(name);
    const GreyStatistics s = statistics(img);
    QVERIFY2(std::fabs(s.mean - mean) <= 4.0,
             qPrintable(QStringLiteral("%1: mean %2").arg(name).arg(s.mean)));
    QVERIFY2(s.deviation >= 8.0 && s.deviation <= 20.0,
             qPrintable(QStringLiteral("%1: std %2").arg(name).arg(s.deviation)));
    QVERIFY(std::fabs(s.red - s.green) < 1.0 && std::fabs(s.green - s.blue) < 1.0);
}

void TestResources::markedFractions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("limit"); // a pixel counts when its red value is below this
    QTest::addColumn<double>("fraction");
    QTest::newRow("stroke11") << QStringLiteral("stroke11.bmp") << 250 << 0.13;
    QTest::newRow("pencilimage") << QStringLiteral("pencilimage.jpg") << 250 << 0.16;
}

void TestResources::markedFractions()
{
    QFETCH(QString, name);
    QFETCH(int, limit);
    QFETCH(double, fraction);
    const QImage img = resourceImage(name).convertToFormat(QImage::Format_RGB32);
    long marked = 0;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qRed(line[x]) < limit)
                ++marked;
    }
    const double measured = double(marked) / (double(img.width()) * img.height());
    QVERIFY2(std::fabs(measured - fraction) <= 0.015,
             qPrintable(QStringLiteral("%1: %2 marked").arg(name).arg(measured)));
}

void TestResources::strokesAreGreyOnPureWhite_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("stroke11") << QStringLiteral("stroke11.bmp");
    QTest::newRow("brushstroke") << QStringLiteral("brushstroke.bmp");
}

// Grey marks (R = G = B) on a background of exactly 255; stroke11's marks are at most 249, so its
// pixels are either paper or stroke.
void TestResources::strokesAreGreyOnPureWhite()
{
    QFETCH(QString, name);
    const QImage img = resourceImage(name).convertToFormat(QImage::Format_RGB32);
    int darkest = 255;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = line[x];
            QVERIFY2(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p),
                     qPrintable(QStringLiteral("%1: colour at %2,%3").arg(name).arg(x).arg(y)));
            darkest = std::min(darkest, qRed(p));
            if (name == QLatin1String("stroke11.bmp"))
                QVERIFY(qRed(p) == 255 || qRed(p) <= 249);
        }
    }
    QCOMPARE(qRed(img.pixel(0, 0)), 255);
    QCOMPARE(qRed(img.pixel(img.width() - 1, 0)), 255);
    QCOMPARE(qRed(img.pixel(0, img.height() - 1)), 255);
    QCOMPARE(qRed(img.pixel(img.width() - 1, img.height() - 1)), 255);
    QVERIFY2(darkest < 100, qPrintable(QStringLiteral("%1: darkest %2").arg(name).arg(darkest)));
}

void TestResources::brushstrokeIsLongThinAndDarkInTheMiddle()
{
    const QImage img =
        resourceImage(QStringLiteral("brushstroke.bmp")).convertToFormat(QImage::Format_RGB32);
    QVERIFY(qRed(img.pixel(img.width() / 2, img.height() / 2)) < 20);
    int x0 = img.width(), x1 = -1, y0 = img.height(), y1 = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qRed(img.pixel(x, y)) < 255) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    QVERIFY(x1 >= x0 && y1 >= y0);
    // Long and thin, tilted a little: far wider than tall, but taller than the ellipse's own
    // thickness because of the tilt.
    QVERIFY2(x1 - x0 > 3 * (y1 - y0),
             qPrintable(QStringLiteral("%1x%2").arg(x1 - x0).arg(y1 - y0)));
    QVERIFY(x1 - x0 > img.width() / 2);
}

void TestResources::texturesTileWithoutSeams_data()
{
    QTest::addColumn<QString>("name");
    addTextureRows();
    QTest::newRow("watercolor-texture") << QStringLiteral("watercolor-texture.jpg");
    QTest::newRow("impastotexture") << QStringLiteral("impastotexture.jpg");
}

// Placed side by side, the last column must continue into the first and the last row into the
// first as smoothly as neighbouring columns and rows continue inside the texture.
//
// The wrap-around pair always straddles a JPEG block edge, where neighbours differ a little
// more, so it is compared with the interior pairs that straddle block edges too. Where the
// texture has structure larger than a pixel (unrelated columns differ clearly more than
// neighbouring ones) the wrap-around pair must also sit much nearer to a neighbouring pair than
// to an unrelated one; a cut through such a texture looks like an unrelated pair.
void TestResources::texturesTileWithoutSeams()
{
    QFETCH(QString, name);
    const QImage img = resourceImage(name).convertToFormat(QImage::Format_RGB32);
    const auto check = [&](const char* direction, int n, auto difference) {
        double neighbours = 0.0, unrelated = 0.0;
        int pairs = 0;
        for (int i = 7; i + 1 < n; i += 8, ++pairs) {
            neighbours += difference(i, i + 1);
            unrelated += difference(i, (i + n / 3 + 1) % n);
        }
        neighbours /= pairs;
        unrelated /= pairs;
        const double wrap = difference(n - 1, 0);
        const QString detail = QStringLiteral("%1 %2: seam %3, neighbours %4, unrelated %5")
                                   .arg(name, QLatin1String(direction))
                                   .arg(wrap)
                                   .arg(neighbours)
                                   .arg(unrelated);
        QVERIFY2(wrap <= 1.5 * neighbours + 0.5, qPrintable(detail));
        if (unrelated > 1.5 * neighbours)
            QVERIFY2(wrap - neighbours <= 0.35 * (unrelated - neighbours), qPrintable(detail));
    };
    check("columns", img.width(), [&](int a, int b) { return columnDifference(img, a, b); });
    if (QTest::currentTestFailed())
        return;
    check("rows", img.height(), [&](int a, int b) { return rowDifference(img, a, b); });
}

QTEST_GUILESS_MAIN(TestResources)
#include "test_resources.moc"
