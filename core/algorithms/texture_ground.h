#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

// The textured ground of the region paint engine: a texture's red channel as a delta around its
// mean, times the brushstroke strength (2 x intensity / 255). The texture repeats every
// (size - 1) pixels; one a single pixel wide or high repeats its first column or row. Built once
// per paint call from a 32-bit texture; read-only afterwards, so any thread may read it.
class TextureGround
{
public:
    TextureGround(const QImage& texture, int brushstrokeIntensity);

    // The delta at a picture position plus offsets (non-negative).
    int delta(qint64 column, qint64 row) const
    {
        return m_delta[size_t(row % m_height) * size_t(m_width) + size_t(column % m_width)];
    }
    // The deltas of one row, m_width of them, for a loop that steps the column itself.
    const std::int16_t* row(qint64 row) const
    {
        return m_delta.data() + size_t(row % m_height) * size_t(m_width);
    }
    int width() const { return m_width; }

private:
    int m_width;
    int m_height;
    std::vector<std::int16_t> m_delta; // clamped to -255..254: beyond, every channel clamps alike
};
