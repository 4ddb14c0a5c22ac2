// drawlume-render and documents: rendering one with --document, writing one
// with
// --save-document, and the damaged or unsuitable documents it refuses.

#include "core/framework/parameter_xml.h"
#include "document/document_container.h"
#include "support/filter_runs.h"
#include "support/render_cli.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QtEndian>
#include <QtTest>

#include <csignal>

#include <signal.h>

namespace {

qint64 readInt64(const QByteArray& bytes, qint64 offset)
{
    return qFromLittleEndian<qint64>(bytes.constData() + offset);
}

qint32 readInt32(const QByteArray& bytes, qint64 offset)
{
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

} // namespace

class TestRenderCliDocuments : public QObject, private RenderCliFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { createInputs(); }

    void documentRenderMatchesDirectRender_data();
    void documentRenderMatchesDirectRender();
    void settingsOverDocumentMatchDirectRender();
    void savedDocumentHasTheExactLayout();
    void documentWithFixedValues();
    void savedDocumentStoresTheInputFile_data();
    void savedDocumentStoresTheInputFile();
    void documentSavedFromADocumentKeepsItsPicture_data();
    void documentSavedFromADocumentKeepsItsPicture();
    void documentOnlyWithoutOutput();
    void photoMaskGivesTheSameBytesOnEveryPath();
    void damagedDocumentsAreRefused_data();
    void damagedDocumentsAreRefused();
    void documentWithUnknownFilterIsRefused_data();
    void documentWithUnknownFilterIsRefused();
    void storedSettingsAreCheckedAsTheCommandLineIs_data();
    void storedSettingsAreCheckedAsTheCommandLineIs();
    void settingsWrongForDocumentAreUsageErrors_data();
    void settingsWrongForDocumentAreUsageErrors();
    void saveDocumentOverInputIsRefused();
    void saveDocumentOverItsDocumentIsRefused();
    void failedDocumentWriteKeepsThePreviousDocument();
    void documentFailureStillWritesTheRender();
    void interruptedRenderLeavesNoFolder_data();
    void interruptedRenderLeavesNoFolder();
};

void TestRenderCliDocuments::documentRenderMatchesDirectRender_data()
{
    QTest::addColumn<QStringList>("options");

    QTest::newRow("defaults") << QStringList();
    const QStringList colouredOnKraft{"-s",        "color_enabled=colored_pencils",
                                      "-s",        "stroke_length=90",
                                      "--texture", "Kraft paper"};
    QTest::newRow("coloured pencils on kraft paper") << colouredOnKraft;
    QTest::newRow("full keys") << QStringList{"-s", Keys::Pencil::contour + "=20", "-s",
                                              Keys::Pencil::brightness + "=30"};
}

