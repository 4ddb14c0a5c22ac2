#include "ui/panel/control_window.h"

#include "ui/logging.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "document/file_names.h"
#include "document/settings.h"
#include "processing/preview_render.h"
#include "processing/worker.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/launcher.h"
#include "ui/document/menu.h"
#include "ui/document/opening.h"
#include "ui/document/recent_files.h"
#include "ui/panel/create_panel.h"
#include "ui/panel/filter_change_command.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/image_zoom_slider.h"
#include "ui/panel/preview_widget.h"
#include "ui/panel/size_grip.h"
#include "ui/panel/thumbnail.h"
#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/bevel_label.h"
#include "ui/widgets/h_line.h"
#include "ui/widgets/placeholder.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QMimeData>
#include <QScreen>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTimer>
#include <QUndoGroup>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace {
ControlWindow* g_instance = nullptr;
// After the window was resized, the preview is rendered for the new size once the size has
// stayed put this long (a maximise, or a drag that has stopped).
constexpr int kResizeSettleMilliseconds = 200;
// The panel row's left and right margins together.
constexpr int kPanelRowMargins = 20;
// Room between the control window and the document window it opens beside.
constexpr int kPlacementGap = 8;
} // namespace

ControlWindow* ControlWindow::instance()
{
    if (!g_instance)
        g_instance = new ControlWindow(new DocumentRegistry(qApp));
    return g_instance;
}

ControlWindow::ControlWindow(DocumentRegistry* registry)
    : QDialog(nullptr), m_registry(registry), m_placeholder(new Placeholder(true, this)),
      m_thumbnail(new Thumbnail(this)), m_filter_combo(new BevelComboBox(this)),
      m_panels(new QStackedWidget(this)), m_process_button(new BevelButton(tr("Process"), this)),
      m_zoom_slider(new ImageZoomSlider(m_thumbnail, this)), m_size_grip(new SizeGrip(this)),
      m_resize_timer(new QTimer(this))
{
    m_registry->set_panel(this);
    m_resize_timer->setSingleShot(true);
    m_resize_timer->setInterval(kResizeSettleMilliseconds);
    connect(m_resize_timer, &QTimer::timeout, this, &ControlWindow::check_pressed);
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
    // The label and its list stay together, however wide the window is made.
    filterRow->addStretch(1);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter_combo);
    filterRow->addStretch(1);
    m_filter_combo->setFixedWidth(206);
    layout->addLayout(filterRow);
    layout->addSpacing(8);
    layout->addWidget(new HLine(this));

    auto* panelRow = new QHBoxLayout;
    panelRow->setContentsMargins(kPanelRowMargins / 2, 0, kPanelRowMargins / 2, 0);
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
    // A tool window of the application: the window manager keeps it above the document windows
    // but below the dialogs and message boxes, which must stay reachable.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setMouseTracking(true);
    setAcceptDrops(true);

    // The offered filters, then the ones only a document can bring (hidden until one does). The
    // list shows each filter's display name and carries its identity name.
    QStringList names = filterNames();
    m_offered_filters = names.size();
    for (const QString& name : allFilterNames()) {
        if (!names.contains(name))
            names.append(name);
    }
    for (const QString& name : qAsConst(names)) {
        const FilterDescriptor* descriptor = findFilter(name);
        m_filter_combo->addItem(descriptor->displayName(), descriptor->name);
        FilterWidget* panel = create_panel(descriptor->name, m_panels);
        panel->set_registry(m_registry);
        m_panels->addWidget(panel);
        connect(panel, &FilterWidget::changed, this, &ControlWindow::slot_options_changed);
    }
    if (auto* model = qobject_cast<QStandardItemModel*>(m_filter_combo->model())) {
        for (int i = m_offered_filters; i < m_filter_combo->count(); ++i)
            model->item(i)->setEnabled(false);
    }
    offer_filters_for(nullptr);
    add_document_shortcuts();
    connect(m_thumbnail, &Thumbnail::signal_update_thumbnail, this,
            &ControlWindow::slot_options_changed);
    // The preview takes the pointer's movements for itself (panning, its cursor); a resize that
    // waits for the next movement must see those too.
    m_thumbnail->preview()->installEventFilter(this);
    m_filter_combo->installEventFilter(this);
    m_thumbnail->hide();
    reset_panel();

    connect(qApp, &QApplication::focusChanged, this, &ControlWindow::slot_app_focus_changed);
    // A document window that comes to the front (opened, clicked) must not cover the panel.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window && window != windowHandle())
            keep_above_documents();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ControlWindow::slot_about_to_quit);
    connect(m_filter_combo, &QComboBox::currentIndexChanged, this,
            &ControlWindow::slot_current_filter_changed);
    connect(m_filter_combo, &QComboBox::highlighted, this,
            &ControlWindow::slot_current_filter_activated);
    connect(m_filter_combo, &QComboBox::activated, this,
            &ControlWindow::slot_current_filter_user_activated);
    connect(m_process_button, &QPushButton::clicked, this, &ControlWindow::slot_start);
}

