#include "core/framework/parameter_xml.h"

#include "core/framework/atomic_file.h"

#include <QFile>
#include <QLoggingCategory>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

// Reading damaged settings is reported by the result; the reader's own words are for debugging.
Q_LOGGING_CATEGORY(lcParameterXml, "drawlume.settings", QtWarningMsg)

QByteArray parameterXml(const FilterParameters& parameters)
{
    // Built in a QString, which is why the declaration carries no encoding.
    QString text;
    QXmlStreamWriter writer(&text);
    writer.setAutoFormatting(false);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("filter"));
    writer.writeTextElement(QStringLiteral("name"), parameters.filterName());
    writer.writeStartElement(QStringLiteral("parameters"));
    const QMap<QString, QVariant>& values = parameters.values();
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        writer.writeStartElement(QStringLiteral("p"));
        writer.writeAttribute(QStringLiteral("name"), it.key());
        writer.writeCharacters(it.value().toString());
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument(); // closes with the single final newline
    return text.toUtf8();
}

bool writeParameterXml(const FilterParameters& parameters, const QString& path)
{
    return writeFileAtomically(path, parameterXml(parameters));
}

bool readParameterXmlData(const QByteArray& data, QString& filterName,
                          QMap<QString, QVariant>& values)
{
    QXmlStreamReader reader(data);
    while (!reader.atEnd() && !reader.hasError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("name")) {
            reader.readNext();
            filterName = reader.text().toString();
        } else if (reader.name() == QLatin1String("p")) {
            const QString key =
                reader.attributes().value(QString(), QStringLiteral("name")).toString();
            reader.readNext();
            values.insert(key, reader.text().toString());
        }
    }
    if (reader.hasError()) {
        qCDebug(lcParameterXml) << "xmlReader error" << reader.errorString();
        return false;
    }
    return true;
}

void readParameterXml(const QString& path, QString& filterName, QMap<QString, QVariant>& values)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    readParameterXmlData(file.readAll(), filterName, values);
}