void TestRenderCliDocuments::documentRenderMatchesDirectRender()
{
    QFETCH(QStringList, options);

    // The direct render writes the document too; the photograph is a PNG, so the
    // document holds the very pixels that were rendered.
    const QString directory = freshDirectory("document-render");
    const QString document = directory + "/photo.drawlume";
    const QString direct = directory + "/direct.png";
    RenderResult result = run(options + QStringList{m_photo, direct, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(result.out, QStringLiteral("wrote %1\nwrote %2\n").arg(document, direct));
    QCOMPARE(result.err, QString());

    // The document alone gives the same bytes, each time.
    const QString first = directory + "/first.png";
    const QString second = directory + "/second.png";
    result = run({"--document", document, first});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(first));
    QCOMPARE(result.err, QString());
    QCOMPARE(run({"-q", "--document", document, second}).exitCode, 0);

    const QByteArray reference = readAll(direct);
    QVERIFY(!reference.isEmpty());
    QVERIFY(readAll(first) == reference);
    QVERIFY(readAll(second) == reference);
}

void TestRenderCliDocuments::settingsOverDocumentMatchDirectRender()
{
    const QString document =
        saveDocument("stored.drawlume", {"-s", "color_enabled=colored_pencils", "-s",
                                         "stroke_length=90", "--texture", "Old paper"});
    QVERIFY(!document.isEmpty());
    const QByteArray stored = readAll(document);
    const QString directory = QFileInfo(document).absolutePath();

    // -s and --texture win over the stored values; the other stored values stay;
    // -f naming the stored filter (in any case) is accepted.
    const QString changed = directory + "/changed.png";
    const RenderResult result = run({"-f", "pencil", "--document", document, "-s",
                                     "stroke_length=40", "--texture", "Kraft paper", changed});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    const QString direct = directory + "/direct.png";
    QCOMPARE(run({"-s", "color_enabled=colored_pencils", "-s", "stroke_length=40", "--texture",
                  "Kraft paper", m_photo, direct})
                 .exitCode,
             0);
    QVERIFY(!readAll(direct).isEmpty());
    QVERIFY(readAll(changed) == readAll(direct));

    // A preset replaces every stored value, and -s goes over it.
    const QString preset = directory + "/preset.png";
    const RenderResult presetResult = run(
        {"--document", document, "--preset", "soft graphite", "-s", "stroke_length=40", preset});
    QVERIFY2(presetResult.exitCode == 0, qPrintable(presetResult.err));
    const QString presetDirect = directory + "/preset-direct.png";
    QCOMPARE(run({"--preset", "Soft graphite", "-s", "stroke_length=40", m_photo, presetDirect})
                 .exitCode,
             0);
    QVERIFY(!readAll(presetDirect).isEmpty());
    QVERIFY(readAll(preset) == readAll(presetDirect));
    QVERIFY(readAll(preset) != readAll(direct));
    // The document itself is only read.
    QVERIFY(readAll(document) == stored);
}

void TestRenderCliDocuments::savedDocumentHasTheExactLayout()
{
    const QString document =
        saveDocument("layout.drawlume", {"-s", "color_enabled=Colored pencils", "-s",
                                         "stroke_length=77", "--texture", "kraft paper"});
    QVERIFY(!document.isEmpty());

    // The photograph's file, as it is.
    const QByteArray picture = readAll(m_photo);
    QVERIFY(!picture.isEmpty());
    const FilterParameters set =
        *panelSet("Pencil", {{Keys::Pencil::type, Keys::Pencil::colouredPencils},
                             {Keys::Pencil::strokeLength, 77},
                             {Keys::Texture::paper, "Kraft paper"}});
    const QByteArray xml = parameterXml(set);
    // What the panel holds, not what a render adds.
    QVERIFY(!xml.contains("\"scaling\""));
    QVERIFY(!xml.contains("for_preview"));
    QVERIFY(xml.contains("<name>Pencil</name>"));

    // Piece by piece: P, the picture, N, the name padded to 2N bytes, F, the
    // settings.
    const QByteArray bytes = readAll(document);
    const qint64 p = picture.size();
    const QByteArray name = "photo.png";
    QVERIFY(bytes.size() >= 20 + p + 2 * name.size());
    QCOMPARE(readInt64(bytes, 0), p);
    QVERIFY(bytes.mid(8, p) == picture);
    QCOMPARE(readInt32(bytes, 8 + p), qint32(name.size()));
    QCOMPARE(bytes.mid(12 + p, 2 * name.size()), name + QByteArray(name.size(), '\0'));
    const qint64 f = readInt64(bytes, 12 + p + 2 * name.size());
    QCOMPARE(f, qint64(xml.size()));
    QCOMPARE(bytes.mid(20 + p + 2 * name.size()), xml);
    QCOMPARE(bytes.size(), 20 + p + 2 * name.size() + f);
    QVERIFY(bytes == documentBytes(picture, "photo.png", xml));

    // And as the document reader sees it.
    DocumentContents contents;
    QString error;
    QVERIFY2(readDocumentFile(document, contents, &error), qPrintable(error));
    QVERIFY(contents.picture == picture);
    QCOMPARE(contents.pictureName, QStringLiteral("photo.png"));
    QCOMPARE(contents.parameters, xml);
    QString filterName;
    QMap<QString, QVariant> values;
    QVERIFY(readParameterXmlData(contents.parameters, filterName, values));
    QCOMPARE(filterName, QStringLiteral("Pencil"));
    QCOMPARE(values.keys(), set.keys());
}

void TestRenderCliDocuments::documentWithFixedValues()
{
    // A filter the program renders with a choice that brings fixed values (a
    // pencil overlay).
    QString filter;
    const ParameterSpec* entry = nullptr;
    const ParameterChoice* choice = nullptr;
    for (const QString& name : renderableFilters()) {
        for (const ParameterSpec& candidate : parameterTable(name)) {
            for (const ParameterChoice& option : candidate.choices) {
                FilterParametersPtr set = defaultParameters(name);
                if (!fixedValues(*set).isEmpty())
                    continue;
                set->insert(candidate.key, option.value);
                if (!fixedValues(*set).isEmpty() && !entry) {
                    filter = name;
                    entry = &candidate;
                    choice = &option;
                }
            }
        }
    }
    if (!entry)
        QSKIP("no filter the program renders has a choice that brings fixed values");

    const QString directory = freshDirectory("fixed-document");
    const QString document = directory + "/fixed.drawlume";
    const QString direct = directory + "/direct.png";
    const QString setting = entry->key + "=" + choice->value;
    RenderResult result =
        run({"-f", filter, "-s", setting, m_photo, direct, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    // The fixed values of the choice are stored with it, as the panel holds them.
    DocumentContents contents;
    QString error;
    QVERIFY2(readDocumentFile(document, contents, &error), qPrintable(error));
    const FilterParameters set = *panelSet(filter, {{entry->key, choice->value}});
    QVERIFY(!fixedValues(set).isEmpty());
    QCOMPARE(contents.parameters, parameterXml(set));

    const QString fromDocument = directory + "/from-document.png";
    QCOMPARE(run({"--document", document, fromDocument}).exitCode, 0);
    QVERIFY(!readAll(direct).isEmpty());
    QVERIFY(readAll(fromDocument) == readAll(direct));

    // Back to the default choice over the document: its fixed values go with the
    // old choice.
    const QString reset = directory + "/reset.png";
    const QString resetDirect = directory + "/reset-direct.png";
    const QString back = entry->key + "=" + entry->defaultValue.toString();
    result = run({"--document", document, "-s", back, reset});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(run({"-f", filter, m_photo, resetDirect}).exitCode, 0);
    QVERIFY(readAll(reset) == readAll(resetDirect));
    QVERIFY(readAll(reset) != readAll(direct));
}

void TestRenderCliDocuments::savedDocumentStoresTheInputFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("file");

    auto encoded = [](const char* format, int quality) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        photoPicture(48, 40, 1).save(&buffer, format, quality);
        return bytes;
    };
    QTest::newRow("png") << "photo.png" << readAll(m_photo);
    QTest::newRow("jpeg at quality 92") << "photo.jpg" << encoded("jpeg", 92);
    QTest::newRow("bmp") << "scan.bmp" << encoded("bmp", -1);
    QTest::newRow("jpeg under a png name") << "odd.png" << encoded("jpeg", 92);
    QTest::newRow("no suffix") << "picture" << encoded("png", -1);
    // A kind that cannot be written is stored all the same. A 1 x 1 GIF.
    if (QImageReader::supportedImageFormats().contains("gif")) {
        QTest::newRow("gif") << "dot.gif"
                             << QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff"
                                           "\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,"
                                           "\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D"
                                           "\x01\x00;",
                                           43);
    }
}

