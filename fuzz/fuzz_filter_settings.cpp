// Fuzz target: settings as a damaged or hostile document could hold them (any key, any kind, any
// value) given to every filter on a tiny picture, through the same check that brings a document's
// values into its filter's rows when the application opens it.
//
// The input is read as: a filter byte, the picture's width and height (1..48) and pattern byte,
// then records of six bytes: a row byte (a row of the filter's table, or a key no row has), a
// kind byte (whole number, fraction, text, truth value, a choice's value) and four value bytes.
// Whatever the values, the filter must finish with a picture of the photo's size, and soon
// (tools/run_fuzzers.sh gives every input a time limit).

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/raster/random.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

const QStringList& renderable()
{
    static const QStringList names = [] {
        QStringList list;
        for (const QString& name : allFilterNames()) {
            if (createFilter(name))
                list.append(name);
        }
        return list;
    }();
    return names;
}

// A small photograph-like picture: smooth gradients with a pattern chosen by seed.
QImage tinyPicture(int width, int height, std::uint8_t seed)
{
    QImage picture(width, height, seed & 0x80 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = (x * 255) / width ^ (seed & 0x0F) * 16;
            const int g = (y * 255) / height;
            const int b = ((x + y) * (seed | 1)) & 0xFF;
            line[x] = qRgba(r, g, b, seed & 0x80 ? (x * 7 + y * 3) & 0xFF : 0xFF);
        }
    }
    return picture;
}

std::int32_t readInt(const std::uint8_t* data)
{
    std::uint32_t value = 0;
    std::memcpy(&value, data, sizeof value);
    return std::int32_t(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qInstallMessageHandler(quiet);
    if (size < 4)
        return 0;
    const QString filterName = renderable().at(data[0] % renderable().size());
    const int width = 1 + data[1] % 48;
    const int height = 1 + data[2] % 48;
    const QImage picture = tinyPicture(width, height, data[3]);

    const QVector<ParameterSpec>& rows = parameterTable(filterName);
    QMap<QString, QVariant> values;
    for (std::size_t at = 4; at + 6 <= size; at += 6) {
        const int row = data[at] % (rows.size() + 1);
        const QString key =
            row < rows.size() ? rows.at(row).key : QStringLiteral("Fuzz::key_%1").arg(data[at]);
        const std::int32_t number = readInt(data + at + 2);
        QVariant value;
        switch (data[at + 1] % 5) {
        case 0:
            value = number;
            break;
        case 1:
            value = double(number) / 1000.0;
            break;
        case 2:
            value = QString::number(number);
            break;
        case 3:
            value = bool(number & 1);
            break;
        default:
            if (row < rows.size() && !rows.at(row).choices.isEmpty())
                value = rows.at(row)
                            .choices.at(std::uint32_t(number) % rows.at(row).choices.size())
                            .value;
            else
                value = QStringLiteral("fuzz");
            break;
        }
        values.insert(key, value);
    }

    FilterParameters set(filterName, values);
    checkStoredSettings(set, true);
    addFixedValues(set);

    const FilterPtr filter = createFilter(filterName);
    filter->setImage(picture);
    filter->setParameters(FilterParametersPtr(new FilterParameters(set)));
    seedRandom();
    filter->run();
    if (filter->image().size() != picture.size())
        __builtin_trap();
    return 0;
}
