#include "document/file_names.h"

#include <QFileInfo>
#include <QMimeData>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <vector>

#include "document/settings.h"

namespace {

const QLatin1String kDocumentSuffix(".drawlume");

// One suffix rule: a filter whose text begins with `filter_start` keeps the suffixes in `kept`
// and appends `appended` to any other name.
struct SuffixRule
{
    const char* filter_start;
    QStringList kept;
    const char* appended;
};

// The rules in the order they are tried; the last one (JPEG) also takes any filter not listed,
// "All Images" among them.
const std::vector<SuffixRule>& suffix_rules()
{
    static const std::vector<SuffixRule> rules = {
        {"PNG", {"png"}, "png"},      {"TIFF", {"tiff", "tif"}, "tif"},
        {"BMP", {"bmp"}, "bmp"},      {"drawlume", {"drawlume"}, "drawlume"},
        {"", {"jpeg", "jpg"}, "jpg"},
    };
    return rules;
}

const SuffixRule& rule_for(const QString& chosen_filter)
{
    for (const SuffixRule& rule : suffix_rules()) {
        if (chosen_filter.startsWith(QLatin1String(rule.filter_start)))
            return rule;
    }
    return suffix_rules().back();
}

// The text after the last "." of the file name (not of a directory), as typed.
QString file_suffix(const QString& path)
{
    return QFileInfo(path).suffix();
}

} // namespace

QString open_dialog_filter()
{
    return QObject::tr("All supported formats (*.jpeg *.jpg *.png *.tiff *.tif *.bmp *.heic *.heif "
                       "*.avif *.drawlume);;JPEG (*.jpeg *.jpg);;PNG (*.png);;TIFF (*.tiff *.tif);;"
                       "BMP (*.bmp);;HEIF (*.heic *.heif);;AVIF (*.avif);;drawlume (*.drawlume)");
}

QString document_dialog_filter()
{
    // No ";" after the pattern list: the dialogs read a filter only up to a closing ")" at its
    // very end, and with anything after it they would show no documents at all.
    return QObject::tr("drawlume (*.drawlume)");
}

QString export_dialog_filter()
{
    return QObject::tr("JPEG (*.jpg);;PNG (*.png);;TIFF (*.tiff);;BMP (*.bmp);;"
                       "All Images (*.jpeg *.jpg *.png *.tiff *.tif *.bmp)");
}

QString fix_suffix(const QString& path, const QString& chosen_filter)
{
    if (path.isEmpty())
        return path;
    const SuffixRule& rule = rule_for(chosen_filter);
    const QString suffix = file_suffix(path).toLower();
    if (!rule.kept.contains(suffix)) {
        const QString appended = QLatin1String(rule.appended);
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
    static const QStringList written = {"jpg", "png", "tif", "tiff", "bmp", "webp"};
    const QString suffix = file_suffix(path).toLower();
    if (written.contains(suffix))
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
    static const QStringList suffixes = {"png", "tif",  "tiff", "jpg", "jpeg",
                                         "bmp", "heic", "heif", "avif"};
    return suffixes.contains(file_suffix(path).toLower());
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
