#include "bench_common.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/raster/random.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QMap>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
QString g_picturePath = QStringLiteral(DRAWLUME_DEFAULT_BENCH_PICTURE);
}

const QImage& benchPicture()
{
    static const QImage picture = [] {
        QImageReader reader(g_picturePath);
        reader.setAutoTransform(true);
        QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "Cannot load %s: %s\n", qPrintable(g_picturePath),
                         qPrintable(reader.errorString()));
            std::exit(1);
        }
        return image.convertToFormat(QImage::Format_RGB32);
    }();
    return picture;
}

QImage benchPictureAt(double megapixels)
{
    static QMap<double, QImage> scaled;
    auto it = scaled.find(megapixels);
    if (it != scaled.end())
        return it.value();
    const QImage& full = benchPicture();
    const double factor = std::sqrt(megapixels * 1e6 / (double(full.width()) * full.height()));
    QImage image = factor >= 1.0
                       ? full
                       : full.scaled(int(full.width() * factor), int(full.height() * factor),
                                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.insert(megapixels, image);
    return image;
}

void runFilterBenchmark(benchmark::State& state, const QString& filterName,
                        const FilterParametersPtr& parameters, const QImage& picture)
{
    for (auto _ : state) {
        seedRandom();
        FilterPtr filter = createFilter(filterName);
        filter->setImage(picture);
        filter->setParameters(parameters);
        filter->run();
        benchmark::DoNotOptimize(filter->image().constBits());
    }
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--picture=", 10) == 0)
            g_picturePath = QString::fromLocal8Bit(argv[i] + 10);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    // Image plug-ins are found through the application object.
    QCoreApplication app(restCount, rest.data());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
