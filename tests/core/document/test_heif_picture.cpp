#include "document/heif_picture.h"
#include "document/picture_io.h"
#include "support/heif_files.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QColorSpace>
#include <QTemporaryDir>
#include <QTransform>
#include <QtEndian>
#include <QtTest>

Q_DECLARE_METATYPE(heif_compression_format)
Q_DECLARE_METATYPE(heif_orientation)

namespace {

// 64 x 48 in four quadrants of distinct colours (red, green / blue, yellow) with a soft
// gradient, so that a turned or mirrored picture differs from the original everywhere.
QImage quadrantPicture(bool withAlpha = false)
{
    QImage image(64, 48, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const bool right = x >= 32;
            const bool bottom = y >= 24;
            const int shade = (x + y) / 4;
            const QRgb base = bottom ? (right ? qRgb(220, 210, 30) : qRgb(30, 40, 220))
                                     : (right ? qRgb(30, 200, 40) : qRgb(220, 30, 30));
            const int alpha = withAlpha ? (bottom ? 90 : 255) : 255;
            row[x] = qRgba(qBound(0, qRed(base) + shade, 255), qBound(0, qGreen(base) - shade, 255),
                           qBound(0, qBlue(base) + shade, 255), alpha);
        }
    }
    return image;
}

// The pixels to store so that a reader turning them by orientation shows upright.
QImage storedFor(const QImage& upright, heif_orientation orientation)
{
    const auto turned = [](const QImage& image, int degrees) {
        return image.transformed(QTransform().rotate(degrees));
    };
    switch (orientation) {
    case heif_orientation_flip_horizontally:
        return upright.mirrored(true, false);
    case heif_orientation_rotate_180:
        return upright.mirrored(true, true);
    case heif_orientation_flip_vertically:
        return upright.mirrored(false, true);
    case heif_orientation_rotate_90_cw_then_flip_horizontally:
        return turned(upright.mirrored(true, false), -90);
    case heif_orientation_rotate_90_cw:
        return turned(upright, -90);
    case heif_orientation_rotate_90_cw_then_flip_vertically:
        return turned(upright.mirrored(false, true), -90);
    case heif_orientation_rotate_270_cw:
        return turned(upright, 90);
    default:
        return upright;
    }
}

// Mean difference per channel (alpha included) of two pictures of one size.
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum +=
                std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
                std::abs(qBlue(p[col]) - qBlue(q[col])) + std::abs(qAlpha(p[col]) - qAlpha(q[col]));
    }
    return double(sum) / (4.0 * x.width() * x.height());
}

QByteArray jpegOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB32).save(&buffer, "jpeg", 95);
    return bytes;
}

// bytes with the width and height of every 'ispe' box (the stored picture's size) set to those
// given; the coded pixels stay as they were.
QByteArray claimingSize(QByteArray bytes, quint32 width, quint32 height)
{
    for (qsizetype at = bytes.indexOf("ispe"); at >= 0; at = bytes.indexOf("ispe", at + 4)) {
        // "ispe", version and flags (4), width (4), height (4).
        qToBigEndian<quint32>(width, bytes.data() + at + 8);
        qToBigEndian<quint32>(height, bytes.data() + at + 12);
    }
    return bytes;
}

QByteArray ftyp(const QByteArray& brands, qint32 size = -1)
{
    QByteArray box(4, '\0');
    qToBigEndian<qint32>(size < 0 ? qint32(8 + brands.size()) : size, box.data());
    return box + "ftyp" + brands;
}

} // namespace

