// End-to-end tests of drawlume-render: the built program is run with QProcess on small synthetic
// pictures in a temporary directory, and its files, output and exit codes are checked.

#include "core/framework/filter.h"
#include "core/filters/filter_list.h"
#include "core/framework/parameter_xml.h"
#include "document/document_container.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A 64 x 48 (or other size) photograph stand-in: a colour gradient with a dark disc and a light
// rectangle, so that the drawing has edges and flat areas. variant shifts the colours.
QImage testPhoto(int width = 64, int height = 48, int variant = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    const int cx = width / 3;
    const int cy = height / 2;
    const int radius = height / 4;
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb colour = qRgb(60 + 150 * x / width, 80 + 120 * y / height,
                               (140 - 60 * x / width + 40 * variant) % 256);
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius)
                colour = qRgb(40, 30 + 30 * variant, 20);
            if (x >= 2 * width / 3 && x < 5 * width / 6 && y >= height / 4 && y < height / 2)
                colour = qRgb(250, 240, 200);
            row[x] = colour;
        }
    }
    return image;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QImage readPicture(const QString& path)
{
    QImageReader reader(path);
    return reader.read();
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

// The filters the program can render, straight from the core.
QStringList renderableFilters()
{
    QStringList names;
    for (const QString& name : allFilterNames()) {
        if (createFilter(name))
            names.append(name);
    }
    return names;
}

QString shortKey(const QString& key)
{
    return key.mid(key.lastIndexOf(QLatin1String("::")) + 2);
}

// Lowers the file size limit of this process, and so of the programs it starts, for its lifetime.
// Root is not stopped by file permissions, but by this. Writing past the limit then fails with
// EFBIG instead of killing the writer.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

// The set the program stores for settings (full key -> value) of filter: the table defaults, the
// settings, and the fixed values of the resulting choices, as the filter's panel holds them.
FilterParameters panelSet(const QString& filter, const QMap<QString, QVariant>& settings)
{
    FilterParameters set = *defaultParameters(filter);
    const QMap<QString, QVariant> defaultFixed = fixedValues(set);
    for (auto it = defaultFixed.cbegin(); it != defaultFixed.cend(); ++it) {
        if (!findParameter(filter, it.key()))
            set.remove(it.key());
    }
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        set.insert(it.key(), it.value());
    addFixedValues(set);
    return set;
}

qint64 readInt64(const QByteArray& bytes, qint64 offset)
{
    return qFromLittleEndian<qint64>(bytes.constData() + offset);
}

qint32 readInt32(const QByteArray& bytes, qint64 offset)
{
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

} // namespace

class TestRenderCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void pencilRenderWritesPictureOfInputSize_data();
    void pencilRenderWritesPictureOfInputSize();
    void leadPencilIsGreyColouredIsNot();
    void sameCommandGivesSameBytes_data();
    void sameCommandGivesSameBytes();
    void batchOrderDoesNotChangeAPicture();
    void kraftPaperTintsTheDrawingBrown_data();
    void kraftPaperTintsTheDrawingBrown();
    void batchWritesIntoOutputDirectory();
    void jpegQualityOption();
    void quietAndProgress();
    void progressBarOnATerminal_data();
    void progressBarOnATerminal();

    void usageErrors_data();
    void usageErrors();
    void fixedKeyIsRefused();
    void ambiguousShortKeyIsRefused();
    void outputEqualToInputIsRefused_data();
    void outputEqualToInputIsRefused();
    void unreadableInputs_data();
    void unreadableInputs();
    void incompleteInputWarnsAndStillRenders_data();
    void incompleteInputWarnsAndStillRenders();
    void unwritableOutputs_data();
    void unwritableOutputs();
    void sameOutputTwiceInBatchKeepsTheFirst();

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
    void damagedDocumentsAreRefused_data();
    void damagedDocumentsAreRefused();
    void documentWithUnknownFilterIsRefused_data();
    void documentWithUnknownFilterIsRefused();
    void settingsWrongForDocumentAreUsageErrors_data();
    void settingsWrongForDocumentAreUsageErrors();
    void saveDocumentOverInputIsRefused();
    void saveDocumentOverItsDocumentIsRefused();
    void failedDocumentWriteKeepsThePreviousDocument();
    void documentFailureStillWritesTheRender();

    void listFilters();
    void listParameters_data();
    void listParameters();
    void versionAndHelp();

private:
    Result run(const QStringList& arguments, const QString& workingDirectory = QString()) const;
    // A fresh directory under the temporary one, for a test row's files.
    QString freshDirectory(const QString& name) const;
    // Copies of the input pictures in directory: photo.png and other.jpg.
    void copyInputs(const QString& directory) const;

    // Writes a document with settings of the photograph (no render); its path, or empty.
    QString saveDocument(const QString& name, const QStringList& settings) const;

    QTemporaryDir m_dir;
    QString m_photo; // 64 x 48 PNG
    QString m_other; // 48 x 40 JPEG
    int m_rows = 0;
};

