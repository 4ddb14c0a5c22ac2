// The photo information (EXIF, XMP, IPTC) of a photo going into the artwork's file: from every
// format it is read from into every format savePicture writes, adjusted for the artwork, without
// touching the pixels or the colour profile; photos without it, and with it damaged.

#include "document/photo_metadata.h"
#include "document/picture_io.h"
#include "support/colour_profiles.h"
#include "support/heif_files.h"
#include "support/photo_information.h"
#include "support/test_files.h"
#include "support/test_pictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The photo as a phone stores it: sideways, 40 x 30.
const QSize kStoredSize(40, 30);
// The artwork: upright, and of another size than the photo's.
const QSize kArtworkSize(24, 36);

QByteArray encoded(const QImage& picture, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(90);
    return writer.write(picture) ? bytes : QByteArray();
}

// The phone photo with its information in format ("jpeg", "png", "tiff", "webp", "heic",
// "avif"); empty when this machine cannot make it.
QByteArray phonePhoto(const QString& format)
{
    const QImage stored = photoPicture(kStoredSize.width(), kStoredSize.height(), 1);
    if (format == "heic" || format == "avif") {
        HeifEncoding how;
        how.codec = format == "heic" ? heif_compression_HEVC : heif_compression_AV1;
        if (!canEncodeHeif(how.codec))
            return QByteArray();
        how.exif = phoneExifBlock(kStoredSize);
        how.xmp = phoneXmpPacket(kStoredSize);
        return encodeHeif(stored, how);
    }
    return withPhoneInformation(encoded(stored, format.toLatin1().constData()), kStoredSize);
}

// The pixels alone, without the colour space that QImage's == compares too.
QImage pixels(const QString& path)
{
    QImage picture = QImageReader(path).read().convertToFormat(QImage::Format_RGB32);
    picture.setColorSpace(QColorSpace());
    return picture;
}

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

} // namespace

class TestPhotoMetadata : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // The artwork written to name twice, with metadata and without; false when a save failed.
    bool saveBoth(const QString& name, const PhotoMetadata& metadata, QString* with,
                  QString* without)
    {
        const QImage artwork = tagged(photoPicture(kArtworkSize.width(), kArtworkSize.height(), 2),
                                      QStringLiteral("camera"));
        *with = m_dir.filePath("with-" + name);
        *without = m_dir.filePath("without-" + name);
        QString error;
        if (!savePicture(artwork, *with, -1, &error, metadata))
            qWarning("%s", qPrintable(error));
        return error.isEmpty() && savePicture(artwork, *without);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void informationGoesIntoTheArtwork_data();
    void informationGoesIntoTheArtwork();
    void photosWithoutInformationGiveNone_data();
    void photosWithoutInformationGiveNone();
    void damagedInformationNeverStopsTheSave_data();
    void damagedInformationNeverStopsTheSave();
};

void TestPhotoMetadata::informationGoesIntoTheArtwork_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("iptc"); // the artwork's file carries the photo's IPTC

    // HEIF files have no IPTC, and exiv2 writes none into WebP.
    const QStringList inputs{"jpeg", "png", "tiff", "webp", "heic", "avif"};
    for (const QString& input : inputs) {
        for (const QString& output : writablePictureSuffixes()) {
            if (output == "jpeg" || output == "tiff")
                continue; // the same writers as jpg and tif
            if (output == "avif" || output == "jxl")
                continue; // their encoders embed it, as the picture table's test checks
            const bool iptc = input != "heic" && input != "avif" && input != "webp" &&
                              output != "webp" && output != "bmp";
            QTest::addRow("%s to %s", qPrintable(input), qPrintable(output))
                << input << output << iptc;
        }
    }
}

