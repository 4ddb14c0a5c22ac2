#include "cli/parameter_listing.h"

#include "cli/render_settings.h"
#include "core/filters/filter_list.h"

#include <QVector>

#include <algorithm>

namespace {

struct Row
{
    QString key;
    QString type;
    QString range;
    QString rest;
};

QString choicesText(const ParameterSpec& entry)
{
    QStringList items;
    for (const ParameterChoice& choice : entry.choices) {
        items.append(choice.value == choice.label
                         ? QStringLiteral("\"%1\"").arg(choice.value)
                         : QStringLiteral("\"%1\" (%2)").arg(choice.value, choice.label));
    }
    return QStringLiteral("choices: ") + items.join(QStringLiteral(", "));
}

Row tableRow(const ParameterSpec& entry)
{
    if (entry.kind == ParameterSpec::Choice) {
        return {entry.key, QStringLiteral("choice"), QString(),
                QStringLiteral("default \"%1\"  %2")
                    .arg(entry.defaultValue.toString(), choicesText(entry))};
    }
    QString rest = QStringLiteral("default %1").arg(entry.defaultValue.toInt());
    if (entry.hidden)
        rest += QStringLiteral("  (not shown in the panel)");
    return {entry.key, QStringLiteral("int"),
            QStringLiteral("%1..%2").arg(entry.minimum).arg(entry.maximum), rest};
}

} // namespace

QStringList parameterListing(const QString& filterName)
{
    QVector<Row> rows;
    for (const ParameterSpec& entry : parameterTable(filterName))
        rows.append(tableRow(entry));
    for (const FixedParameter& fixed : fixedParameters(filterName)) {
        QString rest = QStringLiteral("value %1").arg(fixed.value.toString());
        if (!fixed.condition.isEmpty())
            rest += QStringLiteral("  (") + fixed.condition + QLatin1Char(')');
        rows.append({fixed.key, QStringLiteral("fixed"), QString(), rest});
    }

    int keyWidth = 0;
    int typeWidth = 0;
    int rangeWidth = 0;
    for (const Row& row : qAsConst(rows)) {
        keyWidth = std::max(keyWidth, int(row.key.size()));
        typeWidth = std::max(typeWidth, int(row.type.size()));
        rangeWidth = std::max(rangeWidth, int(row.range.size()));
    }
    QStringList lines;
    for (const Row& row : qAsConst(rows)) {
        lines.append(QStringLiteral("%1  %2  %3  %4")
                         .arg(row.key, -keyWidth)
                         .arg(row.type, -typeWidth)
                         .arg(row.range, -rangeWidth)
                         .arg(row.rest));
    }
    return lines;
}
