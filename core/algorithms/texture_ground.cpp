#include "core/algorithms/texture_ground.h"

#include <algorithm>

TextureGround::TextureGround(const QImage& texture, int brushstrokeIntensity)
    : m_width(std::max(texture.width() - 1, 1)), m_height(std::max(texture.height() - 1, 1))
{
    Q_ASSERT(texture.depth() == 32 && !texture.isNull());
    const int textureWidth = texture.width();
    const int textureHeight = texture.height();
    qint64 sum = 0;
    for (int y = 0; y < textureHeight; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(texture.constScanLine(y));
        for (int x = 0; x < textureWidth; ++x)
            sum += qRed(line[x]);
    }
    const qint64 mean = sum / (qint64(textureWidth) * textureHeight);
    const qint64 k = 2 * qint64(brushstrokeIntensity);

    m_delta.resize(size_t(m_width) * size_t(m_height));
    for (int y = 0; y < m_height; ++y) {
        const QRgb* line =
            reinterpret_cast<const QRgb*>(texture.constScanLine(std::min(y, textureHeight - 1)));
        std::int16_t* out = m_delta.data() + size_t(y) * size_t(m_width);
        for (int x = 0; x < m_width; ++x) {
            const qint64 d = (mean - qRed(line[std::min(x, textureWidth - 1)])) * k / 255;
            out[x] = std::int16_t(std::clamp<qint64>(d, -255, 254));
        }
    }
}
