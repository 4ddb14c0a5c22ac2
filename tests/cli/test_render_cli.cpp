// End-to-end tests of drawlume-render: the built program is run with QProcess on small synthetic
// pictures in a temporary directory, and its files, output and exit codes are checked.

#include "core/framework/filter.h"
#include "core/framework/parameter_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
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
    void unwritableOutputs_data();
    void unwritableOutputs();
    void sameOutputTwiceInBatchKeepsTheFirst();

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
    QProcess process;
    process.setChildProcessModifier([slaveName] {
        const int slave = ::open(slaveName.constData(), O_RDWR | O_NOCTTY);
        if (slave >= 0)
            ::dup2(slave, STDERR_FILENO);
    });
    process.start(QStringLiteral(DRAWLUME_RENDER_BINARY), options + QStringList{m_photo, output});
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
    for (const char* option : {"--filter", "--set", "--texture", "--quality", "--format",
                               "--output-dir", "--list-filters", "--list-parameters", "--quiet"})
        QVERIFY2(result.out.contains(option), option);
}

QTEST_GUILESS_MAIN(TestRenderCli)
#include "test_render_cli.moc"
