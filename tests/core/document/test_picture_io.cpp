#include "document/avif_writer.h"
#include "document/heif_picture.h"
#include "document/picture_formats.h"
#include "document/picture_io.h"
#include "support/photo_information.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// 64 x 48: a colour gradient with a blue band down the left edge and a red square, so that a
// turned or mirrored picture is told apart from the original.
QImage samplePicture(int width = 64, int height = 48)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(40 + 3 * x % 200, 30 + 4 * y % 200, 100 + (x + y) % 120);
        for (int x = 0; x < width / 8; ++x)
            row[x] = qRgb(0, 0, 255);
    }
    for (int y = height / 3; y < std::min(height, height / 3 + 8); ++y)
        for (int x = width / 2; x < std::min(width, width / 2 + 8); ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    return image;
}

// The peak signal-to-noise ratio of b against a (one size) over the colour channels, in dB;
// infinite when they are equal.
double psnr(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double squares = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            for (const int shift : {0, 8, 16}) {
                const int d = int((p[col] >> shift) & 0xFF) - int((q[col] >> shift) & 0xFF);
                squares += d * d;
            }
        }
    }
    if (squares == 0)
        return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 * 3.0 * x.width() * x.height() / squares);
}

// Mean difference per channel between two pictures of one size.
double meanChannelDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return double(sum) / (3.0 * x.width() * x.height());
}

// The checksum of PNG chunks (ISO 3309 CRC-32), bit by bit.
quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

bool isBlueish(QRgb p)
{
    return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
}

// The file of picture in format, with quality (-1: the default); progressive scans if asked.
QByteArray encoded(const QImage& picture, const char* format, int quality = -1,
                   bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(picture) ? bytes : QByteArray();
}

// A real 2 x 2 PNG whose header (IHDR, with its checksum) claims width x height: a reader reports
// that size from the header, and nothing of that size is ever allocated.
QByteArray pngClaimingSize(int width, int height)
{
    QByteArray bytes = encoded(samplePicture(2, 2), "png");
    // 8-byte signature, then length (4), "IHDR" (4), width (4), height (4), 5 more bytes, CRC.
    qToBigEndian<quint32>(width, bytes.data() + 16);
    qToBigEndian<quint32>(height, bytes.data() + 20);
    qToBigEndian<quint32>(crc32(bytes.mid(12, 17)), bytes.data() + 29);
    return bytes;
}

} // namespace

class TestPictureIo : public QObject
{
    Q_OBJECT

private slots:
    void everyFormatOfTheTable_data();
    void everyFormatOfTheTable();
    void jpegDefaultQualityIs80();
    void rotatedJpegStandsUpright_data();
    void rotatedJpegStandsUpright();
    void transparentPictureOnJpegIsOnWhitePaper();
    void failedSaveKeepsPreviousFile_data();
    void failedSaveKeepsPreviousFile();
    void saveOntoDirectoryIsRefused();
    void saveRefusesBadArguments_data();
    void saveRefusesBadArguments();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void readingTellsWhatIsWrong_data();
    void readingTellsWhatIsWrong();
    void unreadableFileIsRefused();
    void failedLoadLeavesImageAlone();
    void tooLargePictureIsRefused_data();
    void tooLargePictureIsRefused();
    void allocationLimitAdmitsLargePhotos();
    void writableSuffixes_data();
    void writableSuffixes();
    void artworkResolutionIsThePhotoFiles_data();
    void artworkResolutionIsThePhotoFiles();

private:
    QTemporaryDir m_dir;
    int m_reads = 0;
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

void TestPictureIo::everyFormatOfTheTable_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("quality");
    QTest::addColumn<double>("minimumPsnr"); // infinity: every pixel exact
    QTest::addColumn<QByteArray>("profile"); // empty: Display P3; else one no file can use
    const double exact = std::numeric_limits<double>::infinity();
    const double lossy = 26.0; // dB on the sharp-edged painted picture at the default quality
    QByteArray cmyk = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    cmyk.replace(16, 4, "CMYK"); // the colour model of the header
    const QByteArray damaged = QColorSpace(QColorSpace::DisplayP3).iccProfile().left(300);
    for (const PictureFormat& format : pictureFormats()) {
        if (!format.written)
            continue;
        const double psnr = format.isLosslessAt(-1) ? exact : lossy;
        QTest::newRow(qPrintable(format.id)) << format.id << -1 << psnr << QByteArray();
        if (format.lossless == PictureFormat::Lossless::AtHighestQuality)
            QTest::newRow(qPrintable(format.id + " lossless"))
                << format.id << format.qualityMax << exact << QByteArray();
        QTest::newRow(qPrintable(format.id + " CMYK profile")) << format.id << -1 << psnr << cmyk;
        QTest::newRow(qPrintable(format.id + " damaged profile"))
            << format.id << -1 << psnr << damaged;
    }
}