Result TestRenderCli::run(const QStringList& arguments, const QString& workingDirectory) const
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory.isEmpty() ? m_dir.path() : workingDirectory);
    process.start(QStringLiteral(DRAWLUME_RENDER_BINARY), arguments);
    Result result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("drawlume-render did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString TestRenderCli::freshDirectory(const QString& name) const
{
    QString path = m_dir.filePath(name);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = m_dir.filePath(name + QString::number(n));
    QDir().mkpath(path);
    return path;
}

void TestRenderCli::copyInputs(const QString& directory) const
{
    QFile::copy(m_photo, directory + "/photo.png");
    QFile::copy(m_other, directory + "/other.jpg");
}

QString TestRenderCli::saveDocument(const QString& name, const QStringList& settings) const
{
    const QString document = freshDirectory("document") + "/" + name;
    const Result result = run(settings + QStringList{m_photo, "--save-document", document});
    if (result.exitCode != 0 || !QFileInfo::exists(document)) {
        qWarning("%s", qPrintable(result.err));
        return QString();
    }
    return document;
}

void TestRenderCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFileInfo(DRAWLUME_RENDER_BINARY).isExecutable(), DRAWLUME_RENDER_BINARY);
    m_photo = m_dir.filePath("photo.png");
    m_other = m_dir.filePath("other.jpg");
    QVERIFY(testPhoto(64, 48, 0).save(m_photo));
    QVERIFY(testPhoto(48, 40, 1).save(m_other, "jpeg", 95));
}

void TestRenderCli::pencilRenderWritesPictureOfInputSize_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("outputName");

    QTest::newRow("lead pencil to png") << QStringList() << "lead.png";
    QTest::newRow("coloured pencils")
        << QStringList{"-s", "color_enabled=colored_pencils"} << "colour.png";
    QTest::newRow("choice by label")
        << QStringList{"--set", "color_enabled=Colored pencils"} << "label.png";
    QTest::newRow("full key") << QStringList{"-s", "PencilBWAlgorithm::edge_intensity=70"}
                              << "full-key.png";
    QTest::newRow("filter name in lower case") << QStringList{"-f", "pencil"} << "lower.png";
    QTest::newRow("jpeg output") << QStringList{"--filter", "Pencil"} << "drawing.jpg";
    QTest::newRow("upper-case suffix") << QStringList() << "drawing.TIF";
}

void TestRenderCli::pencilRenderWritesPictureOfInputSize()
{
    QFETCH(QStringList, options);
    QFETCH(QString, outputName);

    const QString output = m_dir.filePath(outputName);
    const Result result = run(options + QStringList{m_photo, output});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(output));

    const QImage drawing = readPicture(output);
    QVERIFY(!drawing.isNull());
    QCOMPARE(drawing.size(), QSize(64, 48));
    // It is a drawing, not the photograph copied.
    QVERIFY(drawing.convertToFormat(QImage::Format_RGB32) !=
            testPhoto().convertToFormat(QImage::Format_RGB32));
}

void TestRenderCli::leadPencilIsGreyColouredIsNot()
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

void TestRenderCli::sameCommandGivesSameBytes_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("lead pencil") << QStringList() << "png";
    QTest::newRow("coloured pencils, long strokes")
        << QStringList{"-s", "color_enabled=colored_pencils", "-s", "stroke_length=90"} << "png";
    QTest::newRow("jpeg") << QStringList{"-s", "edge_threshold=20"} << "jpg";
}

void TestRenderCli::sameCommandGivesSameBytes()
{
    QFETCH(QStringList, options);
    QFETCH(QString, suffix);

    const QString first = m_dir.filePath("first." + suffix);
    const QString second = m_dir.filePath("second." + suffix);
    QCOMPARE(run(options + QStringList{m_photo, first}).exitCode, 0);
    QCOMPARE(run(options + QStringList{m_photo, second}).exitCode, 0);
    const QByteArray bytes = readAll(first);
    QVERIFY(!bytes.isEmpty());
    QVERIFY(bytes == readAll(second));
}

