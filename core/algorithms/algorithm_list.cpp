#include "core/algorithms/algorithm_list.h"

#include "core/algorithms/oil_painting_algorithm.h"
#include "core/algorithms/oil_pastel_algorithm.h"
#include "core/algorithms/pencil_bw_algorithm.h"
#include "core/algorithms/texturize_algorithm.h"
#include "core/algorithms/watercolor_algorithm.h"

#include <QObject>

QString texturizeAlgorithmName()
{
    return QObject::tr("Texturize");
}

QString pencilBWAlgorithmName()
{
    return QStringLiteral("Pencil B & W");
}

QString watercolorAlgorithmName()
{
    return QStringLiteral("Watercolor");
}

QString oilPaintingAlgorithmName()
{
    return QStringLiteral("Oil painting");
}

QString oilPastelAlgorithmName()
{
    return QStringLiteral("Oil pastel");
}

// The registered algorithms, in the order names are compared. An algorithm's name registers here
// once its class exists.
AlgorithmPtr createAlgorithm(const QString& name)
{
    if (name == texturizeAlgorithmName())
        return AlgorithmPtr(new TexturizeAlgorithm);
    if (name == pencilBWAlgorithmName())
        return AlgorithmPtr(new PencilBWAlgorithm);
    if (name == watercolorAlgorithmName())
        return AlgorithmPtr(new WatercolorAlgorithm);
    if (name == oilPaintingAlgorithmName())
        return AlgorithmPtr(new OilPaintingAlgorithm);
    if (name == oilPastelAlgorithmName())
        return AlgorithmPtr(new OilPastelAlgorithm);
    return AlgorithmPtr();
}
