#include "core/filters/filter_list.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/parameter_xml.h"
#include "document/document_container.h"
#include "support/colour_profiles.h"
#include "support/test_files.h"
#include "support/test_pictures.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QtTest>

namespace {

QByteArray littleEndian64(qint64 v)
{
    QByteArray out(8, '\0');
    qToLittleEndian(v, out.data());
    return out;
}

QByteArray littleEndian32(qint32 v)
{
    QByteArray out(4, '\0');
    qToLittleEndian(v, out.data());
    return out;
}

// The picture file of picture in format ("png", "jpeg", "bmp") with quality (-1: the default).
QByteArray encoded(const QImage& picture, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(picture) ? bytes : QByteArray();
}

QImage decoded(const QByteArray& bytes)
{
    return QImage::fromData(bytes).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestDocumentContainer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void documentOfPhotoJpgHasTheExactLayout();
    void nameBytesAreCutOrPadded_data();
    void nameBytesAreCutOrPadded();
    void nameBytesReadBack_data();
    void nameBytesReadBack();
    void pictureNamesSurviveSaveAndOpen_data();
    void pictureNamesSurviveSaveAndOpen();
    void storesThePictureFileOrLosslessPng_data();
    void storesThePictureFileOrLosslessPng();
    void packedDocumentReadsBack();
    void incompleteStoredPictureLoadsWithAWarning_data();
    void incompleteStoredPictureLoadsWithAWarning();
    void failedSaveLeavesThePreviousDocument();
    void pictureWithoutNameIsRefused();
    void damagedDocumentsAreRefused_data();
    void damagedDocumentsAreRefused();
    void storedPathUnpacksUnderItsFileNameOnly_data();
    void storedPathUnpacksUnderItsFileNameOnly();
    void documentSuffixIsCaseSensitive();

private:
    QTemporaryDir m_dir;
};

void TestDocumentContainer::documentOfPhotoJpgHasTheExactLayout()
{
    const QImage picture = scenePicture(40, 30);
    const QByteArray jpeg = encoded(picture, "jpeg", 92);
    QVERIFY(jpeg.startsWith("\xFF\xD8"));
    FilterParametersPtr parameters = defaultParameters(QStringLiteral("Pencil"));
    const QString target = m_dir.filePath(QStringLiteral("photo.png"));
    QString written, error;
    QVERIFY2(packDocument(target, QImage::fromData(jpeg), QStringLiteral("photo.jpg"), jpeg,
                          *parameters, &written, &error),
             qPrintable(error));
    QCOMPARE(written, m_dir.filePath(QStringLiteral("photo.drawlume")));
    const QByteArray bytes = readAll(written);

    const qint64 p = jpeg.size();
    QCOMPARE(bytes.left(8), littleEndian64(p));
    QCOMPARE(bytes.mid(8, p), jpeg);
    QCOMPARE(bytes.mid(8 + p, 4), littleEndian32(9));
    QCOMPARE(bytes.mid(12 + p, 18), QByteArray("photo.jpg") + QByteArray(9, '\0'));
    const QByteArray xml = parameterXml(*parameters);
    QCOMPARE(bytes.mid(30 + p, 8), littleEndian64(xml.size()));
    QCOMPARE(bytes.mid(38 + p), xml);
    QCOMPARE(bytes, documentBytes(jpeg, QStringLiteral("photo.jpg"), xml));

    // Nothing of it is left in the private directory.
    const QDir temporary(privateTemporaryDirectory());
    QVERIFY(!temporary.exists(QStringLiteral("photo.jpg")));
    QVERIFY(!temporary.exists(QStringLiteral("photo.filter")));
}

void TestDocumentContainer::nameBytesAreCutOrPadded_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << "a.png" << QByteArray("a.png\0\0\0\0\0", 10);
    QTest::newRow("accented") << "\u00e9.png" << QByteArray("\xc3\xa9.png\0\0\0\0", 10);
    // Three characters of four UTF-8 bytes each in six bytes: only the first six bytes stay.
    QTest::newRow("long utf-8") << QString::fromUtf8("\u6f22\u5b57\u6f22")
                                << QByteArray("\xe6\xbc\xa2\xe5\xad\x97");
}

void TestDocumentContainer::nameBytesAreCutOrPadded()
{
    QFETCH(QString, name);
    QTEST(encodedPictureName(name), "bytes");
}

