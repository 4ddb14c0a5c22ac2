#include "document/presets.h"

#include "core/filters/filter_list.h"
#include "core/framework/atomic_file.h"
#include "core/framework/parameter_xml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QObject>
#include <QStandardPaths>

#include <algorithm>

Q_LOGGING_CATEGORY(lcPresets, "drawlume.presets", QtCriticalMsg)

namespace {

// No preset file is anywhere near this; a larger file in the folder is not read.
constexpr qint64 kLargestPresetFile = kLargestParameterXml;

const QString kSuffix = QStringLiteral(".xml");

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// Name order with letter case ignored; names that differ only in case keep a fixed order.
bool nameLess(const QString& a, const QString& b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The names of the preset files in a folder (entries ending in exactly ".xml"), in name order.
// Entries that are no regular files (folders, pipes, devices, links to nothing) are listed too,
// so that reading them can tell why they are left out.
QStringList presetFileNames(const QString& folder)
{
    QStringList names;
    const QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("*") + kSuffix},
                                            QDir::AllEntries | QDir::System | QDir::Hidden |
                                                QDir::NoDotAndDotDot | QDir::CaseSensitive);
    for (const QString& file : files) {
        if (file.endsWith(kSuffix))
            names.append(file.chopped(kSuffix.size()));
    }
    std::sort(names.begin(), names.end(), nameLess);
    return names;
}

// Reads a preset file as pictures are read: a regular file only (a link to one is fine), its size
// checked before a byte is read. A pipe is never opened, as that could wait for ever, nor a device
// read, which might never end.
bool readPresetFile(const QString& path, const QString& filterName, FilterParameters* settings,
                    QString* error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return fail(error, info.isSymLink() ? QObject::tr("a symbolic link that leads to no file "
                                                          "(its target is missing, or links loop)")
                                            : QObject::tr("the file does not exist"));
    }
    if (info.isDir())
        return fail(error, QObject::tr("it is a folder, not a file"));
    if (!info.isFile())
        return fail(error, QObject::tr("not a regular file (a pipe, a device or a socket)"));
    const QString tooLarge =
        QObject::tr("the file is too large for a preset (%1 bytes; at most %2 bytes)");
    if (info.size() > kLargestPresetFile)
        return fail(error, tooLarge.arg(info.size()).arg(kLargestPresetFile));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, file.errorString());
    // At most one byte beyond the limit, should the file have grown since.
    const QByteArray bytes = file.read(kLargestPresetFile + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(error, file.errorString());
    if (bytes.size() > kLargestPresetFile)
        return fail(error, tooLarge.arg(file.size()).arg(kLargestPresetFile));
    return readPresetXml(bytes, filterName, settings, error);
}

QMap<QString, QVector<Preset>> loadBuiltInPresets()
{
    QMap<QString, QVector<Preset>> all;
    for (const QString& filterName : allFilterNames()) {
        const QString folder = QStringLiteral(":/presets/") + filterName;
        QVector<Preset> presets;
        for (const QString& name : presetFileNames(folder)) {
            Preset preset{name, true, FilterParameters()};
            QString error;
            if (readPresetFile(folder + QLatin1Char('/') + name + kSuffix, filterName,
                               &preset.settings, &error))
                presets.append(preset);
            else
                qCWarning(lcPresets)
                    << "built-in preset" << filterName << name << "skipped:" << error;
        }
        all.insert(filterName, presets);
    }
    return all;
}

} // namespace

PresetStore::PresetStore(const QString& folder)
    : m_folder(folder.isEmpty() ? userPresetFolder() : folder)
{
}

QString PresetStore::userPresetFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/drawlume/presets");
}

QString PresetStore::filePath(const QString& filterName, const QString& name) const
{
    return m_folder + QLatin1Char('/') + filterName + QLatin1Char('/') + name + kSuffix;
}

