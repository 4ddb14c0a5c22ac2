#pragma once

#include <QString>

class FilterWidget;
class QWidget;

// The settings panel of the filter called name ("Pencil", "Watercolor", "Pastel", "Oil",
// "Paint blend" or "Watermix"), a child of parent; null for any other name.
FilterWidget* create_panel(const QString& name, QWidget* parent);
