// drawlume-render's command line: the options it knows, what it lists, and the
// usage errors it refuses before rendering anything.

#include "core/filters/filter_list.h"
#include "core/framework/parameter_keys.h"
#include "document/picture_formats.h"
#include "document/picture_io.h"
#include "document/presets.h"
#include "support/render_cli.h"
#include "support/test_files.h"

#include <QtTest>

namespace {

QString shortKey(const QString& key)
{
    return key.mid(key.lastIndexOf(QLatin1String("::")) + 2);
}

QStringList builtInNames(const QString& filter)
{
    QStringList names;
    for (const Preset& preset : builtInPresets(filter))
        names.append(preset.name);
    return names;
}

} // namespace

class TestRenderCliOptions : public QObject, private RenderCliFixture
{
    Q_OBJECT

private slots:
    void initTestCase();

    void usageErrors_data();
    void usageErrors();
    void fixedKeyIsRefused();
    void ambiguousShortKeyIsRefused();
    void listFilters();
    void listParameters_data();
    void listParameters();
    void listPresets_data();
    void listPresets();
    void versionAndHelp();

private:
    int m_rows = 0;
};

void TestRenderCliOptions::initTestCase()
{
    createInputs();
    // The user's presets of these runs: two of their own and a damaged file for Pencil.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
    QString error;
    for (const char* name : {"zeta", "Alpha"})
        QVERIFY(PresetStore().save(name, *defaultParameters("Pencil"), &error));
    QVERIFY(writeAll(PresetStore().filePath("Pencil", "Broken"), "<filter>"));
}

void TestRenderCliOptions::usageErrors_data()
{
    // "@in" is replaced by the input picture, "@out" by an output in the row's
    // own directory.
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
                                     << Keys::Pencil::contour + "=101: the value is out "
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
                                    << "\"crayons\" is not a choice of " + Keys::Pencil::type;
    QTest::newRow("unknown texture") << QStringList{"--texture", "Velvet", "@in", "@out"}
                                     << "\"Velvet\" is not a choice of " + Keys::Texture::paper;
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
    QTest::newRow("--name-pattern without --output-dir")
        << QStringList{"--name-pattern", "{name}.{ext}", "@in", "@out"}
        << "--name-pattern applies to --output-dir only";
    QTest::newRow("--name-pattern without {ext}")
        << QStringList{"--name-pattern", "{name}", "@in", "--output-dir", "@dir"}
        << "--name-pattern \"{name}\": the pattern has no {ext}";
    QTest::newRow("quality above 100")
        << QStringList{"--quality", "101", "@in", "@out"} << "--quality \"101\"";
    QTest::newRow("quality not a number")
        << QStringList{"--quality", "best", "@in", "@out"} << "--quality \"best\"";
    QTest::newRow("picture limit of 0")
        << QStringList{"--max-megapixels", "0", "@in", "@out"}
        << "--max-megapixels \"0\": the limit must be a whole number from 1 to 1000";
    QTest::newRow("picture limit above 1000")
        << QStringList{"--max-megapixels", "1001", "@in", "@out"} << "from 1 to 1000";
    QTest::newRow("picture limit not a number")
        << QStringList{"--max-megapixels", "lots", "@in", "@out"} << "--max-megapixels \"lots\"";
    QTest::newRow("no threads")
        << QStringList{"--threads", "0", "@in", "@out"}
        << "--threads \"0\": the thread count must be a whole number from 1 to 256";
    QTest::newRow("threads not a number")
        << QStringList{"--threads", "all", "@in", "@out"} << "--threads \"all\"";
    // A name of 100000 characters (about what one argument may hold) is cut in the message, which
    // says how long it was.
    const QString huge(100000, QLatin1Char('x'));
    QTest::newRow("huge filter name")
        << QStringList{"-f", huge, "@in", "@out"}
        << "unknown filter \"" + huge.left(77) + "...\" (100000 characters)";
    QTest::newRow("huge key") << QStringList{"-s", huge + "=3", "@in", "@out"}
                              << "unknown parameter \"" + huge.left(77) + "...\"";
    QTest::newRow("huge number") << QStringList{"-s", "edge_threshold=" + huge, "@in", "@out"}
                                 << "(100000 characters)";
    QTest::newRow("huge choice") << QStringList{"-s", "color_enabled=" + huge, "@in", "@out"}
                                 << "(100000 characters) is not a choice";
    QTest::newRow("list parameters of unknown filter")
        << QStringList{"--list-parameters", "Charcoal"} << "unknown filter \"Charcoal\"";

    // Presets.
    QTest::newRow("unknown preset")
        << QStringList{"--preset", "Nope", "@in", "@out"}
        << QStringLiteral("unknown preset \"Nope\" for filter Pencil (presets: %1, Alpha, zeta)")
               .arg(builtInNames("Pencil").join(", "));
    QTest::newRow("preset of another filter")
        << QStringList{"-f", "Oil", "--preset", builtInNames("Pencil").first(), "@in", "@out"}
        << QStringLiteral("unknown preset \"%1\" for filter Oil")
               .arg(builtInNames("Pencil").first());
    QTest::newRow("damaged preset")
        << QStringList{"--preset", "broken", "@in", "@out"}
        << "preset \"broken\" of filter Pencil cannot be used: the file is not well-formed XML";
    QTest::newRow("preset without a name")
        << QStringList{"--preset", "", "@in", "@out"} << "--preset needs a preset name";
    QTest::newRow("presets of an unknown filter")
        << QStringList{"--list-presets", "Charcoal"} << "unknown filter \"Charcoal\"";
    QTest::newRow("presets of two filters")
        << QStringList{"--list-presets", "Oil", "Pencil"} << "--list-presets takes one filter";

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

void TestRenderCliOptions::usageErrors()
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

    const RenderResult result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.startsWith("drawlume-render: "), qPrintable(result.err));
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.err.size() < 2000, "the message echoes a huge argument in full");
    QCOMPARE(result.out, QString());
    // Found before anything was rendered: nothing was written.
    QCOMPARE(QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"input.png"});
}