void TestRenderCli::batchOrderDoesNotChangeAPicture()
{
    // Each picture starts the generator afresh: rendering it alone, first or second in a batch
    // gives the same bytes.
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

    // One picture three times in one batch, with strokes that the painter remembers: each
    // rendering has its own thread and stroke memory, so nothing carries over to the next.
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

void TestRenderCli::kraftPaperTintsTheDrawingBrown_data()
{
    QTest::addColumn<QStringList>("options");

    QTest::newRow("--texture label") << QStringList{"--texture", "Kraft paper"};
    QTest::newRow("--texture in lower case") << QStringList{"--texture", "kraft paper"};
    QTest::newRow("-s texture") << QStringList{"-s", "texture=Kraft paper"};
}

void TestRenderCli::kraftPaperTintsTheDrawingBrown()
{
    QFETCH(QStringList, options);

    const QString plain = m_dir.filePath("plain-paper.png");
    const QString kraft = m_dir.filePath("kraft.png");
    QCOMPARE(run({m_photo, plain}).exitCode, 0);
    const Result result = run(options + QStringList{m_photo, kraft});
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

void TestRenderCli::batchWritesIntoOutputDirectory()
{
    const QString out = m_dir.filePath("batch/nested"); // made by the program
    const Result result = run({"--format", "jpg", m_photo, m_other, "--output-dir", out});
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

    // Without --format the batch writes PNG.
    const QString pngDir = freshDirectory("batch-png");
    QCOMPARE(run({"-q", m_other, "--output-dir", pngDir}).exitCode, 0);
    QCOMPARE(QImageReader(pngDir + "/other.png").format(), QByteArray("png"));
}

void TestRenderCli::jpegQualityOption()
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

void TestRenderCli::quietAndProgress()
{
    // QProcess's standard error is a pipe, not a terminal: no progress bar, only the one line.
    const QString output = m_dir.filePath("talkative.png");
    Result result = run({m_photo, output});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QStringLiteral("wrote %1\n").arg(output));
    QCOMPARE(result.err, QString());

    result = run({"-q", m_photo, m_dir.filePath("quiet.png")});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QString());
    QCOMPARE(result.err, QString());
    QVERIFY(QFileInfo::exists(m_dir.filePath("quiet.png")));
}

void TestRenderCli::progressBarOnATerminal_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("expected"); // pieces of the bar; empty: no bar at all

    QTest::newRow("pencil") << QStringList() << QStringList{"Pencil", "phase 1 of 1", "100%"};
    QTest::newRow("pencil on paper") << QStringList{"--texture", "Old paper"}
                                     << QStringList{"phase 1 of 2", "phase 2 of 2", "100%"};
    QTest::newRow("quiet") << QStringList{"-q"} << QStringList();
    // "@document": a document of the photograph on old paper, rendered with --document.
    QTest::newRow("document on paper")
        << QStringList{"@document"}
        << QStringList{"Pencil", "photo.drawlume", "phase 1 of 2", "phase 2 of 2", "100%"};
}

void TestRenderCli::progressBarOnATerminal()
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
    // The bar is wiped at the end: the last thing on the terminal is the erase sequence.
    QVERIFY2(terminal.endsWith("\r\033[K"), terminal.right(80).constData());
}