void TestRenderCliDocuments::savedDocumentStoresTheInputFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, file);

    const QString directory = freshDirectory("stored-file");
    const QString input = directory + "/" + name;
    QVERIFY(writeAll(input, file));
    const QString document = directory + "/stored.drawlume";
    const QString output = directory + "/drawing.png";
    RenderResult result = run({input, output, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    // The file byte for byte, under its own name; not encoded again.
    DocumentContents contents;
    QString error;
    QVERIFY2(readDocumentFile(document, contents, &error), qPrintable(error));
    QCOMPARE(contents.pictureName, name);
    QVERIFY(contents.picture == file);
    QVERIFY(contents.parameters == parameterXml(*panelSet("Pencil")));

    // The document renders the very picture the input gave.
    const QString fromDocument = directory + "/from-document.png";
    result = run({"--document", document, fromDocument});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QVERIFY(readAll(fromDocument) == readAll(output));
}

void TestRenderCliDocuments::documentSavedFromADocumentKeepsItsPicture_data()
{
    QTest::addColumn<bool>("jpeg");           // the first document holds the JPEG, else the PNG
    QTest::addColumn<QStringList>("options"); // settings over the stored ones
    QTest::addColumn<bool>("render");         // OUTPUT given as well

    QTest::newRow("png, as stored") << false << QStringList() << false;
    QTest::newRow("jpeg, as stored") << true << QStringList() << false;
    QTest::newRow("jpeg, new settings and a render")
        << true << QStringList{"-s", "stroke_length=33", "--texture", "Kraft paper"} << true;
}

void TestRenderCliDocuments::documentSavedFromADocumentKeepsItsPicture()
{
    QFETCH(bool, jpeg);
    QFETCH(QStringList, options);
    QFETCH(bool, render);

    const QString directory = freshDirectory("document-from-document");
    const QString input = jpeg ? m_other : m_photo;
    const QString first = directory + "/first.drawlume";
    const QString second = directory + "/second.drawlume";
    QCOMPARE(run({"-s", "stroke_length=70", input, "--save-document", first}).exitCode, 0);
    const QByteArray before = readAll(first);

    const QString output = directory + "/drawing.png";
    const QStringList arguments = options +
                                  QStringList{"--document", first, "--save-document", second} +
                                  (render ? QStringList{output} : QStringList());
    const RenderResult result = run(arguments);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(result.err, QString());
    QCOMPARE(result.out, render ? QStringLiteral("wrote %1\nwrote %2\n").arg(second, output)
                                : QStringLiteral("wrote %1\n").arg(second));
    QVERIFY(readAll(first) == before);

    // The picture file of the first document, under its name; its settings with
    // the new ones.
    DocumentContents stored, saved;
    QString error;
    QVERIFY2(readDocumentFile(first, stored, &error), qPrintable(error));
    QVERIFY2(readDocumentFile(second, saved, &error), qPrintable(error));
    QVERIFY(saved.picture == readAll(input));
    QVERIFY(saved.picture == stored.picture);
    QCOMPARE(saved.pictureName, QFileInfo(input).fileName());
    if (options.isEmpty()) {
        QCOMPARE(saved.parameters, stored.parameters);
    } else {
        QString filterName;
        QMap<QString, QVariant> values;
        QVERIFY(readParameterXmlData(saved.parameters, filterName, values));
        QCOMPARE(filterName, QStringLiteral("Pencil"));
        QCOMPARE(values.value(Keys::Pencil::strokeLength).toInt(), 33);
        QCOMPARE(values.value(Keys::Texture::paper).toString(), QStringLiteral("Kraft paper"));
    }
    if (!render)
        return;
    // The render is that of the new document.
    const QString again = directory + "/again.png";
    QCOMPARE(run({"--document", second, again}).exitCode, 0);
    QVERIFY(!readAll(output).isEmpty());
    QVERIFY(readAll(again) == readAll(output));
}

void TestRenderCliDocuments::photoMaskGivesTheSameBytesOnEveryPath()
{
    // A mask of half the photo's size: white on the left (the photograph), black on the right
    // (the artwork); it is scaled to the photo.
    const QString directory = freshDirectory("photo-mask");
    QImage mask(32, 24, QImage::Format_Grayscale8);
    mask.fill(0);
    for (int y = 0; y < 24; ++y)
        std::fill_n(mask.scanLine(y), 16, uchar(255));
    const QString maskFile = directory + "/mask.png";
    QVERIFY(mask.save(maskFile));

    const QString plain = directory + "/plain.png";
    const QString masked = directory + "/masked.png";
    const QString document = directory + "/masked.drawlume";
    QCOMPARE(run({"-q", m_photo, plain}).exitCode, 0);
    RenderResult result =
        run({"-q", "--mask", maskFile, m_photo, masked, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    // The document keeps the mask; the batch applies it as the single render does.
    const QString fromDocument = directory + "/from-document.png";
    result = run({"-q", "--document", document, fromDocument});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    result = run({"-q", "--mask", maskFile, m_photo, "--output-dir", directory + "/batch"});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    const QByteArray bytes = readAll(masked);
    QVERIFY(!bytes.isEmpty());
    QVERIFY(readAll(fromDocument) == bytes);
    QVERIFY(readAll(directory + "/batch/photo.png") == bytes);

    // Under white the photograph, under black the plain artwork, pixel for pixel.
    const QImage photo = readPicture(m_photo).convertToFormat(QImage::Format_RGB32);
    const QImage artwork = readPicture(plain).convertToFormat(QImage::Format_RGB32);
    const QImage blended = readPicture(masked).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        QCOMPARE(blended.pixel(20, y), photo.pixel(20, y));
        QCOMPARE(blended.pixel(44, y), artwork.pixel(44, y));
    }
    QVERIFY(artwork != photo);

    // A mask that cannot be read is a usage error naming it.
    result = run({"--mask", directory + "/none.png", m_photo, directory + "/none-out.png"});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("none.png") && result.err.contains("does not exist"),
             qPrintable(result.err));
}

void TestRenderCliDocuments::documentOnlyWithoutOutput()
{
    const QString directory = freshDirectory("document-only");
    const QString input = directory + "/photo.png";
    QVERIFY(QFile::copy(m_photo, input));
    const QString document = directory + "/kept.drawlume";

    RenderResult result = run({input, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(document));
    QCOMPARE(result.err, QString());
    // Only the document was written, and the input is untouched.
    QCOMPARE(QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{"kept.drawlume", "photo.png"}));
    QVERIFY(readAll(input) == readAll(m_photo));

    // Writing it again with other settings replaces it; quietly with -q.
    const QByteArray before = readAll(document);
    result = run({"-q", "-s", "stroke_length=20", input, "--save-document", document});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QString());
    QVERIFY(readAll(document) != before);
    QVERIFY(readAll(document).contains(">20</p>"));
}

