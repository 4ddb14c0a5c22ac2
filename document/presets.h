#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QVector>

#include "core/framework/filter_parameters.h"

// Named settings of a filter ("presets"). The built-in ones ship with the program as parameter
// XML in the resource folder :/presets/<filter>/<name>.xml; the user's own are the same files in
//   <data folder>/drawlume/presets/<filter>/<name>.xml
// where the data folder is QStandardPaths::GenericDataLocation ($XDG_DATA_HOME, by default
// ~/.local/share). "Default", the filter's table defaults, comes before them in the control
// window; it is no file and no other preset can take its name.
//
// A preset file is the parameter XML documents keep their settings in (parameter_xml.h) with
// values of the filter's parameter table. A key the file leaves out takes its table default; the
// values the filter fixes and the keys of a render ("scaling", "for_preview") are ignored, as they
// follow from the choices; every other key must be a table key with a value its entry accepts
// (the check of drawlume-render's -s). A file that is not XML, names another filter, or holds an
// unknown key or a wrong value is damaged: it is skipped with its reason, and the others load.
// Files are read as pictures are: a regular file (or a link to one) of at most
// kLargestParameterXml bytes; a folder, pipe, device or link to nothing is skipped unread.
//
// GUI-free. A store only holds the folder; every listing reads the folder again, so two stores
// (or two programs) on one folder always agree. Use a store from one thread at a time.

// Warnings about skipped preset files; off unless asked for (QT_LOGGING_RULES=
// "drawlume.presets.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcPresets)

struct Preset
{
    QString name;
    bool builtIn = false;
    // Every table key of the filter, plus the values the filter fixes for these choices.
    FilterParameters settings;
};

// A user's preset file that could not be loaded, and why.
struct SkippedPreset
{
    QString path;
    QString name;
    QString reason;
};

class PresetStore
{
public:
    // The store of the user's presets in folder; an empty folder means userPresetFolder().
    explicit PresetStore(const QString& folder = QString());

    // <GenericDataLocation>/drawlume/presets.
    static QString userPresetFolder();
    const QString& folder() const { return m_folder; }

    // The filter's built-in presets, then the user's, each group sorted by name (letter case
    // ignored). Damaged user files are left out and added to *skipped when it is given.
    QVector<Preset> presets(const QString& filterName,
                            QVector<SkippedPreset>* skipped = nullptr) const;
    QStringList names(const QString& filterName) const;

    // The preset of the filter named name, letter case ignored. False with *error naming the
    // preset and listing the available ones when there is none; when the user's file of that
    // name is damaged, *error gives its reason instead.
    bool find(const QString& filterName, const QString& name, Preset* preset,
              QString* error = nullptr) const;
    // The name of the user's preset of the filter that name names (letter case ignored), as
    // stored, or empty when there is none.
    QString userPresetNamed(const QString& filterName, const QString& name) const;

    // Writes settings (their filter's table keys) as the user's preset name, atomically. A user's
    // preset of the same name in another letter case is replaced; the caller asks first. Refused
    // with *error for a name checkPresetName refuses, the name of a built-in preset or "Default",
    // an unknown filter, or a file that cannot be written.
    bool save(const QString& name, const FilterParameters& settings, QString* error) const;
    // Deletes the user's preset name of the filter; built-in presets cannot be deleted.
    bool remove(const QString& filterName, const QString& name, QString* error) const;

    // Where the user's preset name of the filter is (or would be) stored.
    QString filePath(const QString& filterName, const QString& name) const;

private:
    QVector<Preset> userPresets(const QString& filterName, QVector<SkippedPreset>* skipped) const;

    QString m_folder;
};

// "Default": the name of the table defaults at the top of the preset list.
QString defaultPresetName();
// The table defaults of a filter with the values they fix: what "Default" chooses.
FilterParameters defaultPresetSettings(const QString& filterName);
// The filter's built-in presets in name order (letter case ignored).
const QVector<Preset>& builtInPresets(const QString& filterName);
// True for "Default" and the filter's built-in names, letter case ignored.
bool isReservedPresetName(const QString& filterName, const QString& name);

// Empty when name can be a preset's (and a file's) name, else the reason it cannot: empty or all
// blank, blanks at either end, "." or "..", a "/" or "\", a control character, more than
// kPresetNameLimit characters.
inline constexpr int kPresetNameLimit = 64;
QString checkPresetName(const QString& name);

// The bytes of a preset file: the parameter XML of the table keys of settings' filter (a key
// settings lacks gets its default), without fixed values or render keys.
QByteArray presetXml(const FilterParameters& settings);
// Reads a preset file of filterName (see the top of this file); false with *error on damage.
bool readPresetXml(const QByteArray& data, const QString& filterName, FilterParameters* settings,
                   QString* error);

// True when both sets name one filter and hold the same text for every key of its table (the
// values the filter fixes follow from those).
bool sameSettings(const FilterParameters& a, const FilterParameters& b);
