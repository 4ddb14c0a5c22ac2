#include "core/filters/oil_pastel_filter.h"

#include "core/filters/parameter_rows.h"
#include "core/framework/parameter_keys.h"

#include <QObject>

OilPastelFilter::OilPastelFilter()
    : PaintingFilter(oilPastelAlgorithmName(), descriptor().overlayKey)
{
}

QString OilPastelFilter::name() const
{
    return descriptor().name;
}

const FilterDescriptor& OilPastelFilter::descriptor()
{
    static const FilterDescriptor filter = [] {
        const QString percent = QStringLiteral("%");
        FilterDescriptor d;
        d.name = QStringLiteral("Pastel");
        d.displaySource = QT_TRANSLATE_NOOP("Filter", "Pastel");
        d.create = [] { return FilterPtr(new OilPastelFilter); };
        namespace K = Keys::Pastel;
        Q_UNUSED(percent);
        d.rows = strokeRows(
            {K::minimumStrokeSize, K::maximumStrokeSize, K::strokeCount, K::edge, K::precision},
            {7, 63, 20, 8, 72});
        d.rows.append(pencilOverlayRow(Keys::Overlay::pastel));
        d.rows.append(textureRow(Keys::Texture::paper));
        d.overlayKey = Keys::Overlay::pastel;
        d.textureKey = Keys::Texture::paper;
        d.overlayValues = overlayPencilValues(43);
        return d;
    }();
    return filter;
}
