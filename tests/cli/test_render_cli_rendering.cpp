// drawlume-render turning pictures into drawings: single pictures and batches,
// output formats, what it reports while it works, and the inputs and outputs it
// cannot use.

#include "core/framework/parameter_xml.h"
#include "document/document_container.h"
#include "document/picture_io.h"
#include "document/presets.h"
#include "support/colour_profiles.h"
#include "support/filter_runs.h"
#include "support/heif_files.h"
#include "support/photo_information.h"
#include "support/render_cli.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QColorSpace>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

Q_DECLARE_METATYPE(heif_compression_format)

namespace {

// The pixels alone: one format, and no colour space (QImage's == compares that too).
QImage rgb(const QImage& picture)
{
    QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    pixels.setColorSpace(QColorSpace());
    return pixels;
}

// Mean of each channel over the picture.
void meanColour(const QImage& picture, double* red, double* green, double* blue)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    double r = 0, g = 0, b = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            r += qRed(row[x]);
            g += qGreen(row[x]);
            b += qBlue(row[x]);
        }
    }
    const double n = double(image.width()) * image.height();
    *red = r / n;
    *green = g / n;
    *blue = b / n;
}

// The number of pixels whose red, green and blue are not all equal.
int colouredPixels(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p))
                ++count;
        }
    }
    return count;
}

} // namespace

class TestRenderCliRendering : public QObject, private RenderCliFixture
{
    Q_OBJECT

private slots:
    void initTestCase();

    void pencilRenderWritesPictureOfInputSize_data();
    void pencilRenderWritesPictureOfInputSize();
    void leadPencilIsGreyColouredIsNot();
    void sameCommandGivesSameBytes_data();
    void sameCommandGivesSameBytes();
    void presetGivesTheBytesOfItsValues_data();
    void presetGivesTheBytesOfItsValues();
    void batchOrderDoesNotChangeAPicture();
    void colourProfileTravelsToTheOutput_data();
    void colourProfileTravelsToTheOutput();
    void photoInformationTravelsToTheOutput_data();
    void photoInformationTravelsToTheOutput();
    void kraftPaperTintsTheDrawingBrown_data();
    void kraftPaperTintsTheDrawingBrown();
    void batchWritesIntoOutputDirectory();
    void jpegQualityOption();
    void quietAndProgress();
    void progressBarOnATerminal_data();
    void progressBarOnATerminal();
    void outputEqualToInputIsRefused_data();
    void outputEqualToInputIsRefused();
    void phonePhotosRenderUpright_data();
    void phonePhotosRenderUpright();
    void unreadableInputs_data();
    void unreadableInputs();
    void incompleteInputWarnsAndStillRenders_data();
    void incompleteInputWarnsAndStillRenders();
    void pictureLimit();
    void memoryThatCannotBeHadEndsTheRender_data();
    void memoryThatCannotBeHadEndsTheRender();
    void unwritableOutputs_data();
    void unwritableOutputs();
    void sameOutputTwiceInBatchKeepsTheFirst();
};

void TestRenderCliRendering::pencilRenderWritesPictureOfInputSize_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("outputName");

    QTest::newRow("lead pencil to png") << QStringList() << "lead.png";
    QTest::newRow("coloured pencils")
        << QStringList{"-s", "color_enabled=colored_pencils"} << "colour.png";
    QTest::newRow("choice by label")
        << QStringList{"--set", "color_enabled=Colored pencils"} << "label.png";
    QTest::newRow("full key") << QStringList{"-s", Keys::Pencil::shading + "=70"} << "full-key.png";
    QTest::newRow("filter name in lower case") << QStringList{"-f", "pencil"} << "lower.png";
    QTest::newRow("jpeg output") << QStringList{"--filter", "Pencil"} << "drawing.jpg";
    QTest::newRow("upper-case suffix") << QStringList() << "drawing.TIF";
}

void TestRenderCliRendering::pencilRenderWritesPictureOfInputSize()
{
    QFETCH(QStringList, options);
    QFETCH(QString, outputName);

    const QString output = m_dir.filePath(outputName);
    const RenderResult result = run(options + QStringList{m_photo, output});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(output));

    const QImage drawing = readPicture(output);
    QVERIFY(!drawing.isNull());
    QCOMPARE(drawing.size(), QSize(64, 48));
    // It is a drawing, not the photograph copied.
    QVERIFY(drawing.convertToFormat(QImage::Format_RGB32) !=
            photoPicture().convertToFormat(QImage::Format_RGB32));
}

void TestRenderCliRendering::leadPencilIsGreyColouredIsNot()
{
    const QString lead = m_dir.filePath("grey.png");
    const QString coloured = m_dir.filePath("coloured.png");
    QCOMPARE(run({m_photo, lead}).exitCode, 0);
    QCOMPARE(run({"-s", "color_enabled=colored_pencils", m_photo, coloured}).exitCode, 0);

    const QImage leadDrawing = readPicture(lead);
    QVERIFY(!leadDrawing.isNull());
    QCOMPARE(colouredPixels(leadDrawing), 0);
    // There is a drawing at all: some pencil strokes darker than the paper.
    QVERIFY(leadDrawing.convertToFormat(QImage::Format_Grayscale8) !=
            QImage(64, 48, QImage::Format_Grayscale8));

    const QImage colourDrawing = readPicture(coloured);
    QVERIFY(colouredPixels(colourDrawing) > 64 * 48 / 4);
}