ControlWindow::~ControlWindow()
{
    if (g_instance == this)
        g_instance = nullptr;
}

QList<DocumentWindow*> ControlWindow::document_windows() const
{
    return m_registry->windows();
}

QUndoGroup* ControlWindow::undo_group() const
{
    return m_registry->undo_group();
}

DocumentView* ControlWindow::current_document() const
{
    return m_registry->current_document();
}

DocumentWindow* ControlWindow::current_document_window() const
{
    return m_registry->current_window();
}

void ControlWindow::set_current_document(DocumentView* view, bool store_previous)
{
    m_registry->set_current_document(view, store_previous);
}

void ControlWindow::store_document_settings(DocumentView* view)
{
    if (!view)
        return;
    view->set_filter_index(m_filter_combo->currentIndex());
    for (int i = 0; i < m_filter_combo->count(); ++i)
        view->store_parameters(m_filter_combo->itemData(i).toString(), panel(i)->parameters());
}

void ControlWindow::show_document(DocumentView* view)
{
    offer_filters_for(view);
    if (!view || !view->has_picture()) {
        reset_panel();
    } else {
        m_thumbnail->set_source(view->source_image());
        // Everything is loaded before anything reacts: nothing in between may run a preview, or
        // let another document take the panel while it shows half of this one.
        {
            const QSignalBlocker blocker(m_filter_combo);
            m_filter_combo->setCurrentIndex(std::max(0, view->filter_index()));
        }
        for (int i = 0; i < m_filter_combo->count(); ++i) {
            const QSignalBlocker quiet(panel(i));
            const FilterParametersPtr stored =
                view->parameters_for(m_filter_combo->itemData(i).toString());
            if (stored)
                panel(i)->set_parameters(stored);
            else
                panel(i)->reset_to_defaults();
        }
        // One preview follows, for all the panels together.
        slot_current_filter_changed(m_filter_combo->currentIndex());
    }
    update_enabled_state();
    if (view && !m_quitting && !isVisible())
        show();
    keep_above_documents();
}

void ControlWindow::keep_above_documents()
{
    // A modal dialog keeps the top for itself.
    if (isVisible() && !m_quitting && !QApplication::activeModalWidget())
        raise();
}

void ControlWindow::offer_filters_for(const DocumentView* view)
{
    auto* list = qobject_cast<QListView*>(m_filter_combo->view());
    const int used = view && view->has_picture() ? view->filter_index() : -1;
    for (int i = m_offered_filters; i < m_filter_combo->count(); ++i) {
        if (list)
            list->setRowHidden(i, i != used);
    }
}

void ControlWindow::document_busy_changed(DocumentView* view)
{
    if (DocumentWindow* window = view ? view->document_window() : nullptr)
        window->check_enabled_widgets();
    if (view != current_document())
        return;
    update_enabled_state();
    // The panel is back for the document once its render is over.
    if (!view->is_rendering() && !m_quitting && !isVisible())
        show();
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
    if (!view || view == current_document())
        return current_parameters();
    int index = view->filter_index();
    if (index < 0 || index >= m_filter_combo->count())
        index = 0;
    const QString name = m_filter_combo->itemData(index).toString();
    if (const FilterParametersPtr kept = view->parameters_for(name))
        return FilterParametersPtr(new FilterParameters(*kept));
    return defaultParameters(name);
}

QString ControlWindow::current_filter_name() const
{
    return m_filter_combo->currentData().toString();
}

int ControlWindow::filter_index(const QString& name) const
{
    for (int i = 0; i < m_filter_combo->count(); ++i) {
        if (m_filter_combo->itemData(i).toString() == name)
            return i;
    }
    return -1;
}

void ControlWindow::push_undo(QUndoCommand* command)
{
    m_registry->push_undo(command);
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
    const DocumentView* current = current_document();
    const bool enabled = current && current->has_picture() && !current->is_rendering() &&
                         !(current->launcher() && current->launcher()->busy());
    m_filter_combo->setEnabled(enabled);
    m_panels->setEnabled(enabled);
    m_process_button->setEnabled(enabled);
    m_zoom_slider->setEnabled(enabled);
}

void ControlWindow::place_beside(QWidget* window)
{
    if (!window)
        return;
    ensurePolished();
    const QSize size = sizeHint().expandedTo(minimumSizeHint()).expandedTo(minimumSize());
    resize(size);
    QScreen* screen = window->screen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QRect document = window->frameGeometry();
    const int width = size.width() + kPlacementGap;
    QPoint position;
    if (document.right() + width <= area.right())
        position = QPoint(document.right() + kPlacementGap, document.top());
    else if (document.left() - width >= area.left())
        position = QPoint(document.left() - width, document.top());
    else
        // No room on either side: at the screen's right edge, below the document's menu bar.
        position = QPoint(area.right() - width,
                          document.top() + (window->geometry().top() - document.top()) + 48);
    move(position);
    keep_on_screen(this);
}

