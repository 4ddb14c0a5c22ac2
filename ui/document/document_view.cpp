#include "ui/document/document_view.h"

#include "core/filters/filter_list.h"
#include "document/settings.h"
#include "ui/document/document_file.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_window.h"
#include "ui/document/launcher.h"
#include "ui/logging.h"
#include "ui/widgets/picture_canvas.h"
#include "ui/widgets/placeholder.h"
#include "ui/widgets/status_bar.h"
#include "ui/widgets/zoom_steps.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QScrollArea>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {
// How long a status-line remark stays before the picture's status returns.
constexpr int kRemarkMilliseconds = 5000;
// The pause in setting changes after which a live render starts.
constexpr int kLivePauseMilliseconds = 300;
} // namespace

DocumentView::DocumentView(DocumentRegistry* registry, QWidget* parent)
    : QWidget(parent), m_registry(registry), m_line(new QScrollArea(this)),
      m_canvas(new PictureCanvas(this)), m_placeholder(new Placeholder(false, this)),
      m_status(new StatusBar(this)), m_live_timer(new QTimer(this)), m_shown(m_canvas),
      m_launcher(new Launcher(this)), m_document(new DocumentFile(this)),
      m_undo_stack(new QUndoStack(this))
{
    set_untitled_title();

    m_canvas->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_canvas->hide();
    setFocusProxy(m_canvas);
    m_line->setFixedHeight(1);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_placeholder);
    layout->addWidget(m_line);
    layout->addWidget(m_canvas);
    layout->addWidget(m_status);

    // Modified while the stack is away from the state last saved (or opened).
    connect(m_undo_stack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { set_window_modified(!clean); });
    // Every settings or picture change is a step on the stack.
    connect(m_undo_stack, &QUndoStack::indexChanged, this, &DocumentView::settings_changed);
    m_live_timer->setSingleShot(true);
    m_live_timer->setInterval(kLivePauseMilliseconds);
    connect(m_live_timer, &QTimer::timeout, this, &DocumentView::render_live);

    connect(m_canvas, &PictureCanvas::zoom_changed, this, &DocumentView::zoom_changed);
    connect(m_status->compare_button(), &QAbstractButton::pressed, m_canvas,
            [this] { m_canvas->set_comparing(true); });
    connect(m_status->compare_button(), &QAbstractButton::released, m_canvas,
            [this] { m_canvas->set_comparing(false); });
    connect(m_launcher, &Launcher::background_progress, m_status, [this](int percent, bool live) {
        m_status->set_progress(percent, live ? tr("Rendering: %p%") : tr("Full size: %p%"));
    });
    connect(m_launcher, &Launcher::full_size_ready, m_canvas, &PictureCanvas::set_artwork);
    // A rendering finished while the view is closer than its scale: the full size follows.
    connect(m_launcher, &Launcher::display_rendered, this,
            &DocumentView::render_full_size_if_needed);
    m_status->set_zoom(zoom_steps::percent(m_canvas->zoom()));
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
    return document_name() + QStringLiteral(" - ") + QStringLiteral("Drawlume");
}

QString DocumentView::document_name() const
{
    if (m_document_state == 0)
        return windowTitle();
    const QString name = QFileInfo(windowTitle()).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString DocumentView::status_text() const
{
    if (m_canvas->isHidden())
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
    m_canvas->show();
    m_shown.set_image(image);
    m_launcher->drop_full_size();
    m_canvas->set_photograph(image);

    if (m_registry)
        m_registry->set_current_document(this, store_previous);

    QTimer::singleShot(10, this, &DocumentView::force_resize_event);
    emit changed();
}

void DocumentView::show_result(const QImage& image)
{
    m_canvas->set_artwork(image);
}

void DocumentView::force_resize_event()
{
    if (!m_canvas->isHidden() && m_canvas->is_fitted())
        m_canvas->fit_to_window();
}

void DocumentView::fit_to_window()
{
    if (m_canvas->isHidden())
        return;
    m_canvas->fit_to_window();
    zoom_changed(m_canvas->zoom(), false);
}

bool DocumentView::auto_fit() const
{
    return m_canvas->is_fitted();
}

void DocumentView::scale_label(double factor)
{
    m_canvas->set_zoom(factor);
}

void DocumentView::zoom_changed(double zoom, bool zoomed_in)
{
    const int percent = zoom_steps::percent(zoom);
    m_status->set_zoom(percent);
    if (zoomed_in)
        render_full_size_if_needed();
}

void DocumentView::render_full_size_if_needed()
{
    // Closer than the display render's scale, the enlarged render shows at once; the full-size
    // one follows in the background.
    if (!has_result() || is_rendering() || m_canvas->zoom() <= m_launcher->display_scale() + 1e-9)
        return;
    if (m_launcher->start_full_size(m_shown.image()))
        qCDebug(lcRender) << "full-size render started at zoom" << m_canvas->zoom();
}

bool DocumentView::cancel_background()
{
    if (!m_launcher->full_size_running() && !m_launcher->live_running())
        return false;
    m_launcher->cancel_full_size();
    tell(tr("Rendering cancelled."));
    return true;
}

void DocumentView::settings_changed()
{
    drop_full_size();
    if (live_result() && has_picture())
        m_live_timer->start();
}

bool DocumentView::render_live()
{
    if (!has_picture() || m_launcher->busy() || m_launcher->worker())
        return false;
    const FilterParametersPtr parameters = display_parameters();
    return m_launcher->start_live_rendering(parameters->filterName(), parameters, m_shown.image());
}

bool DocumentView::live_render_pending() const
{
    return m_live_timer->isActive();
}

void DocumentView::drop_full_size()
{
    if (m_launcher->full_size_result().isNull() && !m_launcher->full_size_running())
        return;
    m_launcher->drop_full_size();
    if (!m_launcher->display_result().isNull())
        m_canvas->set_artwork(m_launcher->display_result());
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
    return m_launcher->start_rendering(filter_name, display_parameters(), m_shown.image());
}

FilterParametersPtr DocumentView::display_parameters() const
{
    FilterParametersPtr parameters = document_parameters();
    const double scale = m_shown.display_scale();
    if (scale != 1.0)
        parameters->insert(scalingKey(), scale);
    parameters->insert(forPreviewKey(), false);
    return parameters;
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

void DocumentView::show_empty()
{
    m_launcher->drop_full_size();
    m_canvas->hide();
    m_placeholder->show();
    m_line->show();
    m_shown.set_image(QImage());
    m_canvas->set_photograph(QImage());
    if (m_registry)
        m_registry->set_current_document(this, true);
    emit changed();
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

QString DocumentView::preset_for(const QString& filter_name) const
{
    return m_presets.value(filter_name);
}

void DocumentView::set_preset_for(const QString& filter_name, const QString& preset)
{
    m_presets.insert(filter_name, preset);
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
    return !m_canvas->isHidden();
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