// A painted picture in Display P3 with a phone's information goes through every written row:
// read back by content under a foreign suffix, pixel-exact or within the PSNR, colour profile
// and photo information kept exactly where the row says it carries them; its first bytes alone
// are refused with a reason.
void TestPictureIo::everyFormatOfTheTable()
{
    QFETCH(QString, id);
    QFETCH(int, quality);
    QFETCH(double, minimumPsnr);
    QFETCH(QByteArray, profile);
    const PictureFormat& format = *findPictureFormat(id);
    const QString suffix = format.suffixes.constLast().toUpper(); // any suffix, any letter case
    if (!isWritablePictureSuffix(suffix))
        QSKIP("no writer for the format here (qt6-image-formats-plugins or an encoder missing)");

    QImage painted = samplePicture(96, 64);
    painted.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    QBuffer photo;
    photo.open(QIODevice::WriteOnly);
    QVERIFY(painted.save(&photo, "jpeg"));
    const PhotoMetadata metadata =
        PhotoMetadata::read(withPhoneInformation(photo.data(), painted.size()));
    QString error;
    QString warning;
    if (!profile.isEmpty())
        painted.setColorSpace(QColorSpace::fromIccProfile(profile));
    QVERIFY2(savePicture(painted, path("painted." + suffix), quality, &error, metadata, &warning),
             qPrintable(error));
    QCOMPARE(warning.contains("the colour profile (ICC"), !profile.isEmpty());

    QFile written(path("painted." + suffix));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QCOMPARE(recognisePictureFormat(bytes)->id, id);
    const QString disguised = path("painted-" + id + ".dat");
    QVERIFY(writeAll(disguised, bytes));
    QImage loaded;
    QVERIFY2(loadPicture(disguised, loaded, &error), qPrintable(error));
    QCOMPARE(loaded.size(), painted.size());
    const double measured = psnr(painted, loaded);
    QVERIFY2(measured >= minimumPsnr, qPrintable(QStringLiteral("PSNR %1 dB").arg(measured)));

    // A valid profile is kept where the row carries one, byte for byte but in a lossy JPEG XL
    // (which names Display P3 in its own terms); an unusable one nowhere.
    const bool keeps = format.canCarry(PictureFormat::Icc) && profile.isEmpty();
    QCOMPARE(loaded.colorSpace() == painted.colorSpace(), keeps);
    if (id != QLatin1String("jxl") || format.isLosslessAt(quality))
        QCOMPARE(loaded.colorSpace().iccProfile() == painted.colorSpace().iccProfile(), keeps);
    const PhotoMetadata kept = PhotoMetadata::read(bytes);
    QCOMPARE(kept.exifBlock(painted.size()).contains(phone::make.c_str()),
             format.canCarry(PictureFormat::Exif));
    QCOMPARE(kept.xmpPacket(painted.size()).contains(phone::title.c_str()),
             format.canCarry(PictureFormat::Xmp));
    QCOMPARE(photoInformation(bytes).contains("Iptc.Application2.Caption"),
             format.canCarry(PictureFormat::Iptc));

    // An EXIF orientation of 6 (taken sideways) stands the picture upright, in every format exiv2
    // writes it into; AVIF (HEIF) and JPEG XL turn by boxes of their own, which their decoders
    // follow, and leave the EXIF orientation aside as their standards ask.
    Exiv2::ExifData sideways;
    sideways["Exif.Image.Orientation"] = uint16_t(6);
    const QByteArray turned = withExif(bytes, sideways);
    if (!turned.isEmpty() && !isHeifPicture(bytes)) {
        QVERIFY(writeAll(disguised, turned));
        QVERIFY2(loadPicture(disguised, loaded, &error), qPrintable(error));
        QCOMPARE(loaded.size(), painted.size().transposed());
    }

    QVERIFY(writeAll(disguised, bytes.left(24)));
    QImage damaged;
    QVERIFY(!loadPicture(disguised, damaged, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(damaged.isNull());
}

void TestPictureIo::jpegDefaultQualityIs80()
{
    const QImage picture = samplePicture(160, 120);
    QVERIFY(savePicture(picture, path("default.jpg"), -1));
    QVERIFY(savePicture(picture, path("q80.jpg"), 80));
    QVERIFY(savePicture(picture, path("q30.jpg"), 30));

    const QByteArray byDefault = readAll(path("default.jpg"));
    QVERIFY(!byDefault.isEmpty());
    QCOMPARE(byDefault, readAll(path("q80.jpg")));
    // The comparison means something only if quality changes the bytes at all.
    QVERIFY(byDefault != readAll(path("q30.jpg")));
}

void TestPictureIo::rotatedJpegStandsUpright_data()
{
    QTest::addColumn<int>("orientation"); // the EXIF orientation, 1 to 8
    QTest::addColumn<QString>("band");    // where the stored left edge shows

    QTest::newRow("1 as stored") << 1 << "left";
    QTest::newRow("2 mirrored") << 2 << "right";
    QTest::newRow("3 half turn") << 3 << "right";
    QTest::newRow("4 flipped") << 4 << "left";
    QTest::newRow("5 mirrored, quarter turn") << 5 << "top";
    QTest::newRow("6 quarter turn clockwise") << 6 << "top";
    QTest::newRow("7 flipped, quarter turn") << 7 << "bottom";
    QTest::newRow("8 quarter turn anticlockwise") << 8 << "bottom";
}

void TestPictureIo::rotatedJpegStandsUpright()
{
    QFETCH(int, orientation);
    QFETCH(QString, band);

    // A phone photo: the pixels as the camera stored them, with an EXIF orientation saying how to
    // stand them upright, and a colour profile that must survive the turn.
    QImage stored = samplePicture();
    stored.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    Exiv2::ExifData exif;
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    const QString file = path(QStringLiteral("phone-%1.jpg").arg(orientation));
    QVERIFY(writeAll(file, withExif(encoded(stored, "jpeg", 95), exif)));

    QImage loaded;
    QString error;
    QVERIFY2(loadPicture(file, loaded, &error), qPrintable(error));
    QCOMPARE(loaded.size(), orientation >= 5 ? stored.size().transposed() : stored.size());
    QCOMPARE(loaded.colorSpace(), stored.colorSpace());
    const int w = loaded.width();
    const int h = loaded.height();
    const QMap<QString, QRgb> edges{{"left", loaded.pixel(1, h / 2)},
                                    {"right", loaded.pixel(w - 2, h / 2)},
                                    {"top", loaded.pixel(w / 2, 1)},
                                    {"bottom", loaded.pixel(w / 2, h - 2)}};
    for (auto it = edges.cbegin(); it != edges.cend(); ++it)
        QVERIFY2(isBlueish(it.value()) == (it.key() == band), qPrintable(it.key()));
}

void TestPictureIo::transparentPictureOnJpegIsOnWhitePaper()
{
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::transparent); // transparent black
    for (int x = 0; x < 32; ++x)
        picture.setPixel(x, 0, qRgba(0, 0, 0, 255));
    QVERIFY(savePicture(picture, path("transparent.jpg"), 95));
    QVERIFY(savePicture(picture, path("transparent.png")));

    QImage jpeg;
    QVERIFY(loadPicture(path("transparent.jpg"), jpeg));
    QVERIFY(qGray(jpeg.pixel(16, 20)) > 245);
    QVERIFY(qGray(jpeg.pixel(16, 0)) < 40);

    QImage png;
    QVERIFY(loadPicture(path("transparent.png"), png));
    QVERIFY(png.hasAlphaChannel());
    QCOMPARE(qAlpha(png.pixel(16, 20)), 0);
}

void TestPictureIo::failedSaveKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<bool>("lockDirectory");
    QTest::addColumn<int>("fileSizeLimit"); // bytes a process may write to a file; 0: no limit
    QTest::addColumn<QString>("reason");

    // Too wide for JPEG: the writer starts and fails half-way, after the file was opened.
    QTest::newRow("writer fails") << "wide.jpg" << QImage(70000, 2, QImage::Format_RGB32) << false
                                  << 0 << QString();
    QTest::newRow("unknown suffix")
        << "picture.xyz" << samplePicture() << false << 0 << "unsupported format";
    QTest::newRow("directory not writable")
        << "locked.png" << samplePicture() << true << 0 << "Permission denied";
    // The disk refuses the bytes part of the way through the file (also as root): every format
    // says the device's reason, not its writer's guess.
    for (const char* suffix : {"png", "jpg", "bmp", "tif", "webp"}) {
        if (isWritablePictureSuffix(QString::fromLatin1(suffix))) {
            QTest::addRow("%s cut off", suffix)
                << QStringLiteral("full.%1").arg(QString::fromLatin1(suffix))
                << samplePicture(300, 200) << false << 64 << QStringLiteral("File too large");
        }
    }
}