QVector<Preset> PresetStore::userPresets(const QString& filterName,
                                         QVector<SkippedPreset>* skipped) const
{
    QVector<Preset> presets;
    const auto skip = [&](const QString& name, const QString& reason) {
        const QString path = filePath(filterName, name);
        qCWarning(lcPresets) << "preset file" << path << "skipped:" << reason;
        if (skipped)
            skipped->append({path, name, reason});
    };
    QString previous;
    for (const QString& name : presetFileNames(m_folder + QLatin1Char('/') + filterName)) {
        const bool repeated = sameName(name, previous);
        previous = name;
        const QString nameProblem = checkPresetName(name);
        if (!nameProblem.isEmpty()) {
            skip(name, QObject::tr("the file's name is no preset name: %1").arg(nameProblem));
            continue;
        }
        if (isReservedPresetName(filterName, name)) {
            skip(name, QObject::tr("the name belongs to a built-in preset"));
            continue;
        }
        if (repeated) {
            skip(name, QObject::tr("another preset has this name in other letter case"));
            continue;
        }
        Preset preset{name, false, FilterParameters()};
        QString error;
        if (readPresetFile(filePath(filterName, name), filterName, &preset.settings, &error))
            presets.append(preset);
        else
            skip(name, error);
    }
    return presets;
}

QVector<Preset> PresetStore::presets(const QString& filterName,
                                     QVector<SkippedPreset>* skipped) const
{
    return builtInPresets(filterName) + userPresets(filterName, skipped);
}

QStringList PresetStore::names(const QString& filterName) const
{
    QStringList names;
    for (const Preset& preset : presets(filterName))
        names.append(preset.name);
    return names;
}

bool PresetStore::find(const QString& filterName, const QString& name, Preset* preset,
                       QString* error) const
{
    QVector<SkippedPreset> skipped;
    const QVector<Preset> all = presets(filterName, &skipped);
    for (const Preset& candidate : all) {
        if (sameName(candidate.name, name)) {
            if (preset)
                *preset = candidate;
            return true;
        }
    }
    for (const SkippedPreset& damaged : qAsConst(skipped)) {
        if (sameName(damaged.name, name)) {
            return fail(error, QObject::tr("preset \"%1\" of filter %2 cannot be used: %3 (%4)")
                                   .arg(name, filterName, damaged.reason, damaged.path));
        }
    }
    QStringList available;
    for (const Preset& candidate : all)
        available.append(candidate.name);
    if (available.isEmpty()) {
        return fail(
            error,
            QObject::tr("unknown preset \"%1\": filter %2 has no presets").arg(name, filterName));
    }
    return fail(error, QObject::tr("unknown preset \"%1\" for filter %2 (presets: %3)")
                           .arg(name, filterName, available.join(QStringLiteral(", "))));
}

QString PresetStore::userPresetNamed(const QString& filterName, const QString& name) const
{
    for (const QString& stored : presetFileNames(m_folder + QLatin1Char('/') + filterName)) {
        if (sameName(stored, name))
            return stored;
    }
    return QString();
}

bool PresetStore::save(const QString& name, const FilterParameters& settings, QString* error) const
{
    const QString filterName = settings.filterName();
    if (!findFilter(filterName))
        return fail(error, QObject::tr("unknown filter \"%1\"").arg(filterName));
    const QString nameProblem = checkPresetName(name);
    if (!nameProblem.isEmpty())
        return fail(error, nameProblem);
    if (isReservedPresetName(filterName, name))
        return fail(error, QObject::tr("\"%1\" is the name of a built-in preset").arg(name));

    // Checked as the file will be on reading, so a saved preset always loads again.
    const QByteArray bytes = presetXml(settings);
    FilterParameters check;
    if (!readPresetXml(bytes, filterName, &check, error))
        return false;

    const QString folder = m_folder + QLatin1Char('/') + filterName;
    if (!QDir().mkpath(folder))
        return fail(error, QObject::tr("cannot create the folder %1").arg(folder));
    const QString previous = userPresetNamed(filterName, name);
    QString reason;
    if (!writeFileAtomically(filePath(filterName, name), bytes, &reason))
        return fail(error,
                    QObject::tr("cannot write %1: %2").arg(filePath(filterName, name), reason));
    // The same preset under another letter case goes: one name, one file.
    if (!previous.isEmpty() && previous != name)
        QFile::remove(filePath(filterName, previous));
    return true;
}

