#include "core/framework/filter_parameters.h"

#include <QObject>

FilterParameters::FilterParameters(const QString& filterName, const QMap<QString, QVariant>& values)
    : m_filterName(filterName), m_values(values)
{
}

QString FilterParameters::valuesText() const
{
    QString text = m_filterName;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        text += it.value().toString();
    return text;
}

QString scalingKey()
{
    return QObject::tr("scaling");
}

QString forPreviewKey()
{
    return QObject::tr("for_preview");
}