void TestPictureIo::failedSaveKeepsPreviousFile()
{
    QFETCH(QString, name);
    QFETCH(QImage, picture);
    QFETCH(bool, lockDirectory);
    QFETCH(int, fileSizeLimit);
    QFETCH(QString, reason);
    if (lockDirectory && geteuid() == 0)
        QSKIP("running as root: a read-only directory does not stop root from writing");

    const QString folder = path(QStringLiteral("keep-%1").arg(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QLatin1Char('/') + name;
    const QByteArray previous("the previous contents, which must survive");
    QVERIFY(writeAll(target, previous));
    if (lockDirectory)
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    picture.fill(Qt::gray);
    rlimit previousLimit{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &previousLimit) == 0);
    if (fileSizeLimit > 0) {
        // Writing past the limit then fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previousLimit;
        limit.rlim_cur = rlim_t(fileSizeLimit);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    }
    QString error;
    const bool saved = savePicture(picture, target, -1, &error);
    setrlimit(RLIMIT_FSIZE, &previousLimit);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QVERIFY(!saved);
    QVERIFY(!error.isEmpty());
    if (!reason.isEmpty())
        QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    QCOMPARE(readAll(target), previous);
    // No temporary file is left beside it.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

void TestPictureIo::saveOntoDirectoryIsRefused()
{
    const QString folder = path("folder.png");
    QVERIFY(QDir().mkpath(folder + "/inside"));
    QString error;
    QVERIFY(!savePicture(samplePicture(), folder, -1, &error));
    QVERIFY2(error.contains("directory"), qPrintable(error));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QFileInfo(folder + "/inside").isDir());
}

void TestPictureIo::saveRefusesBadArguments_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("quality");
    QTest::addColumn<QString>("reason");

    QTest::newRow("null picture") << QImage() << "null.png" << -1 << "no picture";
    QTest::newRow("quality above 100") << samplePicture() << "q.jpg" << 101 << "quality";
    QTest::newRow("quality below the writer default")
        << samplePicture() << "q.jpg" << -3 << "quality";
    QTest::newRow("no suffix") << samplePicture() << "plain" << -1 << "no suffix";
    QTest::newRow("missing folder")
        << samplePicture() << "no/such/folder.png" << -1 << "No such file";
}

