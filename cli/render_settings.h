#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "core/framework/filter_parameters.h"

// The parameter set of a command-line render, built from the filter's parameter table: the table
// defaults, then the user's KEY=VALUE settings checked against their table entries, then the
// fixed values that follow the user's choices, then the common keys of a full-size render.
// Used on the main thread while the command line is read, before anything is rendered.
//
// For a document the start is the set stored in it instead of the table defaults: its values
// stay exactly as stored (text, as documents keep them) unless a setting changes them, and only
// then are the fixed values worked out again for the new choices.
class RenderSettings
{
public:
    explicit RenderSettings(const QString& filterName);
    // Starts from a document's set; its filter name must be one the table knows.
    explicit RenderSettings(const FilterParameters& stored);

    // Applies "KEY=VALUE". KEY is a full table key or the part after "::" when that part names
    // one table key only. Returns false with *error naming the key or value on a malformed,
    // unknown, ambiguous or fixed key, or a value outside the entry's range or choices.
    bool apply(const QString& assignment, QString* error);
    // Applies a value to a key as apply does.
    bool setValue(const QString& key, const QString& value, QString* error);
    // Chooses the texture (a choice's value or label) under the filter's texture key.
    bool setTexture(const QString& texture, QString* error);
    // Sets every table value to the filter's preset name (a built-in or the user's preset, letter
    // case ignored; see document/presets.h). Returns false with *error naming the preset and the
    // available ones when the filter has none of that name.
    bool applyPreset(const QString& name, QString* error);

    // The full table key for key (see apply), or empty with *error set.
    QString resolveKey(const QString& key, QString* error) const;

    // The set the filter's panel would hold for these choices: the choices so far plus the fixed
    // values. What a document stores.
    FilterParametersPtr panelParameters() const;
    // The finished set of a render: panelParameters() with scaling 1.0 (the picture's own size)
    // and for_preview false.
    FilterParametersPtr parameters() const;

private:
    // Called before every change: a stored set gives up its fixed values here, as they may not
    // suit the new choices (panelParameters adds those that do).
    void prepareChange();

    QString m_filterName;
    FilterParameters m_set;
    // False while the set is a document's, untouched: nothing is added to it then.
    bool m_addFixedValues = true;
};

// A value a filter's set carries beside the user's choices. `condition` is empty when the value is
// always there, otherwise it reads like "when WatercolorFilterWidget::pencil_ is Contour or
// Dark shading".
struct FixedParameter
{
    QString key;
    QVariant value;
    QString condition;
};

// Every fixed value of the filter: those of the default choices, then those that another choice
// of one of its choice entries brings in.
QVector<FixedParameter> fixedParameters(const QString& filterName);

// The names createFilter accepts, in factory order.
QStringList renderableFilterNames();

// The entry of names equal to name, compared case-insensitively, or empty.
QString matchName(const QString& name, const QStringList& names);
