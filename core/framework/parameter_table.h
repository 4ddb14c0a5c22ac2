#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "core/framework/filter_parameters.h"

// The one declaration of every filter's settings: key, kind, range, default and choices. The
// filter panels take their ranges and defaults from it, the command-line renderer its defaults,
// validation and --list-parameters, so the two can never disagree. The defaults are what a panel
// gathers right after construction, hidden sliders included.

struct ParameterChoice
{
    QString value; // stored in the parameter set (a combo item's data)
    QString label; // shown to the user
};

struct ParameterSpec
{
    enum Kind { Slider, Choice };

    QString key;
    QString label; // the panel's row label; empty for hidden sliders
    Kind kind = Slider;
    int minimum = 0;
    int maximum = 0;
    QVariant defaultValue; // int for sliders, the choice value (QString) for choices
    QVector<ParameterChoice> choices;
    bool hidden = false;

    bool isValidValue(const QVariant& value) const;
    // The choice whose value or label equals text (labels compared case-insensitively), or null.
    const ParameterChoice* findChoice(const QString& text) const;
};

// The settings of a filter in panel row order; empty for an unknown filter name.
const QVector<ParameterSpec>& parameterTable(const QString& filterName);

// The entry for key in the filter's table, or null.
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

// The key that chooses the texture in the filter's set ("TexturizeAlgorithm::texture", or the
// blending filters' own key); empty for an unknown filter.
QString textureKey(const QString& filterName);

// The shared item lists of the panels.
QVector<ParameterChoice> textureChoices();
QVector<ParameterChoice> pencilOverlayChoices();
QVector<ParameterChoice> aftertouchChoices();
