#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

// What the program remembers from one run to the next, in the per-user settings store of the
// platform's native format (on Linux ~/.config/Marrowin/Drawlume.conf).
//
// settings() gives the one store of the process. The first call sets the organization name
// "Marrowin", its domain and the application name "Drawlume" on the application (they decide where
// the store lives), then creates the store; it lives until the process ends and writes itself out
// then. GUI-free; use it from the GUI thread only (QSettings is reentrant, this single object is
// not meant to be shared between threads).
//
// The typed accessors read and write one key each with its default:
//
//   last_open_directory        the user's documents folder
//   last_save_directory        last_open_directory (and so the documents folder)
//   auto_fit_to_width          true; reading an absent value also stores true
//   DLDocumentWindowGeometry   empty: nothing to restore
//   DLDocumentWindowState      empty: nothing to restore
//   recent_files               empty list; full paths, newest first
//   live_result                false: documents render only when asked ("Process")
//   max_megapixels             100: the largest picture the application opens, in megapixels;
//                              a value that is no whole number from 1 to 1000 counts as absent
//   keep_photo_information     true: an export keeps the photo's EXIF, XMP and IPTC
//   last_export_directory      last_save_directory: where the export's dialog starts
//   jpeg_quality               80: the quality of exported files of a format with a quality
//                              (JPEG, WebP, AVIF, JPEG XL), 0 to 100; 100 is lossless where the
//                              format can be
//   batch_output_folder        last_export_directory: where Batch Export writes
//   batch_format               "jpg": the suffix of Batch Export's files, the written suffix of a
//                              written row of pictureFormats()
//   batch_name_pattern         "{name}-{filter}.{ext}": Batch Export's name pattern
//   batch_existing_files       "skip": what Batch Export does with an existing file ("skip",
//                              "overwrite", "number")
//
// An absent value is a null one; an empty directory string counts as absent too, since no file
// dialog can start in "no directory".

QSettings& settings();

// The organization domain set together with the names.
inline constexpr const char* kSettingsOrganizationDomain = "drawlume.invalid";

QString last_open_directory();
void set_last_open_directory(const QString& directory);

QString last_save_directory();
void set_last_save_directory(const QString& directory);

bool auto_fit_to_width();
void set_auto_fit_to_width(bool fit);

// Whether every change of a document's settings renders it again ("Live" in the control window).
bool live_result();
void set_live_result(bool live);

// The largest picture the application opens, in megapixels (see setMaximumPictureMegapixels).
int max_megapixels();
void set_max_megapixels(int megapixels);

// Whether an export carries the photo information (EXIF, XMP, IPTC) of the document's picture
// file ("Keep photo information" in the export dialog).
bool keep_photo_information();
void set_keep_photo_information(bool keep);

QString last_export_directory();
void set_last_export_directory(const QString& directory);

// The quality of exported JPEG files ("JPEG quality" in the export's dialog); a stored value
// that is no whole number from 0 to 100 counts as absent.
int jpeg_quality();
void set_jpeg_quality(int quality);

// What the Batch Export window remembers (see the table above). A stored format that is none of
// the four, or an empty pattern or policy, counts as absent.
QString batch_output_folder();
void set_batch_output_folder(const QString& folder);
QString batch_format();
void set_batch_format(const QString& suffix);
QString batch_name_pattern();
void set_batch_name_pattern(const QString& pattern);
QString batch_existing_files();
void set_batch_existing_files(const QString& policy);

// QMainWindow::saveGeometry() / saveState(0) of the last document window that stored them.
QByteArray document_window_geometry();
void set_document_window_geometry(const QByteArray& geometry);
QByteArray document_window_state();
void set_document_window_state(const QByteArray& state);

// The recent-files list as stored (RecentFiles::store writes it).
QStringList stored_recent_files();
