#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The three file dialogs of the program: "Open File" (pictures and documents), "Save File" for a
// document and "Export" for an exported picture. Each empties last_dialog_path(), shows the
// platform's dialog starting in the remembered directory (or the nearest folder above it that
// still exists), completes the chosen name's suffix from the chosen filter (file_names.h),
// stores the result in last_dialog_path() and returns it; a cancelled dialog gives an empty path.
// The dialogs do not remember directories themselves: opening a file and a successful export do
// that. The export's dialog is always the toolkit's own, with a "Keep photo information" check box
// and a "JPEG quality" field that show and, when the dialog is accepted, store
// keep_photo_information() and jpeg_quality() (settings.h).
// GUI thread only; the dialogs are modal.

QString open_file_dialog(QWidget* parent);
// The "Open File" dialog with several files allowed; the first chosen goes to last_dialog_path().
QStringList open_files_dialog(QWidget* parent);
// The document's save dialog starts in last_save_directory() with proposed_name filled in.
QString save_document_dialog(QWidget* parent, const QString& proposed_name = QString());
// The export's dialog, titled "Export", starts in last_export_directory() with proposed_name
// (proposed_export_name()) filled in; a typed picture suffix wins over the filter
// (fix_export_name()).
QString export_dialog(QWidget* parent, const QString& proposed_name = QString());

// Shows one dialog: an open dialog, or a save dialog when `save` is set. `dir` is the start
// directory (or a file to preselect), `filter` the ";;"-separated filter list, and
// *selected_filter (never null) comes in as the filter to preselect (empty the first time: none)
// and goes out as the filter the user chose. Returns the chosen path, empty when cancelled.
using FileDialogRunner =
    std::function<QString(QWidget* parent, const QString& caption, const QString& dir,
                          const QString& filter, QString* selected_filter, bool save)>;

// Replaces the platform dialogs, for tests that cannot click them; a null runner restores them.
void set_file_dialog_runner(FileDialogRunner runner);

// Asked when the suffix rule turned the typed name into the name of a file that already exists
// (the dialog could only ask about the name as typed). Returns true to replace the file; false
// shows the dialog again. The default is a question box; a null function restores it.
using OverwriteQuestion = std::function<bool(QWidget* parent, const QString& path)>;
void set_overwrite_question(OverwriteQuestion question);
