#pragma once

#include <QVector>

#include "core/algorithms/algorithm_list.h"
#include "core/framework/filter.h"

// Everything a filter does except its name and pipeline: holds the algorithm list, the working
// image, the parameter set (kept alive for the run) and the reporter (not owned).
class FilterAdapter : public Filter
{
public:
    QImage& image() override { return m_image; }
    void setImage(const QImage& image) override { m_image = image; }
    void setParameters(const FilterParametersPtr& parameters) override;
    void setProgressReporter(IProgressReporter* reporter) override;
    void cancel() override;
    void setStrokeMemory(const StrokeMemoryPtr& memory) override;

protected:
    // Appends createAlgorithm(name) to the pipeline.
    void appendAlgorithm(const QString& name);
    // Clears every algorithm's cancel flag; the start of every run.
    void clearCancelFlags();
    const AlgorithmPtr& algorithm(int index) const { return m_algorithms.at(index); }
    int algorithmCount() const { return m_algorithms.size(); }
    IProgressReporter* reporter() const { return m_reporter; }
    const FilterParametersPtr& parameters() const { return m_parameters; }

    QVector<AlgorithmPtr> m_algorithms;
    QImage m_image;
    FilterParametersPtr m_parameters;
    IProgressReporter* m_reporter = nullptr;
};
