#include "core/algorithms/texturize_algorithm.h"
#include "core/raster/working_memory.h"

#include "core/algorithms/algorithm_list.h"
#include "core/algorithms/paper_catalogue.h"
#include "core/framework/iprogress_reporter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/parallel_rows.h"
#include "core/raster/raster_primitives.h"

#include <QObject>
#include <QTransform>

#include <algorithm>

QString TexturizeAlgorithm::name() const
{
    return texturizeAlgorithmName();
}

void TexturizeAlgorithm::setParameters(const FilterParametersPtr& parameters)
{
    if (!parameters)
        return;
    const QString scaling = scalingKey();
    const QString& textureKey = Keys::Texture::paper;
    const QString& transformKey = Keys::Texture::placement;
    for (const QString& key : parameters->keys()) {
        const QVariant value = parameters->value(key);
        if (key == scaling) {
            m_scale = value.toDouble();
            m_scaled = m_scale != 1.0;
        } else if (key == textureKey) {
            m_textureName = value.toString();
        } else if (key == transformKey) {
            const QString text = value.toString();
            m_placement = text == QLatin1String("Stretch") ? Stretch
                          : text == QLatin1String("Tile")  ? Tile
                                                           : Other;
        }
    }
}

bool TexturizeAlgorithm::isReady() const
{
    return !loadPaperTexture(m_textureName).isNull();
}

QImage TexturizeAlgorithm::sampleFor(const QSize& pictureSize) const
{
    QImage texture = loadPaperTexture(m_textureName);
    if (texture.isNull())
        return texture;
    if (m_scaled) {
        // A scale that leaves no pixel (0, or tiny) would leave nothing to sample: keep the
        // texture at its own size then.
        const QImage scaled =
            texture.transformed(QTransform().scale(m_scale, m_scale), Qt::FastTransformation);
        if (!scaled.isNull())
            texture = scaled.convertToFormat(QImage::Format_RGB32);
    }
    if (m_placement == Stretch && !pictureSize.isEmpty()) {
        texture = texture.scaled(pictureSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        requirePixels(texture);
    }
    return texture;
}

void TexturizeAlgorithm::process(QImage& image)
{
    if (image.isNull())
        return;
    ensure32Bit(image);
    const QImage sample = sampleFor(image.size());
    if (sample.isNull())
        return;

    const int width = image.width();
    const int height = image.height();
    const int sampleWidth = sample.width();
    const int sampleHeight = sample.height();
    const int progressStep = std::max(2, height / 100);
    if (m_reporter)
        m_reporter->report_progress(0);

    // Stretch samples the picture-sized texture at the pixel's own place; Tile, and any other
    // stored placement, repeats the texture from the top-left corner.
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    int lastReported = 0;
    const bool finished = parallelRows(
        0, height, 32,
        [&](int begin, int end, int) {
            for (int y = begin; y < end; ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride);
                const QRgb* texels =
                    reinterpret_cast<const QRgb*>(sample.constScanLine(y % sampleHeight));
                for (int x0 = 0; x0 < width; x0 += sampleWidth) {
                    const int run = std::min(sampleWidth, width - x0);
                    QRgb* p = row + x0;
                    for (int i = 0; i < run; ++i) {
                        const QRgb t = texels[i];
                        const QRgb v = p[i];
                        const uint r = (qRed(t) * qRed(v)) >> 8;
                        const uint g = (qGreen(t) * qGreen(v)) >> 8;
                        const uint b = (qBlue(t) * qBlue(v)) >> 8;
                        p[i] = 0xFF000000u | r << 16 | g << 8 | b;
                    }
                }
            }
        },
        [this] { return m_cancelled.load(std::memory_order_relaxed); },
        [&](int rowsDone) {
            if (m_reporter && rowsDone / progressStep > lastReported / progressStep) {
                lastReported = rowsDone;
                m_reporter->report_progress(100 * rowsDone / height);
            }
        });
    if (finished && m_reporter)
        m_reporter->report_progress(100);
}