void TestPhotoMetadata::informationGoesIntoTheArtwork()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, iptc);

    const QByteArray photo = phonePhoto(input);
    if (photo.isEmpty())
        QSKIP("this machine cannot make the photo in this format");
    const PhotoMetadata metadata = PhotoMetadata::read(photo);
    QVERIFY(!metadata.isEmpty());

    QString with, without;
    QVERIFY(saveBoth(input + "." + output, metadata, &with, &without));
    // Only the information differs: the same pixels, and the colour profile as the writer wrote
    // it, byte for byte.
    QCOMPARE(pixels(with), pixels(without));
    QCOMPARE(pixels(with).size(), kArtworkSize);
    QCOMPARE(embeddedProfile(with), embeddedProfile(without));
    if (output == "bmp") {
        QCOMPARE(readAll(with), readAll(without)); // BMP carries no information
        return;
    }
    QCOMPARE(embeddedProfile(with), testColourSpace("camera").iccProfile());

    const QMap<QString, QString> information = photoInformation(readAll(with));
    const QString width = QString::number(kArtworkSize.width());
    const QString height = QString::number(kArtworkSize.height());
    // The artwork stands upright, has no thumbnail of the photo, its own size and its software.
    QCOMPARE(information.value("Exif.Image.Orientation"), QStringLiteral("1"));
    QVERIFY(!hasKeysOf(information, "Exif.Thumbnail."));
    QCOMPARE(information.value("Exif.Photo.PixelXDimension"), width);
    QCOMPARE(information.value("Exif.Photo.PixelYDimension"), height);
    // A TIFF's width and height are of its own pixels; another photo's go with its information.
    const bool sizeTags = input != "tiff" || output == "tif";
    QCOMPARE(information.value("Exif.Image.ImageWidth"), sizeTags ? width : QString());
    QCOMPARE(information.value("Exif.Image.ImageLength"), sizeTags ? height : QString());
    QCOMPARE(information.value("Exif.Image.Software"),
             QStringLiteral("Drawlume " DRAWLUME_VERSION));
    // The camera, the time and the place stay.
    QCOMPARE(information.value("Exif.Image.Make"), text(phone::make));
    QCOMPARE(information.value("Exif.Image.Model"), text(phone::model));
    QCOMPARE(information.value("Exif.Photo.DateTimeOriginal"), text(phone::taken));
    QCOMPARE(information.value("Exif.GPSInfo.GPSLatitude"), text(phone::latitude));
    QCOMPARE(information.value("Exif.GPSInfo.GPSLongitude"), text(phone::longitude));
    QCOMPARE(information.value("Exif.GPSInfo.GPSLatitudeRef"), QStringLiteral("N"));
    // How a TIFF photo's pixels were stored is no concern of another file.
    if (output != "tif") {
        for (const char* storage : {"Exif.Image.StripOffsets", "Exif.Image.BitsPerSample",
                                    "Exif.Image.Compression", "Exif.Image.InterColorProfile"})
            QVERIFY2(!information.contains(storage), storage);
    }

    QVERIFY(information.value("Xmp.dc.title").contains(text(phone::title)));
    QCOMPARE(information.value("Xmp.tiff.Orientation"), QStringLiteral("1"));
    QCOMPARE(information.value("Xmp.exif.PixelXDimension"), width);
    QCOMPARE(information.value("Xmp.exif.PixelYDimension"), height);

    QCOMPARE(information.value("Iptc.Application2.Caption"),
             iptc ? text(phone::caption) : QString());
    QCOMPARE(information.value("Iptc.Application2.Byline"), iptc ? text(phone::byline) : QString());
}

void TestPhotoMetadata::photosWithoutInformationGiveNone_data()
{
    QTest::addColumn<QByteArray>("file");

    const QImage photo = photoPicture(kStoredSize.width(), kStoredSize.height());
    for (const char* format : {"jpeg", "png", "tiff", "webp", "bmp"})
        QTest::addRow("%s without information", format) << encoded(photo, format);
    QTest::newRow("tagged png") << encoded(tagged(photo, "Display P3"), "png");
    if (canEncodeHeif(heif_compression_HEVC))
        QTest::newRow("heic without information") << encodeHeif(photo, HeifEncoding());
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("text") << QByteArray("shopping list: eggs, flour");
    const QByteArray jpeg = phonePhoto("jpeg");
    QTest::newRow("jpeg cut in its information") << jpeg.left(jpeg.indexOf("Exif") + 40);
}

void TestPhotoMetadata::photosWithoutInformationGiveNone()
{
    QFETCH(QByteArray, file);

    const PhotoMetadata metadata = PhotoMetadata::read(file);
    QVERIFY(metadata.isEmpty());
    // Nothing to write: the artwork's file is as the writer made it.
    QString with, without;
    QVERIFY(saveBoth(QStringLiteral("plain%1.jpg").arg(QTest::currentDataTag()), metadata, &with,
                     &without));
    QCOMPARE(readAll(with), readAll(without));
}

void TestPhotoMetadata::damagedInformationNeverStopsTheSave_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("output");

    for (const QString& damage : exifDamages()) {
        for (const char* output : {"jpg", "png", "tif", "webp"})
            QTest::addRow("%s, %s", qPrintable(damage), output) << damage << output;
    }
}

void TestPhotoMetadata::damagedInformationNeverStopsTheSave()
{
    QFETCH(QString, damage);
    QFETCH(QString, output);

    const QByteArray photo = damagedExif(phonePhoto("jpeg"), damage);
    QVERIFY(!photo.isEmpty());
    // The photo itself still reads; its information may be partly there or not at all.
    QImage decoded;
    QString error;
    QVERIFY2(decodePicture(photo, decoded, &error), qPrintable(error));
    const PhotoMetadata metadata = PhotoMetadata::read(photo);

    QString with, without;
    QVERIFY(saveBoth(QStringLiteral("damaged-%1.%2").arg(exifDamages().indexOf(damage)).arg(output),
                     metadata, &with, &without));
    QCOMPARE(pixels(with), pixels(without));
    QCOMPARE(embeddedProfile(with), embeddedProfile(without));
    QVERIFY(!photoInformation(readAll(with)).contains("unreadable"));
    // Whatever was kept, the artwork does not stand sideways, and the XMP (undamaged) is there.
    const QMap<QString, QString> information = photoInformation(readAll(with));
    QVERIFY(information.value("Exif.Image.Orientation", "1") == "1");
    if (!metadata.isEmpty())
        QCOMPARE(information.value("Xmp.tiff.Orientation"), QStringLiteral("1"));

    // Bytes that are no picture file stay as they are.
    const QByteArray notAPicture("no picture at all");
    QCOMPARE(metadata.writeInto(notAPicture, kArtworkSize), notAPicture);
}

QTEST_GUILESS_MAIN(TestPhotoMetadata)
#include "test_photo_metadata.moc"
