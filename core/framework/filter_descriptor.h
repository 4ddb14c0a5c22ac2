#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

#include "core/framework/filter.h"

// What the program knows of a filter beside its pipeline: its names, how to make it, and one row
// per setting. The filter panels are built from the rows, the command-line renderer takes its
// defaults, validation and --list-parameters from them, and the parameter sets the panels and
// the renderer make get their fixed values from the descriptor, so none of them can disagree.

struct ParameterChoice
{
    QString value; // stored in the parameter set (a combo item's data)
    QString label; // shown to the user
};

// A name or value given by a user or read from a file, in double quotes for a message, cut at 80
// characters with how long it was, so that a value of a megabyte does not fill the message.
QString quotedForMessage(const QString& text);

// One setting of a filter, in panel row order.
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
    bool hidden = false; // gathered and reset like the others, never shown

    // How the panel shows a slider.
    QString unit;          // shown after the number field ("%"), or empty
    int tickInterval = 64; // the slider's tick interval
    bool inverted = false; // the keys move the slider the other way
    int labelMargin = 0;   // room between the row label and its slider

    // When the row shows, by the value of the descriptor's row switch: only for the values in
    // shownFor (when not empty), never for those in hiddenFor. A switch showing no known value
    // compares as an empty text.
    QStringList shownFor;
    QStringList hiddenFor;

    bool isValidValue(const QVariant& value) const;
    // Reads text as a value of this row, as the command line's -s KEY=VALUE and the preset files
    // give it: for a choice a choice's value or label (stored as the value), for a slider a whole
    // number within the range (stored as int); leading and trailing blanks do not count. False
    // with *error (one line naming the key and the value) when the text is neither.
    bool parseValue(const QString& text, QVariant* value, QString* error) const;
    // The choice whose value or label equals text (labels compared case-insensitively), or null.
    const ParameterChoice* findChoice(const QString& text) const;
    // True when the row shows while the row switch holds switchValue.
    bool isShownFor(const QString& switchValue) const;
};

struct FilterDescriptor
{
    // The identity: what documents, parameter files and the command line store. Never translated.
    QString name;
    // The name shown to the user, untranslated source text (see displayName()).
    const char* displaySource = "";
    std::function<FilterPtr()> create;
    QVector<ParameterSpec> rows;

    // The key choosing what is laid over the painting (the pencil overlay, or the blending
    // filters' watercolor style), and the key choosing the paper or canvas. Empty when none.
    QString overlayKey;
    QString textureKey;
    // The choice row whose value decides which other rows show; empty when all always show.
    QString rowSwitchKey;

    // Values the set carries beside the user's choices: always, and while the overlay is other
    // than "None".
    QMap<QString, QVariant> fixedValues;
    QMap<QString, QVariant> overlayValues;

    // The panel's grid spacing.
    int horizontalSpacing = 4;
    int verticalSpacing = 12;

    QString displayName() const;
    // The row of key, or null.
    const ParameterSpec* row(const QString& key) const;
};
