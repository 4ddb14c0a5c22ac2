#include "ui/panel/control_window.h"

#include "core/framework/filter.h"
#include "core/framework/parameter_table.h"
#include "document/file_names.h"
#include "document/settings.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/menu.h"
#include "ui/document/recent_files.h"
#include "ui/panel/bevel_button.h"
#include "ui/panel/bevel_combo_box.h"
#include "ui/panel/bevel_label.h"
#include "ui/panel/create_panel.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/file_change_command.h"
#include "ui/panel/filter_change_command.h"
#include "ui/panel/h_line.h"
#include "ui/panel/image_zoom_slider.h"
#include "ui/panel/size_grip.h"
#include "ui/panel/thumbnail.h"
#include "processing/preview_render.h"
#include "processing/worker.h"
#include "ui/panel/placeholder.h"
#include "ui/panel/preview_widget.h"
#include "ui/processing/launcher.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QUndoGroup>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

namespace {
ControlWindow* g_instance = nullptr;
constexpr int kProductSuffixLength = 11; // " - Drawlume"
} // namespace

ControlWindow* ControlWindow::instance()
{
    if (!g_instance)
        g_instance = new ControlWindow;
    return g_instance;
}

ControlWindow* ControlWindow::existing()
{
    return g_instance;
}

ControlWindow::ControlWindow()
    : QDialog(nullptr),
      m_placeholder(new Placeholder(true, this)),
      m_thumbnail(new Thumbnail(this)),
      m_filter_combo(new BevelComboBox(this)),
      m_panels(new QStackedWidget(this)),
      m_process_button(new BevelButton(tr("Process"), this)),
      m_undo_group(new QUndoGroup(this)),
      m_zoom_slider(new ImageZoomSlider(m_thumbnail, this)),
      m_size_grip(new SizeGrip(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* preview = new QVBoxLayout;
    preview->setContentsMargins(26, 16, 26, 8);
    preview->setSpacing(0);
    preview->addWidget(m_placeholder, 2);
    preview->addWidget(m_thumbnail, 2);
    preview->addSpacing(8);
    preview->addWidget(m_zoom_slider);
    layout->addLayout(preview, 2);

    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(16, 0, 18, 0);
    filterRow->setSpacing(0);
    auto* filterLabel = new BevelLabel(tr("Filter:"), this);
    QFont labelFont = filterLabel->font();
    labelFont.setFamily(QStringLiteral("Arial Regular"));
    labelFont.setPointSize(labelFont.pointSize() + 2);
    filterLabel->setFont(labelFont);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter_combo, 0, Qt::AlignRight);
    m_filter_combo->setFixedWidth(206);
    layout->addLayout(filterRow);
    layout->addSpacing(8);
    layout->addWidget(new HLine(this));

    auto* panelRow = new QHBoxLayout;
    panelRow->setContentsMargins(10, 0, 10, 0);
    panelRow->addWidget(m_panels);
    layout->addLayout(panelRow);
    layout->addSpacing(8);
    layout->addWidget(new HLine(this));
    layout->addSpacing(8);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(0);
    QFont buttonFont(QStringLiteral("Arial Regular"));
    buttonFont.setPointSize(12);
    m_process_button->setFont(buttonFont);
    m_process_button->setMinimumWidth(
        2 * QFontMetrics(QApplication::font()).horizontalAdvance(m_process_button->text()));
    buttonRow->addWidget(m_process_button, 0, Qt::AlignCenter);
    layout->addLayout(buttonRow);
    layout->addWidget(m_size_grip, 0, Qt::AlignBottom | Qt::AlignRight);
    m_size_grip->setContentsMargins(0, 0, 0, 0);

    setWindowTitle(tr("Filter Parameters"));
    setMinimumWidth(314);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setMouseTracking(true);
    setAcceptDrops(true);

    for (const QString& name : filterNames()) {
        m_filter_combo->addItem(name);
        FilterWidget* panel = create_panel(name, m_panels);
        m_panels->addWidget(panel);
        connect(panel, &FilterWidget::changed, this, &ControlWindow::slot_options_changed);
    }
    connect(m_thumbnail, &Thumbnail::signal_update_thumbnail, this,
            &ControlWindow::slot_options_changed);
    // The preview takes the pointer's movements for itself (panning, its cursor); a resize that
    // waits for the next movement must see those too.
    m_thumbnail->preview()->installEventFilter(this);
    m_thumbnail->hide();
    reset_panel();

    connect(qApp, &QApplication::focusChanged, this, &ControlWindow::slot_app_focus_changed);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ControlWindow::slot_about_to_quit);
    connect(m_filter_combo, &QComboBox::currentIndexChanged, this,
            &ControlWindow::slot_current_filter_changed);
    connect(m_filter_combo, &QComboBox::highlighted, this,
            &ControlWindow::slot_current_filter_activated);
    connect(m_filter_combo, &QComboBox::activated, this,
            &ControlWindow::slot_current_filter_user_activated);
    connect(m_process_button, &QPushButton::clicked, this, &ControlWindow::slot_start);
    connect(m_undo_group, &QUndoGroup::cleanChanged, this,
            &ControlWindow::slot_check_document_modify);
}

