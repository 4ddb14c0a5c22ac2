#pragma once

#include <QImage>
#include <QSharedPointer>
#include <QString>

#include "core/framework/filter_parameters.h"
#include "core/framework/stroke_memory.h"

class IProgressReporter;

// One artistic effect: receives its settings as a shared parameter set, a progress reporter and a
// cancel flag, then transforms one image in place. Filters create algorithms through
// createAlgorithm (core/algorithms/algorithm_list.h), configure them before each run and call
// process on the worker thread; setCancelled(true) may arrive from the GUI thread at any time while
// process runs.
class IAlgorithm
{
public:
    virtual ~IAlgorithm() = default;

    virtual QString name() const = 0;
    // Reads every key the algorithm knows; keys absent from the set keep their previous values.
    virtual void setParameters(const FilterParametersPtr& parameters) = 0;
    // True once every required setting (and resource) is there; filters skip algorithms that are
    // not.
    virtual bool isReady() const = 0;
    // Not owned; null means no reporting.
    virtual void setProgressReporter(IProgressReporter* reporter) = 0;
    virtual void process(QImage& image) = 0;
    virtual void setCancelled(bool cancelled) = 0;
    virtual bool isCancelled() const = 0;
    // The document's memory of recorded positions; painters that record or replay strokes use it,
    // the others ignore it. Null means nothing is recorded and replays draw at random.
    virtual void setStrokeMemory(const StrokeMemoryPtr& memory) { Q_UNUSED(memory); }
};

using AlgorithmPtr = QSharedPointer<IAlgorithm>;

// The scale an algorithm works at: floor 0 takes the requested scale, a negative floor ignores
// scaling (1.0), a positive floor is the smallest scale used.
double effectiveScale(double requested, double floor);