void TestRenderCli::usageErrors_data()
{
    // "@in" is replaced by the input picture, "@out" by an output in the row's own directory.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("no input") << QStringList{"-s", "edge_threshold=3"} << "no input picture";
    QTest::newRow("unknown option")
        << QStringList{"--bogus", "@in", "@out"} << "Unknown option 'bogus'";
    QTest::newRow("option without its value")
        << QStringList{"@in", "@out", "--filter"} << "Missing value after '--filter'";
    QTest::newRow("unknown filter") << QStringList{"-f", "Charcoal", "@in", "@out"}
                                    << "unknown filter \"Charcoal\" (filters: Pencil";
    QTest::newRow("unknown key") << QStringList{"-s", "sharpness=3", "@in", "@out"}
                                 << "unknown parameter \"sharpness\" for filter Pencil";
    QTest::newRow("unknown full key")
        << QStringList{"-s", "PencilBWAlgorithm::sharpness=3", "@in", "@out"}
        << "unknown parameter \"PencilBWAlgorithm::sharpness\" for filter Pencil";
    QTest::newRow("key of another filter")
        << QStringList{"-s", "strength_of_effect=50", "@in", "@out"}
        << "unknown parameter \"strength_of_effect\"";
    QTest::newRow("above the range") << QStringList{"-s", "edge_threshold=101", "@in", "@out"}
                                     << "PencilBWAlgorithm::edge_threshold=101: the value is out "
                                        "of range 0..100";
    QTest::newRow("below the range")
        << QStringList{"-s", "darken_lighten=-101", "@in", "@out"} << "out of range -100..100";
    QTest::newRow("below a raised minimum")
        << QStringList{"-s", "color_intensity=49", "@in", "@out"} << "out of range 50..100";
    QTest::newRow("text for a number") << QStringList{"-s", "edge_threshold=abc", "@in", "@out"}
                                       << "edge_threshold=abc: the value must be a whole number";
    QTest::newRow("fraction for a number")
        << QStringList{"-s", "edge_threshold=2.5", "@in", "@out"} << "must be a whole number";
    QTest::newRow("empty value") << QStringList{"-s", "stroke_length=", "@in", "@out"}
                                 << "must be a whole number";
    QTest::newRow("unknown choice") << QStringList{"-s", "color_enabled=crayons", "@in", "@out"}
                                    << "\"crayons\" is not a choice of "
                                       "PencilBWAlgorithm::color_enabled";
    QTest::newRow("unknown texture") << QStringList{"--texture", "Velvet", "@in", "@out"}
                                     << "\"Velvet\" is not a choice of TexturizeAlgorithm::texture";
    QTest::newRow("setting without =")
        << QStringList{"-s", "edge_threshold", "@in", "@out"} << "a setting must be KEY=VALUE";
    QTest::newRow("missing OUTPUT") << QStringList{"@in"} << "missing OUTPUT";
    QTest::newRow("several inputs without --output-dir")
        << QStringList{"@in", "@in", "@out"} << "--output-dir";
    QTest::newRow("output suffix not writable")
        << QStringList{"@in", "@out.xyz"} << "unsupported format \"xyz\"";
    QTest::newRow("output without suffix") << QStringList{"@in", "@out-plain"} << "no suffix";
    QTest::newRow("read-only output format")
        << QStringList{"@in", "@out.gif"} << "unsupported format \"gif\"";
    QTest::newRow("--format not writable")
        << QStringList{"--format", "gif", "@in", "--output-dir", "@dir"}
        << "--format \"gif\": unsupported format";
    QTest::newRow("--format without --output-dir")
        << QStringList{"--format", "jpg", "@in", "@out"} << "--format applies to --output-dir only";
    QTest::newRow("quality above 100")
        << QStringList{"--quality", "101", "@in", "@out"} << "--quality \"101\"";
    QTest::newRow("quality not a number")
        << QStringList{"--quality", "best", "@in", "@out"} << "--quality \"best\"";
    QTest::newRow("list parameters of unknown filter")
        << QStringList{"--list-parameters", "Charcoal"} << "unknown filter \"Charcoal\"";

    // Documents.
    QTest::newRow("document name without .drawlume")
        << QStringList{"@in", "--save-document", "@out.png"} << "must end in \".drawlume\"";
    QTest::newRow("document name in upper case")
        << QStringList{"@in", "@out", "--save-document", "@out.DRAWLUME"}
        << "must end in \".drawlume\"";
    QTest::newRow("save document in a batch")
        << QStringList{"@in", "--save-document", "@out.drawlume", "--output-dir", "@dir"}
        << "cannot be combined with --output-dir";
    QTest::newRow("document as INPUT")
        << QStringList{"@out.drawlume", "@out"} << "is a document, not a picture";
    QTest::newRow("document as OUTPUT")
        << QStringList{"@in", "@out.drawlume"} << "write a document with --save-document";
    QTest::newRow("document without OUTPUT")
        << QStringList{"--document", "@out.drawlume"} << "missing OUTPUT after --document";
    QTest::newRow("document with INPUT")
        << QStringList{"--document", "@out.drawlume", "@in", "@out"}
        << "--document renders one document";
    QTest::newRow("document into --output-dir")
        << QStringList{"--document", "@out.drawlume", "--output-dir", "@dir"}
        << "cannot be combined with --output-dir";
    QTest::newRow("document saved under a picture's name")
        << QStringList{"--document", "@out.drawlume", "--save-document", "@out-b.png", "@out"}
        << "must end in \".drawlume\"";
    QTest::newRow("document saved, and another as OUTPUT")
        << QStringList{"--document", "@out.drawlume", "--save-document", "@out-b.drawlume",
                       "@out-c.drawlume"}
        << "write a document with --save-document";
    QTest::newRow("document into unknown format")
        << QStringList{"--document", "@out.drawlume", "@out.xyz"} << "unsupported format";
    QTest::newRow("document with unknown filter option")
        << QStringList{"-f", "Charcoal", "--document", "@out.drawlume", "@out"}
        << "unknown filter \"Charcoal\"";
}

void TestRenderCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const QString directory = freshDirectory(QStringLiteral("usage%1").arg(m_rows++));
    QFile::copy(m_photo, directory + "/input.png");
    for (QString& argument : arguments) {
        if (argument == "@in")
            argument = directory + "/input.png";
        else if (argument == "@dir")
            argument = directory + "/out";
        else if (argument.startsWith("@out"))
            argument = directory + "/output" + argument.mid(4) + (argument == "@out" ? ".png" : "");
    }

    const Result result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.startsWith("drawlume-render: "), qPrintable(result.err));
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(result.out, QString());
    // Found before anything was rendered: nothing was written.
    QCOMPARE(QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"input.png"});
}

void TestRenderCli::fixedKeyIsRefused()
{
    // Find a filter the program renders whose set carries a fixed value under some choice.
    for (const QString& filter : renderableFilters()) {
        for (const ParameterSpec& entry : parameterTable(filter)) {
            for (const ParameterChoice& choice : entry.choices) {
                FilterParametersPtr set = defaultParameters(filter);
                set->insert(entry.key, choice.value);
                const QMap<QString, QVariant> fixed = fixedValues(*set);
                if (fixed.isEmpty())
                    continue;
                const QString key = fixed.firstKey();
                const Result result = run({"-f", filter, "-s", entry.key + "=" + choice.value, "-s",
                                           key + "=1", m_photo, m_dir.filePath("fixed.png")});
                QCOMPARE(result.exitCode, 2);
                QVERIFY2(result.err.contains(
                             QStringLiteral("%1 is fixed for filter %2").arg(key, filter)),
                         qPrintable(result.err));
                QVERIFY(!QFileInfo::exists(m_dir.filePath("fixed.png")));
                return;
            }
        }
    }
    QSKIP("no filter the program renders has fixed values yet");
}