void TestRenderCliDocuments::damagedDocumentsAreRefused_data()
{
    QTest::addColumn<QByteArray>("contents"); // null: the file does not exist
    QTest::addColumn<QString>("reason");

    const QByteArray picture = readAll(m_photo);
    const QByteArray xml = parameterXml(*panelSet("Pencil"));
    const QByteArray whole = documentBytes(picture, "photo.png", xml);
    QTest::newRow("missing") << QByteArray() << "file does not exist";
    QTest::newRow("empty") << QByteArray("") << "damaged or not a Drawlume document";
    QTest::newRow("cut in the picture")
        << whole.left(whole.size() / 2) << "damaged or not a Drawlume document";
    QTest::newRow("cut in the settings") << whole.left(whole.size() - 10) << "settings length";
    const QString noName = "the document ends before the name of its settings file";
    QTest::newRow("cut after the picture") << whole.left(8 + picture.size()) << noName;
    QTest::newRow("cut in the name's length") << whole.left(8 + picture.size() + 3) << noName;
    QTest::newRow("cut after the name") << whole.left(8 + picture.size() + 4 + 18)
                                        << "the document ends before the length of its settings";
    QTest::newRow("settings larger than settings can be")
        << documentBytes(picture, "photo.png", xml + QByteArray(1024 * 1024, ' '))
        << "the document's settings are too large (" + QString::number(xml.size() + 1024 * 1024) +
               " bytes; at most 1048576 bytes)";
    QByteArray attributes = xml;
    attributes.replace("<p name=", "<p a=\"\" b=\"\" c=\"\" d=\"\" name=");
    QTest::newRow("an element of five attributes in the settings")
        << documentBytes(picture, "photo.png", attributes)
        << "its settings are damaged (an element has more than 4 attributes)";
    QTest::newRow("bytes after the end") << whole + "xx"
                                         << "2 bytes after its settings are no photo brush mask";
    QTest::newRow("a picture, not a document") << picture << "damaged or not a Drawlume document";
    QTest::newRow("picture damaged inside")
        << documentBytes(picture.left(picture.size() / 2), "photo.png", xml)
        << "its picture cannot be read";
    QTest::newRow("settings cut short")
        << documentBytes(picture, "photo.png", xml.left(xml.size() / 2))
        << "its settings are damaged";
    QTest::newRow("settings not XML")
        << documentBytes(picture, "photo.png", "name=Pencil") << "its settings are damaged";
    QTest::newRow("no picture name")
        << documentBytes(picture, QString(3, QChar('/')), xml) << "names no picture";
}