void TestDocumentContainer::nameBytesReadBack_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::newRow("ascii, padded") << QByteArray("a.png\0\0\0\0\0", 10) << "a.png";
    QTest::newRow("utf-8, padded")
        << QByteArray("caf\xc3\xa9.png\0\0\0\0\0\0\0", 16) << QString::fromUtf8("caf\u00e9.png");
    // Cut by the writer in the middle of a character: the character's start is dropped.
    QTest::newRow("utf-8 cut after one of three bytes")
        << QByteArray("\xe6\xbc\xa2\xe5\xad\x97\xe6") << QString::fromUtf8("\u6f22\u5b57");
    QTest::newRow("utf-8 cut after two of three bytes")
        << QByteArray("\xe6\xbc\xa2\xe5\xad\x97\xe6\xbc") << QString::fromUtf8("\u6f22\u5b57");
    QTest::newRow("utf-8 cut after three of four bytes")
        << QByteArray("ab\xf0\x9f\x8e") << QStringLiteral("ab");
    // Bytes that are no UTF-8 are read as Latin-1, also when they fill the field.
    QTest::newRow("latin-1, padded")
        << QByteArray("caf\xe9.png\0\0\0\0\0\0\0\0", 16) << QString::fromUtf8("caf\u00e9.png");
    QTest::newRow("latin-1 inside, filled")
        << QByteArray("\xe9t\xe9.png") << QString::fromUtf8("\u00e9t\u00e9.png");
    QTest::newRow("empty") << QByteArray("\0\0", 2) << QString();
}

void TestDocumentContainer::nameBytesReadBack()
{
    QFETCH(QByteArray, bytes);
    QTEST(decodedPictureName(bytes), "name");
}

void TestDocumentContainer::pictureNamesSurviveSaveAndOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("readBack");   // what opening the document gives
    QTest::addColumn<QString>("unpackedAs"); // the file name in the private directory

    QTest::newRow("plain") << "photo.jpg"
                           << "photo.jpg"
                           << "picture.jpg";
    QTest::newRow("accented") << QString::fromUtf8("caf\u00e9.png")
                              << QString::fromUtf8("caf\u00e9.png") << "picture.png";
    // Names are stored in two bytes a character: 80 CJK characters and ".jpg" (84) keep 168 of
    // their 244 UTF-8 bytes, 56 whole characters; with 81 the cut falls inside a character, whose
    // start is dropped. The unpacked file's name stays short either way.
    QTest::newRow("80 CJK characters") << QString(80, QChar(0x5199)) + QStringLiteral(".jpg")
                                       << QString(56, QChar(0x5199)) << "picture";
    QTest::newRow("81 CJK characters") << QString(81, QChar(0x5199)) + QStringLiteral(".jpg")
                                       << QString(56, QChar(0x5199)) << "picture";
    QTest::newRow("named like the settings") << "filter"
                                             << "filter"
                                             << "picture";
    QTest::newRow("odd suffix") << "shot.j p+g"
                                << "shot.j p+g"
                                << "picture";
}

void TestDocumentContainer::pictureNamesSurviveSaveAndOpen()
{
    QFETCH(QString, name);
    QFETCH(QString, readBack);
    QFETCH(QString, unpackedAs);

    const QImage picture = scenePicture(24, 16);
    const QByteArray png = encoded(picture, "png", -1);
    FilterParametersPtr parameters = defaultParameters(QStringLiteral("Pencil"));
    QString written, error;
    QVERIFY2(packDocument(m_dir.filePath(QStringLiteral("named.drawlume")), picture, name, png,
                          *parameters, &written, &error),
             qPrintable(error));
    QImage read;
    FilterParametersPtr readParameters;
    UnpackedDocument unpacked;
    QVERIFY2(loadDocument(written, read, readParameters, &error, &unpacked), qPrintable(error));
    QCOMPARE(unpacked.pictureName, readBack);
    QCOMPARE(unpacked.picturePath, privateTemporaryDirectory() + "/drawlume/" + unpackedAs);
    QCOMPARE(read.convertToFormat(QImage::Format_RGB32), picture);
    QCOMPARE(readParameters->valuesText(), parameters->valuesText());
}