void TestRenderCli::ambiguousShortKeyIsRefused()
{
    for (const QString& filter : renderableFilters()) {
        QMultiMap<QString, QString> byShortKey;
        for (const ParameterSpec& entry : parameterTable(filter))
            byShortKey.insert(shortKey(entry.key), entry.key);
        for (const QString& key : byShortKey.uniqueKeys()) {
            if (byShortKey.count(key) < 2)
                continue;
            const Result result =
                run({"-f", filter, "-s", key + "=1", m_photo, m_dir.filePath("ambiguous.png")});
            QCOMPARE(result.exitCode, 2);
            QVERIFY2(result.err.contains(QStringLiteral("\"%1\" is ambiguous").arg(key)),
                     qPrintable(result.err));
            for (const QString& candidate : byShortKey.values(key))
                QVERIFY2(result.err.contains(candidate), qPrintable(result.err));
            return;
        }
    }
    QSKIP("no filter the program renders has two keys ending in the same name");
}

void TestRenderCli::outputEqualToInputIsRefused_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("same name") << "same";
    QTest::newRow("another spelling") << "spelling";
    QTest::newRow("symbolic link") << "link";
    QTest::newRow("hard link") << "hardlink";
    QTest::newRow("batch output is an input") << "batch";
}

void TestRenderCli::outputEqualToInputIsRefused()
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

    const Result result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("is the input"), qPrintable(result.err));
    QVERIFY2(result.err.contains("never overwritten"), qPrintable(result.err));
    QVERIFY(readAll(input) == before);
    // Nothing else was rendered either (in the batch, other.png was not written).
    QVERIFY(!QFileInfo::exists(directory + "/other.png"));
}

void TestRenderCli::unreadableInputs_data()
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
}

void TestRenderCli::unreadableInputs()
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
    Result result = run({bad, single});
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

void TestRenderCli::incompleteInputWarnsAndStillRenders_data()
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

void TestRenderCli::incompleteInputWarnsAndStillRenders()
{
    QFETCH(QString, input);
    QFETCH(bool, cut);
    QFETCH(bool, quiet);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(testPhoto(160, 120).save(&buffer, "jpeg", 92));
    const QByteArray jpeg = cut ? buffer.data().left(buffer.data().size() * 6 / 10) : buffer.data();
    const QString directory = freshDirectory("incomplete");
    QString path = directory + "/photo.jpg";
    QStringList arguments{path};
    if (input == "document") {
        path = directory + "/photo.drawlume";
        QVERIFY(
            writeAll(path, documentBytes(jpeg, "photo.jpg", parameterXml(panelSet("Pencil", {})))));
        arguments = {"--document", path};
    } else {
        QVERIFY(writeAll(path, jpeg));
    }
    if (quiet)
        arguments.prepend("-q");
    const QString output = directory + "/drawing.png";

    const Result result = run(arguments + QStringList{output});
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

void TestRenderCli::unwritableOutputs_data()
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

void TestRenderCli::unwritableOutputs()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);
    if (how == "locked" && geteuid() == 0)
        QSKIP("running as root: a read-only directory does not stop root from writing");

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

    const Result result = run(arguments);
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

