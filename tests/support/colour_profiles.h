#pragma once

#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QString>

// Colour spaces of the kind phones and cameras embed in their photos, for the tests of pictures
// that carry an ICC profile, by name: "Display P3" (a phone), "Adobe-like" (wide primaries with a
// plain 2.2 gamma, made from primaries and transfer function), "camera" (Display P3 in a profile
// whose header names another maker, so its bytes are none Qt would write itself) and "none".
inline QColorSpace testColourSpace(const QString& name)
{
    if (name == QLatin1String("Display P3"))
        return QColorSpace(QColorSpace::DisplayP3);
    if (name == QLatin1String("Adobe-like"))
        return QColorSpace(QColorSpace::Primaries::AdobeRgb, QColorSpace::TransferFunction::Gamma,
                           2.2f);
    if (name == QLatin1String("camera")) {
        QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
        profile.replace(48, 4, "DLCM"); // the device manufacturer field of the header
        return QColorSpace::fromIccProfile(profile);
    }
    return QColorSpace();
}

// picture with the colour space of that name.
inline QImage tagged(QImage picture, const QString& name)
{
    picture.setColorSpace(testColourSpace(name));
    return picture;
}

// The ICC profile embedded in the picture file at path, as the reader hands it over (the file's
// own bytes); empty when the file carries none.
inline QByteArray embeddedProfile(const QString& path)
{
    QImageReader reader(path);
    return reader.read().colorSpace().iccProfile();
}
