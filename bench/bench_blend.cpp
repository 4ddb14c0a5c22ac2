// The blending filters (a painting with a watercolor laid over it) with their panel defaults at the
// size of a display render (1 MP).

#include "bench_common.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"

namespace {

void runBlendFilter(benchmark::State& state, const QString& filterName)
{
    FilterParametersPtr set = defaultParameters(filterName);
    set->insert(QStringLiteral("scaling"), 1.0);
    set->insert(QStringLiteral("for_preview"), false);
    runFilterBenchmark(state, filterName, set, benchPictureAt(1.0));
}

void BM_PaintBlendFilter_1MP(benchmark::State& state)
{
    runBlendFilter(state, QStringLiteral("Paint blend"));
}

void BM_WatermixFilter_1MP(benchmark::State& state)
{
    runBlendFilter(state, QStringLiteral("Watermix"));
}

} // namespace

BENCHMARK(BM_PaintBlendFilter_1MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatermixFilter_1MP)->Unit(benchmark::kMillisecond)->UseRealTime();
