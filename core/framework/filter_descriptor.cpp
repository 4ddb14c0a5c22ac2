#include "core/framework/filter_descriptor.h"

#include <QCoreApplication>

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

QString choiceList(const ParameterSpec& entry)
{
    QStringList items;
    for (const ParameterChoice& choice : entry.choices) {
        items.append(choice.value == choice.label
                         ? choice.value
                         : QStringLiteral("%1 (%2)").arg(choice.value, choice.label));
    }
    return items.join(QStringLiteral(", "));
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

QString quotedForMessage(const QString& text)
{
    constexpr qsizetype kLongest = 80;
    if (text.size() <= kLongest)
        return QLatin1Char('"') + text + QLatin1Char('"');
    return QStringLiteral("\"%1...\" (%2 characters)")
        .arg(text.left(kLongest - 3))
        .arg(text.size());
}

bool ParameterSpec::parseValue(const QString& text, QVariant* value, QString* error) const
{
    if (kind == Choice) {
        const ParameterChoice* choice = findChoice(text.trimmed());
        if (!choice) {
            return fail(error, QStringLiteral("%1 is not a choice of %2; choices: %3")
                                   .arg(quotedForMessage(text), key, choiceList(*this)));
        }
        *value = choice->value;
        return true;
    }

    const QString range = QStringLiteral("%1..%2").arg(minimum).arg(maximum);
    bool isNumber = false;
    const int number = text.trimmed().toInt(&isNumber);
    const QString shown = text.size() > 80 ? quotedForMessage(text) : text;
    if (!isNumber) {
        return fail(
            error,
            QStringLiteral("%1=%2: the value must be a whole number in %3").arg(key, shown, range));
    }
    if (!isValidValue(number)) {
        return fail(error,
                    QStringLiteral("%1=%2: the value is out of range %3").arg(key, shown, range));
    }
    *value = number;
    return true;
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
