// Fuzz target: the filter parameter XML reader, and the writer on what it read.

#include "core/framework/parameter_xml.h"

#include <cstddef>
#include <cstdint>

namespace {
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qInstallMessageHandler(quiet);
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString filterName;
    QMap<QString, QVariant> values;
    if (!readParameterXmlData(bytes, filterName, values))
        return 0;
    // A set that was read completely is written and read back to the same set.
    const FilterParameters set(filterName, values);
    QString againName;
    QMap<QString, QVariant> again;
    const QByteArray written = parameterXml(set);
    if (!readParameterXmlData(written, againName, again) || againName != filterName ||
        again.keys() != values.keys())
        __builtin_trap();
    return 0;
}