ControlWindow::~ControlWindow()
{
    if (g_instance == this)
        g_instance = nullptr;
}

void ControlWindow::add_document_window(DocumentWindow* window)
{
    if (m_document_windows.contains(window))
        return;
    m_document_windows.append(window);
    m_undo_group->addStack(window->view()->undo_stack());
}

void ControlWindow::remove_document_window(DocumentWindow* window)
{
    if (!m_document_windows.removeOne(window))
        return;
    m_undo_group->removeStack(window->view()->undo_stack());
    if (m_document_windows.isEmpty()) {
        if (m_quit_handler)
            m_quit_handler();
        else
            QCoreApplication::quit();
    }
}

DocumentView* ControlWindow::current_document() const
{
    return m_current_document;
}

DocumentWindow* ControlWindow::current_document_window() const
{
    return m_current_document ? m_current_document->document_window() : nullptr;
}

void ControlWindow::set_current_document(DocumentView* view, bool store_previous)
{
    if (m_current_document && store_previous) {
        m_current_document->set_filter_index(m_filter_combo->currentIndex());
        for (int i = 0; i < m_filter_combo->count(); ++i)
            m_current_document->store_parameters(m_filter_combo->itemText(i), panel(i)->parameters());
    }
    m_current_document = view;

    if (!view || !view->has_picture()) {
        reset_panel();
    } else {
        m_thumbnail->set_source(view->source_image());
        {
            const QSignalBlocker blocker(m_filter_combo);
            m_filter_combo->setCurrentIndex(-1);
        }
        m_filter_combo->setCurrentIndex(std::max(0, view->filter_index()));
        for (int i = 0; i < m_filter_combo->count(); ++i) {
            // One preview follows, for all the panels together.
            const QSignalBlocker quiet(panel(i));
            const FilterParametersPtr stored = view->parameters_for(m_filter_combo->itemText(i));
            if (stored)
                panel(i)->set_parameters(stored);
            else
                panel(i)->reset_to_defaults();
        }
        slot_options_changed();
    }
    update_enabled_state();
    set_stays_on_top(true);
    if (view)
        m_undo_group->setActiveStack(view->undo_stack());
}

void ControlWindow::document_closed(DocumentView* view)
{
    if (view == m_current_document || !m_current_document) {
        m_current_document = nullptr;
        DocumentWindow* next = nullptr;
        for (DocumentWindow* window : qAsConst(m_document_windows)) {
            if (window->view() != view) {
                next = window;
                break;
            }
        }
        if (next)
            set_current_document(next->view(), true);
        else
            reset_panel();
    }
    update_enabled_state();
}

void ControlWindow::document_busy_changed(DocumentView* view)
{
    if (view != m_current_document)
        return;
    if (DocumentWindow* window = current_document_window())
        window->check_enabled_widgets();
    update_enabled_state();
}

FilterWidget* ControlWindow::panel(int index) const
{
    return qobject_cast<FilterWidget*>(m_panels->widget(index));
}

FilterParametersPtr ControlWindow::current_parameters() const
{
    return panel(std::max(0, m_filter_combo->currentIndex()))->parameters();
}

FilterParametersPtr ControlWindow::document_parameters(const DocumentView* view) const
{
    if (!view || view == m_current_document)
        return current_parameters();
    int index = view->filter_index();
    if (index < 0 || index >= m_filter_combo->count())
        index = 0;
    const QString name = m_filter_combo->itemText(index);
    if (const FilterParametersPtr kept = view->parameters_for(name))
        return FilterParametersPtr(new FilterParameters(*kept));
    return defaultParameters(name);
}

