#include "core/framework/parameter_table.h"

#include <QHash>
#include <QObject>

namespace {

ParameterSpec slider(const QString& key, const QString& label, int minimum, int maximum,
                     int defaultValue)
{
    ParameterSpec entry;
    entry.key = key;
    entry.label = label;
    entry.kind = ParameterSpec::Slider;
    entry.minimum = minimum;
    entry.maximum = maximum;
    entry.defaultValue = defaultValue;
    return entry;
}

ParameterSpec hiddenSlider(const QString& key, int minimum, int maximum, int defaultValue)
{
    ParameterSpec entry = slider(key, QString(), minimum, maximum, defaultValue);
    entry.hidden = true;
    return entry;
}

ParameterSpec choice(const QString& key, const QString& label,
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

QVector<ParameterChoice> plainChoices(const QStringList& names)
{
    QVector<ParameterChoice> choices;
    for (const QString& name : names)
        choices.append({name, QObject::tr(name.toUtf8().constData())});
    return choices;
}

const QString kTextureKey = QStringLiteral("TexturizeAlgorithm::texture");

ParameterSpec textureRow(const QString& key = kTextureKey)
{
    return choice(key, QObject::tr("Texturize:"), textureChoices(), 0);
}

ParameterSpec pencilRow(const QString& key)
{
    return choice(key, QObject::tr("Pencil:"), pencilOverlayChoices(), 0);
}

QVector<ParameterSpec> pencilTable()
{
    const QString p = QStringLiteral("PencilBWAlgorithm::");
    return {
        choice(p + "color_enabled", QObject::tr("Type:"),
               {{QStringLiteral("lead_pencil"), QObject::tr("Lead pencil")},
                {QStringLiteral("colored_pencils"), QObject::tr("Colored pencils")}},
               0),
        slider(p + "edge_threshold", QObject::tr("Contour:"), 0, 100, 5),
        slider(p + "edge_intensity", QObject::tr("Shading:"), 0, 100, 40),
        slider(p + "stroke_length", QObject::tr("Stroke:"), 0, 100, 40),
        slider(p + "darken_lighten", QObject::tr("Brightness:"), -100, 100, -40),
        slider(p + "color_intensity", QObject::tr("Saturation:"), 50, 100, 50),
        textureRow(),
    };
}

QVector<ParameterSpec> watercolorTable()
{
    const QString w = QStringLiteral("WatercolorAlgorithm::");
    return {
        slider(w + "strength_of_effect", QObject::tr("Strength:"), 0, 100, 78),
        slider(w + "image_simplification", QObject::tr("Details:"), 0, 100, 80),
        slider(w + "color_intensity", QObject::tr("Saturation:"), 0, 100, 60),
        slider(w + "darken_lighten", QObject::tr("Brightness:"), -100, 100, 20),
        hiddenSlider(w + "brushstrokes_intensity", 0, 255, 60),
        pencilRow(QStringLiteral("WatercolorFilterWidget::pencil_")),
        textureRow(),
    };
}

QVector<ParameterSpec> pastelTable()
{
    const QString o = QStringLiteral("OilPastelAlgorithm::");
    return {
        hiddenSlider(o + "minimum_stroke_size", 0, 100, 7),
        slider(o + "maximum_stroke_size", QObject::tr("Brush size:"), 0, 100, 63),
        slider(o + "number_of_brushstrokes", QObject::tr("Strokes:"), 0, 100, 20),
        slider(o + "edge_intensity", QObject::tr("Edge:"), 0, 100, 8),
        slider(o + "brushstroke_precision", QObject::tr("Precision:"), 0, 100, 72),
        pencilRow(QStringLiteral("OilPastelFilterWidget::pencil_")),
        textureRow(),
    };
}

QVector<ParameterSpec> oilTable()
{
    const QString o = QStringLiteral("OilPaintingAlgorithm::");
    return {
        choice(o + "oil_type", QObject::tr("Oil type:"),
               {{QStringLiteral("standart_oil"), QObject::tr("Brushstrokes")},
                {QStringLiteral("expressive_brushstrokes"), QObject::tr("Expressive brushstrokes")},
                {QStringLiteral("oil_painting"), QObject::tr("Oil painting")}},
               2),
        hiddenSlider(o + "minimum_stroke_size", 0, 100, 3),
        slider(o + "maximum_stroke_size", QObject::tr("Brush size:"), 0, 100, 19),
        slider(o + "number_of_brushstrokes", QObject::tr("Strokes:"), 0, 30, 10),
        slider(o + "edge_intensity", QObject::tr("Edge:"), 0, 100, 39),
        slider(o + "brushstroke_precision", QObject::tr("Precision:"), 0, 100, 70),
        slider(o + "level_of_contrast", QObject::tr("Contrast:"), 0, 100, 33),
        slider(o + "level_of_details", QObject::tr("Details:"), 0, 100, 84),
        slider(o + "strength_of_effect", QObject::tr("Strength:"), 0, 100, 78),
        slider(o + "image_simplification", QObject::tr("Details:"), 0, 100, 80),
        slider(o + "color_intensity", QObject::tr("Saturation:"), 0, 100, 60),
        slider(o + "darken_lighten", QObject::tr("Brightness:"), -100, 100, 20),
        hiddenSlider(o + "brushstrokes_intensity", 0, 255, 60),
        pencilRow(QStringLiteral("OilPaintingFilterWidget::pencil_")),
        textureRow(),
    };
}

// The paint blend and watermix panels share one layout over different owners.
QVector<ParameterSpec> blendTable(const QString& owner, const QString& panel,
                                  const int defaults[5], int aftertouchIndex)
{
    return {
        hiddenSlider(owner + "minimum_stroke_size", 0, 100, defaults[0]),
        slider(owner + "maximum_stroke_size", QObject::tr("Brush size:"), 0, 100, defaults[1]),
        slider(owner + "number_of_brushstrokes", QObject::tr("Strokes:"), 0, 100, defaults[2]),
        slider(owner + "edge_intensity", QObject::tr("Edge:"), 0, 100, defaults[3]),
        slider(owner + "brushstroke_precision", QObject::tr("Precision:"), 0, 100, defaults[4]),
        choice(panel + "aftertouch_", QObject::tr("Aftertouch:"), aftertouchChoices(),
               aftertouchIndex),
        textureRow(panel + "texturize_"),
    };
}

QVector<ParameterSpec> paintBlendTable()
{
    static const int defaults[5] = {3, 78, 20, 8, 71};
    return blendTable(QStringLiteral("OilPaintingAlgorithm::"),
                      QStringLiteral("PaintBlendFilterWidget::"), defaults, 2);
}

QVector<ParameterSpec> watermixTable()
{
    static const int defaults[5] = {3, 53, 5, 24, 47};
    return blendTable(QStringLiteral("OilPastelAlgorithm::"),
                      QStringLiteral("WatermixFilterWidget::"), defaults, 0);
}

const QHash<QString, QVector<ParameterSpec>>& tables()
{
    static const QHash<QString, QVector<ParameterSpec>> all = {
        {QStringLiteral("Pencil"), pencilTable()},
        {QStringLiteral("Watercolor"), watercolorTable()},
        {QStringLiteral("Pastel"), pastelTable()},
        {QStringLiteral("Oil"), oilTable()},
        {QStringLiteral("Paint blend"), paintBlendTable()},
        {QStringLiteral("Watermix"), watermixTable()},
    };
    return all;
}

// The pencil overlay key of a painting filter, or empty when the filter has none.
QString pencilOverlayKey(const QString& filterName)
{
    if (filterName == QLatin1String("Watercolor"))
        return QStringLiteral("WatercolorFilterWidget::pencil_");
    if (filterName == QLatin1String("Pastel"))
        return QStringLiteral("OilPastelFilterWidget::pencil_");
    if (filterName == QLatin1String("Oil"))
        return QStringLiteral("OilPaintingFilterWidget::pencil_");
    return QString();
}

} // namespace

bool ParameterSpec::isValidValue(const QVariant& value) const
{
    if (kind == Choice)
        return findChoice(value.toString()) != nullptr;
    bool ok = false;
    const int v = value.toString().toInt(&ok);
    return ok && v >= minimum && v <= maximum;
}

const ParameterChoice* ParameterSpec::findChoice(const QString& text) const
{
    for (const ParameterChoice& c : choices) {
        if (c.value == text)
            return &c;
    }
    for (const ParameterChoice& c : choices) {
        if (c.label.compare(text, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const QVector<ParameterSpec>& parameterTable(const QString& filterName)
{
    static const QVector<ParameterSpec> none;
    const auto& all = tables();
    auto it = all.constFind(filterName);
    return it == all.cend() ? none : it.value();
}

const ParameterSpec* findParameter(const QString& filterName, const QString& key)
{
    for (const ParameterSpec& entry : parameterTable(filterName)) {
        if (entry.key == key)
            return &entry;
    }
    return nullptr;
}

QMap<QString, QVariant> fixedValues(const FilterParameters& set)
{
    QMap<QString, QVariant> fixed;
    const QString& name = set.filterName();

    const QString overlayKey = pencilOverlayKey(name);
    if (!overlayKey.isEmpty()) {
        const QString overlay = set.value(overlayKey).toString();
        if (!overlay.isEmpty() && overlay != QLatin1String("None")) {
            const QString p = QStringLiteral("PencilBWAlgorithm::");
            fixed.insert(p + "edge_threshold", 2);
            fixed.insert(p + "edge_intensity", name == QLatin1String("Oil") ? 40 : 43);
            fixed.insert(p + "stroke_length", 35);
            fixed.insert(p + "darken_lighten", -20);
            fixed.insert(p + "color_intensity", 50);
        }
    }

    const bool paintBlend = name == QLatin1String("Paint blend");
    if (paintBlend || name == QLatin1String("Watermix")) {
        const QString w = QStringLiteral("WatercolorAlgorithm::");
        fixed.insert(w + "strength_of_effect", paintBlend ? 240 : 120);
        fixed.insert(w + "image_simplification", paintBlend ? 220 : 240);
        fixed.insert(w + "color_intensity", paintBlend ? 70 : 80);
        fixed.insert(w + "darken_lighten", paintBlend ? 40 : 0);
        fixed.insert(w + "brushstrokes_intensity", 60);
    }
    return fixed;
}

void addFixedValues(FilterParameters& set)
{
    const QMap<QString, QVariant> fixed = fixedValues(set);
    for (auto it = fixed.cbegin(); it != fixed.cend(); ++it)
        set.insert(it.key(), it.value());
}

FilterParametersPtr defaultParameters(const QString& filterName)
{
    FilterParametersPtr set(new FilterParameters(filterName, {}));
    for (const ParameterSpec& entry : parameterTable(filterName))
        set->insert(entry.key, entry.defaultValue);
    addFixedValues(*set);
    return set;
}

QString textureKey(const QString& filterName)
{
    if (filterName == QLatin1String("Paint blend"))
        return QStringLiteral("PaintBlendFilterWidget::texturize_");
    if (filterName == QLatin1String("Watermix"))
        return QStringLiteral("WatermixFilterWidget::texturize_");
    return parameterTable(filterName).isEmpty() ? QString() : kTextureKey;
}

QVector<ParameterChoice> textureChoices()
{
    return plainChoices({QStringLiteral("None"), QStringLiteral("Grained canvas"),
                         QStringLiteral("Watercolor paper"), QStringLiteral("Pastel paper"),
                         QStringLiteral("Old paper"), QStringLiteral("Linen canvas"),
                         QStringLiteral("Kraft paper"), QStringLiteral("Crumpled paper"),
                         QStringLiteral("Rice paper"), QStringLiteral("Fine-grained canvas")});
}

QVector<ParameterChoice> pencilOverlayChoices()
{
    return plainChoices({QStringLiteral("None"), QStringLiteral("Contour"),
                         QStringLiteral("Dark shading"), QStringLiteral("Light shading")});
}

QVector<ParameterChoice> aftertouchChoices()
{
    return plainChoices({QStringLiteral("Dark strokes"), QStringLiteral("Saturation strokes"),
                         QStringLiteral("Large strokes")});
}