void TestRenderCliDocuments::damagedDocumentsAreRefused()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);

    const QString directory = freshDirectory("damaged");
    const QString document = directory + "/damaged.drawlume";
    if (!contents.isNull())
        QVERIFY(writeAll(document, contents));
    const QString output = directory + "/out.png";

    const RenderResult result = run({"--document", document, output});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith(
                 QStringLiteral("drawlume-render: cannot read \"%1\": ").arg(document)),
             qPrintable(result.err));
    QVERIFY2(result.err.contains(reason), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(result.out, QString());
    QVERIFY(!QFileInfo::exists(output));
}

void TestRenderCliDocuments::documentWithUnknownFilterIsRefused_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown") << "Charcoal"
                             << "its filter \"Charcoal\" is unknown";
    QTest::newRow("name in another case") << "pencil"
                                          << "its filter \"pencil\" is unknown";
    QTest::newRow("none") << ""
                          << "the document names no filter";
    // A filter of the application that this build cannot render yet, if there is
    // one.
    for (const QString& name : allFilterNames()) {
        if (!renderableFilters().contains(name)) {
            QTest::newRow("not renderable yet")
                << name << QStringLiteral("its filter \"%1\" cannot be rendered").arg(name);
            break;
        }
    }
}

void TestRenderCliDocuments::documentWithUnknownFilterIsRefused()
{
    QFETCH(QString, filter);
    QFETCH(QString, message);

    FilterParameters set = *panelSet("Pencil");
    set.setFilterName(filter);
    const QString directory = freshDirectory("foreign-filter");
    const QString document = directory + "/foreign.drawlume";
    QVERIFY(writeAll(document, documentBytes(readAll(m_photo), "photo.png", parameterXml(set))));
    const QString output = directory + "/out.png";

    const RenderResult result = run({"--document", document, output});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith("drawlume-render: "), qPrintable(result.err));
    QVERIFY2(result.err.contains(QStringLiteral("\"%1\"").arg(document)), qPrintable(result.err));
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY(!QFileInfo::exists(output));
}

