#include "core/filters/filter_adapter.h"

void FilterAdapter::setParameters(const FilterParametersPtr& parameters)
{
    for (const AlgorithmPtr& algorithm : qAsConst(m_algorithms))
        algorithm->setParameters(parameters);
    m_parameters = parameters;
}

void FilterAdapter::setProgressReporter(IProgressReporter* reporter)
{
    m_reporter = reporter;
    for (const AlgorithmPtr& algorithm : qAsConst(m_algorithms))
        algorithm->setProgressReporter(reporter);
}

void FilterAdapter::cancel()
{
    for (const AlgorithmPtr& algorithm : qAsConst(m_algorithms))
        algorithm->setCancelled(true);
}

void FilterAdapter::appendAlgorithm(const QString& name)
{
    AlgorithmPtr algorithm = createAlgorithm(name);
    Q_ASSERT(algorithm);
    m_algorithms.append(algorithm);
}

void FilterAdapter::clearCancelFlags()
{
    for (const AlgorithmPtr& algorithm : qAsConst(m_algorithms))
        algorithm->setCancelled(false);
}

void FilterAdapter::setStrokeMemory(const StrokeMemoryPtr& memory)
{
    for (const AlgorithmPtr& algorithm : qAsConst(m_algorithms))
        algorithm->setStrokeMemory(memory);
}
