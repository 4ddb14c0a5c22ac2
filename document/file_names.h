#pragma once

#include <QString>

class QMimeData;

// The file-name side of bringing pictures in and out: the filter strings of the three file
// dialogs, the rule that completes or corrects a chosen name's suffix from the dialog filter, the
// tests that decide which dropped files are welcome, and the remembered directories. GUI-free;
// called on the GUI thread (last_dialog_path() is one process-wide string, unguarded).

// The filter strings of the "Open File", document "Save File" and export "Save File" dialogs: the
// read (open) or written (export) rows of pictureFormats(), one entry each as "LABEL (*.SUFFIX
// ...)", with "All supported formats" first (open, documents included) or "All Images" last
// (export).
QString open_dialog_filter();
QString document_dialog_filter();
QString export_dialog_filter();

// Completes or corrects path's suffix for the dialog filter the user chose. The filter's label
// (its text before " (") names the written row whose suffixes are kept, the first of which is
// appended otherwise: "PNG" keeps png, "TIFF" keeps tif and tiff, else adds tif; "drawlume" keeps
// drawlume; anything else ("All Images", no filter) follows the JPEG row, jpg and jpeg. Suffixes
// compare in any letter case. A suffix that is not kept gets the row's own appended ("out."
// becomes "out.png", not "out..png"), and a kept "jpeg" in any case is written "jpg". An empty
// path stays empty.
QString fix_suffix(const QString& path, const QString& chosen_filter);

// The name an export's dialog choice is written under: a typed suffix of a written row of
// pictureFormats() (jpg, png, tif, webp, avif, jxl ..., any letter case) wins over the chosen
// filter, so "x.png" stays x.png with JPEG chosen ("jpeg" is written "jpg"); any other name is
// completed by fix_suffix.
QString fix_export_name(const QString& path, const QString& chosen_filter);

// The name the export's dialog proposes: the picture's name without its suffix, "-", the filter's
// name in lower case with hyphens for spaces, and the suffix: "garden.jpg", "Paint blend" and "png"
// give "garden-paint-blend.png". A picture without a name is "Untitled".
QString proposed_export_name(const QString& picture_name, const QString& filter_name,
                             const QString& suffix);

// The name the document "Save File" dialog's choice is saved under: a trailing ")" that some
// dialogs leave from the filter pattern is dropped, a name ending in ".drawlume" stays as typed,
// ".DRAWLUME" in other letter case becomes ".drawlume" (documents are recognised by the lower-case
// suffix), and any other name gets ".drawlume" appended. The dialog offers documents only, so the
// document rule applies whichever filter (if any) the dialog reports.
QString fix_document_name(const QString& path, const QString& chosen_filter);

// True when the file's suffix, in lower case, is one of a read row of pictureFormats(). Documents
// are not pictures.
bool is_supported_image_name(const QString& path);

// True when a drag carries an image, or else when the first of its URLs is an existing local file
// with a picture suffix or a document's. Later URLs are never looked at.
bool can_accept_drop(const QMimeData* data);

// The picture or document file a drop carries: the first URL's local path when it is an existing
// file with a picture or document suffix, else empty. Only the first URL is looked at.
QString dropped_file(const QMimeData* data);

// Stores the absolute directory of path as last_open_directory. An empty path changes nothing.
void remember_open_directory(const QString& path);

// The path chosen in the last file dialog: each dialog empties it first and stores its result
// (empty when cancelled). Opening a file also stores its path here.
QString& last_dialog_path();
