#pragma once

#include <QImage>
#include <QString>

#include "core/framework/filter.h"
#include "core/framework/filter_parameters.h"

// The live preview's render, shared by the control window (which runs the prepared filter on a
// Worker) and the preview benchmark (which runs it on its own thread). GUI-free.

// A copy of the panel's set with "for_preview" set to true: the set a preview renders with and
// whose text keys the preview cache. The panel's own set is left as it was.
FilterParametersPtr preview_parameters(const FilterParameters& panel_set);

// The named filter holding the preview picture and the set, with no progress reporter, ready to
// run. Null for an unknown filter name, a null set or an empty picture.
FilterPtr make_preview_filter(const QString& filter_name, const QImage& source,
                              const FilterParametersPtr& set);

// Runs make_preview_filter's filter on the calling thread and returns its picture; a null image
// when there is nothing to render. Like every render it draws from the calling thread's random
// generator: callers that want the worker's result call seedRandom() first (a Worker does).
QImage render_preview(const QString& filter_name, const QImage& source,
                      const FilterParametersPtr& set);