void TestRenderCliRendering::sameCommandGivesSameBytes_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("lead pencil") << QStringList() << "png";
    QTest::newRow("coloured pencils, long strokes")
        << QStringList{"-s", "color_enabled=colored_pencils", "-s", "stroke_length=90"} << "png";
    QTest::newRow("jpeg") << QStringList{"-s", "edge_threshold=20"} << "jpg";
}

void TestRenderCliRendering::sameCommandGivesSameBytes()
{
    QFETCH(QStringList, options);
    QFETCH(QString, suffix);

    const QString first = m_dir.filePath("first." + suffix);
    const QString second = m_dir.filePath("second." + suffix);
    QCOMPARE(run(options + QStringList{m_photo, first}).exitCode, 0);
    // Any thread count paints the same.
    QCOMPARE(run(options + QStringList{"--threads", "3", m_photo, second}).exitCode, 0);
    const QByteArray bytes = readAll(first);
    QVERIFY(!bytes.isEmpty());
    QVERIFY(bytes == readAll(second));
}

void TestRenderCliRendering::initTestCase()
{
    createInputs();
    // A preset of the user's own, in a data folder of these runs.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
    FilterParameters own = *defaultParameters("Watercolor");
    own.insert(Keys::Watercolor::saturation, 100);
    own.insert(Keys::Overlay::watercolor, Keys::Overlay::contour);
    QString error;
    QVERIFY2(PresetStore().save("My wash", own, &error), qPrintable(error));
}

void TestRenderCliRendering::presetGivesTheBytesOfItsValues_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QStringList>("after"); // options after the preset

    for (const QString& filter : filterNames()) {
        for (const Preset& preset : builtInPresets(filter)) {
            QTest::newRow(qPrintable(filter + ", " + preset.name))
                << filter << preset.name << QStringList();
        }
    }
    QTest::newRow("the user's own, named in other case") << "Watercolor"
                                                         << "MY WASH" << QStringList();
    QTest::newRow("-s and --texture over a preset")
        << "Pencil"
        << "Colored sketch" << QStringList{"-s", "stroke_length=90", "--texture", "Old paper"};
}

void TestRenderCliRendering::presetGivesTheBytesOfItsValues()
{
    QFETCH(QString, filter);
    QFETCH(QString, preset);
    QFETCH(QStringList, after);

    Preset found;
    QVERIFY(PresetStore().find(filter, preset, &found));
    QStringList values;
    for (const ParameterSpec& entry : parameterTable(filter))
        values << "-s" << entry.key + "=" + found.settings.value(entry.key).toString();

    const QString directory = freshDirectory("preset");
    const RenderResult named = run(QStringList{"-f", filter, "--preset", preset} + after +
                                       QStringList{m_photo, "named.png"},
                                   directory);
    QVERIFY2(named.exitCode == 0, qPrintable(named.err));
    QCOMPARE(run(QStringList({"-f", filter}) + values + after + QStringList({m_photo, "set.png"}),
                 directory)
                 .exitCode,
             0);
    QCOMPARE(run({"-f", filter, m_photo, "defaults.png"}, directory).exitCode, 0);
    const QByteArray bytes = readAll(directory + "/named.png");
    QVERIFY(!bytes.isEmpty());
    QVERIFY(bytes == readAll(directory + "/set.png"));
    QVERIFY(bytes != readAll(directory + "/defaults.png"));
}

void TestRenderCliRendering::colourProfileTravelsToTheOutput_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("embedded");

    QTest::newRow("Display P3 PNG to PNG") << "Display P3"
                                           << "png"
                                           << "png" << true;
    QTest::newRow("Display P3 JPEG to JPEG") << "Display P3"
                                             << "jpg"
                                             << "jpg" << true;
    QTest::newRow("Display P3 JPEG to TIFF") << "Display P3"
                                             << "jpg"
                                             << "tif" << true;
    QTest::newRow("Display P3 PNG to WebP") << "Display P3"
                                            << "png"
                                            << "webp" << true;
    QTest::newRow("Adobe-like PNG to JPEG") << "Adobe-like"
                                            << "png"
                                            << "jpg" << true;
    QTest::newRow("camera profile JPEG to PNG") << "camera"
                                                << "jpg"
                                                << "png" << true;
    // BMP files carry no profile.
    QTest::newRow("Display P3 PNG to BMP") << "Display P3"
                                           << "png"
                                           << "bmp" << false;
    QTest::newRow("untagged PNG to PNG") << "none"
                                         << "png"
                                         << "png" << false;
    QTest::newRow("untagged JPEG to JPEG") << "none"
                                           << "jpg"
                                           << "jpg" << false;
}

