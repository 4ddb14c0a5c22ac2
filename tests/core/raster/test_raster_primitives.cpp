// Raster primitives against hand-computed values and against slow per-pixel versions written
// here straight from the definitions, on small random pictures, under every execution setting
// (plain scalar, vectorised, rows split over two and three threads).

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QtTest>

#include "core/raster/photo_mask.h"
#include "core/raster/raster_primitives.h"
#include "support/test_pictures.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

QRgb pixelAt(const QImage& image, int x, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
}

QRgb& pixelAt(QImage& image, int x, int y)
{
    return reinterpret_cast<QRgb*>(image.scanLine(y))[x];
}

// Channel i of a pixel: 0 red, 1 green, 2 blue.
int channel(QRgb p, int i)
{
    return int((p >> (16 - 8 * i)) & 0xFF);
}

QRgb opaque(const int c[3])
{
    return 0xFF000000u | (QRgb(c[0]) << 16) | (QRgb(c[1]) << 8) | QRgb(c[2]);
}

int clamp255(int v)
{
    return std::min(255, std::max(0, v));
}

// Empty when both rasters have the same size and pixel words, otherwise the first difference.
QString pixelDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (pixelAt(actual, x, y) != pixelAt(expected, x, y))
                return QStringLiteral("pixel (%1,%2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(pixelAt(actual, x, y), 8, 16, QLatin1Char('0'))
                    .arg(pixelAt(expected, x, y), 8, 16, QLatin1Char('0'));
    return QString();
}

#define COMPARE_PIXELS(actual, expected)                                                           \
    do {                                                                                           \
        const QString difference = pixelDifference(actual, expected);                              \
        QVERIFY2(difference.isEmpty(), qPrintable(difference));                                    \
    } while (false)

struct NamedExecution
{
    const char* name;
    Execution setting;
};

// Scalar single-threaded, vectorised single-threaded, and split over two or three threads even
// for the smallest picture.
const std::vector<NamedExecution>& executions()
{
    static const std::vector<NamedExecution> list = {
        {"scalar", {1, qint64(1) << 40, false}},
        {"vectorised", {1, qint64(1) << 40, true}},
        {"two threads", {2, 1, true}},
        {"three threads scalar", {3, 1, false}},
    };
    return list;
}

// Runs check() under every execution setting, then gives the previous setting back.
template <typename Check> void underEveryExecution(const Check& check)
{
    for (const NamedExecution& mode : executions()) {
        {
            const ScopedExecution scoped(mode.setting);
            check();
        }
        if (QTest::currentTestFailed()) {
            qWarning("failed with execution: %s", mode.name);
            return;
        }
    }
}

// ----- Slow versions straight from the definitions -----

void slowBrightness(QImage& image, int p)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            int c[3];
            for (int i = 0; i < 3; ++i) {
                const int v = channel(pixelAt(image, x, y), i);
                c[i] = clamp255(p <= 0 ? v + p * v / 100 : v + (255 - v) * p / 100);
            }
            pixelAt(image, x, y) = opaque(c);
        }
}

void slowSaturation(QImage& image, int p)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb q = pixelAt(image, x, y);
            const int grey = (channel(q, 0) + channel(q, 1) + channel(q, 2)) / 3;
            int c[3];
            for (int i = 0; i < 3; ++i)
                c[i] = clamp255(channel(q, i) + p * (channel(q, i) - grey) / 100);
            pixelAt(image, x, y) = opaque(c);
        }
}

void slowSharpen(QImage& image)
{
    if (image.width() < 3 || image.height() < 3)
        return;
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 1; x < image.width() - 1; ++x) {
            int c[3];
            for (int i = 0; i < 3; ++i) {
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (dx != 0 || dy != 0)
                            n += channel(pixelAt(image, x + dx, y + dy), i);
                const int v = 5 * channel(pixelAt(image, x, y), i) - (n >> 3);
                c[i] = v < 1 ? 0 : (v < 1024 ? v >> 2 : 255);
            }
            pixelAt(image, x, y) = opaque(c);
        }
}

void slowLocalContrast(QImage& image, int p)
{
    const int w = image.width(), h = image.height();
    if (w <= 9 || h <= 9)
        return;
    qint64 sums[3] = {0, 0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int i = 0; i < 3; ++i)
                sums[i] += channel(pixelAt(image, x, y), i);
    int mean[3];
    for (int i = 0; i < 3; ++i)
        mean[i] = int(sums[i] / (qint64(w) * h));
    QImage work(w + 9, h + 9, image.format());
    work.fill(0xFFFFFFFFu);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixelAt(work, x + 9, y + 9) = pixelAt(image, x, y);
    for (int y = 0; y <= h - 10; ++y)
        for (int x = 0; x <= w - 10; ++x) {
            int local[3];
            for (int i = 0; i < 3; ++i) {
                int sum = 0;
                for (int dy = -4; dy <= 4; ++dy)
                    for (int dx = -4; dx <= 4; ++dx)
                        sum += channel(pixelAt(work, x + 9 + dx, y + 9 + dy), i);
                const int m = (sum - channel(pixelAt(work, x + 9, y + 9), i)) / 80;
                local[i] = (3 * ((mean[i] + 2 * m) / 3) + mean[i]) >> 2;
            }
            const int grey = (local[0] + local[1] + local[2]) / 3;
            int c[3];
            for (int i = 0; i < 3; ++i) {
                const int v = channel(pixelAt(image, x, y), i);
                c[i] = clamp255(v + (v - grey) * p / 100);
            }
            pixelAt(image, x, y) = opaque(c);
        }
}

bool hasAlpha(const QImage& image)
{
    return image.format() == QImage::Format_ARGB32 ||
           image.format() == QImage::Format_ARGB32_Premultiplied;
}

QImage slowRestoreAlpha(const QImage& alphaSource, const QImage& processed)
{
    if (!hasAlpha(alphaSource))
        return processed;
    QImage result = processed.copy();
    for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x)
            pixelAt(result, x, y) =
                (pixelAt(result, x, y) & 0x00FFFFFFu) | (pixelAt(alphaSource, x, y) & 0xFF000000u);
    return result;
}

