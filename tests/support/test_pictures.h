#pragma once

#include <QImage>

#include <cstdint>
#include <cstdlib>
#include <random>

// Small synthetic pictures for tests: deterministic for a given seed.

// Random pixels with the given format (alpha random too for ARGB32).
inline QImage randomPicture(int width, int height, QImage::Format format, std::uint32_t seed)
{
    QImage image(width, height, format);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb v = rng();
            row[x] = format == QImage::Format_RGB32 ? (v | 0xFF000000u) : v;
        }
    }
    return image;
}

// A photograph-like picture: smooth gradients, a dark disc and a bright bar, so it has both flat
// areas and edges.
inline QImage scenePicture(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int r = 40 + 180 * x / std::max(1, width - 1);
            int g = 60 + 150 * y / std::max(1, height - 1);
            int b = 200 - 120 * (x + y) / std::max(1, width + height - 2);
            const int dx = x - width / 3, dy = y - height / 2;
            if (dx * dx + dy * dy < (width * height) / 20) {
                r /= 4;
                g /= 3;
                b /= 2;
            }
            if (x > 2 * width / 3 && x < 2 * width / 3 + width / 10) {
                r = 250;
                g = 240;
                b = 230;
            }
            row[x] = qRgb(r, g, b);
        }
    }
    return image;
}

// Share of pixels within 12 of the painters' warm white canvas colour (255, 255, 240) in each
// channel: how much of a painting is still bare canvas.
inline double canvasShare(const QImage& image)
{
    qint64 near = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            if (qRed(p) >= 243 && qGreen(p) >= 243 && std::abs(qBlue(p) - 240) <= 12)
                ++near;
        }
    }
    return double(near) / (qint64(image.width()) * image.height());
}
