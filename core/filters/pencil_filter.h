#pragma once

#include "core/filters/filter_adapter.h"
#include "core/framework/filter_descriptor.h"

// "Pencil": a pencil drawing of the picture ("Pencil B & W"), optionally printed on a paper or
// canvas texture ("Texturize"). Created per render by createFilter; run on the worker thread.
class PencilFilter : public FilterAdapter
{
public:
    PencilFilter();

    QString name() const override;
    void run() override;

    static const FilterDescriptor& descriptor();
};