enum class Blend { SoftLight, Multiply, Luminosity };

QRgb slowBlendPixel(Blend kind, QRgb first, QRgb second, double opacity)
{
    int c[3];
    if (kind == Blend::Luminosity) {
        const auto lum = [](double r, double g, double b) { return 0.3 * r + 0.59 * g + 0.11 * b; };
        const double d = lum(qRed(first) / 255.0, qGreen(first) / 255.0, qBlue(first) / 255.0) -
                         lum(qRed(second) / 255.0, qGreen(second) / 255.0, qBlue(second) / 255.0);
        double k[3];
        for (int i = 0; i < 3; ++i)
            k[i] = channel(second, i) / 255.0 + d;
        const double l = lum(k[0], k[1], k[2]);
        const double n = std::min({k[0], k[1], k[2]});
        const double x = std::max({k[0], k[1], k[2]});
        for (double& v : k) {
            if (x > 1.0)
                v = l + (v - l) * (1.0 - l) / (x - l);
            else if (n < 0.0)
                v = l + (v - l) * l / (l - n);
        }
        for (int i = 0; i < 3; ++i) {
            c[i] = clamp255(int(std::floor(k[i] * 255.0 + 0.5)));
            if (opacity < 1.0)
                c[i] = clamp255(qRound(opacity * (c[i] - channel(second, i)) + channel(second, i)));
        }
        return opaque(c);
    }
    for (int i = 0; i < 3; ++i) {
        const int b = channel(first, i), a = channel(second, i);
        if (kind == Blend::SoftLight) {
            const int m = a * b >> 8;
            const int s = 255 - (255 - b) * (255 - a) / 256;
            c[i] = clamp255(m + ((s - m) * a >> 8));
        } else {
            const int m = b * a >> 8;
            c[i] = opacity < 1.0 ? clamp255(qRound(a + opacity * (m - a))) : m;
        }
    }
    return opaque(c);
}

void slowBlend(Blend kind, const QImage& first, QImage& second, double opacity)
{
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            pixelAt(second, x, y) =
                slowBlendPixel(kind, pixelAt(first, x, y), pixelAt(second, x, y), opacity);
    second = slowRestoreAlpha(first, second);
}

void blend(Blend kind, const QImage& first, QImage& second, double opacity)
{
    switch (kind) {
    case Blend::SoftLight:
        softLightBlend(first, second);
        break;
    case Blend::Multiply:
        multiplyBlend(first, second, opacity);
        break;
    case Blend::Luminosity:
        luminosityBlend(first, second, opacity);
        break;
    }
}

void slowResize(const QImage& source, QImage& target)
{
    if (source.size() == target.size()) {
        target = source;
        return;
    }
    const int w = source.width(), h = source.height();
    const int xstep = ((w - 1) * 65536) / target.width();
    const int ystep = ((h - 1) * 65536) / target.height();
    for (int i = 0; i < target.height(); ++i) {
        const int sy = i * ystep, y0 = sy >> 16, fy = sy & 0xFFFF;
        const int y1 = y0 < h - 1 ? y0 + 1 : y0;
        for (int j = 0; j < target.width(); ++j) {
            const int sx = j * xstep, x0 = sx >> 16, fx = sx & 0xFFFF;
            const int upperRight = qRound(double(qint64(65536 - fy) * fx) / 65536);
            const int lowerRight = qRound(double(qint64(fy + 1) * fx) / 65536);
            const qint64 wR = upperRight + lowerRight;
            const qint64 wTL = (65536 - fy) - upperRight;
            const qint64 wB = (fy + 1) - lowerRight;
            const QRgb tl = pixelAt(source, x0, y0), b = pixelAt(source, x0, y1);
            const QRgb r = x0 + 1 < w ? pixelAt(source, x0 + 1, y0) : 0; // weight 0 otherwise
            int c[3];
            for (int k = 0; k < 3; ++k)
                c[k] =
                    int(((wTL * channel(tl, k) + wR * channel(r, k) + wB * channel(b, k)) >> 16) &
                        0xFF);
            pixelAt(target, j, i) = opaque(c);
        }
    }
}

QImage slowRotateByAngle(const QImage& image, int a)
{
    const int w = image.width(), h = image.height();
    const double theta = -a / 180.0 * M_PI;
    const double s = std::sin(theta), c = std::cos(theta);
    const int W = std::abs(qRound(w * c)) + std::abs(qRound(h * s));
    const int H = std::abs(qRound(h * c)) + std::abs(qRound(w * s));
    QImage result(W - 2, H - 2, image.format());
    for (int y = 0; y < H - 2; ++y)
        for (int x = 0; x < W - 2; ++x) {
            const int u = 2 * (x - (w >> 1) - (W - w) / 2) + 1;
            const int v = 2 * (y - (h >> 1) - (H - h) / 2) + 1;
            const int n = qRound(c * u - s * v), p = qRound(c * v + s * u);
            const int sx = (w >> 1) + (n - 1) / 2, sy = (h >> 1) + (p - 1) / 2;
            pixelAt(result, x, y) =
                sx >= 0 && sx < w && sy >= 0 && sy < h ? pixelAt(image, sx, sy) : 0xFFFFFFFFu;
        }
    return result;
}

// The fill in its plainest form: push all four neighbours, check bounds and colour when popping.
void slowFloodFill(QImage& image, int x, int y, QRgb newColour, QRgb target)
{
    if ((target & 0xFFFFFF) == (newColour & 0xFFFFFF) || x < 0 || y < 0 || x >= image.width() ||
        y >= image.height())
        return;
    std::vector<QPoint> stack = {QPoint(x, y)};
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        if (p.x() < 0 || p.y() < 0 || p.x() >= image.width() || p.y() >= image.height() ||
            (pixelAt(image, p.x(), p.y()) & 0xFFFFFF) != (target & 0xFFFFFF))
            continue;
        pixelAt(image, p.x(), p.y()) = newColour;
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
            stack.push_back(p + d);
    }
}

