// The pastel filter with its panel defaults, at the size of a display render (1 MP) and of an
// export (12 MP).

#include "bench_common.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"

namespace {

void runPastel(benchmark::State& state, double megapixels)
{
    FilterParametersPtr set = defaultParameters(QStringLiteral("Pastel"));
    addFixedValues(*set);
    set->insert(QStringLiteral("for_preview"), false);
    runFilterBenchmark(state, QStringLiteral("Pastel"), set, benchPictureAt(megapixels));
}

void BM_Pastel_1MP(benchmark::State& state)
{
    runPastel(state, 1.0);
}
BENCHMARK(BM_Pastel_1MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Pastel_12MP(benchmark::State& state)
{
    runPastel(state, 12.0);
}
BENCHMARK(BM_Pastel_12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
