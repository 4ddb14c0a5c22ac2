#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

#include "core/framework/filter_parameters.h"

// The filter parameter file inside a document: UTF-8 XML with the filter's name and every key with
// its value as text, on one line:
//   <?xml version="1.0"?><filter><name>Pencil</name><parameters><p name="KEY">VALUE</p>...
//   </parameters></filter>
// followed by one newline. Values come back as text; every algorithm converts them on reading.

// The file's bytes for a parameter set.
QByteArray parameterXml(const FilterParameters& parameters);

// Writes parameterXml(parameters) to path atomically; false when the file cannot be written.
bool writeParameterXml(const FilterParameters& parameters, const QString& path);

// No settings file comes near this size; a larger one is not read, in a document or as a preset.
inline constexpr qint64 kLargestParameterXml = 1024 * 1024;
// The elements of a settings file carry one attribute; one with more than this is refused before
// the XML is parsed, as are a document type declaration and more than kLargestParameterXml bytes,
// so that reading stays linear in the size.
inline constexpr int kMostXmlAttributes = 4;

// Reads the filter name and the values from XML bytes. Elements are recognised by name at any
// depth; a repeated key replaces the earlier value. What was read before an error stays in the
// outputs; returns false when the XML was malformed or refused (see above). *refused (when given)
// then says why the bytes were refused unparsed, and is empty when they were malformed.
bool readParameterXmlData(const QByteArray& data, QString& filterName,
                          QMap<QString, QVariant>& values, QString* refused = nullptr);

// The same from a file; a file that cannot be opened leaves both outputs unchanged.
void readParameterXml(const QString& path, QString& filterName, QMap<QString, QVariant>& values);
