#include "ui/document/document_file.h"

#include "document/document_container.h"
#include "document/picture_io.h"
#include "ui/document/document_view.h"
#include "ui/panel/control_window.h"

#include <QDebug>
#include <QMessageBox>
#include <QObject>

DocumentFile::DocumentFile(DocumentView* view) : m_view(view) {}

bool DocumentFile::is_document() const
{
    return is_document_name(m_document_path);
}

bool DocumentFile::is_document_name(const QString& path)
{
    return isDocumentName(path);
}

bool DocumentFile::load(const QString& path)
{
    QImage picture;
    QString pictureError;
    bool isDocument = false;
    FilterParametersPtr parameters;
    if (!loadPicture(path, picture, &pictureError)) {
        QString documentError;
        UnpackedDocument unpacked;
        if (loadDocument(path, picture, parameters, &documentError, &unpacked)) {
            isDocument = true;
            m_unpacked_image_path = unpacked.picturePath;
            m_unpacked_filter_path = unpacked.filterPath;
        } else {
            qDebug() << "Cannot load" << path << "as a picture:" << pictureError
                     << "nor as a document:" << documentError;
            QMessageBox::information(m_view, m_view->windowTitle(),
                                     QObject::tr("Cannot load %1.").arg(path), QMessageBox::Ok);
            return false;
        }
    }

    if (isDocument) {
        m_view->store_parameters(parameters->filterName(), parameters);
        m_view->set_filter_index(ControlWindow::instance()->filter_index(parameters->filterName()));
        m_image_name = m_unpacked_image_path;
        // The panel state must not overwrite the settings just read into this view; the
        // document the panel served until now (another view) keeps its own, though.
        const bool other_was_current = ControlWindow::instance()->current_document() != m_view;
        m_view->set_source_image(picture, other_was_current);
        m_document_path = path;
    } else {
        m_view->set_source_image(picture, true);
        m_image_name = path;
    }
    return true;
}

bool DocumentFile::pack_document(const QString& path, const QString& picture_name,
                                 const QImage& picture)
{
    QString written;
    QString error;
    // The document's own settings, also when another document has the control window.
    const FilterParametersPtr parameters = ControlWindow::instance()->document_parameters(m_view);
    const bool saved = packDocument(path, picture, picture_name, m_image_name, *parameters,
                                    &written, &error);
    m_document_path = written;
    if (!saved) {
        qDebug() << "DocumentFile::pack_document:" << written << error;
        QMessageBox::critical(nullptr, QObject::tr("Drawlume"), QObject::tr("Error creating file."),
                              QMessageBox::Ok);
        return false;
    }
    return true;
}