void TestDocumentContainer::storesThePictureFileOrLosslessPng_data()
{
    QTest::addColumn<QString>("pictureName");
    QTest::addColumn<QByteArray>("format"); // the picture file's; empty: no file bytes given
    QTest::addColumn<int>("quality");
    QTest::addColumn<QImage::Format>("pixels");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("profile"); // the picture's colour space (see testColourSpace)

    const QImage::Format rgb = QImage::Format_RGB32;
    // The picture as read from its file, stored as that file.
    QTest::newRow("png file") << "photo.png" << QByteArray("png") << -1 << rgb << "photo.png"
                              << "none";
    QTest::newRow("jpeg file at quality 92")
        << "photo.jpg" << QByteArray("jpeg") << 92 << rgb << "photo.jpg"
        << "none";
    QTest::newRow("bmp file") << "scan.bmp" << QByteArray("bmp") << -1 << rgb << "scan.bmp"
                              << "none";
    QTest::newRow("jpeg file under a png name")
        << "odd.png" << QByteArray("jpeg") << 92 << rgb << "odd.png"
        << "none";
    // A photo's embedded profile is in the file, which is stored as it is.
    QTest::newRow("Display P3 jpeg file")
        << "phone.jpg" << QByteArray("jpeg") << 92 << rgb << "phone.jpg"
        << "Display P3";
    QTest::newRow("camera profile png file")
        << "camera.png" << QByteArray("png") << -1 << rgb << "camera.png"
        << "camera";
    // No file bytes: a lossless PNG under the name with ".png" for its suffix.
    QTest::newRow("no file bytes, png name")
        << "photo.png" << QByteArray() << -1 << rgb << "photo.png"
        << "none";
    QTest::newRow("no file bytes, jpeg name")
        << "photo.jpg" << QByteArray() << -1 << rgb << "photo.png"
        << "none";
    QTest::newRow("no file bytes, bmp name")
        << "scan.bmp" << QByteArray() << -1 << rgb << "scan.png"
        << "none";
    QTest::newRow("no file bytes, transparent")
        << "layer.webp" << QByteArray() << -1 << QImage::Format_ARGB32 << "layer.png"
        << "none";
    QTest::newRow("no file bytes, no suffix")
        << "Untitled" << QByteArray() << -1 << rgb << "Untitled.png"
        << "none";
    QTest::newRow("no file bytes, dots in the name")
        << "holiday.2023.jpg" << QByteArray() << -1 << rgb << "holiday.2023.png"
        << "none";
    QTest::newRow("no file bytes, leading dot")
        << ".shot" << QByteArray() << -1 << rgb << ".shot.png"
        << "none";
    QTest::newRow("no file bytes, dot in a folder")
        << "my.pictures/shot" << QByteArray() << -1 << rgb << "my.pictures/shot.png"
        << "none";
    // A pasted picture with a colour space keeps it in its PNG, byte for byte.
    QTest::newRow("no file bytes, Display P3")
        << "pasted" << QByteArray() << -1 << rgb << "pasted.png"
        << "Display P3";
    QTest::newRow("no file bytes, Adobe-like, transparent")
        << "layer.tif" << QByteArray() << -1 << QImage::Format_ARGB32 << "layer.png"
        << "Adobe-like";
    QTest::newRow("no file bytes, camera profile")
        << "shot.jpg" << QByteArray() << -1 << rgb << "shot.png"
        << "camera";
}