void TestRenderCliRendering::colourProfileTravelsToTheOutput()
{
    QFETCH(QString, profile);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, embedded);

    // The photograph with the profile and without it: the same pixels.
    const QString directory = freshDirectory("profiles");
    const QString taggedInput = directory + "/tagged." + input;
    const QString plainInput = directory + "/plain." + input;
    const QImage picture = photoPicture(64, 48, 2);
    QVERIFY(tagged(picture, profile).save(taggedInput, nullptr, 95));
    QVERIFY(picture.save(plainInput, nullptr, 95));
    const QByteArray icc = testColourSpace(profile).iccProfile();
    QCOMPARE(embeddedProfile(taggedInput), icc);
    QCOMPARE(rgb(readPicture(taggedInput)), rgb(readPicture(plainInput)));

    const QString taggedOutput = directory + "/tagged-drawing." + output;
    const QString plainOutput = directory + "/plain-drawing." + output;
    const QStringList options{"-s", "color_enabled=colored_pencils"};
    QCOMPARE(run(options + QStringList{taggedInput, taggedOutput}).exitCode, 0);
    QCOMPARE(run(options + QStringList{plainInput, plainOutput}).exitCode, 0);

    // The output carries the input's profile byte for byte, and nothing else changes: the pixels
    // are those of the untagged photograph's drawing.
    QCOMPARE(embeddedProfile(taggedOutput), embedded ? icc : QByteArray());
    QVERIFY(embeddedProfile(plainOutput).isEmpty());
    const QImage drawing = readPicture(taggedOutput);
    QCOMPARE(drawing.size(), picture.size());
    QCOMPARE(rgb(drawing), rgb(readPicture(plainOutput)));
}

void TestRenderCliRendering::photoInformationTravelsToTheOutput_data()
{
    QTest::addColumn<QString>("how"); // "keep", "strip", "document" or "damaged"
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("damage"); // how the photo's EXIF is damaged ("damaged" only)

    for (const char* output : {"jpg", "png", "tif", "webp", "bmp"}) {
        QTest::addRow("kept in %s", output) << "keep" << output << QString();
        QTest::addRow("stripped from %s", output) << "strip" << output << QString();
    }
    QTest::newRow("kept through a document") << "document"
                                             << "jpg" << QString();
    for (const QString& damage : exifDamages())
        QTest::addRow("damaged EXIF: %s", qPrintable(damage)) << "damaged"
                                                              << "jpg" << damage;
}

void TestRenderCliRendering::photoInformationTravelsToTheOutput()
{
    QFETCH(QString, how);
    QFETCH(QString, output);
    QFETCH(QString, damage);

    // A phone photo taken sideways, 64 x 48 as stored, with a colour profile and the phone's
    // information.
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(tagged(photoPicture(64, 48, 2), "camera").save(&buffer, "jpeg", 95));
    QByteArray photo = withPhoneInformation(jpeg, QSize(64, 48));
    if (how == "damaged")
        photo = damagedExif(photo, damage);
    QVERIFY(!photo.isEmpty());
    const QString directory = freshDirectory("information");
    const QString input = directory + "/phone.jpg";
    QVERIFY(writeAll(input, photo));

    const QString drawing = directory + "/drawing." + output;
    QStringList arguments{input, drawing};
    if (how == "strip")
        arguments.prepend("--strip-metadata");
    if (how == "document") {
        const QString document = directory + "/phone.drawlume";
        QCOMPARE(run({input, "--save-document", document}).exitCode, 0);
        arguments = {"--document", document, drawing};
    }
    const RenderResult result = run(arguments);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    // Nothing on the terminal, whatever exiv2 thought of the photo's information, but a word on
    // what the output's format cannot carry (IPTC in WebP, everything in BMP).
    if (how != "strip" && (output == "webp" || output == "bmp"))
        QVERIFY2(result.err.contains("left out of this") && result.err.contains("IPTC") &&
                     result.err.contains("XMP") == (output == "bmp"),
                 qPrintable(result.err));
    else
        QCOMPARE(result.err, QString());
    // Upright: turned as the photo's orientation says, where a damaged block still tells it.
    const QSize size = readPicture(drawing).size();
    QVERIFY(size == QSize(48, 64) || (how == "damaged" && size == QSize(64, 48)));
    // The colour profile stays either way (BMP carries none).
    QCOMPARE(embeddedProfile(drawing),
             output == "bmp" ? QByteArray() : testColourSpace("camera").iccProfile());

    QMap<QString, QString> information = photoInformation(readAll(drawing));
    if (how == "strip" || output == "bmp") {
        // Nothing of the photo's: a TIFF's tags of its own pixels are all there is.
        const QString plain = directory + "/plain." + output;
        QVERIFY(savePicture(readPicture(drawing), plain));
        for (const QString& own : photoInformation(readAll(plain)).keys())
            information.remove(own);
        QVERIFY2(information.isEmpty(), qPrintable(information.keys().join(", ")));
        return;
    }
    // Upright, without the photo's thumbnail, of the drawing's size and software.
    QCOMPARE(information.value("Exif.Image.Orientation", "1"), QStringLiteral("1"));
    QVERIFY(!hasKeysOf(information, "Exif.Thumbnail."));
    if (how == "damaged")
        return; // what else was kept of a damaged block is exiv2's guess
    QCOMPARE(information.value("Exif.Photo.PixelXDimension"), QStringLiteral("48"));
    QCOMPARE(information.value("Exif.Photo.PixelYDimension"), QStringLiteral("64"));
    QCOMPARE(information.value("Exif.Image.Software"),
             QStringLiteral("Drawlume " DRAWLUME_VERSION));
    // The camera, the time and the place.
    QCOMPARE(information.value("Exif.Image.Model"), QString::fromStdString(phone::model));
    QCOMPARE(information.value("Exif.Photo.DateTimeOriginal"),
             QString::fromStdString(phone::taken));
    QCOMPARE(information.value("Exif.GPSInfo.GPSLatitude"),
             QString::fromStdString(phone::latitude));
    QVERIFY(information.value("Xmp.dc.title").contains(QString::fromStdString(phone::title)));
    QCOMPARE(information.value("Xmp.tiff.Orientation"), QStringLiteral("1"));
    // exiv2 writes no IPTC into WebP.
    QCOMPARE(information.value("Iptc.Application2.Caption"),
             output == "webp" ? QString() : QString::fromStdString(phone::caption));
}

