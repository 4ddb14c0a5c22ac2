#pragma once

#include <QImage>

#include <algorithm>
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

// The photograph stand-in the command-line tests render (64 x 48 unless told): a colour gradient
// with a dark disc and a light rectangle, so that the drawing has edges and flat areas. variant
// shifts the colours, to tell two inputs apart.
inline QImage photoPicture(int width = 64, int height = 48, int variant = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    const int cx = width / 3;
    const int cy = height / 2;
    const int radius = height / 4;
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb colour = qRgb(60 + 150 * x / width, 80 + 120 * y / height,
                               (140 - 60 * x / width + 40 * variant) % 256);
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius)
                colour = qRgb(40, 30 + 30 * variant, 20);
            if (x >= 2 * width / 3 && x < 5 * width / 6 && y >= height / 4 && y < height / 2)
                colour = qRgb(250, 240, 200);
            row[x] = colour;
        }
    }
    return image;
}

// One colour all over.
inline QImage solidPicture(int width, int height, QRgb colour,
                           QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

inline QImage solidPicture(const QSize& size, QRgb colour,
                           QImage::Format format = QImage::Format_RGB32)
{
    return solidPicture(size.width(), size.height(), colour, format);
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
