#include "core/filters/pencil_filter.h"

#include "core/filters/parameter_rows.h"
#include "core/framework/iprogress_reporter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/raster_primitives.h"
#include "core/raster/working_memory.h"

#include <QObject>

PencilFilter::PencilFilter()
{
    appendAlgorithm(pencilBWAlgorithmName());
    appendAlgorithm(texturizeAlgorithmName());
}

QString PencilFilter::name() const
{
    return descriptor().name;
}

const FilterDescriptor& PencilFilter::descriptor()
{
    static const FilterDescriptor pencil = [] {
        namespace K = Keys::Pencil;
        const QString percent = QStringLiteral("%");
        FilterDescriptor d;
        d.name = QStringLiteral("Pencil");
        d.displaySource = QT_TRANSLATE_NOOP("Filter", "Pencil");
        d.create = [] { return FilterPtr(new PencilFilter); };
        ParameterSpec contour =
            sliderRow(K::contour, QObject::tr("Contour:"), 0, 100, 5, 64, percent);
        contour.labelMargin = 15;
        ParameterSpec shading =
            sliderRow(K::shading, QObject::tr("Shading:"), 0, 100, 40, 25, percent);
        shading.inverted = true;
        // Any type but "Lead pencil" draws in colour (an unknown one too): it has a saturation.
        ParameterSpec saturation =
            sliderRow(K::saturation, QObject::tr("Saturation:"), 50, 100, 50, 64);
        saturation.hiddenFor = QStringList{K::leadPencil};
        d.rows = {
            choiceRow(K::type, QObject::tr("Type:"),
                      {{K::leadPencil, QObject::tr("Lead pencil")},
                       {K::colouredPencils, QObject::tr("Colored pencils")}},
                      0),
            contour,
            shading,
            sliderRow(K::strokeLength, QObject::tr("Stroke:"), 0, 100, 40, 25),
            sliderRow(K::brightness, QObject::tr("Brightness:"), -100, 100, -40, 64),
            saturation,
            textureRow(Keys::Texture::paper),
        };
        d.textureKey = Keys::Texture::paper;
        d.rowSwitchKey = K::type;
        return d;
    }();
    return pencil;
}

void PencilFilter::run()
{
    // A document's display render works on the photo reduced to the display scale, as the
    // painters do: the drawing and its texture come back at that size, and the texture keeps the
    // grain it has on the full-size picture. (The drawing itself always works at its own scale,
    // so a pencil overlay in another filter is made at the size that filter hands it.)
    if (m_parameters && !m_parameters->value(forPreviewKey()).toBool()) {
        const QVariant scaling = m_parameters->value(scalingKey());
        const double scale = scaling.isValid() ? scaling.toDouble() : 1.0;
        // Sized as the painters size their reduction; one that leaves no pixel keeps the photo.
        const QSize reduced(int(m_image.width() * scale), int(m_image.height() * scale));
        if (scale < 1.0 && !reduced.isEmpty() && !m_image.isNull()) {
            m_image = m_image.scaled(reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            requirePixels(m_image);
        }
    }
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
