#include "core/raster/execution.h"
#include "document/picture_io.h"
#include "document/png_deflate.h"
#include "document/png_writer.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

namespace {

// A picture of the given format whose channels all vary (noise from a simple hash, so that the
// filters and the deflate bands have real work), with alpha as asked: "opaque" 255 everywhere,
// "partial" every value from 0 to 255.
QImage noisePicture(int width, int height, QImage::Format format, const QString& alpha)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 h = quint32(x) * 73856093u ^ quint32(y) * 19349663u;
            const int a = alpha == QLatin1String("partial") ? int((h >> 3) & 255) : 255;
            row[x] = qRgba(int(h & 255), int((h >> 8) & 255) / 2 + x % 64, (x + 2 * y) & 255, a);
        }
    }
    return image.convertToFormat(format);
}

// An RGB32 picture whose pixels are all grey.
QImage greyPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 7 + y) & 255, (x * 7 + y) & 255, (x * 7 + y) & 255);
    }
    return image;
}

// A fast level, so that the tables exercise the greedy matcher; savePicture's own default for small
// pictures is zlib's default level, which savePictureWritesPng covers.
constexpr int kFastLevel = 3;

// A picture like a painting at low resolution: overlapping flat patches of colour with hard edges.
QImage paintedPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(236, 228, 210));
    for (int i = 0; i < 60; ++i) {
        const quint32 h = quint32(i + 1) * 2654435761u;
        const int x = int(h % quint32(width));
        const int y = int((h >> 8) % quint32(height));
        const QRgb colour = qRgb(int(h >> 24), int((h >> 16) & 255), int((h >> 4) & 255));
        for (int row = y; row < std::min(height, y + 5 + int(h % 31)); ++row) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(row));
            std::fill(line + x, line + std::min(width, x + 7 + int((h >> 5) % 47)), colour);
        }
    }
    return image;
}

QByteArray written(const QImage& picture, int threads, int level = kFastLevel)
{
    Execution setting;
    setting.threads = threads;
    setting.minimumParallelPixels = 0; // split even the small pictures of the tests
    const ScopedExecution mode(setting);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return writePng(picture, buffer, level) ? bytes : QByteArray();
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

struct Chunk
{
    QByteArray type;
    QByteArray data;
};

// The chunks of a PNG file, or none when the signature, a length or a checksum is wrong.
QList<Chunk> chunks(const QByteArray& file)
{
    QList<Chunk> result;
    if (!file.startsWith("\x89PNG\r\n\x1a\n"))
        return {};
    for (qsizetype pos = 8; pos < file.size();) {
        if (file.size() - pos < 12)
            return {};
        const auto* at = reinterpret_cast<const uchar*>(file.constData()) + pos;
        const qsizetype length = qFromBigEndian<quint32>(at);
        if (length > file.size() - pos - 12)
            return {};
        const QByteArray typed = file.mid(pos + 4, length + 4);
        if (qFromBigEndian<quint32>(at + 8 + length) != crc32(typed))
            return {};
        result.append({typed.left(4), typed.mid(4)});
        pos += 12 + length;
    }
    return result;
}

QByteArray chunkData(const QList<Chunk>& list, const char* type, int* count = nullptr)
{
    QByteArray data;
    int found = 0;
    for (const Chunk& c : list) {
        if (c.type == type) {
            data += c.data;
            ++found;
        }
    }
    if (count)
        *count = found;
    return data;
}

// A zlib stream decompressed by the toolkit (which checks the Adler-32), expecting `size` bytes.
QByteArray inflated(const QByteArray& stream, qsizetype size)
{
    QByteArray prefixed(4, '\0');
    qToBigEndian<quint32>(quint32(size), prefixed.data());
    return qUncompress(prefixed + stream);
}

} // namespace

class TestPngWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesWhatReadersRead_data();
    void writesWhatReadersRead();
    void metadataChunks_data();
    void metadataChunks();
    void savePictureWritesPng_data();
    void savePictureWritesPng();
    void failedWriteTellsWhy();
};

