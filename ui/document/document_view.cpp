#include "ui/document/document_view.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "document/file_names.h"
#include "document/picture_io.h"
#include "document/settings.h"
#include "ui/document/document_file.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_window.h"
#include "ui/document/file_change_command.h"
#include "ui/document/file_dialogs.h"
#include "ui/document/launcher.h"
#include "ui/widgets/placeholder.h"
#include "ui/widgets/status_bar.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

double DisplayedImage::display_scale() const
{
    const QRect contents = m_label->contentsRect();
    if (m_image.isNull() || m_image.width() == 0)
        return 1.0;
    if (contents.width() == m_image.width() && contents.height() == m_image.height())
        return 1.0;
    return double(contents.width()) / double(m_image.width());
}

QImage DisplayedImage::scaled_image() const
{
    return m_image.scaled(m_label->contentsRect().size(), Qt::IgnoreAspectRatio,
                          Qt::FastTransformation);
}

namespace {
// How long a status-line remark stays before the picture's status returns.
constexpr int kRemarkMilliseconds = 5000;
} // namespace

DocumentView::DocumentView(DocumentRegistry* registry, QWidget* parent)
    : QWidget(parent), m_registry(registry), m_line(new QScrollArea(this)),
      m_picture_area(new QScrollArea(this)), m_placeholder(new Placeholder(false, this)),
      m_image_label(new QLabel), m_status(new StatusBar(this)), m_shown(m_image_label),
      m_launcher(new Launcher(this)), m_document(new DocumentFile(this)),
      m_undo_stack(new QUndoStack(this))
{
    set_untitled_title();

    m_image_label->setFrameShape(QFrame::NoFrame);
    m_image_label->setLineWidth(0);
    m_image_label->setMidLineWidth(0);
    m_image_label->setBackgroundRole(QPalette::Base);
    m_image_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_image_label->setScaledContents(true);
    m_picture_area->setWidget(m_image_label);
    m_picture_area->setAlignment(Qt::AlignCenter);
    m_picture_area->hide();
    m_line->setFixedHeight(1);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_placeholder);
    layout->addWidget(m_line);
    layout->addWidget(m_picture_area);
    layout->addWidget(m_status);

    // Modified while the stack is away from the state last saved (or opened).
    connect(m_undo_stack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { set_window_modified(!clean); });
}

DocumentView::~DocumentView()
{
    // The stack reports its last change while it is destroyed; by then this view is half gone.
    m_undo_stack->disconnect(this);
    delete m_undo_stack;
    m_undo_stack = nullptr;
    if (m_registry)
        m_registry->document_closed(this);
    // The launcher (a child) goes next; deleting it waits for a running worker.
    delete m_launcher;
    m_launcher = nullptr;
    delete m_document;
}

DocumentWindow* DocumentView::document_window() const
{
    return qobject_cast<DocumentWindow*>(window());
}

void DocumentView::set_untitled_title()
{
    int number = m_registry ? m_registry->next_untitled_number() : 0;
    if (number == 0) {
        setWindowTitle(tr("Untitled"));
        m_untitled_number = 0;
    } else {
        ++number;
        setWindowTitle(tr("Untitled %1").arg(number));
        m_untitled_number = number;
    }
}

QString DocumentView::title() const
{
    if (m_document_state == 0)
        return windowTitle();
    const QString name = QFileInfo(windowTitle()).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? name : name.left(dot)) + QStringLiteral(" - ") + QStringLiteral("Drawlume");
}

QString DocumentView::status_text() const
{
    if (m_picture_area->isHidden())
        return QString();
    QString name = QFileInfo(m_document->image_name()).fileName();
    if (name.isEmpty())
        name = tr("Untitled");
    return name + QStringLiteral(": (") + QString::number(m_shown.image().width()) +
           QStringLiteral(" x ") + QString::number(m_shown.image().height()) + QStringLiteral(")");
}

void DocumentView::set_source_image(const QImage& image, bool store_previous)
{
    m_placeholder->hide();
    m_line->hide();
    m_picture_area->show();
    m_shown.set_image(image);
    m_image_label->setPixmap(QPixmap::fromImage(image));
    m_image_label->clearMask();

    if (m_registry)
        m_registry->set_current_document(this, store_previous);

    QTimer::singleShot(10, this, &DocumentView::force_resize_event);
    emit changed();
}

void DocumentView::show_result(const QImage& image)
{
    m_image_label->setPixmap(QPixmap::fromImage(image));
}

void DocumentView::force_resize_event()
{
    if (m_picture_area->isHidden())
        return;
    const QSize current = size();
    resize(current.width() + 1, current.height());
    resize(current);
}

void DocumentView::slot_auto_fit(bool checked)
{
    m_auto_fit = checked;
    set_auto_fit_to_width(checked);
    if (checked)
        fit_to_window();
}

void DocumentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_auto_fit)
        fit_to_window();
}

void DocumentView::fit_to_window()
{
    if (m_picture_area->isHidden())
        return;
    const QPixmap pixmap = m_image_label->pixmap();
    if (pixmap.isNull() || pixmap.width() == 0 || pixmap.height() == 0)
        return;
    // The space as if no scroll bar were shown.
    const QWidget* viewport = m_picture_area->viewport();
    int height = viewport->height();
    if (m_picture_area->horizontalScrollBar()->isVisible())
        height += m_picture_area->horizontalScrollBar()->height();
    int width = viewport->width();
    if (m_picture_area->verticalScrollBar()->isVisible())
        width += m_picture_area->verticalScrollBar()->width();

    double scale = std::min(double(height) / pixmap.height(), double(width) / pixmap.width());
    int zoom;
    if (scale < 0.1) {
        zoom = 10;
        scale = 0.1;
    } else if (scale > 2.0) {
        zoom = 200;
        scale = 2.0;
    } else {
        zoom = qRound(scale * 100);
    }
    if (DocumentWindow* window = document_window())
        window->set_zoom_silently(zoom);
    scale_label(scale);
}