void TestRenderCliRendering::batchOrderDoesNotChangeAPicture()
{
    // Each picture starts the generator afresh: rendering it alone, first or
    // second in a batch gives the same bytes.
    const QString alone = m_dir.filePath("alone.png");
    const QString firstDir = freshDirectory("order-a");
    const QString secondDir = freshDirectory("order-b");
    QCOMPARE(run({m_other, alone}).exitCode, 0);
    QCOMPARE(run({m_photo, m_other, "--output-dir", firstDir}).exitCode, 0);
    QCOMPARE(run({m_other, m_photo, "--output-dir", secondDir}).exitCode, 0);

    const QByteArray reference = readAll(alone);
    QVERIFY(!reference.isEmpty());
    QVERIFY(readAll(firstDir + "/other.png") == reference);
    QVERIFY(readAll(secondDir + "/other.png") == reference);
    QVERIFY(readAll(firstDir + "/photo.png") == readAll(secondDir + "/photo.png"));

    // One picture three times in one batch, with strokes that the painter
    // remembers in the application: each rendering has its own thread and keeps
    // no strokes, so nothing carries over to the next.
    const QString copies = freshDirectory("order-copies");
    QVERIFY(QFile::copy(m_other, copies + "/again.jpg"));
    QVERIFY(QFile::copy(m_other, copies + "/third.jpg"));
    const QString out = copies + "/out";
    QCOMPARE(
        run({m_other, m_photo, copies + "/again.jpg", copies + "/third.jpg", "--output-dir", out})
            .exitCode,
        0);
    QVERIFY(readAll(out + "/other.png") == reference);
    QVERIFY(readAll(out + "/again.png") == reference);
    QVERIFY(readAll(out + "/third.png") == reference);
}

void TestRenderCliRendering::kraftPaperTintsTheDrawingBrown_data()
{
    QTest::addColumn<QStringList>("options");

    QTest::newRow("--texture label") << QStringList{"--texture", "Kraft paper"};
    QTest::newRow("--texture in lower case") << QStringList{"--texture", "kraft paper"};
    QTest::newRow("-s texture") << QStringList{"-s", "texture=Kraft paper"};
}

void TestRenderCliRendering::kraftPaperTintsTheDrawingBrown()
{
    QFETCH(QStringList, options);

    const QString plain = m_dir.filePath("plain-paper.png");
    const QString kraft = m_dir.filePath("kraft.png");
    QCOMPARE(run({m_photo, plain}).exitCode, 0);
    const RenderResult result = run(options + QStringList{m_photo, kraft});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    const QImage onKraft = readPicture(kraft);
    QCOMPARE(onKraft.size(), QSize(64, 48));
    QVERIFY(readAll(plain) != readAll(kraft));
    // Brown paper: red above green above blue, clearly.
    double red, green, blue;
    meanColour(onKraft, &red, &green, &blue);
    QVERIFY2(red > blue + 15 && red >= green && green >= blue,
             qPrintable(QStringLiteral("mean colour %1 %2 %3").arg(red).arg(green).arg(blue)));
    // Printing on paper darkens, never lightens.
    double plainRed, plainGreen, plainBlue;
    meanColour(readPicture(plain), &plainRed, &plainGreen, &plainBlue);
    QVERIFY(blue < plainBlue);
}

void TestRenderCliRendering::batchWritesIntoOutputDirectory()
{
    const QString out = m_dir.filePath("batch/nested"); // made by the program
    const RenderResult result = run({"--format", "jpg", m_photo, m_other, "--output-dir", out});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(result.out,
             QStringLiteral("wrote %1\nwrote %2\n")
                 .arg(QDir(out).filePath("photo.jpg"), QDir(out).filePath("other.jpg")));

    QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name), (QStringList{"other.jpg", "photo.jpg"}));
    QImageReader photo(out + "/photo.jpg");
    QCOMPARE(photo.format(), QByteArray("jpeg"));
    QCOMPARE(photo.read().size(), QSize(64, 48));
    QImageReader other(out + "/other.jpg");
    QCOMPARE(other.format(), QByteArray("jpeg"));
    QCOMPARE(other.read().size(), QSize(48, 40));

    // Without --format the batch writes PNG; a name pattern names the files.
    const QString pngDir = freshDirectory("batch-png");
    QCOMPARE(run({"-q", m_other, "--output-dir", pngDir}).exitCode, 0);
    QCOMPARE(QImageReader(pngDir + "/other.png").format(), QByteArray("png"));
    QCOMPARE(run({"-q", "-f", "Oil", "--name-pattern", "{filter} {name}.{ext}", m_other,
                  "--output-dir", pngDir})
                 .exitCode,
             0);
    QCOMPARE(QImageReader(pngDir + "/Oil other.png").format(), QByteArray("png"));
}

