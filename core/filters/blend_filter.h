#pragma once

#include "core/filters/filter_adapter.h"
#include "core/filters/parameter_rows.h"

// The pipeline the blending filters share: a painting, a watercolor of the photograph laid over it
// in one of three "aftertouch" styles, then optionally a paper or canvas texture.
//
// The algorithm list is (painter, "Watercolor", "Texturize"). The aftertouch style is read from the
// filter's own key: "Dark strokes" multiplies the watercolor in at half strength, "Saturation
// strokes" soft-lights it, "Large strokes" gives the painting the watercolor's luminance at half
// strength; any other text, or no key, computes the watercolor without blending it. Without the
// watercolor settings (a set the panels did not make) there is no watercolor at all. The texture is
// chosen by the filter's own texture key, never by "TexturizeAlgorithm::texture".
//
// The watercolor is brought to the painting's size before it is blended: in a scaled render the
// painter and the watercolor reduce the picture by different amounts. A cancelled watercolor is
// not blended. The texture's opaque pixels take the photograph's alpha back. One phase for each
// step that runs: the painting, the watercolor and the texture when they are ready. Created per
// render by createFilter; run on the worker thread.
class BlendFilter : public FilterAdapter
{
public:
    void run() override;

    // Lays the watercolor over the painting in the given style; any other style changes nothing.
    static void blendAftertouch(const QString& style, const QImage& watercolor, QImage& painting);

protected:
    enum class PhotoSize {
        Painting, // the photograph is reduced to the painting's size before the watercolor
        Own,      // the watercolor works on the photograph as it came
    };

    BlendFilter(const QString& painterName, const QString& aftertouchKey, const QString& textureKey,
                PhotoSize photoSize);

    // What the two blending filters' descriptors share: the painter's stroke rows, the
    // "Aftertouch:" list (its default at aftertouchIndex) and the texture list under the filter's
    // own keys, and the fixed settings of the watercolor layer (strength, simplification,
    // saturation, brightness; its ground intensity is always 60).
    struct Description
    {
        StrokeKeys strokeKeys;
        StrokeDefaults strokeDefaults;
        QString aftertouchKey;
        int aftertouchIndex;
        QString textureKey;
        int watercolor[4];
    };
    static void describe(FilterDescriptor& descriptor, const Description& description);

private:
    // The value of one of the filter's keys (invalid without a set or key).
    QVariant ownValue(const QString& key) const;

    QString m_aftertouchKey;
    QString m_textureKey;
    PhotoSize m_photoSize;
};