void fill(QImage& image, int x, int y, QRgb newColour, QRgb target)
{
    floodFill(image.bits(), image.bytesPerLine(), image.width(), image.height(), x, y, newColour,
              target);
}

} // namespace

Q_DECLARE_METATYPE(QImage::Format)
Q_DECLARE_METATYPE(Blend)

class TestRasterPrimitives : public QObject
{
    Q_OBJECT

private slots:
    void ensure32BitConvertsAllButAlphaFormats_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<QImage::Format>("expected");
        QTest::newRow("rgb888") << QImage::Format_RGB888 << QImage::Format_RGB32;
        QTest::newRow("indexed8") << QImage::Format_Indexed8 << QImage::Format_RGB32;
        QTest::newRow("grayscale8") << QImage::Format_Grayscale8 << QImage::Format_RGB32;
        QTest::newRow("rgba8888") << QImage::Format_RGBA8888 << QImage::Format_RGB32;
        QTest::newRow("rgb32") << QImage::Format_RGB32 << QImage::Format_RGB32;
        QTest::newRow("argb32") << QImage::Format_ARGB32 << QImage::Format_ARGB32;
        QTest::newRow("premultiplied")
            << QImage::Format_ARGB32_Premultiplied << QImage::Format_ARGB32_Premultiplied;
    }

    void ensure32BitConvertsAllButAlphaFormats()
    {
        QFETCH(QImage::Format, format);
        QFETCH(QImage::Format, expected);
        const QImage original =
            randomPicture(7, 5, QImage::Format_RGB32, 1).convertToFormat(format);
        QImage image = original;
        ensure32Bit(image);
        QCOMPARE(image.format(), expected);
        COMPARE_PIXELS(image.convertToFormat(QImage::Format_ARGB32),
                       original.convertToFormat(QImage::Format_ARGB32));
    }

    void colourAdjustmentsFollowFormula_data()
    {
        QTest::addColumn<bool>("saturation");
        QTest::addColumn<int>("percent");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QImage::Format>("format");
        const QSize sizes[] = {{1, 1}, {2, 5}, {17, 13}, {64, 33}};
        for (bool saturation : {false, true})
            for (int percent : {-100, -37, 0, 25, 70, 100, 180})
                for (const QSize& size : sizes)
                    QTest::addRow("%s %d %dx%d", saturation ? "saturation" : "brightness", percent,
                                  size.width(), size.height())
                        << saturation << percent << size
                        << (size.width() % 2 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }

    void colourAdjustmentsFollowFormula()
    {
        QFETCH(bool, saturation);
        QFETCH(int, percent);
        QFETCH(QSize, size);
        QFETCH(QImage::Format, format);
        const QImage original = randomPicture(size.width(), size.height(), format, 7);
        QImage expected = original.copy();
        saturation ? slowSaturation(expected, percent) : slowBrightness(expected, percent);
        underEveryExecution([&] {
            QImage image = original.copy();
            saturation ? adjustSaturation(image, percent) : adjustBrightness(image, percent);
            COMPARE_PIXELS(image, expected);
        });
    }

    void colourAdjustmentHandValues_data()
    {
        QTest::addColumn<bool>("saturation");
        QTest::addColumn<QRgb>("input");
        QTest::addColumn<int>("percent");
        QTest::addColumn<QRgb>("expected");
        // 100 + 155 * 50 / 100 = 177; 7 - 350 / 100 truncates to 7 - 3.
        QTest::newRow("lighten") << false << 0x80646464u << 50 << 0xFFB1B1B1u;
        QTest::newRow("darken truncates") << false << 0xFF070707u << -50 << 0xFF040404u;
        QTest::newRow("darken") << false << 0xFF643200u << -30 << 0xFF462300u;
        // grey 110: 200 + 63 clamps, 100 - 7, 30 - 56 clamps.
        QTest::newRow("saturate") << true << 0xFFC8641Eu << 70 << 0xFFFF5D00u;
        QTest::newRow("desaturate") << true << 0xFFC8641Eu << -50 << 0xFF9B6946u;
        // grey 3: 10 - 3.5 -> 7, 0 + 1.5 -> 1 (truncating toward zero both ways).
        QTest::newRow("desaturate truncates") << true << 0x000A0000u << -50 << 0xFF070101u;
    }

    void colourAdjustmentHandValues()
    {
        QFETCH(bool, saturation);
        QFETCH(QRgb, input);
        QFETCH(int, percent);
        QFETCH(QRgb, expected);
        QImage image(1, 1, QImage::Format_ARGB32);
        pixelAt(image, 0, 0) = input;
        saturation ? adjustSaturation(image, percent) : adjustBrightness(image, percent);
        QCOMPARE(pixelAt(image, 0, 0), expected);
    }

    void neutralAdjustmentsKeepColoursAndMakeOpaque_data()
    {
        QTest::addColumn<bool>("saturation");
        QTest::newRow("brightness 0") << false;
        QTest::newRow("saturation 0") << true;
    }

    void neutralAdjustmentsKeepColoursAndMakeOpaque()
    {
        QFETCH(bool, saturation);
        const QImage original = randomPicture(10, 10, QImage::Format_ARGB32, 3);
        QImage image = original.copy();
        saturation ? adjustSaturation(image, 0) : adjustBrightness(image, 0);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                QCOMPARE(pixelAt(image, x, y), pixelAt(original, x, y) | 0xFF000000u);
    }

    void fullBrightnessGivesWhiteOrBlack_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<QRgb>("expected");
        QTest::newRow("+100") << 100 << 0xFFFFFFFFu;
        QTest::newRow("-100") << -100 << 0xFF000000u;
    }

    void fullBrightnessGivesWhiteOrBlack()
    {
        QFETCH(int, percent);
        QFETCH(QRgb, expected);
        QImage image = randomPicture(17, 13, QImage::Format_ARGB32, 4);
        adjustBrightness(image, percent);
        COMPARE_PIXELS(image, solidPicture(17, 13, expected));
    }

    void sharpenFollowsFormula_data()
    {
        QTest::addColumn<QSize>("size");
        for (const QSize& size : {QSize(1, 1), QSize(2, 5), QSize(5, 2), QSize(3, 3), QSize(10, 10),
                                  QSize(17, 13), QSize(33, 4)})
            QTest::addRow("%dx%d", size.width(), size.height()) << size;
    }

    void sharpenFollowsFormula()
    {
        QFETCH(QSize, size);
        const QImage original =
            randomPicture(size.width(), size.height(), QImage::Format_ARGB32, 5);
        QImage expected = original.copy();
        slowSharpen(expected);
        underEveryExecution([&] {
            QImage image = original.copy();
            sharpen3x3(image);
            COMPARE_PIXELS(image, expected);
        });
    }

    void sharpenUsesAlreadySharpenedNeighbours_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::newRow("left neighbour") << false;
        QTest::newRow("upper neighbour") << true;
    }

    // Two grey interior pixels 200 and 100 in a black picture: the first becomes
    // (5 * 200 - 100 / 8) / 4 = 247; the second then sees 247, not 200: (500 - 30) / 4 = 117
    // (it would be 118 with the original neighbour).
    void sharpenUsesAlreadySharpenedNeighbours()
    {
        QFETCH(bool, vertical);
        QImage image = solidPicture(vertical ? 3 : 4, vertical ? 4 : 3, 0xFF000000u);
        const QPoint second = vertical ? QPoint(1, 2) : QPoint(2, 1);
        pixelAt(image, 1, 1) = 0xFFC8C8C8u;
        pixelAt(image, second.x(), second.y()) = 0xFF646464u;
        for (bool simd : {false, true}) {
            const ScopedExecution scoped({1, 0, simd});
            QImage copy = image.copy();
            sharpen3x3(copy);
            QCOMPARE(pixelAt(copy, 1, 1), 0xFFF7F7F7u);
            QCOMPARE(pixelAt(copy, second.x(), second.y()), 0xFF757575u);
        }
    }

    void sharpenKeepsUniformImage_data()
    {
        QTest::addColumn<QRgb>("colour");
        for (QRgb colour : {0xFF000000u, 0xFF010101u, 0xFF7F3A09u, 0xFFFFFFFFu})
            QTest::addRow("%08x", colour) << colour;
    }

    void sharpenKeepsUniformImage()
    {
        QFETCH(QRgb, colour);
        QImage image = solidPicture(9, 7, colour);
        sharpen3x3(image);
        COMPARE_PIXELS(image, solidPicture(9, 7, colour));
    }

    void localContrastFollowsFormula_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("percent");
        QTest::addColumn<QImage::Format>("format");
        for (const QSize& size :
             {QSize(1, 1), QSize(9, 20), QSize(20, 9), QSize(10, 10), QSize(17, 13), QSize(41, 23)})
            for (int percent : {-60, 0, 50, 250})
                QTest::addRow("%dx%d %d", size.width(), size.height(), percent)
                    << size << percent << QImage::Format_RGB32;
        QTest::newRow("premultiplied")
            << QSize(12, 31) << 80 << QImage::Format_ARGB32_Premultiplied;
    }

    void localContrastFollowsFormula()
    {
        QFETCH(QSize, size);
        QFETCH(int, percent);
        QFETCH(QImage::Format, format);
        const QImage original = randomPicture(size.width(), size.height(), format, 11);
        QImage expected = original.copy();
        slowLocalContrast(expected, percent);
        underEveryExecution([&] {
            QImage image = original.copy();
            localContrast(image, percent);
            COMPARE_PIXELS(image, expected);
        });
    }

    // A uniform 12x12 picture of grey 100, 50 %: only pixels (0..2, 0..2) change. At (0,0) the
    // window holds 56 white pixels: m = (56 * 255 + 24 * 100) / 80 = 208,
    // L = (3 * (516 / 3) + 100) >> 2 = 154, 100 + (100 - 154) * 50 / 100 = 73. At (2,2): 32 white,
    // m = 162, L = 130, 100 - 15 = 85.
    void localContrastHandValues()
    {
        QImage image = solidPicture(12, 12, 0xFF646464u);
        localContrast(image, 50);
        QCOMPARE(pixelAt(image, 0, 0), 0xFF494949u);
        QCOMPARE(pixelAt(image, 2, 2), 0xFF555555u);
        QCOMPARE(pixelAt(image, 3, 0), 0xFF646464u);
        QCOMPARE(pixelAt(image, 0, 3), 0xFF646464u);
        QCOMPARE(pixelAt(image, 11, 11), 0xFF646464u);
    }

    void blendsFollowFormula_data()
    {
        QTest::addColumn<Blend>("kind");
        QTest::addColumn<double>("opacity");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QImage::Format>("firstFormat");
        const struct
        {
            const char* name;
            Blend kind;
            double opacity;
        } modes[] = {
            {"soft light", Blend::SoftLight, 1.0},       {"multiply", Blend::Multiply, 1.0},
            {"multiply 0.35", Blend::Multiply, 0.35},    {"multiply 0", Blend::Multiply, 0.0},
            {"luminosity", Blend::Luminosity, 1.0},      {"luminosity 0.6", Blend::Luminosity, 0.6},
            {"luminosity -0.5", Blend::Luminosity, -0.5}};
        for (const auto& mode : modes)
            for (const QSize& size : {QSize(1, 1), QSize(2, 5), QSize(17, 13), QSize(64, 40)})
                for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32})
                    QTest::addRow("%s %dx%d %s", mode.name, size.width(), size.height(),
                                  format == QImage::Format_RGB32 ? "rgb32" : "argb32")
                        << mode.kind << mode.opacity << size << format;
    }

    void blendsFollowFormula()
    {
        QFETCH(Blend, kind);
        QFETCH(double, opacity);
        QFETCH(QSize, size);
        QFETCH(QImage::Format, firstFormat);
        const QImage first = randomPicture(size.width(), size.height(), firstFormat, 21);
        const QImage second = randomPicture(size.width(), size.height(), QImage::Format_ARGB32, 22);
        QImage expected = second.copy();
        slowBlend(kind, first, expected, opacity);
        underEveryExecution([&] {
            QImage image = second.copy();
            blend(kind, first, image, opacity);
            COMPARE_PIXELS(image, expected);
        });
    }

    void blendHandValues_data()
    {
        QTest::addColumn<Blend>("kind");
        QTest::addColumn<QRgb>("first");
        QTest::addColumn<QRgb>("second");
        QTest::addColumn<double>("opacity");
        QTest::addColumn<QRgb>("expected");
        // a = 128, b = 64: m = 32, s = 255 - 191 * 127 / 256 = 161, 32 + (129 * 128 >> 8) = 96.
        QTest::newRow("soft light")
            << Blend::SoftLight << 0xFF40FF00u << 0xFF80FF00u << 1.0 << 0xFF60FE00u;
        // a = 200, b = 100: m = 78; 200 - 0.5 * 122 = 139; 200 - 0.25 * 122 = 169.5 -> 170.
        QTest::newRow("multiply") << Blend::Multiply << 0xFF646464u << 0xFFC8C8C8u << 1.0
                                  << 0xFF4E4E4Eu;
        QTest::newRow("multiply half")
            << Blend::Multiply << 0xFF646464u << 0xFFC8C8C8u << 0.5 << 0xFF8B8B8Bu;
        QTest::newRow("multiply quarter")
            << Blend::Multiply << 0xFF646464u << 0xFFC8C8C8u << 0.25 << 0xFFAAAAAAu;
        // Grey 128 over pure red: R' > 1 is clipped toward Lum 128/255 -> (255, 74, 74).
        QTest::newRow("luminosity clips above")
            << Blend::Luminosity << 0xFF808080u << 0xFFFF0000u << 1.0 << 0xFFFF4A4Au;
        // Black over pure blue: channels below 0 are pulled to Lum 0 -> black.
        QTest::newRow("luminosity clips below")
            << Blend::Luminosity << 0xFF000000u << 0xFF0000FFu << 1.0 << 0xFF000000u;
        QTest::newRow("luminosity unclipped")
            << Blend::Luminosity << 0xFF0AC81Eu << 0xFF5A3CC8u << 1.0 << 0xFF8264F0u;
        QTest::newRow("luminosity white over grey")
            << Blend::Luminosity << 0xFFFFFFFFu << 0xFF808080u << 1.0 << 0xFFFFFFFFu;
    }

    void blendHandValues()
    {
        QFETCH(Blend, kind);
        QFETCH(QRgb, first);
        QFETCH(QRgb, second);
        QFETCH(double, opacity);
        QFETCH(QRgb, expected);
        // Three pixels so that the vectorised pair path and the odd last pixel both see it.
        for (bool simd : {false, true}) {
            const ScopedExecution scoped({1, 0, simd});
            QImage a = solidPicture(3, 1, first), b = solidPicture(3, 1, second);
            blend(kind, a, b, opacity);
            COMPARE_PIXELS(b, solidPicture(3, 1, expected));
        }
    }

    void luminosityAtZeroOpacityKeepsColours()
    {
        const QImage source = randomPicture(17, 13, QImage::Format_ARGB32, 31);
        const QImage target = randomPicture(17, 13, QImage::Format_RGB32, 32);
        QImage image = target.copy();
        luminosityBlend(source, image, 0.0);
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 17; ++x)
                QCOMPARE(pixelAt(image, x, y), (pixelAt(target, x, y) & 0xFFFFFFu) |
                                                   (pixelAt(source, x, y) & 0xFF000000u));
    }

    // The first image sets the area; a smaller second image limits it to what both cover.
    void blendsStayInsideSmallerSecondImage_data()
    {
        QTest::addColumn<Blend>("kind");
        QTest::newRow("soft light") << Blend::SoftLight;
        QTest::newRow("multiply") << Blend::Multiply;
        QTest::newRow("luminosity") << Blend::Luminosity;
    }

    void blendsStayInsideSmallerSecondImage()
    {
        QFETCH(Blend, kind);
        const QImage first = randomPicture(20, 15, QImage::Format_RGB32, 41);
        const QImage second = randomPicture(12, 9, QImage::Format_RGB32, 42);
        QImage image = second.copy();
        blend(kind, first, image, 0.5);
        QCOMPARE(image.size(), QSize(12, 9));
        QImage expected = second.copy();
        slowBlend(kind, first.copy(0, 0, 12, 9), expected, 0.5);
        COMPARE_PIXELS(image, expected);
    }

    // Blending a picture with itself reads and gives back the alpha it had before the blend.
    void blendOfAnImageWithItselfKeepsItsAlpha_data() { blendsStayInsideSmallerSecondImage_data(); }

    void blendOfAnImageWithItselfKeepsItsAlpha()
    {
        QFETCH(Blend, kind);
        const QImage original = randomPicture(17, 13, QImage::Format_ARGB32, 43);
        QImage expected = original.copy();
        slowBlend(kind, original, expected, 0.5);
        QImage image = original.copy();
        blend(kind, image, image, 0.5);
        COMPARE_PIXELS(image, expected);
    }

    // The photo mask: 0 keeps the artwork exactly, 255 gives the photograph exactly, values
    // between follow the rounded blend on all four channels, and only inside the area asked for.
    void photoMaskBlendsPerChannel_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QImage::Format>("photoFormat");
        QTest::addColumn<QRect>("area");
        for (const char* mask : {"zero", "full", "soft"})
            for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32})
                for (const QRect& area : {QRect(), QRect(5, 3, 20, 9), QRect(-4, -4, 9, 90)})
                    QTest::addRow("%s %s area %dx%d", mask,
                                  format == QImage::Format_RGB32 ? "rgb32" : "argb32", area.width(),
                                  area.height())
                        << QString::fromLatin1(mask) << format << area;
    }

    void photoMaskBlendsPerChannel()
    {
        QFETCH(QString, mask);
        QFETCH(QImage::Format, photoFormat);
        QFETCH(QRect, area);
        const QImage photo = randomPicture(37, 23, photoFormat, 31);
        // Artworks carry their photograph's alpha.
        const QImage artwork = restoreAlpha(photo, randomPicture(37, 23, QImage::Format_RGB32, 32));
        QImage grey(photo.size(), QImage::Format_Grayscale8);
        const QImage noise = randomPicture(37, 23, QImage::Format_RGB32, 33);
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x)
                grey.scanLine(y)[x] = mask == "zero"   ? 0
                                      : mask == "full" ? 255
                                                       : uchar(qRed(noise.pixel(x, y)));
        const QRect inside = area.isEmpty() ? photo.rect() : area.intersected(photo.rect());
        QImage expected = artwork.convertToFormat(QImage::Format_ARGB32);
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x) {
                const QRgb a = artwork.pixel(x, y);
                const QRgb p = photo.pixel(x, y);
                const int m = grey.constScanLine(y)[x];
                const auto mix = [m](int from, int to) {
                    return (from * (255 - m) + to * m + 127) / 255;
                };
                expected.setPixel(x, y,
                                  mask == "full"
                                      ? p
                                      : qRgba(mix(qRed(a), qRed(p)), mix(qGreen(a), qGreen(p)),
                                              mix(qBlue(a), qBlue(p)), mix(qAlpha(a), qAlpha(p))));
            }
        underEveryExecution([&] {
            QImage image = artwork.copy();
            QVERIFY(applyPhotoMask(image, photo, grey, area));
            COMPARE_PIXELS(image, expected);
            if (mask == "zero")
                COMPARE_PIXELS(image, artwork);
        });
        // A mask of another size changes nothing.
        QImage image = artwork.copy();
        QVERIFY(!applyPhotoMask(image, photo, grey.copy(0, 0, 36, 23), area));
        COMPARE_PIXELS(image, artwork);
        QCOMPARE(isBlankPhotoMask(grey), mask == "zero");
    }

    void restoreAlphaFromOpaqueSourceReturnsProcessed()
    {
        const QImage processed = randomPicture(6, 4, QImage::Format_ARGB32, 51);
        const QImage result =
            restoreAlpha(randomPicture(6, 4, QImage::Format_RGB32, 52), processed);
        QCOMPARE(result.format(), processed.format());
        COMPARE_PIXELS(result, processed);
    }

    void restoreAlphaCopiesEveryAlpha_data()
    {
        QTest::addColumn<QImage::Format>("sourceFormat");
        QTest::addColumn<QImage::Format>("processedFormat");
        QTest::addColumn<QImage::Format>("resultFormat");
        QTest::newRow("argb32 onto rgb32")
            << QImage::Format_ARGB32 << QImage::Format_RGB32 << QImage::Format_ARGB32;
        QTest::newRow("argb32 onto argb32")
            << QImage::Format_ARGB32 << QImage::Format_ARGB32 << QImage::Format_ARGB32;
        QTest::newRow("premultiplied onto premultiplied")
            << QImage::Format_ARGB32_Premultiplied << QImage::Format_ARGB32_Premultiplied
            << QImage::Format_ARGB32_Premultiplied;
    }

    void restoreAlphaCopiesEveryAlpha()
    {
        QFETCH(QImage::Format, sourceFormat);
        QFETCH(QImage::Format, processedFormat);
        QFETCH(QImage::Format, resultFormat);
        for (const QSize& size : {QSize(1, 1), QSize(2, 5), QSize(17, 13), QSize(64, 40)}) {
            const QImage source = randomPicture(size.width(), size.height(), sourceFormat, 53);
            const QImage processed =
                randomPicture(size.width(), size.height(), processedFormat, 54);
            underEveryExecution([&] {
                const QImage result = restoreAlpha(source, processed);
                QCOMPARE(result.format(), resultFormat);
                COMPARE_PIXELS(result, slowRestoreAlpha(source, processed));
                // Explicitly the last row and column too.
                const int w = size.width() - 1, h = size.height() - 1;
                QCOMPARE(qAlpha(pixelAt(result, w, h)), qAlpha(pixelAt(source, w, h)));
            });
            COMPARE_PIXELS(processed,
                           randomPicture(size.width(), size.height(), processedFormat, 54));
        }
    }

    void resizeBilinearFollowsFormula_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        const QSize pairs[][2] = {{{1, 1}, {3, 2}},    {{5, 1}, {2, 4}},     {{1, 6}, {4, 3}},
                                  {{2, 2}, {1, 1}},    {{17, 13}, {40, 30}}, {{40, 30}, {17, 13}},
                                  {{33, 7}, {33, 20}}, {{64, 48}, {63, 47}}};
        for (const auto& pair : pairs)
            QTest::addRow("%dx%d to %dx%d", pair[0].width(), pair[0].height(), pair[1].width(),
                          pair[1].height())
                << pair[0] << pair[1];
    }

    void resizeBilinearFollowsFormula()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        const QImage source = randomPicture(from.width(), from.height(), QImage::Format_ARGB32, 61);
        QImage expected(to, QImage::Format_RGB32);
        slowResize(source, expected);
        underEveryExecution([&] {
            QImage target(to, QImage::Format_RGB32);
            resizeBilinear(source, target);
            COMPARE_PIXELS(target, expected);
        });
    }

    void resizeBilinearHandValues_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("source"); // grey levels, row by row
        QTest::addColumn<QSize>("to");
        QTest::addColumn<QList<int>>("expected");
        // xstep 21845: column 1 weighs 43691 * 0 + 21845 * 200 -> 66, column 2
        // 21846 * 0 + 43691 * 200 -> 133.
        QTest::newRow("2x1 to 3x1")
            << 2 << QList<int>{0, 200} << QSize(3, 1) << QList<int>{0, 66, 133};
        // Pixel (1,2): fx = 32768 and fy + 1 = 43691, so the lower share 43691 * 32768 / 65536
        // is a half, which rounds up: 118 (rounding down would give 119).
        QTest::newRow("half weights round up")
            << 3 << QList<int>{18, 68, 56, 246, 140, 78} << QSize(4, 3)
            << QList<int>{18, 43, 68, 62, 94, 81, 92, 74, 170, 118, 116, 86};
    }

    void resizeBilinearHandValues()
    {
        QFETCH(int, width);
        QFETCH(QList<int>, source);
        QFETCH(QSize, to);
        QFETCH(QList<int>, expected);
        const auto grey = [](const QList<int>& levels, int w) {
            QImage image(w, int(levels.size()) / w, QImage::Format_RGB32);
            for (int i = 0; i < levels.size(); ++i)
                pixelAt(image, i % w, i / w) = qRgb(levels[i], levels[i], levels[i]);
            return image;
        };
        QImage target(to, QImage::Format_RGB32);
        resizeBilinear(grey(source, width), target);
        COMPARE_PIXELS(target, grey(expected, to.width()));
    }

    void resizeBilinearToSameSizeCopies()
    {
        const QImage source = randomPicture(9, 4, QImage::Format_ARGB32, 62);
        QImage target(9, 4, QImage::Format_RGB32);
        resizeBilinear(source, target);
        QCOMPARE(target.format(), QImage::Format_ARGB32);
        COMPARE_PIXELS(target, source);
    }

    void scalingTruncatesSizes_data()
    {
        QTest::addColumn<double>("factor");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("half") << 0.5 << QSize(5, 3);
        QTest::newRow("double") << 2.0 << QSize(20, 14);
        QTest::newRow("third") << 1.0 / 3 << QSize(3, 2);
        QTest::newRow("nothing left") << 0.05 << QSize(0, 0);
    }

    void scalingTruncatesSizes()
    {
        QFETCH(double, factor);
        QFETCH(QSize, expected);
        const QImage image = randomPicture(10, 7, QImage::Format_RGB32, 71);
        const QImage scaled = scaleByFactor(image, factor);
        QCOMPARE(scaled.size(), expected);
        if (!expected.isEmpty())
            COMPARE_PIXELS(scaled,
                           image.scaled(expected, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        const QImage other(4, 9, QImage::Format_RGB32);
        QCOMPARE(scaleToSize(image, other).size(), QSize(4, 9));
    }

    void rotate90TurnsByAQuarter_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QPoint>("topLeftGoesTo");
        QTest::newRow("clockwise") << 1 << QPoint(2, 0);
        QTest::newRow("counter-clockwise") << -1 << QPoint(0, 2);
        QTest::newRow("zero is counter-clockwise") << 0 << QPoint(0, 2);
    }

    void rotate90TurnsByAQuarter()
    {
        QFETCH(int, direction);
        QFETCH(QPoint, topLeftGoesTo);
        for (const QSize& size : {QSize(3, 3), QSize(1, 1), QSize(70, 70), QSize(5, 2)}) {
            const int w = size.width(), h = size.height();
            const QImage source = randomPicture(w, h, QImage::Format_ARGB32, 81);
            QImage target;
            rotate90(direction, source, target);
            QCOMPARE(target.format(), QImage::Format_RGB32);
            QCOMPARE(target.size(), QSize(h, w));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const QPoint to = direction > 0 ? QPoint(h - 1 - y, x) : QPoint(y, w - 1 - x);
                    QCOMPARE(pixelAt(target, to.x(), to.y()), pixelAt(source, x, y) | 0xFF000000u);
                }
            if (size == QSize(3, 3))
                QCOMPARE(pixelAt(target, topLeftGoesTo.x(), topLeftGoesTo.y()),
                         pixelAt(source, 0, 0) | 0xFF000000u);
        }
    }

    void rotateByAngleFollowsFormula_data()
    {
        QTest::addColumn<int>("degrees");
        QTest::addColumn<QSize>("size");
        for (int degrees : {0, 15, -30, 45, 90, 180, 270, 359, 1000})
            for (const QSize& size : {QSize(3, 3), QSize(17, 13), QSize(8, 21)})
                QTest::addRow("%d %dx%d", degrees, size.width(), size.height()) << degrees << size;
    }

    void rotateByAngleFollowsFormula()
    {
        QFETCH(int, degrees);
        QFETCH(QSize, size);
        const QImage source = randomPicture(size.width(), size.height(), QImage::Format_ARGB32, 91);
        const QImage expected = slowRotateByAngle(source, degrees);
        underEveryExecution([&] {
            const QImage result = rotateByAngle(source, degrees);
            QCOMPARE(result.format(), source.format());
            COMPARE_PIXELS(result, expected);
        });
    }

    void rotateByZeroDropsLastTwoColumnsAndRows()
    {
        const QImage source = randomPicture(17, 13, QImage::Format_ARGB32, 92);
        COMPARE_PIXELS(rotateByAngle(source, 0), source.copy(0, 0, 15, 11));
    }

    void rotateByHalfTurnMirrorsBothWays()
    {
        const QImage source = randomPicture(10, 6, QImage::Format_RGB32, 93);
        const QImage result = rotateByAngle(source, 180);
        QCOMPARE(result.size(), QSize(8, 4));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                QCOMPARE(pixelAt(result, x, y), pixelAt(source, 9 - x, 5 - y));
    }

    void floodFillCases_data()
    {
        QTest::addColumn<QStringList>("picture"); // '#' target colour, '.' other
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QStringList>("expected"); // 'F' filled
        QTest::newRow("four-connected only")
            << QStringList{"##.", "#.#", ".##"} << QPoint(0, 0) << QStringList{"FF.", "F.#", ".##"};
        QTest::newRow("around an obstacle")
            << QStringList{"#####", "#...#", "#.#.#", "#...#", "#####"} << QPoint(4, 4)
            << QStringList{"FFFFF", "F...F", "F.#.F", "F...F", "FFFFF"};
        QTest::newRow("start on other colour")
            << QStringList{"#.", ".#"} << QPoint(1, 0) << QStringList{"#.", ".#"};
        QTest::newRow("start outside")
            << QStringList{"##", "##"} << QPoint(2, 0) << QStringList{"##", "##"};
        QTest::newRow("start above")
            << QStringList{"##", "##"} << QPoint(0, -1) << QStringList{"##", "##"};
    }

    void floodFillCases()
    {
        QFETCH(QStringList, picture);
        QFETCH(QPoint, start);
        QFETCH(QStringList, expected);
        const QRgb target = 0xFF102030u, other = 0xFF405060u, colour = 0x80FF0000u;
        const auto paint = [&](const QStringList& rows) {
            QImage image(rows[0].size(), rows.size(), QImage::Format_ARGB32);
            for (int y = 0; y < rows.size(); ++y)
                for (int x = 0; x < rows[y].size(); ++x) {
                    const QChar c = rows[y][x];
                    pixelAt(image, x, y) = c == '#' ? target : (c == 'F' ? colour : other);
                }
            return image;
        };
        QImage image = paint(picture);
        fill(image, start.x(), start.y(), colour, target);
        COMPARE_PIXELS(image, paint(expected));
    }

    void floodFillComparesColourNotAlpha()
    {
        QImage image = solidPicture(4, 3, 0x00112233u, QImage::Format_ARGB32);
        pixelAt(image, 3, 2) = 0xFF112234u;
        // Differs from the new colour only in alpha: counts as the same colour, nothing to do.
        fill(image, 0, 0, 0xFF102030u, 0x7F102030u);
        QCOMPARE(pixelAt(image, 0, 0), 0x00112233u);
        // Pixels of alpha 0 match a target of alpha 255; the whole new word is written.
        fill(image, 0, 0, 0x40ABCDEFu, 0xFF112233u);
        QCOMPARE(pixelAt(image, 2, 2), 0x40ABCDEFu);
        QCOMPARE(pixelAt(image, 3, 2), 0xFF112234u);
    }

    void floodFillMatchesPlainStackFill()
    {
        std::mt19937 random(101);
        for (int round = 0; round < 20; ++round) {
            const int w = 1 + int(random() % 40), h = 1 + int(random() % 30);
            QImage image(w, h, QImage::Format_RGB32);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    pixelAt(image, x, y) = random() % 3 ? 0xFF000000u : 0xFFFFFFFFu;
            const int x = int(random() % w), y = int(random() % h);
            QImage expected = image.copy();
            slowFloodFill(expected, x, y, 0xFFFF0000u, 0xFF000000u);
            fill(image, x, y, 0xFFFF0000u, 0xFF000000u);
            COMPARE_PIXELS(image, expected);
        }
    }

    void imageDigestIsMd5OfThePixelBytes()
    {
        QImage image(1, 1, QImage::Format_ARGB32);
        pixelAt(image, 0, 0) = 0xFF112233u; // bytes 33 22 11 ff in memory
        QCOMPARE(imageDigest(image).toHex(), QByteArray("8457b706662e359d3226f08317313b35"));
        QCOMPARE(imageDigest(image).size(), 16);
        const QImage picture = randomPicture(17, 13, QImage::Format_RGB32, 111);
        QImage changed = picture.copy();
        QCOMPARE(imageDigest(changed), imageDigest(picture));
        pixelAt(changed, 16, 12) ^= 1;
        QVERIFY(imageDigest(changed) != imageDigest(picture));
    }

    // The default setting on a picture large enough to split, against the plain single thread.
    void fastPathsGiveSameBytesAsPlainPath()
    {
        const QImage picture = randomPicture(611, 437, QImage::Format_ARGB32, 121);
        const QImage other = randomPicture(611, 437, QImage::Format_RGB32, 122);
        const auto runAll = [&] {
            QVector<QByteArray> digests;
            const auto add = [&digests](const QImage& image) { digests << imageDigest(image); };
            QImage image = picture.copy();
            adjustBrightness(image, 33);
            add(image);
            image = picture.copy();
            adjustSaturation(image, -45);
            add(image);
            image = picture.copy();
            sharpen3x3(image);
            add(image);
            image = picture.copy();
            localContrast(image, 70);
            add(image);
            for (Blend kind : {Blend::SoftLight, Blend::Multiply, Blend::Luminosity}) {
                image = other.copy();
                blend(kind, picture, image, 0.7);
                add(image);
            }
            add(restoreAlpha(picture, other));
            QImage target(500, 500, QImage::Format_RGB32);
            resizeBilinear(picture, target);
            add(target);
            add(rotateByAngle(picture, 33));
            return digests;
        };
        QVector<QByteArray> plain;
        {
            const ScopedExecution scoped({1, qint64(1) << 40, false});
            plain = runAll();
        }
        const ScopedExecution scoped({2, Execution().minimumParallelPixels, true});
        QCOMPARE(runAll(), plain);
    }

    // A scoped setting holds for its lifetime and gives the one before it back, even nested; the
    // painters' loops stay on one thread below the minimum and take the setting's count above it.
    void executionSettingIsScoped()
    {
        const Execution defaults;
        {
            const ScopedExecution outer({3, 100, false});
            QCOMPARE(pixelLoopThreads(99), 1);
            QCOMPARE(pixelLoopThreads(100), 3);
            {
                const ScopedExecution inner({0, 0, true});
                QCOMPARE(pixelLoopThreads(1), workerThreadCount());
                QVERIFY(execution().simd);
            }
            QCOMPARE(execution().threads, 3);
            QCOMPARE(execution().minimumParallelPixels, qint64(100));
            QVERIFY(!execution().simd);
        }
        QCOMPARE(execution().threads, defaults.threads);
        QCOMPARE(execution().minimumParallelPixels, defaults.minimumParallelPixels);
        QCOMPARE(execution().simd, defaults.simd);
    }

    void emptyImagesPassUnchanged()
    {
        QImage image;
        adjustBrightness(image, 50);
        adjustSaturation(image, 50);
        sharpen3x3(image);
        localContrast(image, 50);
        ensure32Bit(image);
        QVERIFY(image.isNull());
        QImage other;
        softLightBlend(image, other);
        multiplyBlend(image, other, 0.5);
        luminosityBlend(image, other, 0.5);
        QVERIFY(other.isNull());
        QVERIFY(restoreAlpha(image, other).isNull());
        QVERIFY(rotateByAngle(image, 30).isNull());
        QVERIFY(scaleByFactor(image, 2.0).isNull());
        QCOMPARE(imageDigest(image).size(), 16);
    }
};

QTEST_GUILESS_MAIN(TestRasterPrimitives)
#include "test_raster_primitives.moc"
