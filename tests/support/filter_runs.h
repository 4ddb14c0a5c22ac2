#pragma once

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/random.h"

#include <QImage>
#include <QMap>
#include <QVariant>

class IProgressReporter;

// Parameter sets as the program makes them, and one render of a filter, for the tests of the
// filters, their algorithms and the command-line renderer.

// The set a filter's panel holds for these choices: the defaults of the filter's table, the
// choices over them, then the fixed values the result brings (an overlay other than "None" brings
// its pencil values, "None" brings none). What a document or a parameter file stores.
inline FilterParametersPtr panelSet(const QString& filter,
                                    const QMap<QString, QVariant>& choices = {})
{
    FilterParametersPtr set(new FilterParameters(filter, {}));
    for (const ParameterSpec& row : parameterTable(filter))
        set->insert(row.key, row.defaultValue);
    for (auto it = choices.cbegin(); it != choices.cend(); ++it)
        set->insert(it.key(), it.value());
    addFixedValues(*set);
    return set;
}

// A scale for renderSet that leaves "scaling" out, as an export does. The painters tell such a
// render apart from one scaled by 1 (the command-line renderer's): it replays the strokes a scaled
// render recorded instead of recording its own.
constexpr double kUnscaled = 0.0;

// The panel's set with the keys a render adds: the scale of the render (see kUnscaled) and
// whether it is for the live preview.
inline FilterParametersPtr renderSet(const QString& filter,
                                     const QMap<QString, QVariant>& choices = {},
                                     double scale = kUnscaled, bool preview = false)
{
    FilterParametersPtr set = panelSet(filter, choices);
    if (scale != kUnscaled)
        set->insert(scalingKey(), scale);
    set->insert(forPreviewKey(), preview);
    return set;
}

// The picture rendered with set, from a fresh start of the generator as every render thread has.
// The filter is the one the set names unless one is given (to cancel it from the reporter).
inline QImage runFilter(const QImage& picture, const FilterParametersPtr& set,
                        IProgressReporter* reporter = nullptr, FilterPtr filter = {})
{
    if (!filter)
        filter = createFilter(set->filterName());
    seedRandom();
    filter->setImage(picture);
    filter->setParameters(set);
    filter->setProgressReporter(reporter);
    filter->run();
    return filter->image();
}
