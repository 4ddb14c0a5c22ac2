// Writing the 12 MP benchmark picture as PNG: the toolkit's writer at its default settings (what
// savePicture used before it had a writer of its own) against the writer of our own at its
// default level, on one thread and on two, into memory and through savePicture into a file.
// Besides the time each reports the file size in megabytes ("MB"). Times are wall-clock times
// (UseRealTime), since the compression runs on threads the CPU clock does not see.

#include "bench_common.h"

#include "core/raster/execution.h"
#include "document/picture_io.h"
#include "document/png_deflate.h"
#include "document/png_writer.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

namespace {

void setFileSize(benchmark::State& state, qint64 bytes)
{
    state.counters["MB"] = double(bytes) / 1e6;
}

// The benchmark picture with an alpha that falls from 255 at the top to 0 at the bottom, so that
// it is written as RGBA.
const QImage& translucentPicture()
{
    static const QImage picture = [] {
        QImage image = benchPicture().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            const int alpha = 255 - y * 255 / image.height();
            for (int x = 0; x < image.width(); ++x)
                line[x] = (line[x] & 0x00FFFFFFu) | (QRgb(alpha) << 24);
        }
        return image;
    }();
    return picture;
}

const QImage& pictureFor(const benchmark::State& state)
{
    return state.range(0) != 0 ? translucentPicture() : benchPicture();
}

void BM_PngToolkitWriter(benchmark::State& state)
{
    const QImage& picture = pictureFor(state);
    qint64 size = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(picture))
            state.SkipWithError("the toolkit's PNG writer failed");
        size = buffer.size();
    }
    setFileSize(state, size);
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_PngToolkitWriter)
    ->ArgNames({"alpha"})
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_PngWriter(benchmark::State& state)
{
    const QImage& picture = pictureFor(state);
    Execution setting;
    setting.threads = int(state.range(1));
    const ScopedExecution mode(setting);
    qint64 size = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        if (!writePng(picture, buffer,
                      defaultPngCompressionLevel(qint64(picture.width()) * picture.height())))
            state.SkipWithError("the PNG writer failed");
        size = buffer.size();
    }
    setFileSize(state, size);
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_PngWriter)
    ->ArgNames({"alpha", "threads"})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// savePicture as Export and drawlume-render call it, into a file in the temporary folder.
void BM_SavePicturePng(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    const QString path = QDir::temp().filePath(QStringLiteral("drawlume-bench-png.png"));
    for (auto _ : state) {
        if (!savePicture(picture, path))
            state.SkipWithError("savePicture failed");
    }
    setFileSize(state, QFileInfo(path).size());
    QFile::remove(path);
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_SavePicturePng)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