void TestRenderCliDocuments::storedSettingsAreCheckedAsTheCommandLineIs_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // empty: the key is left out of the document
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // on standard error

    QTest::newRow("stroke length far above its range")
        << "Pencil" << Keys::Pencil::strokeLength << "32767" << 1
        << Keys::Pencil::strokeLength + "=32767: the value is out of range";
    QTest::newRow("darkness far below its range")
        << "Pencil" << Keys::Pencil::brightness << "-2000000000" << 1
        << Keys::Pencil::brightness + "=-2000000000: the value is out of range -100..100";
    QTest::newRow("a word for a number")
        << "Pencil" << Keys::Pencil::contour << "sharp" << 1 << "must be a whole number";
    QTest::newRow("a million brushstrokes")
        << "Oil" << Keys::Oil::strokeCount << "1000000" << 1
        << Keys::Oil::strokeCount + "=1000000: the value is out of range";
    QTest::newRow("an unknown choice")
        << "Pencil" << Keys::Pencil::type << "crayons" << 1 << "\"crayons\" is not a choice";
    QTest::newRow("stroke length missing")
        << "Pencil" << Keys::Pencil::strokeLength << "" << 0
        << "its settings lack " + Keys::Pencil::strokeLength + "; the defaults are taken";
}

void TestRenderCliDocuments::storedSettingsAreCheckedAsTheCommandLineIs()
{
    QFETCH(QString, filter);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    FilterParameters set = *panelSet(filter);
    QVERIFY(set.contains(key));
    if (value.isEmpty())
        set.remove(key);
    else
        set.insert(key, value);
    const QString directory = freshDirectory("stored-settings");
    const QString document = directory + "/stored.drawlume";
    QVERIFY(writeAll(document, documentBytes(readAll(m_photo), "photo.png", parameterXml(set))));
    const QString output = directory + "/out.png";

    const RenderResult result = run({"--document", document, output});
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(result.err.contains(QStringLiteral("\"%1\"").arg(document)), qPrintable(result.err));
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    if (exitCode != 0) {
        QVERIFY(!QFileInfo::exists(output));
        return;
    }
    // A missing value takes the default: the same artwork as the default set gives.
    const QString reference = directory + "/reference.png";
    QCOMPARE(run({"-f", filter, m_photo, reference}).exitCode, 0);
    QVERIFY(readAll(output) == readAll(reference));
}

