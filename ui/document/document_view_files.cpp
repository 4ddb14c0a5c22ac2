#include "ui/document/document_view.h"

#include "document/file_names.h"
#include "document/photo_metadata.h"
#include "document/picture_formats.h"
#include "document/picture_io.h"
#include "document/settings.h"
#include "ui/document/document_file.h"
#include "ui/document/document_window.h"
#include "ui/document/file_change_command.h"
#include "ui/document/file_dialogs.h"
#include "ui/document/launcher.h"
#include "ui/document/recent_files.h"
#include "ui/widgets/picture_canvas.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QTimer>
#include <QUndoStack>

// The document's files and picture changes: opening, saving and exporting, and a new picture
// (opened, pasted, dropped) as an undoable step.

void DocumentView::export_image()
{
    if (m_launcher->busy() || m_launcher->worker()) {
        tell(tr("Rendering: Export is possible once it has finished."));
        return;
    }
    const QString path = export_dialog(
        this, proposed_export_name(picture_name(), document_parameters()->filterName(),
                                   QStringLiteral("jpg")));
    if (path.isEmpty())
        return;
    // The quality of the dialog for a format that has one (100: lossless where it can be).
    const PictureFormat* format = pictureFormatForSuffix(QFileInfo(path).suffix());
    const int quality = format && format->hasQuality() ? jpeg_quality() : kWriterDefaultQuality;
    // The photo information of the picture's file (a document keeps that file as it was read);
    // a pasted picture has none.
    const PhotoMetadata metadata = keep_photo_information()
                                       ? PhotoMetadata::read(m_document->picture_source().bytes)
                                       : PhotoMetadata();
    if (!m_launcher->start_saving(m_shown.image(), path, quality, metadata, display_parameters(),
                                  m_document->picture_source().bytes))
        tell(tr("Export to %1 could not start.").arg(QFileInfo(path).fileName()));
    else if (m_launcher->export_waiting())
        tell(tr("Rendering: the export follows."));
}

// The name a document stores for its picture: the picture file's own name; a picture that came
// from no file is stored as PNG under "Untitled.png".
QString DocumentView::picture_name() const
{
    const QString name = QFileInfo(m_document->image_name()).fileName();
    return name.isEmpty() ? QStringLiteral("Untitled") : name;
}

// The name the save dialog proposes: the document's own, else the picture's with ".drawlume".
QString DocumentView::proposed_document_name() const
{
    if (m_document->is_document())
        return QFileInfo(m_document->document_path()).fileName();
    return QFileInfo(picture_name()).completeBaseName() + QStringLiteral(".drawlume");
}

void DocumentView::attach_path(const QString& path)
{
    // A saved document is the newest of the recent files, and its folder the one the next save
    // dialog starts in.
    RecentFiles::instance()->put_first(path);
    set_last_save_directory(QFileInfo(path).absolutePath());
    m_undo_stack->setClean();
    m_document_state = 2;
    setWindowFilePath(path);
    setWindowTitle(path);
    if (DocumentWindow* window = document_window())
        window->update_title(false);
}

bool DocumentView::save_document_as()
{
    const QString path = save_document_dialog(this, proposed_document_name());
    if (path.isEmpty())
        return false;
    if (!m_document->pack_document(path, picture_name(), m_shown.image()))
        return false;
    attach_path(m_document->document_path());
    return true;
}

bool DocumentView::save_document()
{
    QString path;
    if (m_document->is_document()) {
        path = m_document->document_path();
    } else {
        path = save_document_dialog(this, proposed_document_name());
        if (path.isEmpty())
            return false;
    }
    if (!m_document->pack_document(path, picture_name(), m_shown.image()))
        return false;
    attach_path(m_document->document_path());
    return true;
}

bool DocumentView::load_file(const QString& path, bool keep_title)
{
    if (!QFileInfo::exists(path))
        return false;
    OpenedFile opened;
    QString error;
    if (!DocumentFile::read(path, opened, &error)) {
        show_cannot_load(window(), path, error);
        refresh_window();
        return false;
    }
    m_document->apply(opened);
    setWindowFilePath(opened.picture_path);
    if (opened.is_document() || (m_document_state == 0 && !keep_title))
        name_after(path);
    refresh_window();
    if (opened.is_document())
        render_when_shown();
    return true;
}

void DocumentView::open_file(const OpenedFile& opened)
{
    m_document->apply(opened);
    setWindowFilePath(opened.picture_path);
    name_after(opened.path);
    refresh_window();
    if (opened.is_document())
        render_when_shown();
}

void DocumentView::render_when_shown()
{
    // A document is its artwork: its display render starts as it opens, Live or not, once the
    // window is shown at its size (the display scale follows the view's size).
    QTimer::singleShot(0, this, [this] {
        if (!has_result())
            render_live();
    });
}

void DocumentView::name_after(const QString& path)
{
    m_document_state = 2;
    setWindowTitle(path);
    if (DocumentWindow* window = document_window())
        window->update_title(!m_undo_stack->isClean());
}

DocumentView::PictureState DocumentView::picture_state() const
{
    const PictureSource& source = m_document->picture_source();
    return PictureState{has_picture() ? m_shown.image() : QImage(), source.path, source.bytes,
                        source.name, source.mask};
}

void DocumentView::replace_picture(const PictureState& state)
{
    auto* command = new FileChangeCommand(this, state, picture_state());
    command->setText(state.file_path.isEmpty()
                         ? tr("Paste Picture")
                         : tr("Open %1").arg(QFileInfo(state.file_path).fileName()));
    m_undo_stack->push(command);
}

void DocumentView::restore_picture(const PictureState& state)
{
    m_document->set_picture_source(
        PictureSource{state.file_path, state.file_bytes, state.name, state.mask});
    setWindowFilePath(state.file_path);
    if (state.image.isNull())
        show_empty();
    else
        set_source_image(state.image, true);
    refresh_window();
}

void DocumentView::copy_picture()
{
    QApplication::clipboard()->setImage(m_canvas->shown_image());
}

void DocumentView::paste_picture()
{
    const QImage image = QApplication::clipboard()->image();
    if (!image.isNull())
        replace_picture(PictureState{image, QString(), QByteArray(), QString()});
}