void TestRenderCliOptions::fixedKeyIsRefused()
{
    // Find a filter the program renders whose set carries a fixed value under
    // some choice.
    for (const QString& filter : renderableFilters()) {
        for (const ParameterSpec& entry : parameterTable(filter)) {
            for (const ParameterChoice& choice : entry.choices) {
                FilterParametersPtr set = defaultParameters(filter);
                set->insert(entry.key, choice.value);
                const QMap<QString, QVariant> fixed = fixedValues(*set);
                if (fixed.isEmpty())
                    continue;
                const QString key = fixed.firstKey();
                const RenderResult result =
                    run({"-f", filter, "-s", entry.key + "=" + choice.value, "-s", key + "=1",
                         m_photo, m_dir.filePath("fixed.png")});
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

void TestRenderCliOptions::ambiguousShortKeyIsRefused()
{
    for (const QString& filter : renderableFilters()) {
        QMultiMap<QString, QString> byShortKey;
        for (const ParameterSpec& entry : parameterTable(filter))
            byShortKey.insert(shortKey(entry.key), entry.key);
        for (const QString& key : byShortKey.uniqueKeys()) {
            if (byShortKey.count(key) < 2)
                continue;
            const RenderResult result =
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

void TestRenderCliOptions::listFilters()
{
    const RenderResult result = run({"--list-filters"});
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.contains("Pencil"));
    QCOMPARE(lines, renderableFilters());
    QCOMPARE(result.err, QString());

    // --list-formats: a line per row of the format table, beginning with its suffix, "write"
    // exactly on the rows written.
    const RenderResult formats = run({"--list-formats"});
    QCOMPARE(formats.exitCode, 0);
    const QStringList rows = formats.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), pictureFormats().size());
    for (int i = 0; i < rows.size(); ++i) {
        const PictureFormat& format = pictureFormats().at(i);
        QCOMPARE(rows.at(i).section(' ', 0, 0), format.writtenSuffix());
        QCOMPARE(rows.at(i).contains(" write "), isWritablePictureSuffix(format.writtenSuffix()));
    }
}

void TestRenderCliOptions::listParameters_data()
{
    QTest::addColumn<QString>("filter");
    for (const QString& name : allFilterNames()) {
        if (!parameterTable(name).isEmpty())
            QTest::newRow(qPrintable(name)) << name;
    }
}

void TestRenderCliOptions::listParameters()
{
    QFETCH(QString, filter);

    const RenderResult result = run({"--list-parameters", filter});
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

void TestRenderCliOptions::listPresets_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("the default filter's, built-in first, the damaged one left out")
        << QStringList{"--list-presets"} << builtInNames("Pencil") + QStringList{"Alpha", "zeta"};
    QTest::newRow("the filter named after it")
        << QStringList{"--list-presets", "oil"} << builtInNames("Oil");
    QTest::newRow("the filter of -f")
        << QStringList{"-f", "Watercolor", "--list-presets"} << builtInNames("Watercolor");
    QTest::newRow("the filter after it wins over -f")
        << QStringList{"-f", "Watercolor", "--list-presets", "Pastel"} << builtInNames("Pastel");
    QTest::newRow("a filter without presets")
        << QStringList{"--list-presets", "Watermix"} << QStringList();
}

void TestRenderCliOptions::listPresets()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, names);

    // One name a line and nothing else, for scripts and completion.
    const RenderResult result = run(arguments);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, names.isEmpty() ? QString() : names.join('\n') + '\n');
    QCOMPARE(result.err, QString());
}

void TestRenderCliOptions::versionAndHelp()
{
    RenderResult result = run({"--version"});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QStringLiteral("drawlume-render " DRAWLUME_VERSION "\n"));

    result = run({"--help"});
    QCOMPARE(result.exitCode, 0);
    for (const char* option :
         {"--filter", "--set", "--texture", "--quality", "--max-megapixels", "--format",
          "--output-dir", "--name-pattern", "--document", "--save-document", "--strip-metadata",
          "--list-filters", "--list-formats", "--list-parameters", "--preset", "--list-presets",
          "--quiet", "--threads", "--mask"})
        QVERIFY2(result.out.contains(option), option);
}

QTEST_GUILESS_MAIN(TestRenderCliOptions)
#include "test_render_cli_options.moc"