void TestRenderCliDocuments::settingsWrongForDocumentAreUsageErrors_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown key") << QStringList{"-s", "sharpness=3"}
                                 << "unknown parameter \"sharpness\" for filter Pencil";
    QTest::newRow("out of range") << QStringList{"-s", "edge_threshold=101"}
                                  << "out of range 0..100";
    QTest::newRow("unknown texture")
        << QStringList{"--texture", "Velvet"} << "\"Velvet\" is not a choice";
    QTest::newRow("setting without =")
        << QStringList{"-s", "edge_threshold"} << "a setting must be KEY=VALUE";
    QTest::newRow("preset of another filter")
        << QStringList{"--preset", "Expressive strokes"}
        << "unknown preset \"Expressive strokes\" for filter Pencil";
    // -f naming another filter than the stored one, if the build renders two.
    for (const QString& name : renderableFilters()) {
        if (name != "Pencil") {
            QTest::newRow("another filter") << QStringList{"-f", name} << "does not match";
            break;
        }
    }
}

void TestRenderCliDocuments::settingsWrongForDocumentAreUsageErrors()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);

    const QString document = saveDocument("pencil.drawlume", {});
    QVERIFY(!document.isEmpty());
    const QString output = QFileInfo(document).absolutePath() + "/out.png";
    const RenderResult result = run(options + QStringList{"--document", document, output});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.startsWith("drawlume-render: "), qPrintable(result.err));
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(result.out, QString());
    QVERIFY(!QFileInfo::exists(output));
}

void TestRenderCliDocuments::saveDocumentOverInputIsRefused()
{
    // A document name that is a link to the input: writing it would replace the
    // photograph.
    const QString directory = freshDirectory("document-over-input");
    const QString input = directory + "/photo.png";
    QVERIFY(QFile::copy(m_photo, input));
    QVERIFY(QFile::link(input, directory + "/photo.drawlume"));

    const RenderResult result =
        run({input, directory + "/out.png", "--save-document", directory + "/photo.drawlume"});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("is the input"), qPrintable(result.err));
    QVERIFY2(result.err.contains("never overwritten"), qPrintable(result.err));
    QVERIFY(readAll(input) == readAll(m_photo));
    QVERIFY(!QFileInfo::exists(directory + "/out.png"));
}

void TestRenderCliDocuments::saveDocumentOverItsDocumentIsRefused()
{
    const QString document = saveDocument("itself.drawlume", {});
    QVERIFY(!document.isEmpty());
    const QByteArray before = readAll(document);
    const RenderResult result =
        run({"-s", "stroke_length=20", "--document", document, "--save-document", document});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("never overwritten"), qPrintable(result.err));
    QVERIFY(readAll(document) == before);
}

