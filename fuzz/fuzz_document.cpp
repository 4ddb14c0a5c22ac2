// Fuzz target: the document container reader and the parameter XML inside it.

#include "core/framework/parameter_xml.h"
#include "document/document_container.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qInstallMessageHandler(quiet);
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    DocumentContents contents;
    QString error;
    if (parseDocument(buffer, contents, &error)) {
        // Whatever a document holds, its name reduces to a plain file name or nothing.
        const QString name = safePictureFileName(contents.pictureName);
        if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
            name == QLatin1String("..") || name == QLatin1String("."))
            __builtin_trap();
        QString filterName;
        QMap<QString, QVariant> values;
        readParameterXmlData(contents.parameters, filterName, values);
    } else if (error.isEmpty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
