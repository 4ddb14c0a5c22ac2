#include "cli/render_settings.h"

#include "cli/render_options.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "document/presets.h"

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// The part of a key after its last "::" ("PencilBWAlgorithm::edge_threshold" -> "edge_threshold").
QString shortKey(const QString& key)
{
    const int separator = key.lastIndexOf(QLatin1String("::"));
    return separator < 0 ? key : key.mid(separator + 2);
}

// The keys among candidates that key names: itself, or those whose short key it is.
QStringList keysNamedBy(const QString& key, const QStringList& candidates)
{
    if (candidates.contains(key))
        return {key};
    QStringList matches;
    if (!key.contains(QLatin1String("::"))) {
        for (const QString& candidate : candidates) {
            if (shortKey(candidate) == key)
                matches.append(candidate);
        }
    }
    return matches;
}

QStringList tableKeys(const QString& filterName)
{
    QStringList keys;
    for (const ParameterSpec& entry : parameterTable(filterName))
        keys.append(entry.key);
    return keys;
}

QStringList fixedKeys(const QString& filterName)
{
    QStringList keys;
    for (const FixedParameter& fixed : fixedParameters(filterName)) {
        if (!keys.contains(fixed.key))
            keys.append(fixed.key);
    }
    return keys;
}

// "A", "A or B", "A, B or C".
QString alternatives(const QStringList& items)
{
    if (items.size() <= 1)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") +
           items.last();
}

// Removes from set the fixed values of its choices (those that are no table entry), so that a
// later choice which brings none leaves none behind.
void removeFixedValues(FilterParameters& set)
{
    const QMap<QString, QVariant> fixed = fixedValues(set);
    for (auto it = fixed.cbegin(); it != fixed.cend(); ++it) {
        if (!findParameter(set.filterName(), it.key()))
            set.remove(it.key());
    }
}

} // namespace

RenderSettings::RenderSettings(const QString& filterName)
    : m_filterName(filterName), m_set(*defaultParameters(filterName))
{
    // The fixed values follow the final choices (panelParameters() adds them).
    removeFixedValues(m_set);
}

RenderSettings::RenderSettings(const FilterParameters& stored)
    : m_filterName(stored.filterName()), m_set(stored), m_addFixedValues(false)
{
    // The common keys belong to the render, not to the choices.
    m_set.remove(scalingKey());
    m_set.remove(forPreviewKey());
}

void RenderSettings::prepareChange()
{
    if (m_addFixedValues)
        return;
    removeFixedValues(m_set);
    m_addFixedValues = true;
}

QString RenderSettings::resolveKey(const QString& key, QString* error) const
{
    const QStringList table = tableKeys(m_filterName);
    const QStringList matches = keysNamedBy(key, table);
    if (matches.size() > 1) {
        fail(error, QStringLiteral("parameter \"%1\" is ambiguous for filter %2: it may be %3")
                        .arg(key, m_filterName, alternatives(matches)));
        return QString();
    }
    // A key that the filter fixes cannot be set, even where a table entry shares its name.
    const QStringList fixed = keysNamedBy(key, fixedKeys(m_filterName));
    if (!fixed.isEmpty() && (matches.isEmpty() || fixed.contains(matches.first()))) {
        fail(error, QStringLiteral("parameter %1 is fixed for filter %2 and cannot be set")
                        .arg(fixed.first(), m_filterName));
        return QString();
    }
    if (matches.isEmpty()) {
        fail(error, QStringLiteral("unknown parameter %1 for filter %2 (see --list-parameters "
                                   "\"%2\")")
                        .arg(quotedName(key), m_filterName));
        return QString();
    }
    return matches.first();
}

bool RenderSettings::apply(const QString& assignment, QString* error)
{
    const int equals = assignment.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return fail(
            error,
            QStringLiteral("a setting must be KEY=VALUE, not %1").arg(quotedName(assignment)));
    return setValue(assignment.left(equals).trimmed(), assignment.mid(equals + 1), error);
}

bool RenderSettings::setValue(const QString& key, const QString& value, QString* error)
{
    const QString fullKey = resolveKey(key, error);
    if (fullKey.isEmpty())
        return false;
    const ParameterSpec* entry = findParameter(m_filterName, fullKey);
    Q_ASSERT(entry);

    QVariant parsed;
    if (!entry->parseValue(value, &parsed, error))
        return false;
    prepareChange();
    m_set.insert(fullKey, parsed);
    return true;
}

bool RenderSettings::setTexture(const QString& texture, QString* error)
{
    const QString key = textureKey(m_filterName);
    if (key.isEmpty())
        return fail(error, QStringLiteral("filter %1 has no texture").arg(m_filterName));
    return setValue(key, texture, error);
}

bool RenderSettings::applyPreset(const QString& name, QString* error)
{
    Preset preset;
    if (!PresetStore().find(m_filterName, name, &preset, error))
        return false;
    for (const ParameterSpec& entry : parameterTable(m_filterName)) {
        if (!setValue(entry.key, preset.settings.value(entry.key).toString(), error))
            return false;
    }
    return true;
}

FilterParametersPtr RenderSettings::panelParameters() const
{
    FilterParametersPtr set(new FilterParameters(m_set));
    if (m_addFixedValues)
        addFixedValues(*set);
    return set;
}

FilterParametersPtr RenderSettings::parameters() const
{
    FilterParametersPtr set = panelParameters();
    set->insert(scalingKey(), 1.0);
    set->insert(forPreviewKey(), false);
    return set;
}

QVector<FixedParameter> fixedParameters(const QString& filterName)
{
    const FilterParametersPtr defaults = defaultParameters(filterName);
    const QMap<QString, QVariant> always = fixedValues(*defaults);

    QVector<FixedParameter> result;
    for (auto it = always.cbegin(); it != always.cend(); ++it)
        result.append({it.key(), it.value(), QString()});

    // Try every other choice of every choice entry, one at a time, and group the choices that
    // bring the same extra value.
    for (const ParameterSpec& entry : parameterTable(filterName)) {
        if (entry.kind != ParameterSpec::Choice)
            continue;
        QVector<QPair<QString, QVariant>> extras; // key and value, in first-seen order
        QVector<QStringList> bringers;            // the choice labels that bring each extra
        for (const ParameterChoice& choice : entry.choices) {
            if (choice.value == entry.defaultValue.toString())
                continue;
            FilterParameters set(*defaults);
            set.insert(entry.key, choice.value);
            const QMap<QString, QVariant> fixed = fixedValues(set);
            for (auto it = fixed.cbegin(); it != fixed.cend(); ++it) {
                if (always.contains(it.key()) && always.value(it.key()) == it.value())
                    continue;
                const QPair<QString, QVariant> extra(it.key(), it.value());
                int index = extras.indexOf(extra);
                if (index < 0) {
                    extras.append(extra);
                    bringers.append(QStringList());
                    index = extras.size() - 1;
                }
                bringers[index].append(choice.label);
            }
        }
        for (int i = 0; i < extras.size(); ++i) {
            result.append(
                {extras[i].first, extras[i].second,
                 QStringLiteral("when %1 is %2").arg(entry.key, alternatives(bringers[i]))});
        }
    }
    return result;
}

QStringList renderableFilterNames()
{
    QStringList names;
    for (const QString& name : allFilterNames()) {
        if (createFilter(name))
            names.append(name);
    }
    return names;
}

QString matchName(const QString& name, const QStringList& names)
{
    for (const QString& candidate : names) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return QString();
}