void TestPictureIo::saveRefusesBadArguments()
{
    QFETCH(QImage, picture);
    QFETCH(QString, name);
    QFETCH(int, quality);
    QFETCH(QString, reason);

    QString error;
    QVERIFY(!savePicture(picture, path(name), quality, &error));
    QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(!QFileInfo::exists(path(name)));
}

void TestPictureIo::damagedFilesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents"); // empty: the file is not created
    QTest::addColumn<QString>("reason");

    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QVERIFY(samplePicture().save(&png, "png"));
    const QByteArray pngBytes = png.data();

    QTest::newRow("missing file") << "missing.png" << QByteArray() << "does not exist";
    QTest::newRow("garbage") << "garbage.jpg" << QByteArray("this is plain text, not a picture")
                             << "not a picture";
    QTest::newRow("truncated png")
        << "truncated.png" << pngBytes.left(pngBytes.size() / 2) << "damaged";
    QTest::newRow("header only png") << "header.png" << pngBytes.left(40) << "damaged";
    QTest::newRow("empty file") << "empty.png" << QByteArray("") << "empty";
}

void TestPictureIo::damagedFilesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);

    if (!contents.isNull())
        QVERIFY(writeAll(path(name), contents));
    QImage image;
    QString error;
    QVERIFY(!loadPicture(path(name), image, &error));
    QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(image.isNull());
}

