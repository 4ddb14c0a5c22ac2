#include "ui/document/file_dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QObject>
#include <QSpinBox>

#include "document/file_names.h"
#include "document/picture_formats.h"
#include "document/settings.h"

namespace {

QString run_platform_dialog(QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter, QString* selected_filter, bool save)
{
    if (save)
        return QFileDialog::getSaveFileName(parent, caption, dir, filter, selected_filter);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter, selected_filter);
}

// The export's save dialog: the save dialog with "Quality" and "Keep photo information"
// beneath, set as the settings say and stored there when the dialog is accepted. A platform
// dialog cannot take them, so this one is always the toolkit's own.
QString run_export_dialog(QWidget* parent, const QString& caption, const QString& dir,
                          const QString& filter, QString* selected_filter)
{
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!selected_filter->isEmpty())
        dialog.selectNameFilter(*selected_filter);

    auto* keep = new QCheckBox(QObject::tr("Keep photo information"), &dialog);
    keep->setObjectName(QStringLiteral("keep_photo_information"));
    keep->setToolTip(QObject::tr("The exported picture keeps the camera, date, place and "
                                 "captions of the photo (EXIF, XMP and IPTC)."));
    keep->setChecked(keep_photo_information());

    auto* qualityLabel = new QLabel(QObject::tr("&Quality:"), &dialog);
    auto* quality = new QSpinBox(&dialog);
    quality->setObjectName(QStringLiteral("jpeg_quality"));
    quality->setRange(0, 100);
    quality->setValue(jpeg_quality());
    quality->setToolTip(QObject::tr("For %1: higher is finer and larger; 80 suits most "
                                    "pictures. 100 is lossless in %2.")
                            .arg(pictureFormatLabels(&hasQualitySetting),
                                 pictureFormatLabels(&isLosslessAtHighestQuality)));
    qualityLabel->setBuddy(quality);

    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(qualityLabel, row, 0);
        grid->addWidget(quality, row, 1, Qt::AlignLeft);
        grid->addWidget(keep, row + 1, 0, 1, -1);
    }

    if (dialog.exec() != QDialog::Accepted)
        return QString();
    set_keep_photo_information(keep->isChecked());
    set_jpeg_quality(quality->value());
    *selected_filter = dialog.selectedNameFilter();
    return dialog.selectedFiles().value(0);
}

bool ask_to_overwrite(QWidget* parent, const QString& path)
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(parent, QObject::tr("Save File"),
                              QObject::tr("%1 already exists.\nDo you want to replace it?")
                                  .arg(QDir::toNativeSeparators(path)),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

FileDialogRunner& dialog_runner()
{
    static FileDialogRunner runner;
    return runner;
}

OverwriteQuestion& overwrite_question()
{
    static OverwriteQuestion question;
    return question;
}

// Shows a dialog; `exporting` asks for the export's dialog (a save dialog).
QString run_dialog(QWidget* parent, const QString& caption, const QString& dir,
                   const QString& filter, QString* selected_filter, bool save,
                   bool exporting = false)
{
    if (dialog_runner())
        return dialog_runner()(parent, caption, dir, filter, selected_filter, save);
    if (exporting)
        return run_export_dialog(parent, caption, dir, filter, selected_filter);
    return run_platform_dialog(parent, caption, dir, filter, selected_filter, save);
}

// The remembered directory, or the nearest folder above it that still exists (a removed folder
// or an unplugged disk), or the home folder.
QString start_directory(const QString& remembered)
{
    if (remembered.isEmpty())
        return QDir::homePath();
    QString directory = QDir::cleanPath(QDir(remembered).absolutePath());
    while (!QFileInfo(directory).isDir()) {
        const QString parent = QFileInfo(directory).absolutePath();
        if (parent == directory)
            return QDir::homePath();
        directory = parent;
    }
    return directory;
}

// The save dialogs: shows the dialog until the user cancels or settles on a name, completes the
// name with `fix`, and asks before a completed name replaces a file the dialog did not ask about.
QString run_save_dialog(QWidget* parent, const QString& caption, const QString& start_at,
                        const QString& filter, QString (*fix)(const QString&, const QString&),
                        bool exporting)
{
    QString start = start_at;
    QString selected_filter;
    for (;;) {
        const QString chosen =
            run_dialog(parent, caption, start, filter, &selected_filter, true, exporting);
        if (chosen.isEmpty())
            return QString();
        const QString path = fix(chosen, selected_filter);
        if (path == chosen || !QFileInfo::exists(path))
            return path;
        const OverwriteQuestion& question = overwrite_question();
        if (question ? question(parent, path) : ask_to_overwrite(parent, path))
            return path;
        start = path;
    }
}

} // namespace

QString open_file_dialog(QWidget* parent)
{
    last_dialog_path().clear();
    QString selected_filter;
    last_dialog_path() =
        run_dialog(parent, QObject::tr("Open File"), start_directory(last_open_directory()),
                   open_dialog_filter(), &selected_filter, false);
    return last_dialog_path();
}

QStringList open_files_dialog(QWidget* parent)
{
    last_dialog_path().clear();
    QString selected_filter;
    const QString start = start_directory(last_open_directory());
    QStringList chosen;
    if (dialog_runner()) {
        const QString one = dialog_runner()(parent, QObject::tr("Open File"), start,
                                            open_dialog_filter(), &selected_filter, false);
        if (!one.isEmpty())
            chosen.append(one);
    } else {
        chosen = QFileDialog::getOpenFileNames(parent, QObject::tr("Open File"), start,
                                               open_dialog_filter(), &selected_filter);
    }
    if (!chosen.isEmpty())
        last_dialog_path() = chosen.constFirst();
    return chosen;
}

QString save_document_dialog(QWidget* parent, const QString& proposed_name)
{
    last_dialog_path().clear();
    QString start = start_directory(last_save_directory());
    if (!proposed_name.isEmpty())
        start = QDir(start).filePath(proposed_name);
    last_dialog_path() = run_save_dialog(parent, QObject::tr("Save File"), start,
                                         document_dialog_filter(), &fix_document_name, false);
    return last_dialog_path();
}

QString export_dialog(QWidget* parent, const QString& proposed_name)
{
    last_dialog_path().clear();
    QString start = start_directory(last_export_directory());
    if (!proposed_name.isEmpty())
        start = QDir(start).filePath(proposed_name);
    last_dialog_path() = run_save_dialog(parent, QObject::tr("Export"), start,
                                         export_dialog_filter(), &fix_export_name, true);
    return last_dialog_path();
}

void set_file_dialog_runner(FileDialogRunner runner)
{
    dialog_runner() = std::move(runner);
}

void set_overwrite_question(OverwriteQuestion question)
{
    overwrite_question() = std::move(question);
}
