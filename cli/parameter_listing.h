#pragma once

#include <QString>
#include <QStringList>

// The text of --list-parameters: one line per entry of the filter's parameter table (key, type,
// range, default, choices), then one line per value the filter fixes beside the user's choices,
// marked "fixed". Columns are aligned so the list reads as a table.
QStringList parameterListing(const QString& filterName);
