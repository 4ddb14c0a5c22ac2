#include "document/file_names.h"

#include <QFileInfo>
#include <QMimeData>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include "document/picture_formats.h"
#include "document/settings.h"

namespace {

const QLatin1String kDocumentSuffix(".drawlume");

// The row a dialog filter entry names: its text before " (" is the row's label. Any other entry
// ("All Images", none) follows the JPEG row.
const PictureFormat& format_for_filter(const QString& chosen_filter)
{
    const QString label = chosen_filter.section(QLatin1String(" ("), 0, 0);
    for (const PictureFormat& format : pictureFormats()) {
        if (format.written && format.label == label)
            return format;
    }
    return *findPictureFormat(QStringLiteral("jpeg"));
}

// The text after the last "." of the file name (not of a directory), as typed.
QString file_suffix(const QString& path)
{
    return QFileInfo(path).suffix();
}

} // namespace

QString open_dialog_filter()
{
    QStringList entries;
    QStringList patterns;
    for (const PictureFormat& format : pictureFormats()) {
        if (!format.read)
            continue;
        entries.append(format.dialogFilter());
        for (const QString& suffix : format.suffixes)
            patterns.append(QStringLiteral("*.") + suffix);
    }
    patterns.append(QStringLiteral("*.drawlume"));
    entries.prepend(QObject::tr("All supported formats (%1)").arg(patterns.join(QLatin1Char(' '))));
    entries.append(QObject::tr("drawlume (*.drawlume)"));
    return entries.join(QStringLiteral(";;"));
}

QString document_dialog_filter()
{
    // No ";" after the pattern list: the dialogs read a filter only up to a closing ")" at its
    // very end, and with anything after it they would show no documents at all.
    return QObject::tr("drawlume (*.drawlume)");
}

QString export_dialog_filter()
{
    QStringList entries;
    QStringList patterns;
    for (const PictureFormat& format : pictureFormats()) {
        if (!format.written)
            continue;
        entries.append(format.dialogFilter());
        for (const QString& suffix : format.suffixes)
            patterns.append(QStringLiteral("*.") + suffix);
    }
    entries.append(QObject::tr("All Images (%1)").arg(patterns.join(QLatin1Char(' '))));
    return entries.join(QStringLiteral(";;"));
}

QString fix_suffix(const QString& path, const QString& chosen_filter)
{
    if (path.isEmpty())
        return path;
    // The document filter keeps and appends "drawlume"; a picture filter its row's suffixes.
    const bool document = chosen_filter.startsWith(QLatin1String("drawlume"));
    const QStringList kept = document ? QStringList{QStringLiteral("drawlume")}
                                      : format_for_filter(chosen_filter).suffixes;
    const QString suffix = file_suffix(path).toLower();
    if (!kept.contains(suffix)) {
        const QString appended = kept.constFirst();
        return path.endsWith(QLatin1Char('.')) ? path + appended
                                               : path + QLatin1Char('.') + appended;
    }
    // A kept "jpeg" (any letter case) is the last four characters of the path.
    if (suffix == QLatin1String("jpeg"))
        return path.left(path.size() - 4) + QLatin1String("jpg");
    return path;
}

QString fix_export_name(const QString& path, const QString& chosen_filter)
{
    const QString suffix = file_suffix(path).toLower();
    if (suffix != QLatin1String("jpeg") && writtenPictureSuffixesOfTable().contains(suffix))
        return path;
    if (suffix == QLatin1String("jpeg"))
        return path.left(path.size() - 4) + QLatin1String("jpg");
    return fix_suffix(path, chosen_filter);
}

QString proposed_export_name(const QString& picture_name, const QString& filter_name,
                             const QString& suffix)
{
    QString base = QFileInfo(picture_name).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("Untitled");
    QString filter = filter_name.toLower();
    filter.replace(QLatin1Char(' '), QLatin1Char('-'));
    return filter.isEmpty() ? base + QLatin1Char('.') + suffix
                            : base + QLatin1Char('-') + filter + QLatin1Char('.') + suffix;
}

QString fix_document_name(const QString& path, const QString& chosen_filter)
{
    Q_UNUSED(chosen_filter);
    QString name = path;
    if (name.endsWith(QLatin1Char(')')))
        name.chop(1);
    if (name.isEmpty() || name.endsWith(kDocumentSuffix))
        return name;
    const QString suffix = file_suffix(name);
    if (suffix.compare(QLatin1String("drawlume"), Qt::CaseInsensitive) == 0)
        return name.left(name.size() - suffix.size()) + QLatin1String("drawlume");
    return fix_suffix(name, document_dialog_filter());
}

bool is_supported_image_name(const QString& path)
{
    return readablePictureSuffixesOfTable().contains(file_suffix(path).toLower());
}

QString dropped_file(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    const bool known = is_supported_image_name(path) || path.endsWith(kDocumentSuffix);
    return QFileInfo(path).isFile() && known ? path : QString();
}

bool can_accept_drop(const QMimeData* data)
{
    return data && (data->hasImage() || !dropped_file(data).isEmpty());
}

void remember_open_directory(const QString& path)
{
    if (!path.isEmpty())
        set_last_open_directory(QFileInfo(path).absolutePath());
}

QString& last_dialog_path()
{
    static QString path;
    return path;
}