QString ControlWindow::current_filter_name() const
{
    return m_filter_combo->currentText();
}

int ControlWindow::filter_index(const QString& name) const
{
    for (int i = 0; i < m_filter_combo->count(); ++i) {
        if (m_filter_combo->itemText(i) == name)
            return i;
    }
    return -1;
}

int ControlWindow::next_untitled_number() const
{
    int untitled = 0;
    int largest = 0;
    for (DocumentWindow* window : m_document_windows) {
        if (window->view()->document_state() != 0)
            continue;
        ++untitled;
        largest = std::max(largest, window->view()->untitled_number());
    }
    if (untitled == 1 && largest == 0)
        return 1;
    return largest;
}

DocumentWindow* ControlWindow::find_document_window(const QString& name) const
{
    for (DocumentWindow* window : m_document_windows) {
        const QString title = window->windowTitle();
        if (title.size() >= kProductSuffixLength &&
            title.left(title.size() - kProductSuffixLength) == name)
            return window;
    }
    return nullptr;
}

void ControlWindow::push_undo(QUndoCommand* command)
{
    if (DocumentWindow* window = current_document_window())
        window->view()->undo_stack()->push(command);
    else
        delete command;
}

void ControlWindow::reset_panel()
{
    const QSignalBlocker blocker(m_filter_combo);
    stop_preview_worker();
    m_thumbnail->hide();
    m_placeholder->show();
    m_filter_combo->setCurrentIndex(0);
    m_panels->setCurrentIndex(0);
    m_zoom_slider->setEnabled(false);
    for (int i = 0; i < m_filter_combo->count(); ++i) {
        const QSignalBlocker quiet(panel(i));
        panel(i)->reset_to_defaults();
    }
    m_thumbnail->clear();
}

void ControlWindow::update_enabled_state()
{
    const bool enabled = m_current_document && m_current_document->has_picture() &&
                         !m_current_document->is_rendering() &&
                         !(m_current_document->launcher() && m_current_document->launcher()->busy());
    m_filter_combo->setEnabled(enabled);
    m_panels->setEnabled(enabled);
    m_process_button->setEnabled(enabled);
    m_zoom_slider->setEnabled(enabled);
}

void ControlWindow::set_stays_on_top(bool active)
{
    if (m_quitting || !m_current_document || m_current_document->is_rendering())
        return;
    const bool onTop = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (active) {
        if (!onTop)
            setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (!isVisible())
            show();
    } else if (onTop) {
        setWindowFlag(Qt::WindowStaysOnTopHint, false);
    }
}

void ControlWindow::slot_app_focus_changed(QWidget* old, QWidget* now)
{
    Q_UNUSED(old);
    set_stays_on_top(now != nullptr);
    // The document of the focused widget becomes current.
    for (QObject* object = now ? now->parent() : nullptr; object; object = object->parent()) {
        if (auto* view = qobject_cast<DocumentView*>(object)) {
            if (view != m_current_document)
                set_current_document(view, true);
            break;
        }
    }
}

void ControlWindow::slot_options_changed()
{
    preview_current_filter();
}

void ControlWindow::stop_preview_worker()
{
    if (!m_preview_worker)
        return;
    m_preview_worker->slot_cancelled();
    m_preview_worker->wait();
    m_preview_worker->disconnect(this);
    delete m_preview_worker;
    m_preview_worker = nullptr;
    update_enabled_state();
}

void ControlWindow::preview_current_filter()
{
    qDebug() << "ControlWindow::preview_current_filter();";
    stop_preview_worker();
    if (!m_current_document || !m_current_document->has_picture())
        return;
    // Another panel, or rows of this one shown or hidden, can change the preview's size through
    // layout requests still queued: the piece to filter is measured on the settled layout, or the
    // result would not cover the preview.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QImage source = m_thumbnail->source_image();
    if (source.isNull())
        return;
    const FilterParametersPtr parameters = preview_parameters(*current_parameters());
    const CacheKey key = makeKey(source, *parameters);
    m_placeholder->hide();
    m_thumbnail->show();
    if (m_preview_cache.contains(key)) {
        m_thumbnail->set_result(m_preview_cache.lookup(key));
        return;
    }
    m_thumbnail->set_busy(true);
    const QString name = m_filter_combo->currentText();
    QCoreApplication::processEvents();
    const FilterPtr filter = make_preview_filter(name, source, parameters);
    if (!filter) {
        // A filter this build cannot render: the picture stays as it is.
        m_thumbnail->set_busy(false);
        m_thumbnail->set_result(source);
        return;
    }
    m_preview_worker = new Worker(filter, this);
    m_preview_worker->set_cache_key(key);
    connect(m_preview_worker, &QThread::finished, this, &ControlWindow::slot_thread_finished,
            Qt::QueuedConnection);
    m_preview_worker->start(QThread::InheritPriority);
}

