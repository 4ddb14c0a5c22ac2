#pragma once

#include <QImage>
#include <QString>

class DocumentView;

// The file side of one document view: opens a picture or a ".drawlume" document into the view and
// writes the view's picture and settings as a document. Remembers the paths involved: the picture
// file behind the view (whose suffix decides the format a document stores), the document last read
// or written, and where a document was unpacked. Owned by its DocumentView; GUI thread only.
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
    QString image_name() const { return m_image_name; }
    void set_image_name(const QString& name) { m_image_name = name; }

    // Opens a picture, or else a document (its picture, filter and settings), into the view.
    // A file that is neither shows "Cannot load %1." and changes nothing; returns false then.
    bool load(const QString& path);

    // Writes picture as the document at path (directory and base name of path, suffix
    // ".drawlume") with the current panel settings; the picture is stored in the format of the
    // suffix of image_name(). On failure shows "Error creating file." and returns false, leaving an
    // existing document as it was. The document path is remembered either way, so "&Save" tries
    // the same file again.
    bool pack_document(const QString& path, const QString& picture_name, const QImage& picture);

private:
    DocumentView* m_view;
    QString m_unpacked_image_path;
    QString m_image_name;
    QString m_unpacked_filter_path;
    QString m_document_path;
};