void TestRenderCliDocuments::failedDocumentWriteKeepsThePreviousDocument()
{
    const QString document = saveDocument("kept.drawlume", {"-s", "stroke_length=60"});
    QVERIFY(!document.isEmpty());
    const QByteArray before = readAll(document);
    const QString directory = QFileInfo(document).absolutePath();
    const QStringList files =
        QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    // The new document would be as large as the old one; the limit lets half of
    // it be written.
    RenderResult result;
    {
        FileSizeLimit limit(before.size() / 2);
        result = run({"-s", "stroke_length=20", m_photo, "--save-document", document});
    }
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith(
                 QStringLiteral("drawlume-render: cannot write \"%1\": ").arg(document)),
             qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(result.out, QString());
    QVERIFY(readAll(document) == before);
    // No temporary file is left beside it.
    QCOMPARE(QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             files);

    // A directory that does not exist: nothing is made.
    const QString nowhere = directory + "/no/such/place/new.drawlume";
    result = run({m_photo, "--save-document", nowhere});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("cannot write \"%1\"").arg(nowhere)),
             qPrintable(result.err));
    QVERIFY(!QFileInfo::exists(directory + "/no"));
}

void TestRenderCliDocuments::documentFailureStillWritesTheRender()
{
    const QString directory = freshDirectory("document-fails");
    const QString output = directory + "/drawing.png";
    const QString nowhere = directory + "/missing/photo.drawlume";
    const RenderResult result = run({m_photo, output, "--save-document", nowhere});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith(
                 QStringLiteral("drawlume-render: cannot write \"%1\": ").arg(nowhere)),
             qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(output));
    // The drawing is the one the command gives without the document.
    QCOMPARE(run({m_photo, directory + "/plain.png"}).exitCode, 0);
    QVERIFY(readAll(output) == readAll(directory + "/plain.png"));
}

void TestRenderCliDocuments::interruptedRenderLeavesNoFolder_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestRenderCliDocuments::interruptedRenderLeavesNoFolder()
{
    QFETCH(int, signal);

    // A document large enough that its render is still going when the signal comes.
    const QString directory = freshDirectory("interrupted");
    const QString photo = directory + "/large.png";
    QVERIFY(photoPicture(1600, 1200, 2).save(photo));
    const QString document = directory + "/large.drawlume";
    RenderResult result = run({"-f", "Oil", photo, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    // The program's temporary folder goes to a folder of the test's own, which also holds one
    // left by a process that has ended and one of a process that still runs (this test).
    const QString temporary = directory + "/tmp";
    QProcess ended;
    ended.start(QStringLiteral("sleep"), {"0.1"});
    QVERIFY(ended.waitForStarted());
    const qint64 endedId = ended.processId();
    QVERIFY(ended.waitForFinished());
    const QString stale = QStringLiteral("drawlume-%1-aB3dEf").arg(endedId);
    const QString live =
        QStringLiteral("drawlume-%1-aB3dEf").arg(QCoreApplication::applicationPid());
    QVERIFY(QDir().mkpath(temporary + "/" + stale + "/drawlume"));
    QVERIFY(writeAll(temporary + "/" + stale + "/drawlume/picture.png", "left over"));
    QVERIFY(QDir().mkpath(temporary + "/" + live));

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", temporary);
    process.setProcessEnvironment(environment);
    const QString output = directory + "/painting.png";
    process.start(QStringLiteral(DRAWLUME_RENDER_BINARY), {"--document", document, output});
    QVERIFY(process.waitForStarted());
    const QString prefix = QStringLiteral("drawlume-%1-").arg(process.processId());
    QString unpacked;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QStringList found =
                QDir(temporary).entryList({prefix + "*"}, QDir::Dirs | QDir::NoDotAndDotDot);
            unpacked = found.isEmpty() ? QString() : temporary + "/" + found.first();
            return !unpacked.isEmpty() &&
                   !QDir(unpacked + "/drawlume").entryList({"picture*"}, QDir::Files).isEmpty();
        }(),
        30000);
    // The stale folder went when the program started; the live one stays.
    QVERIFY(!QFileInfo::exists(temporary + "/" + stale));
    QVERIFY(QFileInfo::exists(temporary + "/" + live));

    QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit); // ended by the signal, as before
    QVERIFY2(!QFileInfo::exists(unpacked), qPrintable(unpacked));
    QCOMPARE(QDir(temporary).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{live});
    QVERIFY(!QFileInfo::exists(output));
}

QTEST_GUILESS_MAIN(TestRenderCliDocuments)
#include "test_render_cli_documents.moc"
