#include "core/filters/oil_painting_filter.h"

#include "core/filters/parameter_rows.h"
#include "core/framework/parameter_keys.h"

#include <QObject>

OilPaintingFilter::OilPaintingFilter()
    : PaintingFilter(oilPaintingAlgorithmName(), descriptor().overlayKey)
{
}

QString OilPaintingFilter::name() const
{
    return descriptor().name;
}

const FilterDescriptor& OilPaintingFilter::descriptor()
{
    static const FilterDescriptor filter = [] {
        const QString percent = QStringLiteral("%");
        FilterDescriptor d;
        d.name = QStringLiteral("Oil");
        d.displaySource = QT_TRANSLATE_NOOP("Filter", "Oil");
        d.create = [] { return FilterPtr(new OilPaintingFilter); };
        namespace K = Keys::Oil;
        // The painter of each oil type reads only some rows; the panel shows those.
        const QStringList brushes = {K::brushstrokes, QString()}; // an unknown type paints so too
        const QStringList expressive = {K::expressive};
        const QStringList impasto = {K::impasto};
        auto shownFor = [](ParameterSpec row, const QStringList& types) {
            row.shownFor = types;
            return row;
        };
        auto hiddenFor = [](ParameterSpec row, const QStringList& types) {
            row.hiddenFor = types;
            return row;
        };
        d.rows = {
            choiceRow(K::type, QObject::tr("Oil type:"),
                      {{K::brushstrokes, QObject::tr("Brushstrokes")},
                       {K::expressive, QObject::tr("Expressive brushstrokes")},
                       {K::impasto, QObject::tr("Oil painting")}},
                      2),
            hiddenRow(K::minimumStrokeSize, 0, 100, 3),
            hiddenFor(sliderRow(K::maximumStrokeSize, QObject::tr("Brush size:"), 0, 100, 19, 64,
                                percent),
                      impasto),
            hiddenFor(sliderRow(K::strokeCount, QObject::tr("Strokes:"), 0, 30, 10, 25), impasto),
            shownFor(sliderRow(K::edge, QObject::tr("Edge:"), 0, 100, 39, 64, percent), brushes),
            hiddenFor(sliderRow(K::precision, QObject::tr("Precision:"), 0, 100, 70, 64), impasto),
            shownFor(sliderRow(K::contrast, QObject::tr("Contrast:"), 0, 100, 33, 64, percent),
                     expressive),
            shownFor(sliderRow(K::details, QObject::tr("Details:"), 0, 100, 84, 64, percent),
                     expressive),
            shownFor(sliderRow(K::strength, QObject::tr("Strength:"), 0, 100, 78, 64, percent),
                     impasto),
            shownFor(sliderRow(K::simplification, QObject::tr("Details:"), 0, 100, 80, 64, percent),
                     impasto),
            shownFor(sliderRow(K::saturation, QObject::tr("Saturation:"), 0, 100, 60, 25), impasto),
            shownFor(sliderRow(K::brightness, QObject::tr("Brightness:"), -100, 100, 20, 64),
                     impasto),
            hiddenRow(K::groundIntensity, 0, 255, 60),
            pencilOverlayRow(Keys::Overlay::oil),
            textureRow(Keys::Texture::paper),
        };
        d.rowSwitchKey = K::type;
        d.overlayKey = Keys::Overlay::oil;
        d.textureKey = Keys::Texture::paper;
        d.overlayValues = overlayPencilValues(40);
        d.horizontalSpacing = 6;
        d.verticalSpacing = 14;
        return d;
    }();
    return filter;
}
