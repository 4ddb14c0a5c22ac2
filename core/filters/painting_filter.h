#pragma once

#include "core/filters/filter_adapter.h"

// The pipeline the painting filters share: a painting, then optionally a pencil drawing of the
// photograph laid over it in one of three styles, then optionally a paper or canvas texture.
//
// The algorithm list is (painter, "Pencil B & W", "Texturize"). The overlay style is read from
// the filter's own key: "Contour" multiplies the drawing in at half strength, "Dark shading"
// soft-lights it, "Light shading" gives the painting the drawing's luminance at half strength;
// "None" (or no key) lays no drawing, and any other text computes the drawing without blending
// it. Phases: one for each step that runs, the painting always, the pencil step and the texture
// when they are ready.
// Created per render by createFilter; run on the worker thread.
class PaintingFilter : public FilterAdapter
{
public:
    void run() override;

    // Lays the drawing over the painting in the given style; any other style changes nothing.
    static void blendOverlay(const QString& style, const QImage& drawing, QImage& painting);

protected:
    PaintingFilter(const QString& painterName, const QString& overlayKey);

    // The overlay style of the current parameter set ("None" without a set or key).
    QString overlayStyle() const;

private:
    // True when the pencil step will run: the pencil algorithm is ready (its settings are there).
    bool drawsOverlay(const QString& style) const;

    QString m_overlayKey;
};
