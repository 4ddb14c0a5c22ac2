#include "core/filters/filter_list.h"

#include "core/filters/oil_painting_filter.h"
#include "core/filters/oil_pastel_filter.h"
#include "core/filters/paint_blend_filter.h"
#include "core/filters/pencil_filter.h"
#include "core/filters/watercolor_filter.h"
#include "core/filters/watermix_filter.h"
#include "core/framework/parameter_keys.h"

#include <cmath>

// In factory order: the order names have always been compared and listed in.
const QVector<const FilterDescriptor*>& filterDescriptors()
{
    static const QVector<const FilterDescriptor*> list = {
        &PencilFilter::descriptor(),      &WatercolorFilter::descriptor(),
        &OilPaintingFilter::descriptor(), &OilPastelFilter::descriptor(),
        &PaintBlendFilter::descriptor(),  &WatermixFilter::descriptor(),
    };
    return list;
}

const FilterDescriptor* findFilter(const QString& name)
{
    for (const FilterDescriptor* descriptor : filterDescriptors()) {
        if (descriptor->name == name)
            return descriptor;
    }
    return nullptr;
}

FilterPtr createFilter(const QString& name)
{
    const FilterDescriptor* descriptor = findFilter(name);
    return descriptor ? descriptor->create() : FilterPtr();
}

QStringList filterNames()
{
    return {PencilFilter::descriptor().name, WatercolorFilter::descriptor().name,
            OilPastelFilter::descriptor().name, OilPaintingFilter::descriptor().name};
}

bool isOffered(const QString& name)
{
    return filterNames().contains(name);
}

QStringList allFilterNames()
{
    QStringList names;
    for (const FilterDescriptor* descriptor : filterDescriptors())
        names.append(descriptor->name);
    return names;
}

const QVector<ParameterSpec>& parameterTable(const QString& filterName)
{
    static const QVector<ParameterSpec> none;
    const FilterDescriptor* descriptor = findFilter(filterName);
    return descriptor ? descriptor->rows : none;
}

const ParameterSpec* findParameter(const QString& filterName, const QString& key)
{
    const FilterDescriptor* descriptor = findFilter(filterName);
    return descriptor ? descriptor->row(key) : nullptr;
}

QMap<QString, QVariant> fixedValues(const FilterParameters& set)
{
    const FilterDescriptor* descriptor = findFilter(set.filterName());
    if (!descriptor)
        return {};
    QMap<QString, QVariant> fixed = descriptor->fixedValues;
    if (!descriptor->overlayValues.isEmpty()) {
        const QString overlay = set.value(descriptor->overlayKey).toString();
        if (!overlay.isEmpty() && overlay != Keys::Overlay::none) {
            for (auto it = descriptor->overlayValues.cbegin();
                 it != descriptor->overlayValues.cend(); ++it)
                fixed.insert(it.key(), it.value());
        }
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
    const FilterDescriptor* descriptor = findFilter(filterName);
    return descriptor ? descriptor->textureKey : QString();
}

StoredSettingsCheck checkStoredSettings(FilterParameters& set, bool clamp)
{
    StoredSettingsCheck check;
    for (const ParameterSpec& row : parameterTable(set.filterName())) {
        if (!set.contains(row.key)) {
            check.missing.append(row.key);
            set.insert(row.key, row.defaultValue);
            continue;
        }
        const QString text = set.value(row.key).toString();
        QVariant parsed;
        QString reason;
        if (row.parseValue(text, &parsed, &reason))
            continue;
        check.wrong.append(reason);
        if (!clamp)
            continue;
        // A number outside the range goes to its nearer end; anything else to the default.
        bool isNumber = false;
        const double number = text.trimmed().toDouble(&isNumber);
        if (row.kind == ParameterSpec::Slider && isNumber && std::isfinite(number)) {
            const int value = number <= row.minimum   ? row.minimum
                              : number >= row.maximum ? row.maximum
                                                      : int(std::lround(number));
            set.insert(row.key, value);
        } else
            set.insert(row.key, row.defaultValue);
    }
    return check;
}
