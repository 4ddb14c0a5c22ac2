#pragma once

#include <QImage>
#include <QString>
#include <QVector>

// The nine paper and canvas textures a picture can be printed on, by display name (which is also
// the value stored in a parameter set) and compiled-in resource path.
struct PaperTexture
{
    QString name;
    QString resourcePath;
};

const QVector<PaperTexture>& paperCatalogue();

// The resource path of a texture name; empty for "None" and any name outside the catalogue.
QString paperResourcePath(const QString& name);

// The decoded texture (RGB32) of a texture name, or a null image when the name is not in the
// catalogue or its resource cannot be read. Decoded once per process and shared afterwards
// (thread-safe); the images are read-only.
QImage loadPaperTexture(const QString& name);