void TestRenderCli::sameOutputTwiceInBatchKeepsTheFirst()
{
    const QString directory = freshDirectory("collide");
    QVERIFY(QDir().mkpath(directory + "/a"));
    QVERIFY(QDir().mkpath(directory + "/b"));
    const QString first = directory + "/a/view.png";
    const QString second = directory + "/b/view.jpg";
    QVERIFY(testPhoto(64, 48, 0).save(first));
    QVERIFY(testPhoto(48, 40, 1).save(second));
    const QString out = directory + "/out";

    const Result result = run({first, second, "--output-dir", out});
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

void TestRenderCli::documentRenderMatchesDirectRender_data()
{
    QTest::addColumn<QStringList>("options");

    QTest::newRow("defaults") << QStringList();
    const QStringList colouredOnKraft{"-s",        "color_enabled=colored_pencils",
                                      "-s",        "stroke_length=90",
                                      "--texture", "Kraft paper"};
    QTest::newRow("coloured pencils on kraft paper") << colouredOnKraft;
    QTest::newRow("full keys") << QStringList{"-s", "PencilBWAlgorithm::edge_threshold=20", "-s",
                                              "PencilBWAlgorithm::darken_lighten=30"};
}

void TestRenderCli::documentRenderMatchesDirectRender()
{
    QFETCH(QStringList, options);

    // The direct render writes the document too; the photograph is a PNG, so the document holds
    // the very pixels that were rendered.
    const QString directory = freshDirectory("document-render");
    const QString document = directory + "/photo.drawlume";
    const QString direct = directory + "/direct.png";
    Result result = run(options + QStringList{m_photo, direct, "--save-document", document});
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

void TestRenderCli::settingsOverDocumentMatchDirectRender()
{
    const QString document =
        saveDocument("stored.drawlume", {"-s", "color_enabled=colored_pencils", "-s",
                                         "stroke_length=90", "--texture", "Old paper"});
    QVERIFY(!document.isEmpty());
    const QByteArray stored = readAll(document);
    const QString directory = QFileInfo(document).absolutePath();

    // -s and --texture win over the stored values; the other stored values stay; -f naming the
    // stored filter (in any case) is accepted.
    const QString changed = directory + "/changed.png";
    const Result result = run({"-f", "pencil", "--document", document, "-s", "stroke_length=40",
                               "--texture", "Kraft paper", changed});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    const QString direct = directory + "/direct.png";
    QCOMPARE(run({"-s", "color_enabled=colored_pencils", "-s", "stroke_length=40", "--texture",
                  "Kraft paper", m_photo, direct})
                 .exitCode,
             0);
    QVERIFY(!readAll(direct).isEmpty());
    QVERIFY(readAll(changed) == readAll(direct));
    // The document itself is only read.
    QVERIFY(readAll(document) == stored);
}

void TestRenderCli::savedDocumentHasTheExactLayout()
{
    const QString document =
        saveDocument("layout.drawlume", {"-s", "color_enabled=Colored pencils", "-s",
                                         "stroke_length=77", "--texture", "kraft paper"});
    QVERIFY(!document.isEmpty());

    // The photograph's file, as it is.
    const QByteArray picture = readAll(m_photo);
    QVERIFY(!picture.isEmpty());
    const FilterParameters set =
        panelSet("Pencil", {{"PencilBWAlgorithm::color_enabled", "colored_pencils"},
                            {"PencilBWAlgorithm::stroke_length", 77},
                            {"TexturizeAlgorithm::texture", "Kraft paper"}});
    const QByteArray xml = parameterXml(set);
    // What the panel holds, not what a render adds.
    QVERIFY(!xml.contains("\"scaling\""));
    QVERIFY(!xml.contains("for_preview"));
    QVERIFY(xml.contains("<name>Pencil</name>"));

    // Piece by piece: P, the picture, N, the name padded to 2N bytes, F, the settings.
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

void TestRenderCli::documentWithFixedValues()
{
    // A filter the program renders with a choice that brings fixed values (a pencil overlay).
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
    Result result =
        run({"-f", filter, "-s", setting, m_photo, direct, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    // The fixed values of the choice are stored with it, as the panel holds them.
    DocumentContents contents;
    QString error;
    QVERIFY2(readDocumentFile(document, contents, &error), qPrintable(error));
    const FilterParameters set = panelSet(filter, {{entry->key, choice->value}});
    QVERIFY(!fixedValues(set).isEmpty());
    QCOMPARE(contents.parameters, parameterXml(set));

    const QString fromDocument = directory + "/from-document.png";
    QCOMPARE(run({"--document", document, fromDocument}).exitCode, 0);
    QVERIFY(!readAll(direct).isEmpty());
    QVERIFY(readAll(fromDocument) == readAll(direct));

    // Back to the default choice over the document: its fixed values go with the old choice.
    const QString reset = directory + "/reset.png";
    const QString resetDirect = directory + "/reset-direct.png";
    const QString back = entry->key + "=" + entry->defaultValue.toString();
    result = run({"--document", document, "-s", back, reset});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(run({"-f", filter, m_photo, resetDirect}).exitCode, 0);
    QVERIFY(readAll(reset) == readAll(resetDirect));
    QVERIFY(readAll(reset) != readAll(direct));
}

void TestRenderCli::savedDocumentStoresTheInputFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("file");

    auto encoded = [](const char* format, int quality) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        testPhoto(48, 40, 1).save(&buffer, format, quality);
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

void TestRenderCli::savedDocumentStoresTheInputFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, file);

    const QString directory = freshDirectory("stored-file");
    const QString input = directory + "/" + name;
    QVERIFY(writeAll(input, file));
    const QString document = directory + "/stored.drawlume";
    const QString output = directory + "/drawing.png";
    Result result = run({input, output, "--save-document", document});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    // The file byte for byte, under its own name; not encoded again.
    DocumentContents contents;
    QString error;
    QVERIFY2(readDocumentFile(document, contents, &error), qPrintable(error));
    QCOMPARE(contents.pictureName, name);
    QVERIFY(contents.picture == file);
    QVERIFY(contents.parameters == parameterXml(panelSet("Pencil", {})));

    // The document renders the very picture the input gave.
    const QString fromDocument = directory + "/from-document.png";
    result = run({"--document", document, fromDocument});
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QVERIFY(readAll(fromDocument) == readAll(output));
}

void TestRenderCli::documentSavedFromADocumentKeepsItsPicture_data()
{
    QTest::addColumn<bool>("jpeg");           // the first document holds the JPEG, else the PNG
    QTest::addColumn<QStringList>("options"); // settings over the stored ones
    QTest::addColumn<bool>("render");         // OUTPUT given as well

    QTest::newRow("png, as stored") << false << QStringList() << false;
    QTest::newRow("jpeg, as stored") << true << QStringList() << false;
    QTest::newRow("jpeg, new settings and a render")
        << true << QStringList{"-s", "stroke_length=33", "--texture", "Kraft paper"} << true;
}

void TestRenderCli::documentSavedFromADocumentKeepsItsPicture()
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
    const Result result = run(arguments);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QCOMPARE(result.err, QString());
    QCOMPARE(result.out, render ? QStringLiteral("wrote %1\nwrote %2\n").arg(second, output)
                                : QStringLiteral("wrote %1\n").arg(second));
    QVERIFY(readAll(first) == before);

    // The picture file of the first document, under its name; its settings with the new ones.
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
        QCOMPARE(values.value("PencilBWAlgorithm::stroke_length").toInt(), 33);
        QCOMPARE(values.value("TexturizeAlgorithm::texture").toString(),
                 QStringLiteral("Kraft paper"));
    }
    if (!render)
        return;
    // The render is that of the new document.
    const QString again = directory + "/again.png";
    QCOMPARE(run({"--document", second, again}).exitCode, 0);
    QVERIFY(!readAll(output).isEmpty());
    QVERIFY(readAll(again) == readAll(output));
}

void TestRenderCli::saveDocumentOverItsDocumentIsRefused()
{
    const QString document = saveDocument("itself.drawlume", {});
    QVERIFY(!document.isEmpty());
    const QByteArray before = readAll(document);
    const Result result =
        run({"-s", "stroke_length=20", "--document", document, "--save-document", document});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("never overwritten"), qPrintable(result.err));
    QVERIFY(readAll(document) == before);
}