void TestRenderCliRendering::jpegQualityOption()
{
    const QString low = m_dir.filePath("q10.jpg");
    const QString high = m_dir.filePath("q100.jpg");
    const QString byDefault = m_dir.filePath("q-default.jpg");
    const QString eighty = m_dir.filePath("q80.jpg");
    QCOMPARE(run({"--quality", "10", m_photo, low}).exitCode, 0);
    QCOMPARE(run({"--quality", "100", m_photo, high}).exitCode, 0);
    QCOMPARE(run({m_photo, byDefault}).exitCode, 0);
    QCOMPARE(run({"--quality", "80", m_photo, eighty}).exitCode, 0);
    QVERIFY(QFileInfo(low).size() > 0);
    QVERIFY(QFileInfo(low).size() < QFileInfo(high).size());
    QVERIFY(readAll(byDefault) == readAll(eighty));
}

void TestRenderCliRendering::quietAndProgress()
{
    // QProcess's standard error is a pipe, not a terminal: no progress bar, only
    // the one line.
    const QString output = m_dir.filePath("talkative.png");
    RenderResult result = run({m_photo, output});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(output));
    QCOMPARE(result.err, QString());

    result = run({"-q", m_photo, m_dir.filePath("quiet.png")});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QString());
    QCOMPARE(result.err, QString());
    QVERIFY(QFileInfo::exists(m_dir.filePath("quiet.png")));
}

void TestRenderCliRendering::progressBarOnATerminal_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("expected"); // pieces of the bar; empty: no bar at all

    QTest::newRow("pencil") << QStringList() << QStringList{"Pencil", "phase 1 of 1", "100%"};
    QTest::newRow("pencil on paper") << QStringList{"--texture", "Old paper"}
                                     << QStringList{"phase 1 of 2", "phase 2 of 2", "100%"};
    QTest::newRow("quiet") << QStringList{"-q"} << QStringList();
    // "@document": a document of the photograph on old paper, rendered with
    // --document.
    QTest::newRow("document on paper")
        << QStringList{"@document"}
        << QStringList{"Pencil", "photo.drawlume", "phase 1 of 2", "phase 2 of 2", "100%"};
}

void TestRenderCliRendering::progressBarOnATerminal()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, expected);

    // Standard error on a pseudo-terminal, as in an interactive shell.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QByteArray slaveName = ::ptsname(master);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    const QString output = m_dir.filePath("terminal.png");
    QStringList arguments = options + QStringList{m_photo, output};
    if (options == QStringList{"@document"}) {
        const QString document = saveDocument("photo.drawlume", {"--texture", "Old paper"});
        QVERIFY(!document.isEmpty());
        arguments = QStringList{"--document", document, output};
    }
    QProcess process;
    process.setChildProcessModifier([slaveName] {
        const int slave = ::open(slaveName.constData(), O_RDWR | O_NOCTTY);
        if (slave >= 0)
            ::dup2(slave, STDERR_FILENO);
    });
    process.start(QStringLiteral(DRAWLUME_RENDER_BINARY), arguments);
    QByteArray terminal;
    char buffer[4096];
    // Keep reading while it runs so that a full terminal buffer never blocks it.
    bool finished = false;
    for (int waited = 0; !finished && waited < 60000; waited += 20) {
        finished = process.waitForFinished(20);
        ssize_t count;
        while ((count = ::read(master, buffer, sizeof buffer)) > 0)
            terminal.append(buffer, count);
    }
    ::close(master);
    QVERIFY(finished);
    QCOMPARE(process.exitCode(), 0);

    if (expected.isEmpty()) {
        QCOMPARE(terminal, QByteArray());
        return;
    }
    QVERIFY2(terminal.contains('\r'), terminal.constData());
    for (const QString& piece : expected)
        QVERIFY2(terminal.contains(piece.toUtf8()), terminal.constData());
    // The bar is wiped at the end: the last thing on the terminal is the erase
    // sequence.
    QVERIFY2(terminal.endsWith("\r\033[K"), terminal.right(80).constData());
}

void TestRenderCliRendering::outputEqualToInputIsRefused_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("same name") << "same";
    QTest::newRow("another spelling") << "spelling";
    QTest::newRow("symbolic link") << "link";
    QTest::newRow("hard link") << "hardlink";
    QTest::newRow("batch output is an input") << "batch";
}

void TestRenderCliRendering::outputEqualToInputIsRefused()
{
    QFETCH(QString, how);

    const QString directory = freshDirectory("same-file");
    const QString input = directory + "/photo.png";
    QVERIFY(QFile::copy(m_photo, input));
    const QByteArray before = readAll(input);

    QStringList arguments{input, input};
    if (how == "spelling") {
        arguments = {input, directory + "/../" + QFileInfo(directory).fileName() + "/./photo.png"};
    } else if (how == "link") {
        QVERIFY(QFile::link(input, directory + "/link.png"));
        arguments = {input, directory + "/link.png"};
    } else if (how == "hardlink") {
        QCOMPARE(::link(QFile::encodeName(input).constData(),
                        QFile::encodeName(directory + "/hard.png").constData()),
                 0);
        arguments = {input, directory + "/hard.png"};
    } else if (how == "batch") {
        arguments = {m_other, input, "--output-dir", directory};
    }

    const RenderResult result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("is the input"), qPrintable(result.err));
    QVERIFY2(result.err.contains("never overwritten"), qPrintable(result.err));
    QVERIFY(readAll(input) == before);
    // Nothing else was rendered either (in the batch, other.png was not written).
    QVERIFY(!QFileInfo::exists(directory + "/other.png"));
}