void TestDocumentContainer::storesThePictureFileOrLosslessPng()
{
    QFETCH(QString, pictureName);
    QFETCH(QByteArray, format);
    QFETCH(int, quality);
    QFETCH(QImage::Format, pixels);
    QFETCH(QString, storedName);
    QFETCH(QString, profile);

    const QImage original = tagged(
        pixels == QImage::Format_RGB32 ? scenePicture(48, 36) : randomPicture(48, 36, pixels, 7),
        profile);
    const QByteArray file = format.isEmpty() ? QByteArray() : encoded(original, format, quality);
    QVERIFY(format.isEmpty() || !file.isEmpty());
    // The picture as the program holds it: read from its file, or as it was made.
    const QImage picture = file.isEmpty() ? original : QImage::fromData(file);
    QVERIFY(!picture.isNull());
    FilterParametersPtr parameters = defaultParameters(QStringLiteral("Oil"));

    const QString path =
        m_dir.filePath(QStringLiteral("stored-%1.drawlume").arg(QTest::currentDataTag()));
    QString written, error;
    QVERIFY2(packDocument(path, picture, pictureName, file, *parameters, &written, &error),
             qPrintable(error));
    DocumentContents contents;
    QVERIFY2(readDocumentFile(written, contents, &error), qPrintable(error));
    QCOMPARE(contents.pictureName, storedName);
    if (!file.isEmpty()) {
        QVERIFY(contents.picture == file);
    } else {
        QVERIFY(contents.picture.startsWith("\x89PNG\r\n\x1a\n"));
        QCOMPARE(decoded(contents.picture), picture.convertToFormat(QImage::Format_ARGB32));
    }

    // Opened and saved again, the document stores the same bytes under the same name.
    QImage reopened;
    FilterParametersPtr reopenedParameters;
    UnpackedDocument unpacked;
    QVERIFY2(loadDocument(written, reopened, reopenedParameters, &error, &unpacked),
             qPrintable(error));
    QVERIFY(unpacked.pictureBytes == contents.picture);
    QCOMPARE(unpacked.pictureName, storedName);
    QCOMPARE(reopened.convertToFormat(QImage::Format_ARGB32),
             picture.convertToFormat(QImage::Format_ARGB32));
    // The colour space comes back with the very profile bytes it went in with; none for none.
    QCOMPARE(reopened.colorSpace().iccProfile(), testColourSpace(profile).iccProfile());
    const QString again =
        m_dir.filePath(QStringLiteral("again-%1.drawlume").arg(QTest::currentDataTag()));
    QVERIFY2(packDocument(again, reopened, unpacked.pictureName, unpacked.pictureBytes,
                          *reopenedParameters, &written, &error),
             qPrintable(error));
    QVERIFY(readAll(written) == readAll(path));
}

void TestDocumentContainer::packedDocumentReadsBack()
{
    const QImage picture = scenePicture(33, 21);
    FilterParametersPtr parameters = defaultParameters(QStringLiteral("Pencil"));
    parameters->insert(Keys::Texture::paper, QStringLiteral("Kraft paper"));
    QString written, error;
    QVERIFY(packDocument(m_dir.filePath(QStringLiteral("b.drawlume")), picture,
                         QStringLiteral("lossless.png"), QByteArray(), *parameters, &written,
                         &error));
    QImage read;
    FilterParametersPtr readParameters;
    QVERIFY2(loadDocument(written, read, readParameters, &error), qPrintable(error));
    QCOMPARE(read.convertToFormat(QImage::Format_RGB32), picture);
    QCOMPARE(readParameters->filterName(), QStringLiteral("Pencil"));
    QCOMPARE(readParameters->valuesText(), parameters->valuesText());
    UnpackedDocument unpacked;
    QVERIFY(unpackDocument(written, unpacked, &error));
    QVERIFY(unpacked.picturePath.endsWith(QStringLiteral("/drawlume/picture.png")));
    QVERIFY(unpacked.filterPath.endsWith(QStringLiteral("/drawlume/filter")));
    QVERIFY(unpacked.picturePath.startsWith(privateTemporaryDirectory()));

    // A photo mask travels as a grey PNG entry; a blank one stores nothing, so the document is
    // the one without a mask; one of another size is scaled to the picture with a word.
    QImage mask(picture.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    const QString masked = m_dir.filePath(QStringLiteral("masked.drawlume"));
    QVERIFY(packDocument(masked, picture, QStringLiteral("lossless.png"), QByteArray(), *parameters,
                         &written, &error, mask));
    QCOMPARE(readAll(masked), readAll(m_dir.filePath(QStringLiteral("b.drawlume"))));
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            mask.scanLine(y)[x] = uchar((x * 7 + y * 13) % 256);
    QVERIFY(packDocument(masked, picture, QStringLiteral("lossless.png"), QByteArray(), *parameters,
                         &written, &error, mask));
    QImage readMask;
    QString warning;
    QVERIFY2(loadDocument(masked, read, readParameters, &error, &unpacked, &warning, &readMask),
             qPrintable(error));
    QVERIFY2(warning.isEmpty(), qPrintable(warning));
    QCOMPARE(readMask, mask);
    QCOMPARE(readParameters->valuesText(), parameters->valuesText());
    const QImage small = decodeDocumentMask(unpacked.maskBytes, QSize(66, 42), &warning);
    QCOMPARE(small.size(), QSize(66, 42));
    QVERIFY2(warning.contains("scaled"), qPrintable(warning));
}

void TestDocumentContainer::incompleteStoredPictureLoadsWithAWarning_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QString>("warning");

    const QByteArray jpeg = encoded(scenePicture(160, 120), "jpeg", 92);
    QTest::newRow("complete") << jpeg << QString();
    QTest::newRow("cut in its scan")
        << jpeg.left(jpeg.size() * 2 / 3)
        << "the picture is incomplete: the file ends before the picture does";
}

