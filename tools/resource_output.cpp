#include "resource_generator.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>

#include <cstdio>

QRgb toRgb(double r, double g, double b)
{
    const auto c = [](double v) { return int(std::lround(clampTo(v, 0.0, 255.0))); };
    return qRgb(c(r), c(g), c(b));
}

QImage tintedImage(const Field& brightness, const Colour& paper)
{
    QImage img(brightness.width, brightness.height, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double k = brightness.at(x, y);
            line[x] = toRgb(paper.r * k, paper.g * k, paper.b * k);
        }
    }
    return img;
}

QImage greyImage(const Field& level)
{
    QImage img(level.width, level.height, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double v = level.at(x, y);
            line[x] = toRgb(v, v, v);
        }
    }
    return img;
}

void matchStatistics(Field& f, double mean, double deviation)
{
    normalize(f);
    for (float& v : f.data)
        v = float(mean + deviation * v);
}

bool saveJpeg(const QImage& img, const QString& path)
{
    if (!img.save(path, "JPG", 90)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage decodedJpeg(const QImage& img)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPG", 90);
    return QImage::fromData(bytes, "JPG");
}

bool saveBmp32(const QImage& source, const QString& path)
{
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const quint32 imageBytes = quint32(w) * quint32(h) * 4u;
    QByteArray out;
    const auto put16 = [&](quint32 v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    const auto put32 = [&](quint32 v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    out.append("BM");
    put32(14 + 40 + imageBytes); // file size
    put32(0);                    // reserved
    put32(14 + 40);              // offset of the pixels
    put32(40);                   // header size
    put32(quint32(w));
    put32(quint32(h)); // positive: bottom-up
    put16(1);          // planes
    put16(32);         // bits per pixel
    put32(0);          // BI_RGB
    put32(imageBytes);
    put32(2835); // 72 dpi
    put32(2835);
    put32(0);
    put32(0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(0));
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

void report(const QString& name, const QImage& img)
{
    double sum = 0.0, sum2 = 0.0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const double g = qGray(img.pixel(x, y));
            sum += g;
            sum2 += g * g;
        }
    const double n = double(img.width()) * img.height();
    const double mean = sum / n;
    std::printf("%-28s %4dx%-4d mean %6.1f std %5.1f\n", qPrintable(name), img.width(),
                img.height(), mean, std::sqrt(std::max(0.0, sum2 / n - mean * mean)));
}