void TestRenderCliRendering::phonePhotosRenderUpright_data()
{
    QTest::addColumn<heif_compression_format>("codec");
    QTest::addColumn<QString>("name");

    QTest::newRow("heic") << heif_compression_HEVC << "phone.heic";
    QTest::newRow("heic named .jpg") << heif_compression_HEVC << "phone.jpg";
    QTest::newRow("avif") << heif_compression_AV1 << "phone.avif";
}

void TestRenderCliRendering::phonePhotosRenderUpright()
{
    QFETCH(heif_compression_format, codec);
    QFETCH(QString, name);
    if (!canEncodeHeif(codec))
        QSKIP("libheif has no encoder and decoder for this codec here");

    // Stored sideways with a quarter turn clockwise to stand upright: 48 wide, 64 high.
    HeifEncoding how;
    how.codec = codec;
    how.orientation = heif_orientation_rotate_90_cw;
    const QByteArray photo = encodeHeif(photoPicture(64, 48, 0), how);
    QVERIFY(!photo.isEmpty());
    const QString directory = freshDirectory("phone");
    const QString input = directory + "/" + name;
    QVERIFY(writeAll(input, photo));

    const QString drawing = directory + "/drawing.png";
    const QString document = directory + "/photo.drawlume";
    RenderResult result = run({input, drawing, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(readPicture(drawing).size(), QSize(48, 64));

    // The document keeps the file as it was and renders to the same bytes.
    UnpackedDocument unpacked;
    QString error;
    QVERIFY2(unpackDocument(document, unpacked, &error), qPrintable(error));
    QVERIFY(unpacked.pictureBytes == photo);
    const QString again = directory + "/again.png";
    result = run({"--document", document, again});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QVERIFY(readAll(again) == readAll(drawing));
}

void TestRenderCliRendering::pictureLimit()
{
    // 1001 x 1000 pixels: just above one megapixel.
    const QString directory = freshDirectory("limit");
    const QString photo = directory + "/wide.png";
    QVERIFY(photoPicture(1001, 1000).save(photo));
    const QString drawing = directory + "/drawing.png";

    RenderResult result = run({"--max-megapixels", "1", photo, drawing});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("cannot read \"%1\": the picture is too large "
                                                "(1001 x 1000 pixels; at most 1 megapixels")
                                     .arg(photo)),
             qPrintable(result.err));
    QVERIFY2(result.err.contains("--max-megapixels") && result.err.contains("max_megapixels"),
             qPrintable(result.err));
    QVERIFY(!QFileInfo::exists(drawing));

    result = run({"--max-megapixels", "2", photo, drawing});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(readPicture(drawing).size(), QSize(1001, 1000));
}

void TestRenderCliRendering::memoryThatCannotBeHadEndsTheRender_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("fromDocument"); // the photo stored in a document first
    QTest::addColumn<int>("limit");         // the largest block that can be had, in MB
    QTest::addColumn<QString>("photoName"); // its size and format: "1000x1000.png"
    QTest::addColumn<QString>("reason");    // %1: the photo's file, %2: the document's size; empty:
                                            // the render needs no larger block and succeeds

    // The stroke painters' canvas (eight bytes a pixel) is the largest block these renders ask
    // for; the picture itself (four bytes a pixel) can still be had.
    const QString render =
        QStringLiteral("cannot render \"%1\": not enough memory for a 1000 x 1000 picture with ");
    const QString square = "1000x1000.png";
    QTest::newRow("pastel") << QStringList{"-f", "Pastel"} << false << 6 << square
                            << render + "Pastel";
    QTest::newRow("oil brushstrokes") << QStringList{"-f", "Oil", "-s", "oil_type=standart_oil"}
                                      << false << 6 << square << render + "Oil";
    QTest::newRow("watermix") << QStringList{"-f", "Watermix"} << false << 6 << square
                              << render + "Watermix";
    // A document whose picture is larger than any block that can be had is refused as it is
    // read.
    QTest::newRow("document") << QStringList() << true << 1 << square
                              << QStringLiteral("cannot read \"%1\": not enough memory to read "
                                                "the document (%2 bytes)");
    // A decoder that cannot have the memory for the picture (four bytes a pixel) tells it, not
    // damage; the file (a JPEG of noise, smaller than its pixels) can still be read.
    QTest::newRow("decoding") << QStringList() << false << 3 << "1000x1000.jpg"
                              << QStringLiteral("cannot read \"%1\": not enough memory to decode "
                                                "the picture (1000 x 1000 pixels)");
    // The region painter's seeds on a picture one pixel wide never grow a region; their marks
    // must not pile up beyond one a pixel (20 KB here, not 8 MB).
    QTest::newRow("watercolor one pixel wide")
        << QStringList{"-f", "Watercolor"} << false << 2 << "1x5000.png" << QString();
}

