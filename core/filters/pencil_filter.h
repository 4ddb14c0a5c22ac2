#pragma once

#include "core/framework/filter_adapter.h"

// "Pencil": a pencil drawing of the picture ("Pencil B & W"), optionally printed on a paper or
// canvas texture ("Texturize"). Created per render by createFilter; run on the worker thread.
class PencilFilter : public FilterAdapter
{
public:
    PencilFilter();

    QString name() const override;
    void run() override;
};
