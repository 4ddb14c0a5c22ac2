#pragma once

#include "core/framework/filter_descriptor.h"

// The filters the program knows, each registered once by its descriptor, in factory order:
// Pencil, Watercolor, Oil, Pastel, then the blending filters only a document can bring (Paint
// blend, Watermix). Filters are found by their identity name, never by a translated one.

const QVector<const FilterDescriptor*>& filterDescriptors();
// The descriptor named name, or null.
const FilterDescriptor* findFilter(const QString& name);

// The filter registered under name, or null for an unknown name.
FilterPtr createFilter(const QString& name);
// The filters offered to the user, in the filter list's order: Pencil, Watercolor, Pastel, Oil.
QStringList filterNames();
bool isOffered(const QString& name);
// Every registered name, in factory order.
QStringList allFilterNames();

// The rows of a filter in panel order; empty for an unknown filter name.
const QVector<ParameterSpec>& parameterTable(const QString& filterName);
// The row for key in the filter's table, or null.
const ParameterSpec* findParameter(const QString& filterName, const QString& key);

// The fixed values a filter's set carries beside the user's choices: the pencil values of a
// pencil overlay other than "None" (watercolor, pastel, oil) and the blending filters' watercolor
// values. Derived from set.filterName() and the set's own choices.
QMap<QString, QVariant> fixedValues(const FilterParameters& set);
// Adds fixedValues(set) to set. Both the panels (after gathering their widgets) and the
// command-line renderer call it, so the same choices give the same set everywhere.
void addFixedValues(FilterParameters& set);
// A set named filterName holding every table default plus the fixed values.
FilterParametersPtr defaultParameters(const QString& filterName);
// The key that chooses the texture in the filter's set; empty for an unknown filter.
QString textureKey(const QString& filterName);

// What a stored set of settings (a document's) holds that its filter's rows do not take.
struct StoredSettingsCheck
{
    QStringList wrong; // one line each: "KEY=VALUE: the value is out of range 0..100" and the like
    QStringList missing; // the keys of rows the set lacks

    bool isClean() const { return wrong.isEmpty() && missing.isEmpty(); }
};

// Checks a stored set against its filter's rows, as the command line's -s checks a value. A row
// the set lacks takes the row's default. A value the row does not take is reported in `wrong`
// and, with clamp, brought into the row: a number into the range, anything else to the default;
// without clamp it stays as it was. A filter without rows finds nothing.
StoredSettingsCheck checkStoredSettings(FilterParameters& set, bool clamp);