void TestPictureIo::readingTellsWhatIsWrong_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QString>("said"); // the warning when it loads, else the reason's start

    const QString incomplete =
        QStringLiteral("the picture is incomplete: the file ends before the picture does");
    const QImage picture = samplePicture(160, 120);
    const QByteArray jpeg = encoded(picture, "jpeg", 92);
    const QByteArray progressive = encoded(picture, "jpeg", 92, true);
    const QByteArray png = encoded(picture, "png");
    QVERIFY(jpeg.endsWith("\xFF\xD9") && progressive.endsWith("\xFF\xD9"));
    // A comment segment holding an end-of-image marker in its text, right after the start.
    const QByteArray comment = jpeg.left(2) +
                               QByteArray("\xFF\xFE\x00\x06"
                                          "ab\xFF\xD9",
                                          8) +
                               jpeg.mid(2);

    QTest::newRow("complete jpeg") << jpeg << true << QString();
    QTest::newRow("jpeg with padding after its end")
        << jpeg + QByteArray(64, '\0') << true << QString();
    QTest::newRow("jpeg cut in its scan") << jpeg.left(jpeg.size() * 6 / 10) << true << incomplete;
    QTest::newRow("jpeg without its end marker") << jpeg.chopped(2) << true << incomplete;
    QTest::newRow("progressive jpeg cut short")
        << progressive.left(progressive.size() / 2) << true << incomplete;
    QTest::newRow("jpeg with an end marker in a comment") << comment << true << QString();
    QTest::newRow("jpeg cut, with an end marker in a comment")
        << comment.left(comment.size() * 6 / 10) << true << incomplete;
    QTest::newRow("complete png") << png << true << QString();
    QTest::newRow("png with bytes after its end") << png + "trailing" << true << QString();
    // A PNG cut short is not decoded at all.
    QTest::newRow("png cut short")
        << png.left(png.size() * 6 / 10) << false << "the picture is damaged";
    QTest::newRow("png without its end chunk")
        << png.chopped(12) << false << "the picture is damaged";
    QTest::newRow("text file") << QByteArray("shopping list: eggs, flour") << false
                               << "not a picture, or of a kind that cannot be read";
    QTest::newRow("empty file") << QByteArray("") << false << "the file is empty, not a picture";
    // SVG drawings are refused unread, whatever they hold: text would look up fonts (fatal without
    // a GUI) and an image element would pull in a local file.
    const QString svg = QStringLiteral("not a supported photo format (an SVG drawing)");
    QTest::newRow("svg with text")
        << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\">"
                      "<text x=\"10\" y=\"50\">hi</text></svg>")
        << false << svg;
    QTest::newRow("svg linking a local picture")
        << QByteArray("<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
                      "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"64\" height=\"64\">"
                      "<image xlink:href=\"photo.png\" href=\"photo.png\" "
                      "width=\"64\" height=\"64\"/></svg>")
        << false << svg;
    QTest::newRow("svg drawing") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" "
                                               "width=\"8\" height=\"8\"><rect width=\"8\" "
                                               "height=\"8\" fill=\"red\"/></svg>")
                                 << false << svg;
    QTest::newRow("png header claiming 30000 x 30000")
        << pngClaimingSize(30000, 30000) << false
        << "the picture is too large (30000 x 30000 pixels; at most 100 megapixels, a limit that "
           "drawlume-render's --max-megapixels and the setting max_megapixels raise)";
}

void TestPictureIo::readingTellsWhatIsWrong()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, loads);
    QFETCH(QString, said);

    const QString file = path(QStringLiteral("read-%1").arg(++m_reads));
    QVERIFY(writeAll(file, contents));
    const QImage before = samplePicture(4, 4);
    QImage image = before;
    QByteArray bytes("left over");
    QString error;
    QString warning = QStringLiteral("left over");
    QCOMPARE(loadPictureFile(file, image, &bytes, &error, &warning), loads);
    if (loads) {
        QCOMPARE(warning, said);
        QCOMPARE(image.size(), QSize(160, 120));
        QVERIFY(bytes == contents);
    } else {
        QVERIFY2(error.startsWith(said), qPrintable(error));
        QCOMPARE(warning, QString());
        QCOMPARE(image, before);
        QCOMPARE(bytes, QByteArray("left over"));
    }

    // The same from memory, and through loadPicture.
    QImage fromMemory;
    QString memoryError;
    QString memoryWarning = QStringLiteral("left over");
    QCOMPARE(decodePicture(contents, fromMemory, &memoryError, &memoryWarning), loads);
    QCOMPARE(memoryWarning, loads ? said : QString());
    QCOMPARE(memoryError, error);
    QCOMPARE(fromMemory, loads ? image : QImage());
    QImage loaded;
    QString loadError;
    QCOMPARE(loadPicture(file, loaded, &loadError), loads);
    QCOMPARE(loadError, error);
    QCOMPARE(loaded, fromMemory);
}

