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

// Reads the filter name and the values from XML bytes. Elements are recognised by name at any
// depth; a repeated key replaces the earlier value. What was read before an error stays in the
// outputs; returns false when the XML was malformed.
bool readParameterXmlData(const QByteArray& data, QString& filterName,
                          QMap<QString, QVariant>& values);

// The same from a file; a file that cannot be opened leaves both outputs unchanged.
void readParameterXml(const QString& path, QString& filterName, QMap<QString, QVariant>& values);
