#include "ui/panel/gather_parameters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QWidget>

FilterParametersPtr gather_parameters(const QString& filter_name, const QWidget* panel)
{
    FilterParametersPtr set(new FilterParameters(filter_name, {}));
    if (!panel)
        return set;
    const QList<QWidget*> widgets = panel->findChildren<QWidget*>();
    for (const QWidget* widget : widgets) {
        const QString key = widget->objectName();
        if (key.isEmpty())
            continue;
        if (const auto* combo = qobject_cast<const QComboBox*>(widget))
            set->insert(key, combo->itemData(combo->currentIndex(), Qt::UserRole).toString());
        else if (const auto* slider = qobject_cast<const QSlider*>(widget))
            set->insert(key, slider->value());
        else if (const auto* box = qobject_cast<const QCheckBox*>(widget))
            set->insert(key, box->isChecked());
    }
    return set;
}

void apply_parameters(const FilterParameters& set, QWidget* panel)
{
    if (!panel)
        return;
    const QList<QWidget*> widgets = panel->findChildren<QWidget*>();
    const QStringList keys = set.keys();
    for (const QString& key : keys) {
        const QVariant value = set.value(key);
        for (QWidget* widget : widgets) {
            if (widget->objectName() != key)
                continue;
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                combo->setCurrentIndex(combo->findData(value.toString(), Qt::UserRole,
                                                       Qt::MatchExactly | Qt::MatchCaseSensitive));
            } else if (auto* slider = qobject_cast<QSlider*>(widget)) {
                bool ok = false;
                const int number = value.toInt(&ok);
                if (ok)
                    slider->setValue(number);
            } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
                box->setChecked(value.toBool());
            }
        }
    }
}