void TestPictureIo::unreadableFileIsRefused()
{
    QVERIFY(samplePicture().save(path("secret.png")));
    QImage image;
    QString error;
    QVERIFY(!loadPicture(m_dir.path(), image, &error));
    QVERIFY2(error.contains("directory"), qPrintable(error));

    // A pipe nobody writes to is refused at once instead of waited on for ever, and so is a link
    // to it; a link to a picture reads the picture.
    QVERIFY(mkfifo(QFile::encodeName(path("pipe.png")).constData(), 0600) == 0);
    QVERIFY(QFile::link(path("pipe.png"), path("to-pipe.jpg")));
    QVERIFY(QFile::link(path("secret.png"), path("to-secret.png")));
    for (const char* name : {"pipe.png", "to-pipe.jpg"}) {
        QVERIFY(!loadPicture(path(name), image, &error));
        QCOMPARE(error, QStringLiteral("not a regular file"));
    }
    QVERIFY2(loadPicture(path("to-secret.png"), image, &error), qPrintable(error));

    if (geteuid() == 0)
        QSKIP("running as root: file permissions do not stop root from reading");
    QVERIFY(QFile::setPermissions(path("secret.png"), QFileDevice::WriteOwner));
    const bool loaded = loadPicture(path("secret.png"), image, &error);
    QFile::setPermissions(path("secret.png"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(!loaded);
    QVERIFY2(error.contains("Permission denied", Qt::CaseInsensitive), qPrintable(error));
}

void TestPictureIo::failedLoadLeavesImageAlone()
{
    QVERIFY(writeAll(path("junk.png"), "junk junk junk junk"));
    QImage image = samplePicture(8, 8);
    const QImage before = image;
    QVERIFY(!loadPicture(path("junk.png"), image));
    QCOMPARE(image, before);
}

void TestPictureIo::tooLargePictureIsRefused_data()
{
    QTest::addColumn<int>("limit"); // megapixels, as set
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("tooLarge");
    QTest::addColumn<int>("allocationLimit"); // at least this many MB for the decoders

    QTest::newRow("20000 x 20000") << 100 << 20000 << 20000 << true << 1024;
    QTest::newRow("10000 x 10001") << 100 << 10000 << 10001 << true << 1024;
    // Below the limit the size is admitted; the file then fails as damaged (it holds 4 pixels).
    QTest::newRow("4000 x 3000") << 100 << 4000 << 3000 << false << 1024;
    // A raised limit admits 200 megapixels, and the decoders may allocate it at 16 bits.
    QTest::newRow("20000 x 10000, limit 250") << 250 << 20000 << 10000 << false << 2000;
    QTest::newRow("20000 x 10000, limit 199") << 199 << 20000 << 10000 << true << 1592;
    QTest::newRow("1001 x 1000, limit 1") << 1 << 1001 << 1000 << true << 1024;
    // Out of range: clamped to 1..1000.
    QTest::newRow("1001 x 1000, limit 0") << 0 << 1001 << 1000 << true << 1024;
    QTest::newRow("40000 x 25001, limit 5000") << 5000 << 40000 << 25001 << true << 8000;
}

void TestPictureIo::tooLargePictureIsRefused()
{
    QFETCH(int, limit);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, tooLarge);
    QFETCH(int, allocationLimit);

    const QByteArray bytes = pngClaimingSize(width, height);
    QCOMPARE(bytes.mid(12, 4), QByteArray("IHDR"));
    QVERIFY(writeAll(path("huge.png"), bytes));

    setMaximumPictureMegapixels(limit);
    const int clamped = maximumPictureMegapixels();
    QImage image;
    QString error;
    const bool loaded = loadPicture(path("huge.png"), image, &error);
    const int allocation = QImageReader::allocationLimit();
    setMaximumPictureMegapixels(kDefaultMaximumMegapixels);
    QVERIFY(!loaded);
    QCOMPARE(clamped, std::clamp(limit, 1, 1000));
    const QString expected =
        QStringLiteral("the picture is too large (%1 x %2 pixels; at most %3 megapixels, a limit "
                       "that drawlume-render's --max-megapixels and the setting max_megapixels "
                       "raise)")
            .arg(width)
            .arg(height)
            .arg(clamped);
    if (tooLarge)
        QCOMPARE(error, expected);
    else
        QVERIFY2(error.contains("damaged"), qPrintable(error));
    QVERIFY(allocation >= allocationLimit);
}

void TestPictureIo::allocationLimitAdmitsLargePhotos()
{
    QVERIFY(samplePicture().save(path("small.png")));
    QImage image;
    QVERIFY(loadPicture(path("small.png"), image));
    // 100 megapixels as 16-bit RGBA.
    QVERIFY(QImageReader::allocationLimit() >= 800);
}

void TestPictureIo::writableSuffixes_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("writable");

    QTest::newRow("png") << "png" << true;
    QTest::newRow("upper-case JPG") << "JPG" << true;
    QTest::newRow("leading dot") << ".jpeg" << true;
    QTest::newRow("bmp") << "bmp" << true;
    QTest::newRow("tif") << "tif" << true;
    QTest::newRow("tiff") << "tiff" << true;
    QTest::newRow("avif") << "avif" << canWriteAvif();
    QTest::newRow("jxl") << "JXL" << true;
    QTest::newRow("heic (read only)") << "heic" << false;
    QTest::newRow("text") << "txt" << false;
    QTest::newRow("gif (read only)") << "gif" << false;
    QTest::newRow("empty") << "" << false;
}

