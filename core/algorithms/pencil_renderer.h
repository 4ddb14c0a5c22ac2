#pragma once

#include <QImage>

#include <atomic>

class IProgressReporter;

// Draws a pencil sketch of a photograph: contour strokes along edges, short hatching strokes in
// flat areas whose darkness and direction follow the brightness, and in the coloured mode a blend
// of the drawing with the photograph's colours.
//
// Owned by PencilBWAlgorithm (and later by the painters that lay a drawing over their result).
// sketch runs on the worker thread; setCancelled may be called from the GUI thread meanwhile.
//
// How it works: strokes only darken, and darkening by d1 then d2 (each clamped at 0) equals
// darkening by d1 + d2 once, so the drawing is kept as a darkness total per pixel, saturating at
// 255, and the order in which strokes are laid does not matter. That lets the stroke pass run on
// several threads (those of the execution setting, execution.h), each with its own darkness
// plane, summed at the end; the result is the same for every count. The hatching directions
// are random: they are drawn on the calling thread in row-major order before the stroke pass, so
// the sequence of draws is the one the plain row-by-row loop makes.
class PencilRenderer
{
public:
    struct Settings
    {
        int edgeThreshold = 0; // T, 0..254: mean gradient below it is a flat pixel
        int shadingBase = 0;   // E, 0..255: higher means lighter hatching
        int strokeLength = 0;  // S, 0..100
        int darkness = 0;      // K, 0..255: darkness of the contour strokes
        bool coloured = false;
        int colourWeight = 0; // W, 0..100: weight of the darkened drawing in the colour blend
    };

    void setCancelled(bool cancelled) { m_cancelled.store(cancelled); }
    bool isCancelled() const { return m_cancelled.load(); }

    // Replaces image (32-bit) by the sketch, with the input's alpha. Returns false and leaves the
    // image exactly as it was when cancelled.
    bool sketch(QImage& image, const Settings& settings, IProgressReporter* reporter);

    // A white picture of the source's size with short dark segments drawn across its strong
    // edges, the edge darkening of the oil painters. It is grey throughout, so it comes one byte a
    // pixel (Format_Grayscale8). At every interior pixel whose Sobel
    // gradient of the luminance (divided by 4) has a mean magnitude of at least `threshold` and
    // is not diagonal, a segment runs along the gradient, symmetric about the pixel, its darkness
    // falling off by 1 a step from the centre; `length` (0..100) scales its reach and darkness,
    // `darkness` above 150 deepens it. Darkening adds up and clamps at 0, so the order in which
    // segments are laid does not matter. Does not test the cancel flag.
    static QImage gradientStrokeDrawing(const QImage& source, int threshold, int darkness,
                                        int length);

private:
    std::atomic<bool> m_cancelled{false};
};
