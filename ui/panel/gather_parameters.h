#pragma once

#include "core/framework/filter_parameters.h"

class QWidget;

// The settings a panel's controls hold, keyed by their object names. Every descendant of panel
// with a non-empty object name contributes: a QComboBox its current item's data (Qt::UserRole)
// as text, otherwise a QSlider its value as int, otherwise a QCheckBox its state as bool; other
// widgets are skipped, and of two widgets with the same name the one found later wins. The set
// is named filter_name and holds no fixed values (addFixedValues adds them).
FilterParametersPtr gather_parameters(const QString& filter_name, const QWidget* panel);

// Shows set in the panel's controls: for each key in ascending order, every descendant of panel
// of that object name takes the value. A combo selects the item whose data equals the value's
// text (case-sensitive; no item matches: index -1, no selection), a slider the value as an
// integer (clamped into its range; a value that is no integer is ignored), a check box the value
// as bool. Keys without a control are ignored.
void apply_parameters(const FilterParameters& set, QWidget* panel);