void TestPngWriter::writesWhatReadersRead_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("colourType"); // in the IHDR chunk: 0 grey, 2 RGB, 6 RGBA
    QTest::addColumn<int>("level");

    const auto opaque = QStringLiteral("opaque");
    const auto partial = QStringLiteral("partial");
    const int fast = kFastLevel;
    QTest::newRow("RGB32") << noisePicture(64, 48, QImage::Format_RGB32, opaque) << 2 << fast;
    QTest::newRow("ARGB32 all opaque")
        << noisePicture(64, 48, QImage::Format_ARGB32, opaque) << 2 << fast;
    QTest::newRow("ARGB32 partial alpha")
        << noisePicture(64, 48, QImage::Format_ARGB32, partial) << 6 << fast;
    QTest::newRow("premultiplied partial alpha")
        << noisePicture(64, 48, QImage::Format_ARGB32_Premultiplied, partial) << 6 << fast;
    QTest::newRow("RGBA8888 partial alpha")
        << noisePicture(31, 5, QImage::Format_RGBA8888, partial) << 6 << fast;
    QTest::newRow("RGB888") << noisePicture(31, 5, QImage::Format_RGB888, opaque) << 2 << fast;
    QTest::newRow("grey RGB32") << greyPicture(33, 20) << 0 << fast;
    QTest::newRow("Grayscale8") << greyPicture(33, 20).convertToFormat(QImage::Format_Grayscale8)
                                << 0 << fast;
    QImage red(1, 1, QImage::Format_RGB32);
    red.fill(qRgb(200, 10, 30));
    QTest::newRow("1x1 RGB") << red << 2 << fast;
    QTest::newRow("1x1 RGBA") << noisePicture(1, 1, QImage::Format_ARGB32, partial) << 6 << fast;
    QTest::newRow("1x9 RGB") << noisePicture(1, 9, QImage::Format_RGB32, opaque) << 2 << fast;
    QTest::newRow("9x1 RGBA") << noisePicture(9, 1, QImage::Format_ARGB32, partial) << 6 << fast;
    QTest::newRow("1x9 grey") << greyPicture(1, 9) << 0 << fast;
    QTest::newRow("odd width RGB")
        << noisePicture(257, 13, QImage::Format_RGB32, opaque) << 2 << fast;
    QTest::newRow("odd width RGBA")
        << noisePicture(101, 17, QImage::Format_ARGB32, partial) << 6 << fast;
    // Several deflate bands, joined into one stream.
    QTest::newRow("many bands RGB")
        << noisePicture(701, 800, QImage::Format_RGB32, opaque) << 2 << fast;
    QTest::newRow("many bands RGBA")
        << noisePicture(499, 700, QImage::Format_ARGB32, partial) << 6 << fast;
    QTest::newRow("many bands level 0")
        << noisePicture(701, 800, QImage::Format_RGB32, opaque) << 2 << 0;
    QTest::newRow("many bands level 9")
        << noisePicture(301, 900, QImage::Format_ARGB32, partial) << 6 << 9;
}

void TestPngWriter::writesWhatReadersRead()
{
    QFETCH(QImage, picture);
    QFETCH(int, colourType);
    QFETCH(int, level);

    const QByteArray file = written(picture, 1, level);
    QVERIFY(!file.isEmpty());
    // The same bytes whatever the thread count.
    QCOMPARE(written(picture, 2, level), file);
    QCOMPARE(written(picture, 3, level), file);

    const QList<Chunk> list = chunks(file);
    QVERIFY(!list.isEmpty());
    QCOMPARE(list.first().type, QByteArray("IHDR"));
    QCOMPARE(list.last().type, QByteArray("IEND"));
    const QByteArray header = list.first().data;
    QCOMPARE(qFromBigEndian<quint32>(header.constData()), quint32(picture.width()));
    QCOMPARE(qFromBigEndian<quint32>(header.constData() + 4), quint32(picture.height()));
    QCOMPARE(int(header[8]), 8);
    QCOMPARE(int(header[9]), colourType);

    // The IDAT chunks hold one zlib stream: every row, each led by a filter type 0..4.
    const int channels = colourType == 6 ? 4 : colourType == 2 ? 3 : 1;
    const qsizetype lineBytes = qsizetype(picture.width()) * channels + 1;
    const QByteArray rows = inflated(chunkData(list, "IDAT"), lineBytes * picture.height());
    QCOMPARE(rows.size(), lineBytes * picture.height());
    for (int y = 0; y < picture.height(); ++y)
        QVERIFY(quint8(rows[y * lineBytes]) <= 4);

    // The toolkit's reader gives back every pixel, not premultiplied.
    QImage loaded;
    QVERIFY(loaded.loadFromData(file, "png"));
    const QImage::Format compared = colourType == 6 ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    QCOMPARE(loaded.convertToFormat(compared), picture.convertToFormat(compared));
}

void TestPngWriter::metadataChunks_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QByteArray>("profileName"); // empty: no iCCP chunk

    const QImage plain = noisePicture(16, 8, QImage::Format_RGB32, QStringLiteral("opaque"));
    QTest::newRow("no colour space") << plain << QByteArray();
    QImage p3 = plain;
    p3.setColorSpace(QColorSpace::DisplayP3);
    QTest::newRow("Display P3") << p3 << QByteArray("Display P3");
    QImage grey = greyPicture(16, 8);
    grey.setColorSpace(QColorSpace::SRgb);
    QTest::newRow("grey pixels in sRGB") << grey << QByteArray("sRGB");
    QImage translucent = noisePicture(16, 8, QImage::Format_ARGB32, QStringLiteral("partial"));
    translucent.setColorSpace(QColorSpace::AdobeRgb);
    translucent.setDotsPerMeterX(11811);
    translucent.setDotsPerMeterY(5906);
    translucent.setText(QStringLiteral("Title"), QStringLiteral("short"));
    translucent.setText(QStringLiteral("Comment"), QString(300, QLatin1Char('w')));
    translucent.setText(QStringLiteral("Author"), QStringLiteral("Zoë ☺"));
    QTest::newRow("Adobe RGB with texts") << translucent << QByteArray("Adobe RGB");
}

