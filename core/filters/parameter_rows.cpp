#include "core/filters/parameter_rows.h"

#include "core/algorithms/paper_catalogue.h"
#include "core/framework/parameter_keys.h"

#include <QObject>

namespace {

QVector<ParameterChoice> plainChoices(const QStringList& names)
{
    QVector<ParameterChoice> choices;
    for (const QString& name : names)
        choices.append({name, QObject::tr(name.toUtf8().constData())});
    return choices;
}

} // namespace

ParameterSpec sliderRow(const QString& key, const QString& label, int minimum, int maximum,
                        int defaultValue, int tickInterval, const QString& unit)
{
    ParameterSpec entry;
    entry.key = key;
    entry.label = label;
    entry.kind = ParameterSpec::Slider;
    entry.minimum = minimum;
    entry.maximum = maximum;
    entry.defaultValue = defaultValue;
    entry.tickInterval = tickInterval;
    entry.unit = unit;
    return entry;
}

ParameterSpec hiddenRow(const QString& key, int minimum, int maximum, int defaultValue)
{
    ParameterSpec entry = sliderRow(key, QString(), minimum, maximum, defaultValue, 64);
    entry.hidden = true;
    return entry;
}

ParameterSpec choiceRow(const QString& key, const QString& label,
                        const QVector<ParameterChoice>& choices, int defaultIndex)
{
    ParameterSpec entry;
    entry.key = key;
    entry.label = label;
    entry.kind = ParameterSpec::Choice;
    entry.choices = choices;
    entry.minimum = 0;
    entry.maximum = choices.size() - 1;
    entry.defaultValue = choices.at(defaultIndex).value;
    return entry;
}

ParameterSpec textureRow(const QString& key)
{
    return choiceRow(key, QObject::tr("Texturize:"), textureChoices(), 0);
}

ParameterSpec pencilOverlayRow(const QString& key)
{
    return choiceRow(key, QObject::tr("Pencil:"), pencilOverlayChoices(), 0);
}

QVector<ParameterSpec> strokeRows(const StrokeKeys& keys, const StrokeDefaults& defaults)
{
    const QString percent = QStringLiteral("%");
    return {
        hiddenRow(keys.minimumSize, 0, 100, defaults.minimumSize),
        sliderRow(keys.maximumSize, QObject::tr("Brush size:"), 0, 100, defaults.maximumSize, 64,
                  percent),
        sliderRow(keys.count, QObject::tr("Strokes:"), 0, 100, defaults.count, 25),
        sliderRow(keys.edge, QObject::tr("Edge:"), 0, 100, defaults.edge, 64, percent),
        sliderRow(keys.precision, QObject::tr("Precision:"), 0, 100, defaults.precision, 64,
                  percent),
    };
}

QMap<QString, QVariant> overlayPencilValues(int shading)
{
    return {
        {Keys::Pencil::contour, 2},       {Keys::Pencil::shading, shading},
        {Keys::Pencil::strokeLength, 35}, {Keys::Pencil::brightness, -20},
        {Keys::Pencil::saturation, 50},
    };
}

QVector<ParameterChoice> textureChoices()
{
    QStringList names = {Keys::Texture::none};
    for (const PaperTexture& texture : paperCatalogue())
        names.append(texture.name);
    return plainChoices(names);
}

QVector<ParameterChoice> pencilOverlayChoices()
{
    return plainChoices({Keys::Overlay::none, Keys::Overlay::contour, Keys::Overlay::darkShading,
                         Keys::Overlay::lightShading});
}

QVector<ParameterChoice> aftertouchChoices()
{
    return plainChoices(
        {Keys::Blend::darkStrokes, Keys::Blend::saturationStrokes, Keys::Blend::largeStrokes});
}
