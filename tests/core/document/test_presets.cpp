#include "core/filters/filter_list.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/parameter_xml.h"
#include "document/presets.h"
#include "support/test_files.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// A filter's settings as a panel holds them: the table defaults with changes, and the values the
// filter fixes for the choices.
FilterParameters settingsWith(const QString& filter, const QMap<QString, QVariant>& changes)
{
    FilterParameters set(filter, {});
    for (const ParameterSpec& entry : parameterTable(filter))
        set.insert(entry.key, entry.defaultValue);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        set.insert(it.key(), it.value());
    addFixedValues(set);
    return set;
}

QStringList builtInNames(const QString& filter)
{
    QStringList names;
    for (const Preset& preset : builtInPresets(filter))
        names.append(preset.name);
    return names;
}

// The file of the parameter XML format with the given values, as another program could write.
QByteArray fileWith(const QString& filter, const QMap<QString, QVariant>& values)
{
    return parameterXml(FilterParameters(filter, values));
}

// Bytes of a row of presetFilesAreCheckedOnLoading that put something other than a file of bytes
// in the preset's place: "fifo", "folder", or "link:TARGET" (a symbolic link; "link:" alone links
// to a good preset file elsewhere).
const QByteArray kNoFile = QByteArrayLiteral("\x01no file:");

} // namespace

// The preset store: built-in presets, the user's presets in the data folder (here a temporary
// one) through saving, listing, loading and deleting, the names a preset may have, and damaged
// files, which are skipped while the others load.
class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void builtInPresetsAreValidAndDistinct_data();
    void builtInPresetsAreValidAndDistinct();
    void savedPresetsLoadAgainAfterARestart_data();
    void savedPresetsLoadAgainAfterARestart();
    void listingReplacingAndDeleting();
    void failedSaveKeepsThePreviousFile();
    void presetNames_data();
    void presetNames();
    void presetFilesAreCheckedOnLoading_data();
    void presetFilesAreCheckedOnLoading();

private:
    QTemporaryDir m_data;
};

void TestPresets::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    QCOMPARE(PresetStore::userPresetFolder(), m_data.filePath("drawlume/presets"));
    QCOMPARE(PresetStore().folder(), m_data.filePath("drawlume/presets"));
}

void TestPresets::init()
{
    QVERIFY(QDir(PresetStore::userPresetFolder()).removeRecursively());
}

void TestPresets::builtInPresetsAreValidAndDistinct_data()
{
    QTest::addColumn<QString>("filter");
    for (const QString& filter : filterNames())
        QTest::newRow(qPrintable(filter)) << filter;
}

void TestPresets::builtInPresetsAreValidAndDistinct()
{
    QFETCH(QString, filter);

    const QVector<Preset>& presets = builtInPresets(filter);
    QVERIFY2(presets.size() >= 3, qPrintable(builtInNames(filter).join(", ")));
    const FilterParameters defaults = defaultPresetSettings(filter);
    for (int i = 0; i < presets.size(); ++i) {
        const Preset& preset = presets.at(i);
        QVERIFY(preset.builtIn);
        QCOMPARE(preset.settings.filterName(), filter);
        QVERIFY2(!sameSettings(preset.settings, defaults), qPrintable(preset.name));
        for (int j = 0; j < i; ++j) {
            QVERIFY2(!sameSettings(preset.settings, presets.at(j).settings),
                     qPrintable(preset.name + " and " + presets.at(j).name));
        }
        // Every table key with a value its entry accepts, and the fixed values of the choices.
        for (const ParameterSpec& entry : parameterTable(filter)) {
            QVERIFY2(preset.settings.contains(entry.key), qPrintable(entry.key));
            QVERIFY2(entry.isValidValue(preset.settings.value(entry.key)),
                     qPrintable(preset.name + ": " + entry.key));
        }
        FilterParameters fixed = preset.settings;
        addFixedValues(fixed);
        QCOMPARE(fixed, preset.settings);
        // Shipped in the writer's own format, so it reads like any other parameter file.
        QCOMPARE(readAll(":/presets/" + filter + "/" + preset.name + ".xml"),
                 presetXml(preset.settings));
        QVERIFY(isReservedPresetName(filter, preset.name.toUpper()));
    }
    QCOMPARE(PresetStore().names(filter), builtInNames(filter));
    QCOMPARE(builtInNames(filter), [&] {
        QStringList sorted = builtInNames(filter);
        sorted.sort(Qt::CaseInsensitive);
        return sorted;
    }());
}

