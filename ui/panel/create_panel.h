#pragma once

#include <QString>

class FilterWidget;
class QWidget;

// The settings panel of the filter registered as name (see filterDescriptors()), a child of
// parent; null for any other name.
FilterWidget* create_panel(const QString& name, QWidget* parent);
