#include "ui/document/document_view.h"

#include "document/file_names.h"
#include "document/picture_io.h"
#include "document/settings.h"
#include "ui/document/document_file.h"
#include "ui/document/document_window.h"
#include "ui/document/file_dialogs.h"
#include "ui/panel/control_window.h"
#include "ui/panel/placeholder.h"
#include "ui/panel/status_bar.h"
#include "ui/processing/launcher.h"

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

DocumentView::DocumentView(QWidget* parent)
    : QWidget(parent),
      m_line(new QScrollArea(this)),
      m_picture_area(new QScrollArea(this)),
      m_placeholder(new Placeholder(false, this)),
      m_image_label(new QLabel),
      m_status(new StatusBar(this)),
      m_shown(m_image_label),
      m_launcher(new Launcher(this)),
      m_document(new DocumentFile(this)),
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

    connect(m_undo_stack, &QUndoStack::canUndoChanged, this, &DocumentView::set_window_modified);
}

DocumentView::~DocumentView()
{
    // The stack reports its last change while it is destroyed; by then this view is half gone.
    m_undo_stack->disconnect(this);
    delete m_undo_stack;
    m_undo_stack = nullptr;
    if (ControlWindow* control = ControlWindow::existing())
        control->document_closed(this);
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
    int number = ControlWindow::instance()->next_untitled_number();
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
    return QFileInfo(windowFilePath()).fileName() + QStringLiteral(": (") +
           QString::number(m_shown.image().width()) + QStringLiteral(" x ") +
           QString::number(m_shown.image().height()) + QStringLiteral(")");
}

void DocumentView::set_source_image(const QImage& image, bool store_previous)
{
    m_placeholder->hide();
    m_line->hide();
    m_picture_area->show();
    m_shown.set_image(image);
    m_image_label->setPixmap(QPixmap::fromImage(image));
    m_image_label->clearMask();

    ControlWindow* control = ControlWindow::instance();
    control->setVisible(true);
    control->set_current_document(this, store_previous);

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

bool DocumentView::process(const QString& filter_name)
{
    FilterParametersPtr parameters = ControlWindow::instance()->current_parameters();
    const double scale = m_shown.display_scale();
    if (scale != 1.0)
        parameters->insert(scalingKey(), scale);
    parameters->insert(forPreviewKey(), false);
    return m_launcher->start_rendering(filter_name, parameters, m_shown.image());
}

void DocumentView::export_image()
{
    const QString path = export_dialog(this);
    if (path.isEmpty())
        return;
    const int quality = path.endsWith(QLatin1String(".jpg")) ? 80 : kWriterDefaultQuality;
    m_launcher->start_saving(m_shown.image(), path, quality);
}

// The name a document stores for its picture: the picture's own file name. A window file path
// or title that already names a document (after a save) would store the document's name, whose
// suffix is no picture format, so the picture behind the view is named instead.
static QString picture_name_for(const QString& candidate, const DocumentFile* document)
{
    if (DocumentFile::is_document_name(candidate) && !document->image_name().isEmpty())
        return QFileInfo(document->image_name()).fileName();
    return candidate;
}

void DocumentView::attach_path(const QString& path)
{
    m_undo_stack->setClean();
    m_document_state = 2;
    setWindowFilePath(path);
    setWindowTitle(path);
    if (DocumentWindow* window = document_window())
        window->setWindowTitle(title());
}

bool DocumentView::save_document_as()
{
    const QString path = save_document_dialog(this);
    if (path.isEmpty())
        return false;
    const QString name = picture_name_for(QFileInfo(windowTitle()).fileName(), m_document);
    if (!m_document->pack_document(path, name, m_shown.image()))
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
    const QString name = picture_name_for(windowFilePath(), m_document);
    if (!m_document->pack_document(path, name, m_shown.image()))
        return false;
    attach_path(m_document->document_path());
    return true;
}

void DocumentView::load_file(const QString& path, bool keep_title)
{
    if (!QFileInfo::exists(path))
        return;
    if (!m_document->load(path)) {
        if (DocumentWindow* window = document_window())
            window->check_enabled_widgets();
        return;
    }
    setWindowFilePath(path);
    if (DocumentFile::is_document_name(path)) {
        if (m_document_state != 2) {
            m_document_state = 2;
            setWindowTitle(path);
            if (DocumentWindow* window = document_window())
                window->setWindowTitle(title());
        }
        setWindowFilePath(m_document->unpacked_image_path());
    } else if (m_document_state == 0 && !keep_title) {
        m_document_state = 2;
        setWindowTitle(path);
        if (DocumentWindow* window = document_window())
            window->setWindowTitle(title());
    }
    if (DocumentWindow* window = document_window())
        window->check_enabled_widgets();
}

void DocumentView::copy_picture()
{
    QApplication::clipboard()->setPixmap(m_image_label->pixmap());
}

void DocumentView::paste_picture()
{
    const QImage image = QApplication::clipboard()->image();
    if (!image.isNull())
        set_source_image(image, true);
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

void DocumentView::slot_quit_application()
{
    QApplication::quit();
}

void DocumentView::set_window_modified(bool modified)
{
    if (DocumentWindow* window = document_window())
        window->update_title(modified);
}
