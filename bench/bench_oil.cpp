// The oil filter with its panel defaults, for each oil type, at the size of a display render
// (1 MP) and of an export (12 MP), with and without the pencil overlay.

#include "bench_common.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/random.h"

namespace {

FilterParametersPtr oilSettings(const QString& type, const QString& overlay)
{
    FilterParametersPtr set = defaultParameters(QStringLiteral("Oil"));
    set->insert(Keys::Oil::type, type);
    set->insert(Keys::Overlay::oil, overlay);
    addFixedValues(*set);
    set->insert(QStringLiteral("for_preview"), false);
    return set;
}

void runOilFilter(benchmark::State& state, const char* type, double megapixels, const char* overlay)
{
    runFilterBenchmark(state, QStringLiteral("Oil"),
                       oilSettings(QString::fromLatin1(type), QString::fromLatin1(overlay)),
                       benchPictureAt(megapixels));
}

} // namespace

#define DRAWLUME_OIL_BENCH(name, type, mp, overlay)                                                \
    void BM_Oil_##name(benchmark::State& state)                                                    \
    {                                                                                              \
        runOilFilter(state, type, mp, overlay);                                                    \
    }                                                                                              \
    BENCHMARK(BM_Oil_##name)->Unit(benchmark::kMillisecond)->UseRealTime()

DRAWLUME_OIL_BENCH(Standard_1MP, "standart_oil", 1.0, "None");
DRAWLUME_OIL_BENCH(Standard_1MP_Contour, "standart_oil", 1.0, "Contour");
DRAWLUME_OIL_BENCH(Standard_12MP, "standart_oil", 12.0, "None")->Iterations(1);
DRAWLUME_OIL_BENCH(Standard_12MP_Contour, "standart_oil", 12.0, "Contour")->Iterations(1);
DRAWLUME_OIL_BENCH(Expressive_1MP, "expressive_brushstrokes", 1.0, "None");
DRAWLUME_OIL_BENCH(Expressive_1MP_Contour, "expressive_brushstrokes", 1.0, "Contour");
DRAWLUME_OIL_BENCH(Expressive_12MP, "expressive_brushstrokes", 12.0, "None")->Iterations(1);
DRAWLUME_OIL_BENCH(Expressive_12MP_Contour, "expressive_brushstrokes", 12.0, "Contour")
    ->Iterations(1);
DRAWLUME_OIL_BENCH(Impasto_1MP, "oil_painting", 1.0, "None");
DRAWLUME_OIL_BENCH(Impasto_1MP_Contour, "oil_painting", 1.0, "Contour");
DRAWLUME_OIL_BENCH(Impasto_12MP, "oil_painting", 12.0, "None")->Iterations(1);
DRAWLUME_OIL_BENCH(Impasto_12MP_Contour, "oil_painting", 12.0, "Contour")->Iterations(1);