void TestDocumentContainer::incompleteStoredPictureLoadsWithAWarning()
{
    QFETCH(QByteArray, picture);
    QFETCH(QString, warning);

    const QString path = m_dir.filePath(QStringLiteral("cut.drawlume"));
    QVERIFY(
        writeAll(path, documentBytes(picture, QStringLiteral("cut.jpg"),
                                     parameterXml(*defaultParameters(QStringLiteral("Pencil"))))));
    QImage read;
    FilterParametersPtr parameters;
    UnpackedDocument unpacked;
    QString error;
    QString said = QStringLiteral("left over");
    QVERIFY2(loadDocument(path, read, parameters, &error, &unpacked, &said), qPrintable(error));
    QCOMPARE(said, warning);
    QCOMPARE(read.size(), QSize(160, 120));
    QVERIFY(unpacked.pictureBytes == picture);
}

void TestDocumentContainer::failedSaveLeavesThePreviousDocument()
{
    // A file size limit makes the write fail even for root: the picture and the settings each fit
    // under it, the whole document does not.
    const QImage picture = randomPicture(24, 24, QImage::Format_RGB32, 4);
    const FilterParametersPtr parameters = defaultParameters(QStringLiteral("Oil"));
    const QString probe = m_dir.filePath(QStringLiteral("probe.drawlume"));
    QString written, error;
    QVERIFY(packDocument(probe, picture, QStringLiteral("x.png"), QByteArray(), *parameters,
                         &written, &error));
    const qint64 documentSize = QFileInfo(probe).size();
    const qint64 xmlSize = parameterXml(*parameters).size();
    const qint64 pictureSize = documentSize - xmlSize - 30;
    const qint64 limit = std::max(xmlSize, pictureSize) + 16;
    QVERIFY(limit < documentSize);

    const QString path = m_dir.filePath(QStringLiteral("kept.drawlume"));
    QVERIFY(writeAll(path, "previous contents"));
    bool saved = false;
    {
        FileSizeLimit guard(limit);
        saved = packDocument(path, picture, QStringLiteral("x.png"), QByteArray(), *parameters,
                             &written, &error);
    }
    QVERIFY(!saved);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), QByteArray("previous contents"));
    QCOMPARE(QDir(m_dir.path()).entryList({"kept*"}, QDir::Files), QStringList{"kept.drawlume"});
}