class TestHeifPicture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void recognisedByContent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("heif");
        const QByteArray zero("\0\0\0\0", 4);
        QTest::newRow("heic") << ftyp("heic" + zero + "mif1heic") << true;
        QTest::newRow("heix") << ftyp("heix" + zero + "mif1") << true;
        QTest::newRow("avif") << ftyp("avif" + zero + "mif1miaf") << true;
        QTest::newRow("avif sequence") << ftyp("avis" + zero + "msf1") << true;
        QTest::newRow("mif1 first, heic compatible") << ftyp("mif1" + zero + "heic") << true;
        QTest::newRow("other major brand, avif compatible")
            << ftyp("isom" + zero + "mp41avif") << true;
        QTest::newRow("mp4 video") << ftyp("isom" + zero + "isomiso2mp41") << false;
        QTest::newRow("brand past the end of the box")
            << ftyp("isom" + zero + "mp41", 16) + "heic" << false;
        QTest::newRow("box too short") << ftyp("heic" + zero, 8) << false;
        QTest::newRow("header only") << ftyp("hei") << false;
        QTest::newRow("jpeg") << jpegOf(quadrantPicture()) << false;
        QTest::newRow("text") << QByteArray("ftypheic is what a HEIC starts with") << false;
    }

    void recognisedByContent()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, heif);
        QCOMPARE(isHeifPicture(bytes), heif);
    }

    // The file opens upright, by content whatever its name, from the file and from memory.
    void opensUpright_data()
    {
        QTest::addColumn<heif_compression_format>("codec");
        QTest::addColumn<heif_orientation>("orientation");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<QString>("name");

        const heif_compression_format hevc = heif_compression_HEVC;
        const heif_compression_format av1 = heif_compression_AV1;
        QTest::newRow("heic") << hevc << heif_orientation_normal << 8 << false << "a.heic";
        QTest::newRow("heic turned a quarter clockwise")
            << hevc << heif_orientation_rotate_90_cw << 8 << false << "b.HEIC";
        QTest::newRow("heic turned three quarters")
            << hevc << heif_orientation_rotate_270_cw << 8 << false << "c.heif";
        QTest::newRow("heic upside down")
            << hevc << heif_orientation_rotate_180 << 8 << false << "d.heic";
        QTest::newRow("heic mirrored")
            << hevc << heif_orientation_flip_horizontally << 8 << false << "e.heic";
        QTest::newRow("heic flipped")
            << hevc << heif_orientation_flip_vertically << 8 << false << "f.heic";
        QTest::newRow("heic turned and mirrored")
            << hevc << heif_orientation_rotate_90_cw_then_flip_horizontally << 8 << false
            << "g.heic";
        QTest::newRow("heic turned and flipped")
            << hevc << heif_orientation_rotate_90_cw_then_flip_vertically << 8 << false << "h.heic";
        QTest::newRow("heic named .jpg")
            << hevc << heif_orientation_rotate_90_cw << 8 << false << "phone.jpg";
        QTest::newRow("heic without suffix")
            << hevc << heif_orientation_normal << 8 << false << "photo";
        QTest::newRow("10-bit heic")
            << hevc << heif_orientation_rotate_90_cw << 10 << false << "deep.heic";
        QTest::newRow("12-bit heic")
            << hevc << heif_orientation_normal << 12 << false << "deeper.heic";
        QTest::newRow("heic with alpha")
            << hevc << heif_orientation_normal << 8 << true << "alpha.heic";
        QTest::newRow("avif") << av1 << heif_orientation_normal << 8 << false << "a.avif";
        QTest::newRow("avif turned a quarter clockwise")
            << av1 << heif_orientation_rotate_90_cw << 8 << false << "b.avif";
        QTest::newRow("avif mirrored")
            << av1 << heif_orientation_flip_horizontally << 8 << false << "c.avif";
        QTest::newRow("avif with alpha")
            << av1 << heif_orientation_rotate_180 << 8 << true << "alpha.avif";
        QTest::newRow("avif named .png")
            << av1 << heif_orientation_normal << 8 << false << "photo.png";
    }

    void opensUpright()
    {
        QFETCH(heif_compression_format, codec);
        QFETCH(heif_orientation, orientation);
        QFETCH(int, bits);
        QFETCH(bool, alpha);
        QFETCH(QString, name);
        if (!canEncodeHeif(codec))
            QSKIP("libheif has no encoder and decoder for this codec here");

        const QImage upright = quadrantPicture(alpha);
        HeifEncoding how;
        how.codec = codec;
        how.orientation = orientation;
        how.bits = bits;
        how.alpha = alpha;
        const QByteArray bytes = encodeHeif(storedFor(upright, orientation), how);
        QVERIFY(!bytes.isEmpty());
        QVERIFY(bytes.size() < 20000);
        const QString file = m_dir.filePath(name);
        QVERIFY(writeAll(file, bytes));

        QImage image;
        QByteArray fileBytes;
        QString error;
        QString warning = QStringLiteral("left over");
        QVERIFY2(loadPictureFile(file, image, &fileBytes, &error, &warning), qPrintable(error));
        QCOMPARE(warning, QString());
        QVERIFY(fileBytes == bytes);
        QCOMPARE(image.size(), upright.size());
        QCOMPARE(image.hasAlphaChannel(), alpha);
        const double difference = meanDifference(image, upright);
        QVERIFY2(difference < 6.0, qPrintable(QStringLiteral("difference %1").arg(difference)));

        // From memory (a document holding the file's bytes) the picture is the same.
        QImage fromMemory;
        QVERIFY2(decodePicture(bytes, fromMemory, &error), qPrintable(error));
        QCOMPARE(fromMemory, image);
    }

    void jpegNamedHeicOpensAsJpeg()
    {
        const QImage picture = quadrantPicture();
        const QString file = m_dir.filePath("not-really.heic");
        QVERIFY(writeAll(file, jpegOf(picture)));
        QImage image;
        QString error;
        QVERIFY2(loadPicture(file, image, &error), qPrintable(error));
        QCOMPARE(image.size(), picture.size());
        QVERIFY(meanDifference(image, picture) < 4.0);
    }

    void colourProfileTagsThePicture_data()
    {
        QTest::addColumn<heif_compression_format>("codec");
        QTest::addColumn<QByteArray>("icc");
        QTest::addColumn<int>("primaries");
        QTest::addColumn<int>("transfer");
        QTest::addColumn<QColorSpace>("expected"); // compared when valid
        QTest::addColumn<double>("midGrey");       // linear light of coded 0.5; below 0: untagged

        const QColorSpace bt2020Linear(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292),
                                       QPointF(0.170, 0.797), QPointF(0.131, 0.046),
                                       QColorSpace::TransferFunction::Linear);
        const QColorSpace srgbGamma22(QColorSpace::Primaries::SRgb,
                                      QColorSpace::TransferFunction::Gamma, 2.2f);
        const QColorSpace adobeRgb(QColorSpace::AdobeRgb);
        const QByteArray adobe = adobeRgb.iccProfile();
        const QByteArray none;
        const double srgbGrey = std::pow((0.5 + 0.055) / 1.055, 2.4);
        const double bt709Grey = std::pow((0.5 + 0.099) / 1.099, 1 / 0.45);
        const double adobeGrey = std::pow(0.5, 563 / 256.0);
        const heif_compression_format hevc = heif_compression_HEVC;
        const heif_compression_format av1 = heif_compression_AV1;
        QTest::newRow("heic ICC profile") << hevc << adobe << 0 << 0 << adobeRgb << adobeGrey;
        QTest::newRow("avif ICC profile") << av1 << adobe << 0 << 0 << adobeRgb << adobeGrey;
        QTest::newRow("heic ICC profile and an nclx one")
            << hevc << adobe << 12 << 13 << adobeRgb << adobeGrey;
        QTest::newRow("avif ICC profile and an nclx one")
            << av1 << adobe << 12 << 13 << adobeRgb << adobeGrey;
        // libheif writes a HEIC's nclx description into the coded stream only, where it does not
        // read it back; an AVIF gets a box of its own.
        QTest::newRow("nclx sRGB")
            << av1 << none << 1 << 13 << QColorSpace(QColorSpace::SRgb) << srgbGrey;
        QTest::newRow("nclx Display P3")
            << av1 << none << 12 << 13 << QColorSpace(QColorSpace::DisplayP3) << srgbGrey;
        QTest::newRow("nclx linear sRGB")
            << av1 << none << 1 << 8 << QColorSpace(QColorSpace::SRgbLinear) << 0.5;
        QTest::newRow("nclx BT.2020 linear") << av1 << none << 9 << 8 << bt2020Linear << 0.5;
        QTest::newRow("nclx gamma 2.2")
            << av1 << none << 1 << 4 << srgbGamma22 << std::pow(0.5, 2.2);
        QTest::newRow("nclx BT.709 curve") << av1 << none << 1 << 1 << QColorSpace() << bt709Grey;
        QTest::newRow("nclx BT.601 curve") << av1 << none << 1 << 6 << QColorSpace() << bt709Grey;
        QTest::newRow("nclx PQ: untagged") << av1 << none << 9 << 16 << QColorSpace() << -1.0;
        QTest::newRow("nclx unspecified: untagged")
            << av1 << none << 2 << 2 << QColorSpace() << -1.0;
        QTest::newRow("nclx film primaries: untagged")
            << av1 << none << 8 << 13 << QColorSpace() << -1.0;
    }

    void colourProfileTagsThePicture()
    {
        QFETCH(heif_compression_format, codec);
        QFETCH(QByteArray, icc);
        QFETCH(int, primaries);
        QFETCH(int, transfer);
        QFETCH(QColorSpace, expected);
        QFETCH(double, midGrey);
        if (!canEncodeHeif(codec))
            QSKIP("libheif has no encoder and decoder for this codec here");

        HeifEncoding how;
        how.codec = codec;
        how.icc = icc;
        how.primaries = primaries;
        how.transfer = transfer;
        const QByteArray bytes = encodeHeif(quadrantPicture(), how);
        QVERIFY(!bytes.isEmpty());
        QImage image;
        QString error;
        QVERIFY2(decodePicture(bytes, image, &error), qPrintable(error));
        const QColorSpace space = image.colorSpace();
        QCOMPARE(space.isValid(), midGrey >= 0);
        if (expected.isValid())
            QVERIFY2(space == expected, qPrintable(space.description()));
        if (midGrey >= 0) {
            // Grey stays grey (every space here has the D65 white); its light tells the curve.
            const QColor linear = space.transformationToColorSpace(QColorSpace::SRgbLinear)
                                      .map(QColor::fromRgbF(0.5f, 0.5f, 0.5f));
            QVERIFY2(
                std::abs(linear.redF() - midGrey) < 0.004,
                qPrintable(QStringLiteral("%1 instead of %2").arg(linear.redF()).arg(midGrey)));
        }
    }

    void damagedFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason"); // the start of the reason

        if (!canEncodeHeif(heif_compression_HEVC))
            QSKIP("libheif cannot encode HEIC here");
        const QByteArray heic = encodeHeif(quadrantPicture(), HeifEncoding());
        QVERIFY(!heic.isEmpty());
        const QString damaged = QStringLiteral("the picture is damaged (");
        const QString tooLarge =
            QStringLiteral("the picture is too large (%1 x %2 pixels; at most 100 megapixels, a "
                           "limit that drawlume-render's --max-megapixels and the setting "
                           "max_megapixels raise)");
        QTest::newRow("cut in half") << heic.left(heic.size() / 2) << damaged;
        QTest::newRow("cut after its boxes, no pixels")
            << heic.left(heic.indexOf("mdat")) << damaged;
        QTest::newRow("file-type box only") << heic.left(heic.indexOf("meta") - 4) << damaged;
        QTest::newRow("file-type box and noise")
            << ftyp(QByteArray("heic\0\0\0\0mif1", 12)) + QByteArray(300, '\x5A') << damaged;
        QTest::newRow("20000 x 20000 claimed")
            << claimingSize(heic, 20000, 20000) << tooLarge.arg(20000).arg(20000);
        QTest::newRow("10000 x 10001 claimed")
            << claimingSize(heic, 10000, 10001) << tooLarge.arg(10000).arg(10001);
        // A size beyond libheif's own limits, which it refuses without telling the size.
        QTest::newRow("65535 x 65535 claimed")
            << claimingSize(heic, 65535, 65535) << tooLarge.arg(65535).arg(65535);
        // Below the limit the size is admitted; the coded pixels do not fill it.
        QTest::newRow("4000 x 3000 claimed") << claimingSize(heic, 4000, 3000) << damaged;
    }

    void damagedFileIsRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);

        const QString file = m_dir.filePath(QStringLiteral("damaged-%1.heic").arg(++m_files));
        QVERIFY(writeAll(file, bytes));
        const QImage before = quadrantPicture();
        QImage image = before;
        QByteArray fileBytes("left over");
        QString error;
        QVERIFY(!loadPictureFile(file, image, &fileBytes, &error));
        QVERIFY2(error.startsWith(reason), qPrintable(error));
        QVERIFY2(!error.contains('\n') && error == error.trimmed(), qPrintable(error));
        if (reason.endsWith('(')) // libheif's reason follows
            QVERIFY2(error.size() > reason.size() + 1, qPrintable(error));
        QCOMPARE(image, before);
        QCOMPARE(fileBytes, QByteArray("left over"));

        QString memoryError;
        QVERIFY(!decodePicture(bytes, image, &memoryError));
        QCOMPARE(memoryError, error);
        QCOMPARE(image, before);
    }

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

QTEST_GUILESS_MAIN(TestHeifPicture)
#include "test_heif_picture.moc"