void DocumentView::scale_label(double factor)
{
    const QPixmap pixmap = m_image_label->pixmap();
    m_image_label->resize(qRound(pixmap.width() * factor), qRound(pixmap.height() * factor));
}

bool DocumentView::process()
{
    const FilterParametersPtr parameters = document_parameters();
    return process(parameters->filterName());
}

bool DocumentView::process(const QString& filter_name)
{
    if (!has_picture())
        return false;
    if (is_rendering() || m_launcher->busy() || m_launcher->worker()) {
        tell(tr("Already rendering: wait for it to finish or cancel it."));
        return false;
    }
    FilterParametersPtr parameters = document_parameters();
    const double scale = m_shown.display_scale();
    if (scale != 1.0)
        parameters->insert(scalingKey(), scale);
    parameters->insert(forPreviewKey(), false);
    return m_launcher->start_rendering(filter_name, parameters, m_shown.image());
}

void DocumentView::export_image()
{
    if (m_launcher->busy() || m_launcher->worker()) {
        tell(tr("Rendering: Export is possible once it has finished."));
        return;
    }
    const QString path = export_dialog(this);
    if (path.isEmpty())
        return;
    const int quality = path.endsWith(QLatin1String(".jpg")) ? 80 : kWriterDefaultQuality;
    if (!m_launcher->start_saving(m_shown.image(), path, quality))
        tell(tr("Export to %1 could not start.").arg(QFileInfo(path).fileName()));
}

// The name a document stores for its picture: the picture file's own name; a picture that came
// from no file is stored as PNG under "Untitled.png".
QString DocumentView::picture_name() const
{
    const QString name = QFileInfo(m_document->image_name()).fileName();
    return name.isEmpty() ? QStringLiteral("Untitled") : name;
}

void DocumentView::attach_path(const QString& path)
{
    m_undo_stack->setClean();
    m_document_state = 2;
    setWindowFilePath(path);
    setWindowTitle(path);
    if (DocumentWindow* window = document_window())
        window->update_title(false);
}

bool DocumentView::save_document_as()
{
    const QString path = save_document_dialog(this);
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
        path = save_document_dialog(this);
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
    return true;
}

void DocumentView::open_file(const OpenedFile& opened)
{
    m_document->apply(opened);
    setWindowFilePath(opened.picture_path);
    name_after(opened.path);
    refresh_window();
}

void DocumentView::name_after(const QString& path)
{
    m_document_state = 2;
    setWindowTitle(path);
    if (DocumentWindow* window = document_window())
        window->update_title(!m_undo_stack->isClean());
}

void DocumentView::refresh_window()
{
    if (DocumentWindow* window = document_window())
        window->check_enabled_widgets();
}

void DocumentView::tell(const QString& message)
{
    m_status->set_text(message);
    QTimer::singleShot(kRemarkMilliseconds, this, [this, message] {
        if (m_status->text() == message)
            m_status->set_text(status_text());
    });
}

DocumentView::PictureState DocumentView::picture_state() const
{
    const PictureSource& source = m_document->picture_source();
    return PictureState{has_picture() ? m_shown.image() : QImage(), source.path, source.bytes};
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
    m_document->set_picture_source(PictureSource{state.file_path, state.file_bytes});
    setWindowFilePath(state.file_path);
    if (state.image.isNull())
        show_empty();
    else
        set_source_image(state.image, true);
    refresh_window();
}

void DocumentView::show_empty()
{
    m_picture_area->hide();
    m_placeholder->show();
    m_line->show();
    m_shown.set_image(QImage());
    m_image_label->setPixmap(QPixmap());
    if (m_registry)
        m_registry->set_current_document(this, true);
    emit changed();
}

void DocumentView::copy_picture()
{
    QApplication::clipboard()->setPixmap(m_image_label->pixmap());
}

void DocumentView::paste_picture()
{
    const QImage image = QApplication::clipboard()->image();
    if (!image.isNull())
        replace_picture(PictureState{image, QString(), QByteArray()});
}

FilterParametersPtr DocumentView::parameters_for(const QString& filter_name) const
{
    return m_filter_parameters.value(filter_name);
}

void DocumentView::store_parameters(const QString& filter_name,
                                    const FilterParametersPtr& parameters)
{
    m_filter_parameters.insert(filter_name, parameters);
}

FilterParametersPtr DocumentView::document_parameters() const
{
    if (m_registry && m_registry->panel())
        return m_registry->panel()->document_parameters(this);
    // Without a panel: the set of the filter the document last used, else the first filter's
    // defaults.
    if (!m_filter_parameters.isEmpty())
        return FilterParametersPtr(new FilterParameters(*m_filter_parameters.first()));
    return defaultParameters(filterNames().constFirst());
}

bool DocumentView::has_picture() const
{
    return !m_picture_area->isHidden();
}

bool DocumentView::is_rendering() const
{
    return m_launcher && m_launcher->worker() && m_launcher->busy();
}

bool DocumentView::has_result() const
{
    return m_launcher && m_launcher->has_result();
}

void DocumentView::set_window_modified(bool modified)
{
    if (DocumentWindow* window = document_window())
        window->update_title(modified);
}