void TestRenderCliRendering::memoryThatCannotBeHadEndsTheRender()
{
#if defined(__SANITIZE_ADDRESS__)
    QFETCH(QStringList, options);
    QFETCH(bool, fromDocument);
    QFETCH(int, limit);
    QFETCH(QString, photoName);
    QFETCH(QString, reason);

    // The address sanitizer's allocator refuses larger blocks than the row's limit, as a system
    // without the memory would. The photo is noise, of 1000 x 1000 pixels a PNG of about 3 MB.
    const QString directory = freshDirectory("memory");
    QString photo = directory + "/" + photoName;
    const QStringList sides = QFileInfo(photoName).completeBaseName().split('x');
    const QSize size(sides.value(0).toInt(), sides.value(1).toInt());
    QImage noise(size, QImage::Format_RGB32);
    quint32 state = 1;
    for (int y = 0; y < noise.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1103515245u + 12345u;
            line[x] = 0xFF000000u | (state >> 8);
        }
    }
    QVERIFY(noise.save(photo));
    if (fromDocument) {
        const QString document = directory + "/photo.drawlume";
        QCOMPARE(run({photo, "--save-document", document}).exitCode, 0);
        options = QStringList{"--document", document};
        reason = reason.arg(document).arg(QFileInfo(document).size());
        photo.clear();
    } else if (!reason.isEmpty()) {
        reason = reason.arg(photo);
    }
    const QString painting = directory + "/painting.png";
    QFile earlier(painting);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier file") > 0);
    earlier.close();

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ASAN_OPTIONS",
                       QStringLiteral("allocator_may_return_null=1:max_allocation_size_mb=%1:"
                                      "detect_leaks=0")
                           .arg(limit));
    process.setProcessEnvironment(environment);
    QStringList arguments = options;
    if (!photo.isEmpty())
        arguments.append(photo);
    arguments.append(painting);
    process.start(QStringLiteral(DRAWLUME_RENDER_BINARY), arguments);
    QVERIFY(process.waitForFinished(120000));
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    if (reason.isEmpty()) {
        QVERIFY2(process.exitCode() == 0, qPrintable(err));
        QCOMPARE(readPicture(painting).size(), size);
        return;
    }
    QVERIFY2(process.exitCode() == 1, qPrintable(err));
    QVERIFY2(err.contains(reason), qPrintable(err + "\nexpected: " + reason));
    QVERIFY(process.readAllStandardOutput().isEmpty());
    QCOMPARE(readAll(painting), QByteArray("earlier file"));
#else
    QSKIP("the allocation limit is set through the address sanitizer");
#endif
}

void TestRenderCliRendering::unreadableInputs_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents"); // null: the file does not exist
    QTest::addColumn<QString>("reason");

    QByteArray png = readAll(m_photo);
    QTest::newRow("missing file") << "missing.png" << QByteArray() << "file does not exist";
    QTest::newRow("text file") << "notes.jpg" << QByteArray("shopping list: eggs, flour")
                               << "not a picture";
    QTest::newRow("truncated picture") << "cut.png" << png.left(png.size() / 2) << "damaged";
    QTest::newRow("empty file") << "empty.png" << QByteArray("") << "empty";
    // Text in an SVG once ended the process in the toolkit's font lookup.
    QTest::newRow("svg with text under a photo's suffix")
        << "drawing.jpg"
        << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\">"
                      "<text x=\"10\" y=\"50\">hi</text></svg>")
        << "not a supported photo format";
    if (canEncodeHeif(heif_compression_HEVC)) {
        const QByteArray heic = encodeHeif(photoPicture(), HeifEncoding());
        QTest::newRow("truncated heic")
            << "cut.heic" << heic.left(heic.size() / 2) << "the picture is damaged (";
        QTest::newRow("heic without its pixels")
            << "bare.jpg" << heic.left(heic.indexOf("mdat")) << "the picture is damaged (";
    }
}

void TestRenderCliRendering::unreadableInputs()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);

    const QString directory = freshDirectory("unreadable");
    const QString bad = directory + "/" + name;
    if (!contents.isNull())
        QVERIFY(writeAll(bad, contents));

    // Alone: exit 1 and no output.
    const QString single = directory + "/single.png";
    RenderResult result = run({bad, single});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(
        result.err.startsWith(QStringLiteral("drawlume-render: cannot read \"%1\": ").arg(bad)),
        qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.err.contains(reason, Qt::CaseInsensitive), qPrintable(result.err));
    QVERIFY(!QFileInfo::exists(single));

    // In a batch, between two good pictures: both of those are still rendered.
    const QString out = directory + "/out";
    result = run({m_photo, bad, m_other, "--output-dir", out});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("cannot read \"%1\": ").arg(bad)),
             qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY(QFileInfo::exists(out + "/photo.png"));
    QVERIFY(QFileInfo::exists(out + "/other.png"));
    QCOMPARE(result.out.count("wrote "), 2);
}

