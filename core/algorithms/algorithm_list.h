#pragma once

#include "core/framework/ialgorithm.h"

// The algorithms the filters assemble their pipelines from, by name.

// The algorithm registered under name, constructed with its defaults, or null for an unknown name.
AlgorithmPtr createAlgorithm(const QString& name);

// Registered algorithm names.
QString texturizeAlgorithmName();   // "Texturize"
QString pencilBWAlgorithmName();    // "Pencil B & W"
QString watercolorAlgorithmName();  // "Watercolor"
QString oilPaintingAlgorithmName(); // "Oil painting"
QString oilPastelAlgorithmName();   // "Oil pastel"