void TestPresets::savedPresetsLoadAgainAfterARestart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QVariantMap>("changes");

    QTest::newRow("pencil, coloured on kraft paper")
        << "Warm sketch"
        << "Pencil"
        << QVariantMap{{Keys::Pencil::type, Keys::Pencil::colouredPencils},
                       {Keys::Pencil::strokeLength, 90},
                       {Keys::Pencil::brightness, -100},
                       {Keys::Texture::paper, QStringLiteral("Kraft paper")}};
    QTest::newRow("watercolor with a pencil overlay and its fixed values")
        << "wash.2"
        << "Watercolor"
        << QVariantMap{{Keys::Overlay::watercolor, Keys::Overlay::darkShading},
                       {Keys::Watercolor::groundIntensity, 255}};
    QTest::newRow("oil, expressive, hidden row at its minimum")
        << QString(kPresetNameLimit, QLatin1Char('x')) << "Oil"
        << QVariantMap{{Keys::Oil::type, Keys::Oil::expressive},
                       {Keys::Oil::minimumStrokeSize, 0},
                       {Keys::Oil::strokeCount, 30}};
    QTest::newRow("pastel under a name of any script")
        << QStringLiteral("Pastel \u00e9t\u00e9 \u6f22\u5b57 \U0001F3A8") << "Pastel"
        << QVariantMap{{Keys::Pastel::precision, 0}, {Keys::Texture::paper, "Old paper"}};
    QTest::newRow("the defaults of a filter only documents bring")
        << "plain"
        << "Paint blend" << QVariantMap();
}

void TestPresets::savedPresetsLoadAgainAfterARestart()
{
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(QVariantMap, changes);

    const FilterParameters settings = settingsWith(filter, changes);
    QString error;
    QVERIFY2(PresetStore().save(name, settings, &error), qPrintable(error));
    const QString path = PresetStore().filePath(filter, name);
    QCOMPARE(path, m_data.filePath("drawlume/presets/" + filter + "/" + name + ".xml"));
    // The file is the parameter XML of the table keys, nothing more.
    QString storedFilter;
    QMap<QString, QVariant> stored;
    readParameterXml(path, storedFilter, stored);
    QCOMPARE(storedFilter, filter);
    QCOMPARE(stored.size(), parameterTable(filter).size());
    QCOMPARE(readAll(path), presetXml(settings));

    // Another store on the folder, as the next run of the program makes.
    const PresetStore restarted;
    QCOMPARE(restarted.names(filter), builtInNames(filter) + QStringList({name}));
    Preset loaded;
    QVERIFY2(restarted.find(filter, name.toLower(), &loaded, &error), qPrintable(error));
    QCOMPARE(loaded.name, name);
    QVERIFY(!loaded.builtIn);
    QCOMPARE(loaded.settings, settings);
    QVERIFY(sameSettings(loaded.settings, settings));
    QCOMPARE(sameSettings(loaded.settings, defaultPresetSettings(filter)), changes.isEmpty());
}

