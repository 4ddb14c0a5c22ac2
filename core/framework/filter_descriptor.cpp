#include "core/framework/filter_descriptor.h"

#include <QCoreApplication>

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

bool ParameterSpec::isShownFor(const QString& switchValue) const
{
    if (!shownFor.isEmpty() && !shownFor.contains(switchValue))
        return false;
    return !hiddenFor.contains(switchValue);
}

QString FilterDescriptor::displayName() const
{
    return QCoreApplication::translate("Filter", displaySource);
}

const ParameterSpec* FilterDescriptor::row(const QString& key) const
{
    for (const ParameterSpec& entry : rows) {
        if (entry.key == key)
            return &entry;
    }
    return nullptr;
}
