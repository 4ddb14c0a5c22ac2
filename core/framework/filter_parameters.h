#pragma once

#include <QMap>
#include <QMetaType>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

// The named parameter set a filter runs with: the filter's name plus values keyed by
// "Owner::parameter" (and the common keys "scaling" and "for_preview"), iterated in ascending key
// order. Shared between the panel that made it, the filter that runs it, undo commands and
// documents through QSharedPointer; a new set is built for every change, so a running filter never
// sees its set change.
class FilterParameters
{
public:
    FilterParameters() = default;
    FilterParameters(const QString& filterName, const QMap<QString, QVariant>& values);

    const QString& filterName() const { return m_filterName; }
    void setFilterName(const QString& name) { m_filterName = name; }

    // The stored value, or an invalid QVariant when the key is absent.
    QVariant value(const QString& key) const { return m_values.value(key); }
    bool contains(const QString& key) const { return m_values.contains(key); }
    QStringList keys() const { return m_values.keys(); }
    const QMap<QString, QVariant>& values() const { return m_values; }

    void insert(const QString& key, const QVariant& value) { m_values.insert(key, value); }
    void remove(const QString& key) { m_values.remove(key); }

    // The filter name followed by the text of every value in ascending key order, no separators.
    // The parameter half of a preview cache key.
    QString valuesText() const;

    bool operator==(const FilterParameters& other) const
    {
        return m_filterName == other.m_filterName && m_values == other.m_values;
    }

private:
    QString m_filterName;
    QMap<QString, QVariant> m_values;
};

using FilterParametersPtr = QSharedPointer<FilterParameters>;
Q_DECLARE_METATYPE(FilterParametersPtr)

// The two keys shared by every algorithm.
QString scalingKey();    // "scaling": display scale of the render (double)
QString forPreviewKey(); // "for_preview": true for the live preview (bool)
