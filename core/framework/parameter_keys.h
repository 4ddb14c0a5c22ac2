#pragma once

#include <QString>

// Every key a parameter set can carry, spelled once. A key is "Owner::parameter": the owner is
// the algorithm that reads it, or for the filters' own choices the panel name they were first
// stored under (documents and parameter files keep those names, so they never change). The
// filter descriptors, the algorithms, the panels and the command-line renderer all name keys
// through these constants. Values are the stored texts of choices that code compares against.
namespace Keys {

// The pencil drawing, alone or laid over a painting.
namespace Pencil {
inline const QString type = QStringLiteral("PencilBWAlgorithm::color_enabled");
inline const QString contour = QStringLiteral("PencilBWAlgorithm::edge_threshold");
inline const QString shading = QStringLiteral("PencilBWAlgorithm::edge_intensity");
inline const QString strokeLength = QStringLiteral("PencilBWAlgorithm::stroke_length");
inline const QString brightness = QStringLiteral("PencilBWAlgorithm::darken_lighten");
inline const QString saturation = QStringLiteral("PencilBWAlgorithm::color_intensity");

inline const QString leadPencil = QStringLiteral("lead_pencil");
inline const QString colouredPencils = QStringLiteral("colored_pencils");
} // namespace Pencil

// The watercolor, alone or laid over a painting by the blending filters.
namespace Watercolor {
inline const QString strength = QStringLiteral("WatercolorAlgorithm::strength_of_effect");
inline const QString simplification = QStringLiteral("WatercolorAlgorithm::image_simplification");
inline const QString saturation = QStringLiteral("WatercolorAlgorithm::color_intensity");
inline const QString brightness = QStringLiteral("WatercolorAlgorithm::darken_lighten");
inline const QString groundIntensity =
    QStringLiteral("WatercolorAlgorithm::brushstrokes_intensity");
} // namespace Watercolor

// The oil painting: the stroke settings of its brush painters and the impasto settings of its
// region painter.
namespace Oil {
inline const QString type = QStringLiteral("OilPaintingAlgorithm::oil_type");
inline const QString minimumStrokeSize =
    QStringLiteral("OilPaintingAlgorithm::minimum_stroke_size");
inline const QString maximumStrokeSize =
    QStringLiteral("OilPaintingAlgorithm::maximum_stroke_size");
inline const QString strokeCount = QStringLiteral("OilPaintingAlgorithm::number_of_brushstrokes");
inline const QString edge = QStringLiteral("OilPaintingAlgorithm::edge_intensity");
inline const QString precision = QStringLiteral("OilPaintingAlgorithm::brushstroke_precision");
inline const QString contrast = QStringLiteral("OilPaintingAlgorithm::level_of_contrast");
inline const QString details = QStringLiteral("OilPaintingAlgorithm::level_of_details");
inline const QString strength = QStringLiteral("OilPaintingAlgorithm::strength_of_effect");
inline const QString simplification = QStringLiteral("OilPaintingAlgorithm::image_simplification");
inline const QString saturation = QStringLiteral("OilPaintingAlgorithm::color_intensity");
inline const QString brightness = QStringLiteral("OilPaintingAlgorithm::darken_lighten");
inline const QString groundIntensity =
    QStringLiteral("OilPaintingAlgorithm::brushstrokes_intensity");

// The oil types; the first keeps the spelling documents have always stored.
inline const QString brushstrokes = QStringLiteral("standart_oil");
inline const QString expressive = QStringLiteral("expressive_brushstrokes");
inline const QString impasto = QStringLiteral("oil_painting");
} // namespace Oil

// The oil pastel's crayon strokes.
namespace Pastel {
inline const QString minimumStrokeSize = QStringLiteral("OilPastelAlgorithm::minimum_stroke_size");
inline const QString maximumStrokeSize = QStringLiteral("OilPastelAlgorithm::maximum_stroke_size");
inline const QString strokeCount = QStringLiteral("OilPastelAlgorithm::number_of_brushstrokes");
inline const QString edge = QStringLiteral("OilPastelAlgorithm::edge_intensity");
inline const QString precision = QStringLiteral("OilPastelAlgorithm::brushstroke_precision");
} // namespace Pastel

// The paper or canvas and how it covers the picture.
namespace Texture {
inline const QString paper = QStringLiteral("TexturizeAlgorithm::texture");
inline const QString placement = QStringLiteral("TexturizeAlgorithm::transform");
inline const QString none = QStringLiteral("None");
} // namespace Texture

// The pencil overlay of each painting filter.
namespace Overlay {
inline const QString watercolor = QStringLiteral("WatercolorFilterWidget::pencil_");
inline const QString pastel = QStringLiteral("OilPastelFilterWidget::pencil_");
inline const QString oil = QStringLiteral("OilPaintingFilterWidget::pencil_");

inline const QString none = QStringLiteral("None");
inline const QString contour = QStringLiteral("Contour");
inline const QString darkShading = QStringLiteral("Dark shading");
inline const QString lightShading = QStringLiteral("Light shading");
} // namespace Overlay

// The blending filters' watercolor layer style and texture.
namespace Blend {
inline const QString paintBlendAftertouch = QStringLiteral("PaintBlendFilterWidget::aftertouch_");
inline const QString paintBlendTexture = QStringLiteral("PaintBlendFilterWidget::texturize_");
inline const QString watermixAftertouch = QStringLiteral("WatermixFilterWidget::aftertouch_");
inline const QString watermixTexture = QStringLiteral("WatermixFilterWidget::texturize_");

inline const QString darkStrokes = QStringLiteral("Dark strokes");
inline const QString saturationStrokes = QStringLiteral("Saturation strokes");
inline const QString largeStrokes = QStringLiteral("Large strokes");
} // namespace Blend

} // namespace Keys