void TestRenderCli::documentOnlyWithoutOutput()
{
    const QString directory = freshDirectory("document-only");
    const QString input = directory + "/photo.png";
    QVERIFY(QFile::copy(m_photo, input));
    const QString document = directory + "/kept.drawlume";

    Result result = run({input, "--save-document", document});
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

void TestRenderCli::damagedDocumentsAreRefused_data()
{
    QTest::addColumn<QByteArray>("contents"); // null: the file does not exist
    QTest::addColumn<QString>("reason");

    const QByteArray picture = readAll(m_photo);
    const QByteArray xml = parameterXml(panelSet("Pencil", {}));
    const QByteArray whole = documentBytes(picture, "photo.png", xml);
    QTest::newRow("missing") << QByteArray() << "file does not exist";
    QTest::newRow("empty") << QByteArray("") << "damaged or not a Drawlume document";
    QTest::newRow("cut in the picture")
        << whole.left(whole.size() / 2) << "damaged or not a Drawlume document";
    QTest::newRow("cut in the settings") << whole.left(whole.size() - 10) << "settings length";
    QTest::newRow("bytes after the end") << whole + "xx"
                                         << "settings length";
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

void TestRenderCli::damagedDocumentsAreRefused()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);

    const QString directory = freshDirectory("damaged");
    const QString document = directory + "/damaged.drawlume";
    if (!contents.isNull())
        QVERIFY(writeAll(document, contents));
    const QString output = directory + "/out.png";

    const Result result = run({"--document", document, output});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith(
                 QStringLiteral("drawlume-render: cannot read \"%1\": ").arg(document)),
             qPrintable(result.err));
    QVERIFY2(result.err.contains(reason), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(result.out, QString());
    QVERIFY(!QFileInfo::exists(output));
}

void TestRenderCli::documentWithUnknownFilterIsRefused_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown") << "Charcoal"
                             << "its filter \"Charcoal\" is unknown";
    QTest::newRow("name in another case") << "pencil"
                                          << "its filter \"pencil\" is unknown";
    QTest::newRow("none") << ""
                          << "the document names no filter";
    // A filter of the application that this build cannot render yet, if there is one.
    for (const QString& name : allFilterNames()) {
        if (!renderableFilters().contains(name)) {
            QTest::newRow("not renderable yet")
                << name << QStringLiteral("its filter \"%1\" cannot be rendered").arg(name);
            break;
        }
    }
}

void TestRenderCli::documentWithUnknownFilterIsRefused()
{
    QFETCH(QString, filter);
    QFETCH(QString, message);

    FilterParameters set = panelSet("Pencil", {});
    set.setFilterName(filter);
    const QString directory = freshDirectory("foreign-filter");
    const QString document = directory + "/foreign.drawlume";
    QVERIFY(writeAll(document, documentBytes(readAll(m_photo), "photo.png", parameterXml(set))));
    const QString output = directory + "/out.png";

    const Result result = run({"--document", document, output});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.startsWith("drawlume-render: "), qPrintable(result.err));
    QVERIFY2(result.err.contains(QStringLiteral("\"%1\"").arg(document)), qPrintable(result.err));
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY(!QFileInfo::exists(output));
}

void TestRenderCli::settingsWrongForDocumentAreUsageErrors_data()
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
    // -f naming another filter than the stored one, if the build renders two.
    for (const QString& name : renderableFilters()) {
        if (name != "Pencil") {
            QTest::newRow("another filter") << QStringList{"-f", name} << "does not match";
            break;
        }
    }
}

