#pragma once

#include <QImage>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include "core/framework/filter_parameters.h"
#include "core/framework/stroke_memory.h"

class IProgressReporter;

// What the user picks: a named pipeline of algorithms over one working image, driven by one
// parameter set. Created per render by createFilter (core/filters/filter_list.h); run on a worker
// thread; cancel comes from the GUI thread and only sets the algorithms' flags.
class Filter
{
public:
    virtual ~Filter() = default;

    virtual QString name() const = 0;
    // The working image; after run it holds the result.
    virtual QImage& image() = 0;
    virtual void setImage(const QImage& image) = 0;
    virtual void setParameters(const FilterParametersPtr& parameters) = 0;
    virtual void setProgressReporter(IProgressReporter* reporter) = 0;
    virtual void run() = 0;
    virtual void cancel() = 0;
    // The document's stroke memory for this render (see StrokeMemory); handed to every algorithm.
    virtual void setStrokeMemory(const StrokeMemoryPtr& memory) = 0;
};

using FilterPtr = QSharedPointer<Filter>;