void TestRenderCliRendering::incompleteInputWarnsAndStillRenders_data()
{
    QTest::addColumn<QString>("input"); // "jpeg", or "document" of the JPEG
    QTest::addColumn<bool>("cut");      // the JPEG cut in the middle of its scan
    QTest::addColumn<bool>("quiet");

    QTest::newRow("cut jpeg") << "jpeg" << true << false;
    QTest::newRow("cut jpeg, quiet") << "jpeg" << true << true;
    QTest::newRow("complete jpeg") << "jpeg" << false << false;
    QTest::newRow("document of a cut jpeg") << "document" << true << false;
    QTest::newRow("document of a cut jpeg, quiet") << "document" << true << true;
    QTest::newRow("document of a complete jpeg") << "document" << false << false;
}

void TestRenderCliRendering::incompleteInputWarnsAndStillRenders()
{
    QFETCH(QString, input);
    QFETCH(bool, cut);
    QFETCH(bool, quiet);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(photoPicture(160, 120).save(&buffer, "jpeg", 92));
    const QByteArray jpeg = cut ? buffer.data().left(buffer.data().size() * 6 / 10) : buffer.data();
    const QString directory = freshDirectory("incomplete");
    QString path = directory + "/photo.jpg";
    QStringList arguments{path};
    if (input == "document") {
        path = directory + "/photo.drawlume";
        QVERIFY(
            writeAll(path, documentBytes(jpeg, "photo.jpg", parameterXml(*panelSet("Pencil")))));
        arguments = {"--document", path};
    } else {
        QVERIFY(writeAll(path, jpeg));
    }
    if (quiet)
        arguments.prepend("-q");
    const QString output = directory + "/drawing.png";

    const RenderResult result = run(arguments + QStringList{output});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(readPicture(output).size(), QSize(160, 120));
    if (!cut || quiet) {
        QCOMPARE(result.err, QString());
        return;
    }
    // One line naming the file, whatever the decoder adds.
    QVERIFY2(
        result.err.startsWith(QStringLiteral("drawlume-render: warning: \"%1\": the picture is "
                                             "incomplete: the file ends before the picture "
                                             "does")
                                  .arg(path)),
        qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(output));
}

void TestRenderCliRendering::unwritableOutputs_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");

    QTest::newRow("directory does not exist") << "missing"
                                              << "does not exist";
    QTest::newRow("directory is a file") << "file"
                                         << "not a directory";
    QTest::newRow("output is a directory") << "isdir"
                                           << "is a directory";
    QTest::newRow("--output-dir is a file") << "outdir-file"
                                            << "not a directory";
    QTest::newRow("directory not writable") << "locked"
                                            << "not writable";
}

void TestRenderCliRendering::unwritableOutputs()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);
    if (how == "locked" && geteuid() == 0)
        QSKIP("running as root: a read-only directory does not stop root from "
              "writing");

    const QString directory = freshDirectory("unwritable");
    QStringList arguments;
    QString watched = directory; // must hold no new file afterwards
    if (how == "missing") {
        arguments = {m_photo, directory + "/no/such/place/out.png"};
    } else if (how == "file") {
        QVERIFY(writeAll(directory + "/plain.txt", "a file, not a directory"));
        arguments = {m_photo, directory + "/plain.txt/out.png"};
    } else if (how == "isdir") {
        QVERIFY(QDir().mkpath(directory + "/out.png"));
        arguments = {m_photo, directory + "/out.png"};
    } else if (how == "outdir-file") {
        QVERIFY(writeAll(directory + "/plain.txt", "a file, not a directory"));
        arguments = {m_photo, m_other, "--output-dir", directory + "/plain.txt"};
    } else if (how == "locked") {
        watched = directory + "/locked";
        QVERIFY(QDir().mkpath(watched));
        QVERIFY(QFile::setPermissions(watched, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        arguments = {m_photo, watched + "/out.png"};
    }
    const QStringList before =
        QDir(watched).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    const RenderResult result = run(arguments);
    QFile::setPermissions(watched,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith("drawlume-render: cannot "), qPrintable(result.err));
    QVERIFY2(result.err.contains(reason), qPrintable(result.err));
    QCOMPARE(result.out, QString());
    // No partial or temporary file anywhere.
    QCOMPARE(QDir(watched).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             before);
    if (how == "isdir")
        QVERIFY(QDir(directory + "/out.png").isEmpty());
}

void TestRenderCliRendering::sameOutputTwiceInBatchKeepsTheFirst()
{
    const QString directory = freshDirectory("collide");
    QVERIFY(QDir().mkpath(directory + "/a"));
    QVERIFY(QDir().mkpath(directory + "/b"));
    const QString first = directory + "/a/view.png";
    const QString second = directory + "/b/view.jpg";
    QVERIFY(photoPicture(64, 48, 0).save(first));
    QVERIFY(photoPicture(48, 40, 1).save(second));
    const QString out = directory + "/out";

    const RenderResult result = run({first, second, "--output-dir", out});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("not rendering \"%1\"").arg(second)),
             qPrintable(result.err));
    QVERIFY2(result.err.contains(QStringLiteral("output of \"%1\"").arg(first)),
             qPrintable(result.err));
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(out + "/view.png"));

    // The file is the first picture's drawing.
    QCOMPARE(run({first, directory + "/alone.png"}).exitCode, 0);
    QVERIFY(readAll(out + "/view.png") == readAll(directory + "/alone.png"));
}

QTEST_GUILESS_MAIN(TestRenderCliRendering)
#include "test_render_cli_rendering.moc"