void TestPictureIo::writableSuffixes()
{
    QFETCH(QString, suffix);
    QFETCH(bool, writable);
    QCOMPARE(isWritablePictureSuffix(suffix), writable);

    const QStringList all = writablePictureSuffixes();
    QString plain = suffix.toLower();
    if (plain.startsWith('.'))
        plain.remove(0, 1);
    QCOMPARE(all.contains(plain), writable);
    QCOMPARE(all.first(), pictureFormats().constFirst().writtenSuffix());
}

void TestPictureIo::artworkResolutionIsThePhotoFiles_data()
{
    QTest::addColumn<QByteArray>("format"); // of a photo written at 200 ppi; empty: no file
    QTest::addColumn<QString>("change");    // "unstated": no pHYs, JFIF unit 0; "exif": 300 ppi
    QTest::addColumn<int>("expected");      // the artwork's dots per metre

    QTest::newRow("png") << QByteArray("png") << "" << 7874;
    QTest::newRow("png without pHYs") << QByteArray("png") << "unstated" << 3937;
    QTest::newRow("jpeg") << QByteArray("jpeg") << "" << 7874;
    QTest::newRow("jpeg, JFIF without unit") << QByteArray("jpeg") << "unstated" << 3937;
    QTest::newRow("jpeg, JFIF without unit, EXIF") << QByteArray("jpeg") << "exif" << 11811;
    QTest::newRow("tiff") << QByteArray("tiff") << "" << 7874;
    QTest::newRow("bmp") << QByteArray("bmp") << "" << 7874;
    QTest::newRow("webp") << QByteArray("webp") << "" << 3937;
    QTest::newRow("no file") << QByteArray() << "" << 3937;
}

void TestPictureIo::artworkResolutionIsThePhotoFiles()
{
    QFETCH(QByteArray, format);
    QFETCH(QString, change);
    QFETCH(int, expected);
    if (!format.isEmpty() && !QImageWriter::supportedImageFormats().contains(format))
        QSKIP("no writer for the format");
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(Qt::gray);
    photo.setDotsPerMeterX(7874);
    photo.setDotsPerMeterY(7874);
    QByteArray file;
    QBuffer buffer(&file);
    QVERIFY(format.isEmpty() || (buffer.open(QIODevice::WriteOnly) && photo.save(&buffer, format)));
    if (!change.isEmpty() && format == "png")
        file.remove(file.indexOf("pHYs") - 4, 21);
    else if (!change.isEmpty())
        file[13] = 0;
    if (change == "exif") {
        Exiv2::ExifData exif;
        exif["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
        exif["Exif.Image.YResolution"] = Exiv2::URational(300, 1);
        file = withExif(file, exif);
    }
    QImage artwork(4, 4, QImage::Format_RGB32);
    setArtworkResolution(artwork, file);
    QCOMPARE(artwork.dotsPerMeterX(), expected);
    QCOMPARE(artwork.dotsPerMeterY(), expected);
}

QTEST_GUILESS_MAIN(TestPictureIo)
#include "test_picture_io.moc"
