#include "document/settings.h"

#include "document/picture_formats.h"
#include "document/picture_io.h"

#include <QCoreApplication>
#include <QObject>
#include <QStandardPaths>
#include <QVariant>

namespace {

constexpr QLatin1String kLastOpenDirectory("last_open_directory");
constexpr QLatin1String kLastSaveDirectory("last_save_directory");
constexpr QLatin1String kAutoFitToWidth("auto_fit_to_width");
constexpr QLatin1String kLiveResult("live_result");
constexpr QLatin1String kMaxMegapixels("max_megapixels");
constexpr QLatin1String kKeepPhotoInformation("keep_photo_information");
constexpr QLatin1String kLastExportDirectory("last_export_directory");
constexpr QLatin1String kJpegQuality("jpeg_quality");
constexpr QLatin1String kRecentFiles("recent_files");
constexpr QLatin1String kBatchOutputFolder("batch_output_folder");
constexpr QLatin1String kBatchFormat("batch_format");
constexpr QLatin1String kBatchNamePattern("batch_name_pattern");
constexpr QLatin1String kBatchExistingFiles("batch_existing_files");

// The window keys go through the translation function like every other text of the program; with
// no translation installed they are used as written.
QString geometry_key()
{
    return QObject::tr("DLDocumentWindowGeometry");
}

QString state_key()
{
    return QObject::tr("DLDocumentWindowState");
}

// Sets the names that decide where the store lives; returns the organization name so that it can
// run inside the store's construction, before the store exists.
QString apply_identity()
{
    const QString organization = QStringLiteral("Marrowin");
    QCoreApplication::setOrganizationName(organization);
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(kSettingsOrganizationDomain));
    QCoreApplication::setApplicationName(QStringLiteral("Drawlume"));
    return organization;
}

QString documents_folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// The stored directory, or an empty string when there is none.
QString stored_directory(QLatin1String key)
{
    const QVariant value = settings().value(key);
    return value.isNull() ? QString() : value.toString();
}

} // namespace

QSettings& settings()
{
    // Destroyed (and so written out) when the process ends.
    static QSettings store(QSettings::NativeFormat, QSettings::UserScope, apply_identity(),
                           QStringLiteral("Drawlume"));
    return store;
}

QString last_open_directory()
{
    const QString directory = stored_directory(kLastOpenDirectory);
    return directory.isEmpty() ? documents_folder() : directory;
}

void set_last_open_directory(const QString& directory)
{
    settings().setValue(kLastOpenDirectory, directory);
}

QString last_save_directory()
{
    const QString directory = stored_directory(kLastSaveDirectory);
    return directory.isEmpty() ? last_open_directory() : directory;
}

void set_last_save_directory(const QString& directory)
{
    settings().setValue(kLastSaveDirectory, directory);
}

bool auto_fit_to_width()
{
    const QVariant value = settings().value(kAutoFitToWidth);
    if (value.isNull()) {
        settings().setValue(kAutoFitToWidth, true);
        return true;
    }
    return value.toBool();
}

void set_auto_fit_to_width(bool fit)
{
    settings().setValue(kAutoFitToWidth, fit);
}

bool live_result()
{
    return settings().value(kLiveResult, false).toBool();
}

void set_live_result(bool live)
{
    settings().setValue(kLiveResult, live);
}

int max_megapixels()
{
    bool ok = false;
    const int value = settings().value(kMaxMegapixels).toString().trimmed().toInt(&ok);
    if (!ok || value < kLowestMaximumMegapixels || value > kHighestMaximumMegapixels)
        return kDefaultMaximumMegapixels;
    return value;
}

void set_max_megapixels(int megapixels)
{
    settings().setValue(kMaxMegapixels, megapixels);
}

bool keep_photo_information()
{
    return settings().value(kKeepPhotoInformation, true).toBool();
}

void set_keep_photo_information(bool keep)
{
    settings().setValue(kKeepPhotoInformation, keep);
}

QString last_export_directory()
{
    const QString directory = settings().value(kLastExportDirectory).toString();
    return directory.isEmpty() ? last_save_directory() : directory;
}

void set_last_export_directory(const QString& directory)
{
    settings().setValue(kLastExportDirectory, directory);
}

int jpeg_quality()
{
    bool ok = false;
    const int quality = settings().value(kJpegQuality).toString().trimmed().toInt(&ok);
    return ok && quality >= 0 && quality <= 100 ? quality : 80;
}

void set_jpeg_quality(int quality)
{
    settings().setValue(kJpegQuality, quality);
}

QString batch_output_folder()
{
    const QString folder = settings().value(kBatchOutputFolder).toString();
    return folder.isEmpty() ? last_export_directory() : folder;
}

void set_batch_output_folder(const QString& folder)
{
    settings().setValue(kBatchOutputFolder, folder);
}

QString batch_format()
{
    const QString suffix = settings().value(kBatchFormat).toString();
    // The written suffix of a written row of the format table; anything else is JPEG's.
    const PictureFormat* format = pictureFormatForSuffix(suffix);
    const bool valid = format && format->written && format->writtenSuffix() == suffix;
    return valid ? suffix : findPictureFormat(QStringLiteral("jpeg"))->writtenSuffix();
}

void set_batch_format(const QString& suffix)
{
    settings().setValue(kBatchFormat, suffix);
}

QString batch_name_pattern()
{
    const QString pattern = settings().value(kBatchNamePattern).toString();
    return pattern.isEmpty() ? QStringLiteral("{name}-{filter}.{ext}") : pattern;
}

void set_batch_name_pattern(const QString& pattern)
{
    settings().setValue(kBatchNamePattern, pattern);
}

QString batch_existing_files()
{
    const QString policy = settings().value(kBatchExistingFiles).toString();
    return policy.isEmpty() ? QStringLiteral("skip") : policy;
}

void set_batch_existing_files(const QString& policy)
{
    settings().setValue(kBatchExistingFiles, policy);
}

QByteArray document_window_geometry()
{
    return settings().value(geometry_key()).toByteArray();
}

void set_document_window_geometry(const QByteArray& geometry)
{
    settings().setValue(geometry_key(), geometry);
}

QByteArray document_window_state()
{
    return settings().value(state_key()).toByteArray();
}

void set_document_window_state(const QByteArray& state)
{
    settings().setValue(state_key(), state);
}

QStringList stored_recent_files()
{
    return settings().value(kRecentFiles).toStringList();
}
