#pragma once

#include "core/framework/filter_descriptor.h"

// Builders for the rows of the filter descriptors, and the item lists several filters share.

// A slider row: key, label, range and default, with its tick interval and unit ("%" or empty).
ParameterSpec sliderRow(const QString& key, const QString& label, int minimum, int maximum,
                        int defaultValue, int tickInterval, const QString& unit = QString());
// A slider that is gathered and reset like the others but never shown.
ParameterSpec hiddenRow(const QString& key, int minimum, int maximum, int defaultValue);
// A choice row whose default is the item at defaultIndex.
ParameterSpec choiceRow(const QString& key, const QString& label,
                        const QVector<ParameterChoice>& choices, int defaultIndex);

// "Texturize:" over textureChoices(), default "None".
ParameterSpec textureRow(const QString& key);
// "Pencil:" over pencilOverlayChoices(), default "None".
ParameterSpec pencilOverlayRow(const QString& key);

// The stroke rows of the brush painters, for the keys of one painter: a hidden minimum stroke
// size, then "Brush size:", "Strokes:", "Edge:" and "Precision:".
struct StrokeKeys
{
    QString minimumSize, maximumSize, count, edge, precision;
};
struct StrokeDefaults
{
    int minimumSize, maximumSize, count, edge, precision;
};
QVector<ParameterSpec> strokeRows(const StrokeKeys& keys, const StrokeDefaults& defaults);

// The pencil values a painting filter's set carries while a pencil overlay is chosen; shading is
// the drawing's "edge_intensity".
QMap<QString, QVariant> overlayPencilValues(int shading);

// The shared item lists of the panels.
QVector<ParameterChoice> textureChoices();
QVector<ParameterChoice> pencilOverlayChoices();
QVector<ParameterChoice> aftertouchChoices();