void TestPngWriter::metadataChunks()
{
    QFETCH(QImage, picture);
    QFETCH(QByteArray, profileName);

    const QByteArray file = written(picture, 2);
    const QList<Chunk> list = chunks(file);
    QVERIFY(!list.isEmpty());

    int profiles = 0;
    const QByteArray iccp = chunkData(list, "iCCP", &profiles);
    QCOMPARE(profiles, profileName.isEmpty() ? 0 : 1);
    if (!profileName.isEmpty()) {
        // Name, a zero, compression method 0, the zlib-compressed profile.
        QVERIFY(iccp.startsWith(profileName + '\0' + '\0'));
        const QByteArray profile = picture.colorSpace().iccProfile();
        QCOMPARE(inflated(iccp.mid(profileName.size() + 2), profile.size()), profile);
        QCOMPARE(int(chunkData(list, "IHDR")[9]), picture.hasAlphaChannel() ? 6 : 2);
    }

    QByteArray resolution(9, '\0');
    qToBigEndian<quint32>(quint32(picture.dotsPerMeterX()), resolution.data());
    qToBigEndian<quint32>(quint32(picture.dotsPerMeterY()), resolution.data() + 4);
    resolution[8] = 1;
    QCOMPARE(chunkData(list, "pHYs"), resolution);

    QImage loaded;
    QVERIFY(loaded.loadFromData(file, "png"));
    QCOMPARE(loaded.colorSpace().isValid(), picture.colorSpace().isValid());
    if (picture.colorSpace().isValid())
        QCOMPARE(loaded.colorSpace(), picture.colorSpace());
    QCOMPARE(loaded.dotsPerMeterX(), picture.dotsPerMeterX());
    QCOMPARE(loaded.dotsPerMeterY(), picture.dotsPerMeterY());
    for (const QString& key : picture.textKeys())
        QCOMPARE(loaded.text(key), picture.text(key));
    QCOMPARE(loaded.textKeys().size(), picture.textKeys().size());
}

void TestPngWriter::savePictureWritesPng_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("bitDepth");

    const QImage colour = noisePicture(90, 70, QImage::Format_ARGB32, QStringLiteral("partial"));
    QTest::newRow("default") << colour << -1 << 8;
    QTest::newRow("default, painted") << paintedPicture(320, 240) << -1 << 8;
    QTest::newRow("writer's default") << colour << kWriterDefaultQuality << 8;
    QTest::newRow("quality 0, the strongest compression") << colour << 0 << 8;
    QTest::newRow("quality 100, no compression") << colour << 100 << 8;
    // 16 bits per channel stay with the toolkit's writer, which keeps them.
    QTest::newRow("16-bit") << colour.convertToFormat(QImage::Format_RGBA64) << -1 << 16;
}

void TestPngWriter::savePictureWritesPng()
{
    QFETCH(QImage, picture);
    QFETCH(int, quality);
    QFETCH(int, bitDepth);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.png"));
    QVERIFY(writeAll(path, "an older file that is replaced"));
    QString error;
    QVERIFY2(savePicture(picture, path, quality, &error), qPrintable(error));
    const QByteArray file = readAll(path);
    const QList<Chunk> list = chunks(file);
    QVERIFY(!list.isEmpty());
    QCOMPARE(int(chunkData(list, "IHDR")[8]), bitDepth);
    QImage loaded;
    QVERIFY(loadPicture(path, loaded, &error));
    QCOMPARE(loaded.convertToFormat(QImage::Format_ARGB32),
             picture.convertToFormat(QImage::Format_ARGB32));

    // At the default the files are no larger than the toolkit's writer makes them at its own.
    if (quality == -1) {
        QByteArray toolkit;
        QBuffer buffer(&toolkit);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(QImageWriter(&buffer, "png").write(picture));
        QVERIFY2(
            file.size() <= toolkit.size(),
            qPrintable(
                QStringLiteral("%1 bytes, the toolkit's %2").arg(file.size()).arg(toolkit.size())));
    }
}

void TestPngWriter::failedWriteTellsWhy()
{
    // A device that takes no bytes: the writer gives up with the device's reason.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): ReadOnly device");
    QVERIFY(!writePng(noisePicture(8, 8, QImage::Format_RGB32, QStringLiteral("opaque")), buffer,
                      kFastLevel, &error));
    QVERIFY(!error.isEmpty());
    // A palette picture is left to the toolkit's writer.
    QVERIFY(!canWritePng(QImage(4, 4, QImage::Format_Indexed8)));
    QVERIFY(!writePng(QImage(4, 4, QImage::Format_Indexed8), buffer, 2, &error));
}

QTEST_GUILESS_MAIN(TestPngWriter)
#include "test_png_writer.moc"