void TestRenderCli::settingsWrongForDocumentAreUsageErrors()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);

    const QString document = saveDocument("pencil.drawlume", {});
    QVERIFY(!document.isEmpty());
    const QString output = QFileInfo(document).absolutePath() + "/out.png";
    const Result result = run(options + QStringList{"--document", document, output});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.startsWith("drawlume-render: "), qPrintable(result.err));
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(result.out, QString());
    QVERIFY(!QFileInfo::exists(output));
}

void TestRenderCli::saveDocumentOverInputIsRefused()
{
    // A document name that is a link to the input: writing it would replace the photograph.
    const QString directory = freshDirectory("document-over-input");
    const QString input = directory + "/photo.png";
    QVERIFY(QFile::copy(m_photo, input));
    QVERIFY(QFile::link(input, directory + "/photo.drawlume"));

    const Result result =
        run({input, directory + "/out.png", "--save-document", directory + "/photo.drawlume"});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("is the input"), qPrintable(result.err));
    QVERIFY2(result.err.contains("never overwritten"), qPrintable(result.err));
    QVERIFY(readAll(input) == readAll(m_photo));
    QVERIFY(!QFileInfo::exists(directory + "/out.png"));
}

void TestRenderCli::failedDocumentWriteKeepsThePreviousDocument()
{
    const QString document = saveDocument("kept.drawlume", {"-s", "stroke_length=60"});
    QVERIFY(!document.isEmpty());
    const QByteArray before = readAll(document);
    const QString directory = QFileInfo(document).absolutePath();
    const QStringList files =
        QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    // The new document would be as large as the old one; the limit lets half of it be written.
    Result result;
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

void TestRenderCli::documentFailureStillWritesTheRender()
{
    const QString directory = freshDirectory("document-fails");
    const QString output = directory + "/drawing.png";
    const QString nowhere = directory + "/missing/photo.drawlume";
    const Result result = run({m_photo, output, "--save-document", nowhere});
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

void TestRenderCli::listFilters()
{
    const Result result = run({"--list-filters"});
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.contains("Pencil"));
    QCOMPARE(lines, renderableFilters());
    QCOMPARE(result.err, QString());
}

void TestRenderCli::listParameters_data()
{
    QTest::addColumn<QString>("filter");
    for (const QString& name : allFilterNames()) {
        if (!parameterTable(name).isEmpty())
            QTest::newRow(qPrintable(name)) << name;
    }
}

void TestRenderCli::listParameters()
{
    QFETCH(QString, filter);

    const Result result = run({"--list-parameters", filter});
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    const QVector<ParameterSpec>& table = parameterTable(filter);
    int fixedLines = 0;
    for (const QString& line : lines) {
        if (line.split(' ', Qt::SkipEmptyParts).value(1) == "fixed")
            ++fixedLines;
    }
    QCOMPARE(lines.size(), table.size() + fixedLines);

    for (int i = 0; i < table.size(); ++i) {
        const ParameterSpec& entry = table.at(i);
        const QStringList words = lines.at(i).split(' ', Qt::SkipEmptyParts);
        QCOMPARE(words.value(0), entry.key);
        if (entry.kind == ParameterSpec::Slider) {
            QCOMPARE(words.value(1), QStringLiteral("int"));
            QCOMPARE(words.value(2),
                     QStringLiteral("%1..%2").arg(entry.minimum).arg(entry.maximum));
            QVERIFY2(
                lines.at(i).contains(QStringLiteral("default %1").arg(entry.defaultValue.toInt())),
                qPrintable(lines.at(i)));
        } else {
            QCOMPARE(words.value(1), QStringLiteral("choice"));
            QVERIFY2(lines.at(i).contains(
                         QStringLiteral("default \"%1\"").arg(entry.defaultValue.toString())),
                     qPrintable(lines.at(i)));
            for (const ParameterChoice& choice : entry.choices)
                QVERIFY2(lines.at(i).contains('"' + choice.value + '"'), qPrintable(lines.at(i)));
        }
    }

    // The values the default choices fix are all there.
    const QMap<QString, QVariant> fixed = fixedValues(*defaultParameters(filter));
    for (auto it = fixed.cbegin(); it != fixed.cend(); ++it) {
        const QString expected = QStringLiteral("fixed value %1").arg(it.value().toString());
        bool found = false;
        for (const QString& line : lines) {
            if (line.startsWith(it.key() + ' ') && line.simplified().contains(expected))
                found = true;
        }
        QVERIFY2(found, qPrintable(it.key()));
    }
}

void TestRenderCli::versionAndHelp()
{
    Result result = run({"--version"});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QStringLiteral("drawlume-render " DRAWLUME_VERSION "\n"));

    result = run({"--help"});
    QCOMPARE(result.exitCode, 0);
    for (const char* option :
         {"--filter", "--set", "--texture", "--quality", "--format", "--output-dir", "--document",
          "--save-document", "--list-filters", "--list-parameters", "--quiet"})
        QVERIFY2(result.out.contains(option), option);
}

QTEST_GUILESS_MAIN(TestRenderCli)
#include "test_render_cli.moc"