void ControlWindow::slot_app_focus_changed(QWidget* old, QWidget* now)
{
    Q_UNUSED(old);
    // The document of the focused widget becomes current.
    for (QObject* object = now ? now->parent() : nullptr; object; object = object->parent()) {
        if (auto* view = qobject_cast<DocumentView*>(object)) {
            if (view != current_document())
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
    qCDebug(lcPanel) << "ControlWindow::preview_current_filter();";
    stop_preview_worker();
    if (!current_document() || !current_document()->has_picture())
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
    const QString name = m_filter_combo->currentData().toString();
    // The busy sign is painted now; pending events wait, since they could change the document
    // or the settings this preview is being made for.
    m_thumbnail->repaint();
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
    qCDebug(lcPanel) << "ControlWindow"
                     << "slot_thread_finished";
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
    // A size reached without the pointer moving afterwards (a maximise) renders too.
    m_resize_timer->start();
}

void ControlWindow::check_pressed()
{
    if (!m_size_grip->update_pending())
        return;
    m_size_grip->set_update_pending(false);
    qCDebug(lcPanel) << "check_pressed: i'm updating thumbnail";
    if (m_thumbnail->isVisible())
        emit m_thumbnail->signal_update_thumbnail();
}

bool ControlWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A closed list changes its entry on keys without announcing highlighted(); the entry before
    // the change is taken here.
    if (watched == m_filter_combo &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress))
        m_previous_filter_index = m_filter_combo->currentIndex();
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
    // The panels of the filters only a document brings are wider than the window's usual width:
    // the window grows to show them whole.
    if (QWidget* page = m_panels->currentWidget()) {
        const QMargins margins = contentsMargins();
        const int needed =
            page->minimumSizeHint().width() + kPanelRowMargins + margins.left() + margins.right();
        if (width() < needed)
            resize(needed, height());
    }
    slot_options_changed();
}

void ControlWindow::slot_current_filter_activated(int index)
{
    Q_UNUSED(index);
    m_previous_filter_index = m_filter_combo->currentIndex();
}

void ControlWindow::slot_current_filter_user_activated(int index)
{
    // The filter shown chosen again changes nothing: no step to undo.
    if (index == m_previous_filter_index)
        return;
    auto* command = new FilterChangeCommand(m_filter_combo, index, m_previous_filter_index);
    command->setText(tr("Filter"));
    push_undo(command);
    m_previous_filter_index = index;
}

void ControlWindow::slot_start()
{
    if (DocumentView* view = current_document())
        view->process(m_filter_combo->currentData().toString());
}

void ControlWindow::slot_about_to_quit()
{
    m_quitting = true;
    RecentFiles::instance()->store(settings());
    settings().sync();
    deleteLater();
}

bool ControlWindow::event(QEvent* event)
{
    // A modal dialog or message box came up: step back behind it, so that its buttons are never
    // covered ...
    if (event->type() == QEvent::WindowBlocked && isVisible())
        lower();
    // ... and back above the document windows once it is gone.
    if (event->type() == QEvent::WindowUnblocked && isVisible())
        raise();
    return QDialog::event(event);
}

void ControlWindow::closeEvent(QCloseEvent* event)
{
    // The panel goes with the application, not on its own.
    if (m_quitting)
        event->accept();
    else
        event->ignore();
}

void ControlWindow::add_document_shortcuts()
{
    // Each shortcut triggers the current document window's own menu command, so it does exactly
    // what the same keys do in that window.
    const auto add = [this](QKeySequence::StandardKey key, QAction* (Menu::*command)() const) {
        auto* action = new QAction(this);
        action->setShortcuts(key); // every binding of the platform, Ctrl+Y and Ctrl+Shift+Z alike
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, command] {
            DocumentWindow* window = current_document_window();
            if (!window && !m_registry->windows().isEmpty())
                window = m_registry->windows().constFirst();
            if (!window)
                return;
            if (QAction* target = (window->menu()->*command)(); target && target->isEnabled())
                target->trigger();
        });
        addAction(action);
    };
    add(QKeySequence::New, &Menu::action_new);
    add(QKeySequence::Open, &Menu::action_open);
    add(QKeySequence::Close, &Menu::action_close);
    add(QKeySequence::Save, &Menu::action_save);
    add(QKeySequence::Quit, &Menu::action_quit);
    add(QKeySequence::Undo, &Menu::action_undo);
    add(QKeySequence::Redo, &Menu::action_redo);
    // Ctrl+Y redoes here as in the document windows, whatever the platform's redo keys are.
    if (!QKeySequence::keyBindings(QKeySequence::Redo)
             .contains(QKeySequence(Qt::CTRL | Qt::Key_Y))) {
        auto* redo = new QAction(this);
        redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
        connect(redo, &QAction::triggered, this, [this] {
            DocumentWindow* window = current_document_window();
            if (window && window->menu()->action_redo() &&
                window->menu()->action_redo()->isEnabled())
                window->menu()->action_redo()->trigger();
        });
        addAction(redo);
    }
    add(QKeySequence::Paste, &Menu::action_paste);
}

void ControlWindow::keyPressEvent(QKeyEvent* event)
{
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
    if (drop_picture(m_registry, nullptr, event->mimeData()))
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
