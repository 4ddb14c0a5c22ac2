#include "core/filters/pencil_filter.h"

#include "core/raster/raster_primitives.h"
#include "processing/iprogress_reporter.h"

#include <QObject>

PencilFilter::PencilFilter()
{
    appendAlgorithm(pencilBWAlgorithmName());
    appendAlgorithm(texturizeAlgorithmName());
}

QString PencilFilter::name() const
{
    return QObject::tr("Pencil");
}

void PencilFilter::run()
{
    const QImage input = m_image;
    const AlgorithmPtr& pencil = algorithm(0);
    const AlgorithmPtr& texture = algorithm(1);

    // One phase per algorithm that is ready to run.
    int phases = 0;
    for (const AlgorithmPtr& a : qAsConst(m_algorithms)) {
        a->setCancelled(false);
        if (a->isReady())
            ++phases;
    }
    if (m_reporter)
        m_reporter->report_total_phases(phases);

    // The drawing; it leaves the picture unchanged when its settings are incomplete.
    if (!pencil->isCancelled())
        pencil->process(m_image);

    if (texture->isReady() && !texture->isCancelled()) {
        if (m_reporter)
            m_reporter->report_next_phase();
        texture->process(m_image);
        m_image = restoreAlpha(input, m_image);
    }
}