void TestPresets::listingReplacingAndDeleting()
{
    const QString filter = QStringLiteral("Pencil");
    const FilterParameters first = settingsWith(filter, {{Keys::Pencil::contour, 11}});
    const FilterParameters second = settingsWith(filter, {{Keys::Pencil::contour, 22}});
    const PresetStore store;
    QString error;
    for (const char* name : {"zeta", "Alpha", "beta"})
        QVERIFY2(store.save(name, first, &error), qPrintable(error));
    QCOMPARE(store.names(filter), builtInNames(filter) + QStringList({"Alpha", "beta", "zeta"}));
    QCOMPARE(store.names(QStringLiteral("Oil")), builtInNames(QStringLiteral("Oil")));

    // One preset per name whatever its letter case: saving "ALPHA" replaces "Alpha".
    QCOMPARE(store.userPresetNamed(filter, "ALPHA"), QStringLiteral("Alpha"));
    QVERIFY2(store.save("ALPHA", second, &error), qPrintable(error));
    QCOMPARE(store.names(filter), builtInNames(filter) + QStringList({"ALPHA", "beta", "zeta"}));
    QVERIFY(!QFileInfo::exists(store.filePath(filter, "Alpha")));
    Preset found;
    QVERIFY(store.find(filter, "alpha", &found));
    QCOMPARE(found.settings, second);

    QVERIFY2(store.remove(filter, "Beta", &error), qPrintable(error));
    QCOMPARE(store.names(filter), builtInNames(filter) + QStringList({"ALPHA", "zeta"}));
    QVERIFY(!store.remove(filter, "beta", &error));
    QVERIFY2(error.contains("no preset \"beta\""), qPrintable(error));
    const QString builtIn = builtInNames(filter).first();
    QVERIFY(!store.remove(filter, builtIn, &error));
    QVERIFY2(error.contains("cannot be deleted"), qPrintable(error));
    QVERIFY(store.find(filter, builtIn, &found));

    // An unknown name lists what there is.
    QVERIFY(!store.find(filter, "Nope", &found, &error));
    QCOMPARE(error, QStringLiteral("unknown preset \"Nope\" for filter Pencil (presets: %1, "
                                   "ALPHA, zeta)")
                        .arg(builtInNames(filter).join(", ")));
    QVERIFY(!store.find("Watermix", "Nope", &found, &error));
    QCOMPARE(error, QStringLiteral("unknown preset \"Nope\": filter Watermix has no presets"));
}

void TestPresets::failedSaveKeepsThePreviousFile()
{
    const QString filter = QStringLiteral("Watercolor");
    const PresetStore store;
    QString error;
    QVERIFY(store.save("Kept", settingsWith(filter, {}), &error));
    const QByteArray before = readAll(store.filePath(filter, "Kept"));
    {
        const FileSizeLimit limit(100);
        QVERIFY(
            !store.save("Kept", settingsWith(filter, {{Keys::Watercolor::strength, 1}}), &error));
    }
    QVERIFY2(error.startsWith("cannot write " + store.filePath(filter, "Kept")), qPrintable(error));
    QCOMPARE(readAll(store.filePath(filter, "Kept")), before);
    QCOMPARE(QDir(store.folder() + "/" + filter).entryList(QDir::Files | QDir::Hidden),
             QStringList({"Kept.xml"}));
}

void TestPresets::presetNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("problem"); // empty for a name that can be saved

    QTest::newRow("words") << "My look"
                           << "Pencil"
                           << "";
    QTest::newRow("dots inside") << "v1.2...final"
                                 << "Pencil"
                                 << "";
    QTest::newRow("leading dot") << ".hidden"
                                 << "Pencil"
                                 << "";
    QTest::newRow("punctuation") << "50% <bold> & \"loud\": yes?"
                                 << "Pencil"
                                 << "";
    QTest::newRow("64 characters") << QString(64, 'a') << "Pencil"
                                   << "";
    QTest::newRow("built-in name of another filter") << "Soft graphite"
                                                     << "Oil"
                                                     << "";

    QTest::newRow("empty") << ""
                           << "Pencil"
                           << "a preset needs a name";
    QTest::newRow("blanks") << " \t "
                            << "Pencil"
                            << "a preset needs a name";
    QTest::newRow("65 characters") << QString(65, 'a') << "Pencil"
                                   << "at most 64 characters";
    QTest::newRow("blank at the start") << " look"
                                        << "Pencil"
                                        << "begin or end with a blank";
    QTest::newRow("blank at the end") << "look "
                                      << "Pencil"
                                      << "begin or end with a blank";
    QTest::newRow("dot") << "."
                         << "Pencil"
                         << "\".\" and \"..\" cannot be names";
    QTest::newRow("dot dot") << ".."
                             << "Pencil"
                             << "\".\" and \"..\" cannot be names";
    QTest::newRow("slash") << "a/b"
                           << "Pencil"
                           << "cannot contain \"/\" or \"\\\"";
    QTest::newRow("path upwards") << "../escape"
                                  << "Pencil"
                                  << "cannot contain \"/\"";
    QTest::newRow("backslash") << "a\\b"
                               << "Pencil"
                               << "cannot contain \"/\" or \"\\\"";
    QTest::newRow("new line") << "a\nb"
                              << "Pencil"
                              << "control characters";
    QTest::newRow("nul") << QString("a") + QChar(0) + "b"
                         << "Pencil"
                         << "control characters";
    QTest::newRow("delete character") << "a\x7f"
                                      << "Pencil"
                                      << "control characters";
    QTest::newRow("Default") << "Default"
                             << "Pencil"
                             << "name of a built-in preset";
    QTest::newRow("default in lower case") << "default"
                                           << "Oil"
                                           << "name of a built-in preset";
    QTest::newRow("built-in name in other case")
        << builtInNames("Pencil").first().toUpper() << "Pencil"
        << "name of a built-in preset";
}