bool PresetStore::remove(const QString& filterName, const QString& name, QString* error) const
{
    if (isReservedPresetName(filterName, name))
        return fail(error, QObject::tr("built-in presets cannot be deleted"));
    const QString stored = userPresetNamed(filterName, name);
    if (stored.isEmpty())
        return fail(error, QObject::tr("there is no preset \"%1\"").arg(name));
    QFile file(filePath(filterName, stored));
    if (!file.remove())
        return fail(error,
                    QObject::tr("cannot delete %1: %2").arg(file.fileName(), file.errorString()));
    return true;
}

QString defaultPresetName()
{
    return QStringLiteral("Default");
}

FilterParameters defaultPresetSettings(const QString& filterName)
{
    return *defaultParameters(filterName);
}

const QVector<Preset>& builtInPresets(const QString& filterName)
{
    static const QMap<QString, QVector<Preset>> all = loadBuiltInPresets();
    static const QVector<Preset> none;
    const auto found = all.constFind(filterName);
    return found == all.cend() ? none : found.value();
}

bool isReservedPresetName(const QString& filterName, const QString& name)
{
    if (sameName(name, defaultPresetName()))
        return true;
    const QVector<Preset>& builtIn = builtInPresets(filterName);
    return std::any_of(builtIn.cbegin(), builtIn.cend(),
                       [&name](const Preset& preset) { return sameName(preset.name, name); });
}

QString checkPresetName(const QString& name)
{
    if (name.trimmed().isEmpty())
        return QObject::tr("a preset needs a name");
    if (name.size() > kPresetNameLimit)
        return QObject::tr("a name can have at most %1 characters").arg(kPresetNameLimit);
    if (name != name.trimmed())
        return QObject::tr("a name cannot begin or end with a blank");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QObject::tr("\".\" and \"..\" cannot be names");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QObject::tr("a name cannot contain \"/\" or \"\\\"");
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return QObject::tr("a name cannot contain control characters");
    }
    return QString();
}

QByteArray presetXml(const FilterParameters& settings)
{
    FilterParameters stored(settings.filterName(), {});
    for (const ParameterSpec& entry : parameterTable(settings.filterName())) {
        stored.insert(entry.key, settings.contains(entry.key) ? settings.value(entry.key)
                                                              : entry.defaultValue);
    }
    return parameterXml(stored);
}

bool readPresetXml(const QByteArray& data, const QString& filterName, FilterParameters* settings,
                   QString* error)
{
    if (data.trimmed().isEmpty())
        return fail(error, QObject::tr("the file is empty"));
    QString storedFilter;
    QMap<QString, QVariant> values;
    QString refused;
    if (!readParameterXmlData(data, storedFilter, values, &refused)) {
        return fail(error,
                    refused.isEmpty() ? QObject::tr("the file is not well-formed XML") : refused);
    }
    if (storedFilter.isEmpty())
        return fail(error, QObject::tr("the file names no filter"));
    if (storedFilter != filterName) {
        return fail(error,
                    QObject::tr("the file is for filter %1, not %2").arg(storedFilter, filterName));
    }
    const FilterDescriptor* descriptor = findFilter(filterName);
    if (!descriptor)
        return fail(error, QObject::tr("unknown filter \"%1\"").arg(filterName));

    FilterParameters set(filterName, {});
    for (const ParameterSpec& entry : descriptor->rows)
        set.insert(entry.key, entry.defaultValue);
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString& key = it.key();
        const ParameterSpec* entry = descriptor->row(key);
        if (!entry) {
            // These follow from the choices; documents' settings carry them.
            if (key == scalingKey() || key == forPreviewKey() ||
                descriptor->fixedValues.contains(key) || descriptor->overlayValues.contains(key))
                continue;
            return fail(error,
                        QObject::tr("unknown parameter \"%1\" for filter %2").arg(key, filterName));
        }
        QVariant value;
        if (!entry->parseValue(it.value().toString(), &value, error))
            return false;
        set.insert(key, value);
    }
    addFixedValues(set);
    *settings = set;
    return true;
}

bool sameSettings(const FilterParameters& a, const FilterParameters& b)
{
    if (a.filterName() != b.filterName())
        return false;
    for (const ParameterSpec& entry : parameterTable(a.filterName())) {
        if (a.value(entry.key).toString() != b.value(entry.key).toString())
            return false;
    }
    return true;
}
