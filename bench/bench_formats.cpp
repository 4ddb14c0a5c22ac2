// Encoding the 12 MP benchmark picture in the formats with encoders of their own: AVIF (libheif
// with aom, lossy at the default quality 60 and lossless), JPEG XL (libjxl at effort 7, lossy at
// quality 90 = distance 1, and lossless) and TIFF (deflate with the predictor), into memory. Each
// reports the file size in megabytes ("MB"); times are wall-clock (UseRealTime), since the
// encoders run on threads of their own. bench/format_encoders.sh sets these beside avifenc and
// cjxl at matching settings.

#include "bench_common.h"

#include "document/avif_writer.h"
#include "document/jxl_picture.h"
#include "document/tiff_writer.h"

namespace {

void BM_EncodeAvif(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    QByteArray file;
    for (auto _ : state) {
        QString error;
        if (!encodeAvif(picture, int(state.range(0)), {}, {}, &file, &error))
            state.SkipWithError(qPrintable(error));
    }
    state.counters["MB"] = double(file.size()) / 1e6;
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_EncodeAvif)
    ->ArgNames({"quality"})
    ->Arg(60)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_EncodeJxl(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    QByteArray file;
    for (auto _ : state) {
        QString error;
        if (!encodeJxl(picture, int(state.range(0)), {}, {}, &file, &error))
            state.SkipWithError(qPrintable(error));
    }
    state.counters["MB"] = double(file.size()) / 1e6;
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_EncodeJxl)
    ->ArgNames({"quality"})
    ->Arg(90)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_EncodeTiff(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    QByteArray file;
    for (auto _ : state) {
        QString error;
        if (!writeTiff(picture, &file, &error))
            state.SkipWithError(qPrintable(error));
    }
    state.counters["MB"] = double(file.size()) / 1e6;
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_EncodeTiff)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