void TestPresets::presetNames()
{
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(QString, problem);

    const bool builtIn = isReservedPresetName(filter, name);
    QCOMPARE(checkPresetName(name).isEmpty(), problem.isEmpty() || builtIn);
    const PresetStore store;
    QString error;
    QCOMPARE(store.save(name, defaultPresetSettings(filter), &error), problem.isEmpty());
    QVERIFY2(error.contains(problem), qPrintable(error));
    const QStringList files =
        QDir(store.folder() + "/" + filter).entryList(QDir::Files | QDir::Hidden);
    if (problem.isEmpty()) {
        QCOMPARE(files, QStringList({name + ".xml"}));
        QCOMPARE(store.names(filter), builtInNames(filter) + QStringList({name}));
    } else {
        QCOMPARE(files, QStringList());
        // Nothing escaped the folder either.
        QCOMPARE(QDir(store.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }
}

void TestPresets::presetFilesAreCheckedOnLoading_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // empty for a file that loads

    const QString pencil = QStringLiteral("Pencil");
    const QByteArray good = presetXml(settingsWith(pencil, {{Keys::Pencil::contour, 9}}));
    FilterParameters document = settingsWith(pencil, {{Keys::Pencil::contour, 9}});
    document.insert(scalingKey(), 0.5);
    document.insert(forPreviewKey(), true);
    const auto with = [&](const QString& key, const QVariant& value) {
        return fileWith(pencil, {{key, value}});
    };

    QTest::newRow("the writer's file") << "ok" << good << "";
    QTest::newRow("a document's settings, render keys and all")
        << "ok" << parameterXml(document) << "";
    QTest::newRow("some keys only, the rest defaults")
        << "ok" << with(Keys::Pencil::contour, 9) << "";
    QTest::newRow("blanks around a value and a choice's label")
        << "ok"
        << fileWith(pencil,
                    {{Keys::Pencil::contour, " 9 "}, {Keys::Pencil::type, "colored PENCILS"}})
        << "";
    QTest::newRow("not XML") << "bad" << QByteArray("hello, presets") << "not well-formed XML";
    QTest::newRow("empty") << "bad" << QByteArray("\n") << "the file is empty";
    QTest::newRow("cut short") << "bad" << good.left(good.size() / 2) << "not well-formed XML";
    QTest::newRow("another filter's")
        << "bad" << fileWith("Oil", {}) << "the file is for filter Oil, not Pencil";
    QTest::newRow("no filter named")
        << "bad" << QByteArray("<?xml version=\"1.0\"?><x/>") << "the file names no filter";
    QTest::newRow("unknown key")
        << "bad" << with("PencilBWAlgorithm::sharpness", 3)
        << "unknown parameter \"PencilBWAlgorithm::sharpness\" for filter Pencil";
    QTest::newRow("key of another filter")
        << "bad" << with(Keys::Oil::strength, 3) << "unknown parameter";
    QTest::newRow("above the range")
        << "bad" << with(Keys::Pencil::contour, 101)
        << Keys::Pencil::contour + "=101: the value is out of range 0..100";
    QTest::newRow("below a raised minimum")
        << "bad" << with(Keys::Pencil::saturation, 49) << "out of range 50..100";
    QTest::newRow("text for a number") << "bad" << with(Keys::Pencil::strokeLength, "long")
                                       << "the value must be a whole number in 0..100";
    QTest::newRow("fraction for a number")
        << "bad" << with(Keys::Pencil::strokeLength, "2.5") << "must be a whole number";
    QTest::newRow("unknown choice") << "bad" << with(Keys::Pencil::type, "crayons")
                                    << "\"crayons\" is not a choice of " + Keys::Pencil::type;
    QTest::newRow("unknown texture") << "bad" << with(Keys::Texture::paper, "Velvet")
                                     << "is not a choice of " + Keys::Texture::paper;
    QTest::newRow("named after a built-in preset")
        << builtInNames(pencil).first().toLower() << good << "belongs to a built-in preset";
    QTest::newRow("named Default") << "Default" << good << "belongs to a built-in preset";
    QTest::newRow("a name too long") << QString(65, 'n') << good << "at most 64 characters";
    QTest::newRow("a name with a blank at the end") << "trailing " << good << "with a blank";
    QTest::newRow("a good name in other case") << "good one" << good << "other letter case";
    QTest::newRow("larger than a preset can be")
        << "big" << good + QByteArray(1024 * 1024, ' ') << "too large for a preset";
    QByteArray attributes = good;
    attributes.replace("<p name=", "<p a=\"\" b=\"\" c=\"\" d=\"\" name=");
    QTest::newRow("an element of five attributes")
        << "attributes" << attributes << "an element has more than 4 attributes";
    QTest::newRow("a link to a preset file") << "link" << kNoFile + "link:"
                                             << "";
    const QString noFile = "not a regular file";
    QTest::newRow("a link to endless zeros") << "zero" << kNoFile + "link:/dev/zero" << noFile;
    QTest::newRow("a named pipe") << "fifo" << kNoFile + "fifo" << noFile;
    QTest::newRow("a folder") << "folder" << kNoFile + "folder"
                              << "a folder, not a file";
    const QString nowhere = "a symbolic link that leads to no file";
    QTest::newRow("a link to nothing") << "dangling" << kNoFile + "link:missing.xml" << nowhere;
    QTest::newRow("a link to itself") << "loop" << kNoFile + "link:loop.xml" << nowhere;
}

void TestPresets::presetFilesAreCheckedOnLoading()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    const QString pencil = QStringLiteral("Pencil");
    const PresetStore store;
    QString error;
    QVERIFY(store.save("Good one", settingsWith(pencil, {{Keys::Pencil::shading, 1}}), &error));
    const QString path = store.folder() + "/Pencil/" + file + ".xml";
    const QString what = QString::fromUtf8(bytes.mid(kNoFile.size()));
    if (!bytes.startsWith(kNoFile)) {
        QVERIFY(writeAll(path, bytes));
    } else if (what == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (what == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (what == "link:") {
        QVERIFY(writeAll(store.folder() + "/elsewhere.xml",
                         presetXml(settingsWith(pencil, {{Keys::Pencil::contour, 9}}))));
        QVERIFY(QFile::link(store.folder() + "/elsewhere.xml", path));
    } else {
        QVERIFY(QFile::link(what.mid(5), path));
    }

    QVector<SkippedPreset> skipped;
    const QVector<Preset> presets = store.presets(pencil, &skipped);
    QStringList names;
    for (const Preset& preset : presets)
        names.append(preset.name);
    Preset found;
    if (reason.isEmpty()) {
        QVERIFY(skipped.isEmpty());
        QCOMPARE(names, builtInNames(pencil) + QStringList({"Good one", file}));
        QVERIFY(store.find(pencil, file, &found));
        QCOMPARE(found.settings.value(Keys::Pencil::contour), QVariant(9));
        // What loads is a whole set, as the panel gathers it.
        QCOMPARE(found.settings.keys(), defaultPresetSettings(pencil).keys());
        return;
    }
    // The others still load; the damaged one is left out with its reason.
    QCOMPARE(names, builtInNames(pencil) + QStringList({"Good one"}));
    QCOMPARE(skipped.size(), 1);
    QCOMPARE(skipped.first().path, path);
    QCOMPARE(skipped.first().name, file);
    QVERIFY2(skipped.first().reason.contains(reason), qPrintable(skipped.first().reason));
    QVERIFY(store.find(pencil, "good one", &found));
    // Asked for by name, the damaged file gives its reason.
    if (!names.contains(file, Qt::CaseInsensitive)) {
        QVERIFY(!store.find(pencil, file, &found, &error));
        QVERIFY2(error.contains(reason) && error.contains(path), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(TestPresets)
#include "test_presets.moc"