void ControlWindow::slot_thread_finished()
{
    qDebug() << "ControlWindow" << "slot_thread_finished";
    if (!m_preview_worker || sender() != m_preview_worker)
        return;
    const QImage result = m_preview_worker->result_image();
    if (!m_preview_worker->was_cancelled())
        m_preview_cache.insert(m_preview_worker->cache_key(), result);
    m_placeholder->hide();
    m_thumbnail->show();
    m_thumbnail->set_busy(false);
    m_thumbnail->set_result(result);
    m_preview_worker->disconnect(this);
    m_preview_worker->wait();
    delete m_preview_worker;
    m_preview_worker = nullptr;
    update_enabled_state();
}

void ControlWindow::size_changing()
{
    m_thumbnail->show_source();
    if (!m_size_grip->update_pending())
        m_size_grip->set_update_pending(true);
}

void ControlWindow::check_pressed()
{
    if (!m_size_grip->update_pending())
        return;
    m_size_grip->set_update_pending(false);
    qDebug() << "check_pressed: i'm updating thumbnail";
    if (m_thumbnail->isVisible())
        emit m_thumbnail->signal_update_thumbnail();
}

bool ControlWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove && watched == m_thumbnail->preview())
        check_pressed();
    return QDialog::eventFilter(watched, event);
}

void ControlWindow::mouseMoveEvent(QMouseEvent* event)
{
    check_pressed();
    QDialog::mouseMoveEvent(event);
}

void ControlWindow::slot_current_filter_changed(int index)
{
    if (index < 0)
        return;
    m_panels->setCurrentIndex(index);
    slot_options_changed();
}

void ControlWindow::slot_current_filter_activated(int index)
{
    Q_UNUSED(index);
    m_previous_filter_index = m_filter_combo->currentIndex();
}

void ControlWindow::slot_current_filter_user_activated(int index)
{
    push_undo(new FilterChangeCommand(m_filter_combo, index, m_previous_filter_index));
}

void ControlWindow::slot_start()
{
    if (m_current_document)
        m_current_document->process(m_filter_combo->currentText());
}

void ControlWindow::slot_about_to_quit()
{
    m_quitting = true;
    RecentFiles::instance()->store(settings());
    settings().sync();
    deleteLater();
}

void ControlWindow::slot_check_document_modify(bool clean)
{
    Q_UNUSED(clean);
}

void ControlWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void ControlWindow::keyPressEvent(QKeyEvent* event)
{
    DocumentWindow* window = current_document_window();
    if (event->matches(QKeySequence::Undo) ||
        (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_Z)) {
        if (window && window->menu()->action_undo())
            window->menu()->action_undo()->trigger();
        return;
    }
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_Y) {
        if (window && window->menu()->action_redo())
            window->menu()->action_redo()->trigger();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void ControlWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (can_accept_drop(event->mimeData()))
        event->acceptProposedAction();
}

void ControlWindow::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data->hasImage()) {
        if (m_current_document) {
            m_current_document->set_source_image(qvariant_cast<QImage>(data->imageData()), true);
            event->acceptProposedAction();
        }
        return;
    }
    const QString path = dropped_picture_file(data);
    if (path.isEmpty())
        return;
    if (!m_current_document) {
        DocumentWindow* window = create_document_window(QString());
        set_current_document(window->view(), true);
    }
    DocumentView* view = m_current_document;
    DocumentWindow* window = view->document_window();
    if (!view->windowFilePath().isEmpty() && window)
        view->undo_stack()->push(new FileChangeCommand(window, path, view->windowFilePath(), true));
    view->load_file(path, true);
    set_current_document(view, true);
    if (window)
        window->check_enabled_widgets();
    event->acceptProposedAction();
}

void ControlWindow::resizeEvent(QResizeEvent* event)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(196, 196, 196));
    setPalette(palette);
    size_changing();
    QDialog::resizeEvent(event);
}
