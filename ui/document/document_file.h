#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "core/framework/filter_parameters.h"

class DocumentView;

// A file read for opening, before any window is touched: a picture, or a ".drawlume" document
// with its picture and settings.
struct OpenedFile
{
    QString path; // the file that was opened
    QImage picture;
    QByteArray picture_bytes;       // the picture file the picture was decoded from, unchanged
    QString picture_path;           // that file: path itself, or where a document's was unpacked
    QString picture_name;           // a document's stored picture name; empty for a picture
    FilterParametersPtr parameters; // a document's filter and settings; null for a picture
    QString warning;                // the picture opened, but with this to say (incomplete ...)
    QImage mask;                    // a document's photo mask; null when it has none
    QString preset; // the preset a document's settings came from; empty when it names none

    bool is_document() const { return !parameters.isNull(); }
};

// Where the picture behind a view came from: the file (and its bytes, kept so that a document
// stores exactly what was read), or nothing for a pasted or dropped image.
struct PictureSource
{
    QString path;
    QByteArray bytes;
    QString name; // the name shown and stored by the next save; empty: the path's file name
    QImage mask;  // the photo mask a document brought with the picture, stored again on save
};

// The file side of one document view: opens a picture or a ".drawlume" document into the view and
// writes the view's picture and settings as a document. Remembers the paths involved: the picture
// file behind the view, the document last read or written, and where a document was unpacked.
// Owned by its DocumentView; GUI thread only.
class DocumentFile
{
public:
    explicit DocumentFile(DocumentView* view);

    // True when the document path ends in ".drawlume".
    bool is_document() const;
    static bool is_document_name(const QString& path);

    QString document_path() const { return m_document_path; }
    QString unpacked_image_path() const { return m_unpacked_image_path; }
    QString unpacked_filter_path() const { return m_unpacked_filter_path; }
    // The picture file behind the view (empty for a pasted or dropped image).
    QString image_name() const { return m_source.name.isEmpty() ? m_source.path : m_source.name; }
    const PictureSource& picture_source() const { return m_source; }
    void set_picture_source(const PictureSource& source) { m_source = source; }

    // Reads a picture, or else a document, without touching any window. On failure error says
    // why, in words for the user ("the file is empty, not a picture").
    static bool read(const QString& path, OpenedFile& opened, QString* error);

    // Puts what read() gave into the view: the picture, and for a document its filter and
    // settings, which the panel then shows as stored.
    void apply(const OpenedFile& opened);

    // Writes the view's picture with the document's own settings as the document at path
    // (directory and base name of path, suffix ".drawlume"). A picture that came unchanged from a
    // file is stored as that file's bytes; any other as PNG. On failure shows why and returns
    // false, leaving an existing document as it was and the document path unchanged.
    bool pack_document(const QString& path, const QString& picture_name, const QImage& picture);

private:
    DocumentView* m_view;
    QString m_unpacked_image_path;
    QString m_unpacked_filter_path;
    QString m_document_path;
    PictureSource m_source;
};

// The message shown when a file cannot be opened: "Cannot load <path>." and why.
void show_cannot_load(QWidget* parent, const QString& path, const QString& reason);
// The message shown when a file opened with something to say (an incomplete picture).
void show_open_warning(QWidget* parent, const QString& path, const QString& warning);
