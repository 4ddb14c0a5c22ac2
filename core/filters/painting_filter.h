#pragma once

#include "core/filters/filter_adapter.h"

// The pipeline the painting filters share: a painting, then optionally a pencil drawing of the
// photograph laid over it in one of three styles, then optionally a paper or canvas texture.
//
// The algorithm list is (painter, "Pencil B & W", "Texturize"). The overlay style is read from
// the filter's own key: "Contour" multiplies the drawing in at half strength, "Dark shading"
// soft-lights it, "Light shading" gives the painting the drawing's luminance at half strength;
// "None" (or no key) lays no drawing, and any other text computes the drawing without blending
// it. Phases: one more than the algorithms that are ready; the painting ends the first, the
// pencil step the second (or, for filters that ask for it, every run ends a second phase).
// Created per render by createFilter; run on the worker thread.
class PaintingFilter : public FilterAdapter
{
public:
    void run() override;

    // Lays the drawing over the painting in the given style; any other style changes nothing.
    static void blendOverlay(const QString& style, const QImage& drawing, QImage& painting);

protected:
    enum class SecondPhase {
        Always,    // report_next_phase after the pencil step whether or not it ran
        WhenDrawn, // only when the pencil step ran
    };

    PaintingFilter(const QString& painterName, const QString& overlayKey, SecondPhase secondPhase);

    // The overlay style of the current parameter set ("None" without a set or key).
    QString overlayStyle() const;

private:
    // True when the pencil step will run: the pencil algorithm is ready and not cancelled, and
    // an overlay is chosen.
    bool drawsOverlay(const QString& style) const;

    QString m_overlayKey;
    SecondPhase m_secondPhase;
};
