#include "ui/document/opening.h"

#include "document/document_container.h"
#include "document/file_names.h"
#include "ui/document/document_file.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/recent_files.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QWindow>

namespace {

void remember_opened(const QString& path)
{
    RecentFiles::instance()->add_file(path);
    last_dialog_path() = path;
    remember_open_directory(path);
}

} // namespace

namespace {

// Asks once more for a window's activation when it first comes on screen: a window just shown is
// not mapped yet, and the window manager may pass over a request to activate it then. Asked again
// once it is on screen, it comes forward with the application's tool window above it.
class ActivateWhenExposed : public QObject
{
public:
    explicit ActivateWhenExposed(DocumentWindow* window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && m_window->windowHandle() &&
            m_window->windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            QPointer<DocumentWindow> window = m_window;
            QMetaObject::invokeMethod(
                window,
                [window] {
                    if (window && !QApplication::activeModalWidget()) {
                        window->raise();
                        window->activateWindow();
                    }
                },
                Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }

private:
    DocumentWindow* m_window;
};

} // namespace

void bring_to_front(DocumentWindow* window)
{
    if (!window)
        return;
    const bool on_screen = window->windowHandle() && window->windowHandle()->isExposed();
    window->show();
    window->raise();
    window->activateWindow();
    if (!on_screen && window->windowHandle())
        window->windowHandle()->installEventFilter(new ActivateWhenExposed(window));
}

DocumentWindow* open_path(DocumentRegistry* registry, const QString& given_path,
                          QWidget* message_parent)
{
    if (given_path.isEmpty() || !registry)
        return nullptr;
    // Recent files and remembered folders hold full paths, whatever the command line said.
    const QString path = QFileInfo(given_path).absoluteFilePath();
    if (DocumentWindow* open = registry->find_window_for_file(path)) {
        registry->set_current_document(open->view(), true);
        bring_to_front(open);
        remember_opened(path);
        return open;
    }
    OpenedFile opened;
    QString error;
    if (!DocumentFile::read(path, opened, &error)) {
        show_cannot_load(message_parent, path, error);
        return nullptr;
    }
    DocumentWindow* target = registry->current_window();
    if (!target && !registry->windows().isEmpty())
        target = registry->windows().constFirst();
    if (!target || target->view()->has_picture())
        target = create_document_window(registry);
    target->view()->open_file(opened);
    bring_to_front(target);
    remember_opened(path);
    if (!opened.warning.isEmpty())
        show_open_warning(target, path, opened.warning);
    return target;
}

bool drop_picture(DocumentRegistry* registry, DocumentWindow* target, const QMimeData* data)
{
    if (!registry || !can_accept_drop(data))
        return false;
    if (!target)
        target = registry->current_window();
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (image.isNull())
            return false;
        if (!target)
            target = create_document_window(registry);
        target->view()->replace_picture(
            DocumentView::PictureState{image, QString(), QByteArray(), QString()});
        bring_to_front(target);
        return true;
    }
    const QString path = dropped_file(data);
    if (isDocumentName(path) || !target || !target->view()->has_picture()) {
        if (target && !target->view()->has_picture())
            registry->set_current_document(target->view(), true);
        return open_path(registry, path, target) != nullptr;
    }
    OpenedFile opened;
    QString error;
    if (!DocumentFile::read(path, opened, &error) || opened.is_document()) {
        show_cannot_load(target, path, error);
        return false;
    }
    target->view()->replace_picture(DocumentView::PictureState{opened.picture, opened.picture_path,
                                                               opened.picture_bytes, QString()});
    bring_to_front(target);
    if (!opened.warning.isEmpty())
        show_open_warning(target, path, opened.warning);
    return true;
}
