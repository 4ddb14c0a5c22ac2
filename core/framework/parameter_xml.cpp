#include "core/framework/parameter_xml.h"

#include "core/framework/atomic_file.h"

#include <QFile>
#include <QLoggingCategory>
#include <QObject>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstring>

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

namespace {

// Why bytes are refused before the XML reader sees them, or empty: more than kLargestParameterXml
// bytes, a document type declaration (its attribute defaults and entities would add work the
// settings never need), or a start tag with more than kMostXmlAttributes attributes (the reader
// checks them for repeats pair by pair). One pass over the bytes; comments, processing
// instructions and CDATA sections are passed over, and whatever else is malformed is left to the
// reader to find.
QString refusal(const QByteArray& data)
{
    if (data.size() > kLargestParameterXml) {
        return QObject::tr("the settings are too large (%1 bytes; at most %2 bytes)")
            .arg(data.size())
            .arg(kLargestParameterXml);
    }
    const qsizetype size = data.size();
    // The position just after the next `closing` from `from`, or size when there is none.
    const auto after = [&](qsizetype from, const char* closing) {
        const qsizetype found = data.indexOf(closing, from);
        return found < 0 ? size : found + qsizetype(qstrlen(closing));
    };
    const auto startsAt = [&](qsizetype at, const char* text) {
        const qsizetype length = qsizetype(qstrlen(text));
        return size - at >= length && std::memcmp(data.constData() + at, text, length) == 0;
    };
    qsizetype pos = 0;
    while ((pos = data.indexOf('<', pos)) >= 0 && ++pos < size) {
        const char first = data.at(pos);
        if (startsAt(pos, "!--")) {
            pos = after(pos + 3, "-->");
        } else if (startsAt(pos, "![CDATA[")) {
            pos = after(pos + 8, "]]>");
        } else if (first == '!') {
            return QObject::tr("the settings declare a document type");
        } else if (first == '?') {
            pos = after(pos + 1, "?>");
        } else if (first != '/') {
            // A start tag: every "=" outside the quoted values begins an attribute's value.
            int attributes = 0;
            for (; pos < size && data.at(pos) != '>' && data.at(pos) != '<'; ++pos) {
                const char c = data.at(pos);
                if (c == '=' && ++attributes > kMostXmlAttributes) {
                    return QObject::tr("an element has more than %1 attributes")
                        .arg(kMostXmlAttributes);
                }
                if (c == '"' || c == '\'') {
                    const qsizetype closing = data.indexOf(c, pos + 1);
                    if (closing < 0)
                        return QString();
                    pos = closing;
                }
            }
        }
    }
    return QString();
}

} // namespace

bool readParameterXmlData(const QByteArray& data, QString& filterName,
                          QMap<QString, QVariant>& values, QString* refused)
{
    const QString reason = refusal(data);
    if (refused)
        *refused = reason;
    if (!reason.isEmpty()) {
        qCDebug(lcParameterXml) << "settings refused:" << reason;
        return false;
    }
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
