#include "core/framework/ialgorithm.h"

double effectiveScale(double requested, double floor)
{
    if (floor == 0.0)
        return requested;
    if (floor < 0.0)
        return 1.0;
    return requested > floor ? requested : floor;
}
