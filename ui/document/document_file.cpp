#include "ui/document/document_file.h"

#include "core/filters/filter_list.h"
#include "document/document_container.h"
#include "document/picture_io.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_view.h"

#include "ui/logging.h"
#include <QFileInfo>
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

namespace {

// The document's settings carry the name of the preset they came from under this key; it is no
// setting of any filter, and is taken out as the document is read.
const QString kPresetKey = QStringLiteral("preset");

// A document's stored settings go through its filter's rows, as every value the panel sets does:
// values the rows do not take are brought into them and missing ones take their defaults, and
// the user is told once, with the picture's own warning if it has one.
void add_settings_warning(OpenedFile& opened)
{
    const StoredSettingsCheck check = checkStoredSettings(*opened.parameters, true);
    QStringList said;
    if (!opened.warning.isEmpty())
        said.append(opened.warning);
    if (!check.wrong.isEmpty()) {
        said.append(QObject::tr("some of its settings were outside what the filter takes and "
                                "have been brought into range (%1).")
                        .arg(check.wrong.join(QStringLiteral("; "))));
    }
    if (!check.missing.isEmpty()) {
        said.append(QObject::tr("its settings lack %1; the defaults are taken.")
                        .arg(check.missing.join(QStringLiteral(", "))));
    }
    opened.warning = said.join(QLatin1Char('\n'));
}

} // namespace

bool DocumentFile::read(const QString& path, OpenedFile& opened, QString* error)
{
    opened = OpenedFile();
    opened.path = path;
    QString pictureError;
    if (loadPictureFile(path, opened.picture, &opened.picture_bytes, &pictureError,
                        &opened.warning)) {
        opened.picture_path = path;
        return true;
    }
    // Not a picture: a document (under any name), or else the picture's reason stands. A file
    // that does not exist or is empty is no document either.
    const QFileInfo info(path);
    QString documentError;
    if (info.isFile() && info.size() > 0) {
        UnpackedDocument unpacked;
        if (loadDocument(path, opened.picture, opened.parameters, &documentError, &unpacked,
                         &opened.warning, &opened.mask)) {
            opened.picture_bytes = unpacked.pictureBytes;
            opened.picture_path = unpacked.picturePath;
            opened.preset = opened.parameters->value(kPresetKey).toString();
            opened.parameters->remove(kPresetKey);
            add_settings_warning(opened);
            opened.picture_name = safePictureFileName(unpacked.pictureName);
            return true;
        }
    }
    opened = OpenedFile();
    qCDebug(lcDocument) << "Cannot load" << path << "as a picture:" << pictureError
                        << "nor as a document:" << documentError;
    if (error)
        *error = isDocumentName(path) && !documentError.isEmpty() ? documentError : pictureError;
    return false;
}

void DocumentFile::apply(const OpenedFile& opened)
{
    m_source =
        PictureSource{opened.picture_path, opened.picture_bytes, opened.picture_name, opened.mask};
    DocumentRegistry* registry = m_view->registry();
    if (opened.is_document()) {
        m_unpacked_image_path = opened.picture_path;
        m_unpacked_filter_path.clear();
        const QString name = opened.parameters->filterName();
        m_view->store_parameters(name, opened.parameters);
        // The preset the document names shows, not one chosen before; a document that names
        // none shows the preset its settings equal, or no preset.
        m_view->set_preset_for(name,
                               opened.preset.isEmpty() ? QString(kUnknownPreset) : opened.preset);
        const int index =
            registry && registry->panel() ? registry->panel()->filter_index(name) : -1;
        m_view->set_filter_index(index);
        m_document_path = opened.path;
        // The panel must show the settings just read, not store its own into this view; the
        // document it served until now (another view) keeps its own, though.
        const bool other_was_current = !registry || registry->current_document() != m_view;
        m_view->set_source_image(opened.picture, other_was_current);
    } else {
        m_view->set_source_image(opened.picture, true);
    }
}

bool DocumentFile::pack_document(const QString& path, const QString& picture_name,
                                 const QImage& picture)
{
    QString written;
    QString error;
    // The document's own settings, also when another document has the control window.
    const FilterParametersPtr parameters = m_view->document_parameters();
    DocumentRegistry* registry = m_view->registry();
    const QString preset = registry && registry->panel()
                               ? registry->panel()->document_preset(m_view)
                               : m_view->preset_for(parameters->filterName());
    if (!preset.isEmpty() && preset != kUnknownPreset)
        parameters->insert(kPresetKey, preset);
    // The photo mask belongs to its picture: one of another size (a pasted picture) is not kept.
    const QImage mask = m_source.mask.size() == picture.size() ? m_source.mask : QImage();
    const bool saved = packDocument(path, picture, picture_name, m_source.bytes, *parameters,
                                    &written, &error, mask);
    // A document that could not be written is not this view's document: the next "&Save" of a
    // document never saved asks for a name again instead of failing on the same path.
    if (saved)
        m_document_path = written;
    if (!saved) {
        qCDebug(lcDocument) << "pack_document:" << written << error;
        QMessageBox box(QMessageBox::Critical, QObject::tr("Drawlume"),
                        QObject::tr("Error creating file."), QMessageBox::Ok, m_view->window());
        box.setInformativeText(QObject::tr("%1 could not be written: %2.").arg(written, error));
        box.exec();
        return false;
    }
    return true;
}

void show_cannot_load(QWidget* parent, const QString& path, const QString& reason)
{
    QMessageBox box(QMessageBox::Warning, QObject::tr("Drawlume"),
                    QObject::tr("Cannot load %1.").arg(path), QMessageBox::Ok, parent);
    if (!reason.isEmpty()) {
        QString text = reason;
        text[0] = text[0].toUpper();
        if (!text.endsWith(QLatin1Char('.')))
            text += QLatin1Char('.');
        box.setInformativeText(text);
    }
    box.exec();
}

void show_open_warning(QWidget* parent, const QString& path, const QString& warning)
{
    QMessageBox box(QMessageBox::Warning, QObject::tr("Drawlume"),
                    QObject::tr("%1 was opened with a problem.").arg(path), QMessageBox::Ok,
                    parent);
    QString text = warning;
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    box.setInformativeText(text);
    box.exec();
}