void TestDocumentContainer::pictureWithoutNameIsRefused()
{
    QString written, error;
    const QString path = m_dir.filePath(QStringLiteral("nameless.drawlume"));
    const QImage picture = scenePicture(5, 5);
    QVERIFY(!packDocument(path, picture, QString(), QByteArray(), FilterParameters(), &written,
                          &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!packDocument(path, picture, QString(), encoded(picture, "png"), FilterParameters(),
                          &written, &error));
    QVERIFY(!error.isEmpty());
    // Without file bytes there must be a picture to encode.
    error.clear();
    QVERIFY(!packDocument(path, QImage(), QStringLiteral("a.png"), QByteArray(), FilterParameters(),
                          &written, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestDocumentContainer::damagedDocumentsAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray picture = "\x89PNG fake picture";
    const QByteArray xml =
        "<?xml version=\"1.0\"?><filter><name>Pencil</name><parameters/></filter>\n";
    const QByteArray good = documentBytes(picture, QStringLiteral("a.png"), xml);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("seven bytes") << good.left(7);
    for (int cut : {8, 9, 20, 25, 30, 35, int(good.size()) - 1})
        QTest::newRow(qPrintable(QStringLiteral("truncated at %1").arg(cut))) << good.left(cut);
    QTest::newRow("trailing bytes") << good + "x";
    QTest::newRow("a photo mask of another tag")
        << good + "MASQ" + littleEndian64(picture.size()) + picture;
    QTest::newRow("a photo mask longer than the file")
        << good + "MASK" + littleEndian64(picture.size() + 1) + picture;
    QTest::newRow("a photo mask of no bytes") << good + "MASK" + littleEndian64(0);
    QTest::newRow("a photo mask cut in its length") << good + "MASK" + QByteArray(3, '\1');
    QTest::newRow("picture longer than file") << littleEndian64(1LL << 40) + good.mid(8);
    QTest::newRow("negative picture length") << littleEndian64(-5) + good.mid(8);
    QTest::newRow("zero picture length") << littleEndian64(0) + good.mid(8);
    QByteArray hugeName = good;
    hugeName.replace(8 + picture.size(), 4, littleEndian32(0x7FFFFFFF));
    QTest::newRow("name longer than file") << hugeName;
    QByteArray negativeName = good;
    negativeName.replace(8 + picture.size(), 4, littleEndian32(-3));
    QTest::newRow("negative name length") << negativeName;
    QTest::newRow("empty name") << documentBytes(picture, QString(), xml);
    QByteArray hugeSettings = good;
    hugeSettings.replace(8 + picture.size() + 4 + 10, 8, littleEndian64(1LL << 50));
    QTest::newRow("settings longer than file") << hugeSettings;
    QByteArray negativeSettings = good;
    negativeSettings.replace(8 + picture.size() + 4 + 10, 8, littleEndian64(-1));
    QTest::newRow("negative settings length") << negativeSettings;
    QTest::newRow("a picture file")
        << QByteArray("\xFF\xD8\xFF\xE0 this is a jpeg, not a document");
    QTest::newRow("name of dots") << documentBytes(picture, QStringLiteral(".."), xml);
    QTest::newRow("name ends in a slash") << documentBytes(picture, QStringLiteral("dir/"), xml);
}

void TestDocumentContainer::damagedDocumentsAreRefused()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("damaged.drawlume"));
    QVERIFY(writeAll(path, bytes));
    UnpackedDocument unpacked;
    QString error;
    QVERIFY(!unpackDocument(path, unpacked, &error));
    QVERIFY(!error.isEmpty());
    // A file too short to hold a picture length names none.
    if (bytes.size() < 8)
        QVERIFY2(error.contains("too short") && !error.contains("length"), qPrintable(error));
    QImage picture;
    FilterParametersPtr parameters;
    QVERIFY(!loadDocument(path, picture, parameters, &error));
    QVERIFY(picture.isNull());
    QVERIFY(parameters.isNull());
}

void TestDocumentContainer::storedPathUnpacksUnderItsFileNameOnly_data()
{
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain") << "photo.jpg"
                           << "photo.jpg";
    QTest::newRow("full path") << "/home/someone/pictures/photo.jpg"
                               << "photo.jpg";
    QTest::newRow("escaping path") << "../../../../etc/evil.png"
                                   << "evil.png";
    QTest::newRow("windows path") << "C:\\Users\\x\\shot.png"
                                  << "shot.png";
}

void TestDocumentContainer::storedPathUnpacksUnderItsFileNameOnly()
{
    QFETCH(QString, storedName);
    QFETCH(QString, fileName);
    QCOMPARE(safePictureFileName(storedName), fileName);
    const QString path = m_dir.filePath(QStringLiteral("stored.drawlume"));
    QVERIFY(writeAll(path, documentBytes("pixels", storedName, "<filter/>")));
    UnpackedDocument unpacked;
    QString error;
    QVERIFY2(unpackDocument(path, unpacked, &error), qPrintable(error));
    QCOMPARE(unpacked.picturePath,
             privateTemporaryDirectory() + "/drawlume/picture." + QFileInfo(fileName).suffix());
    QCOMPARE(readAll(unpacked.picturePath), QByteArray("pixels"));
    QCOMPARE(unpacked.pictureBytes, QByteArray("pixels"));
    QCOMPARE(unpacked.pictureName, storedName);
}

void TestDocumentContainer::documentSuffixIsCaseSensitive()
{
    QVERIFY(isDocumentName(QStringLiteral("/a/b.drawlume")));
    QVERIFY(!isDocumentName(QStringLiteral("/a/b.Drawlume")));
    QVERIFY(!isDocumentName(QStringLiteral("/a/b.drawlume.png")));
    QVERIFY(!isDocumentName(QStringLiteral("drawlume")));
}

QTEST_GUILESS_MAIN(TestDocumentContainer)
#include "test_document_container.moc"
