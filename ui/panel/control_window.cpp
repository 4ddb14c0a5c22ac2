#include "ui/panel/control_window.h"

#include "document/file_names.h"
#include "document/settings.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/opening.h"
#include "ui/document/recent_files.h"
#include "ui/panel/document_shortcuts.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/image_zoom_slider.h"
#include "ui/panel/panel_scroll_area.h"
#include "ui/panel/preview_scheduler.h"
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
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace {
ControlWindow* g_instance = nullptr;
// Room between the control window and the document window it opens beside.
constexpr int kPlacementGap = 8;
const QColor kPanelGrey(196, 196, 196);
// What the window manager's frame adds to a window's height, at most.
constexpr int kFrameHeight = 32;
// The preview's height, and the least it shrinks to on a short screen.
constexpr int kPreviewHeight = 250;
constexpr int kLeastPreviewHeight = 120;
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
      m_preset_combo(new BevelComboBox(this)),
      m_save_preset_button(new BevelButton(tr("Save as Preset..."), this)),
      m_delete_preset_button(new BevelButton(tr("Delete Preset"), this)),
      m_panels(new QStackedWidget(this)), m_process_button(new BevelButton(tr("Process"), this)),
      m_live_checkbox(new QCheckBox(tr("Live"), this)),
      m_zoom_slider(new ImageZoomSlider(m_thumbnail, this)), m_size_grip(new SizeGrip(this)),
      m_preview(new PreviewScheduler(m_thumbnail, m_placeholder, m_size_grip, this))
{
    m_registry->set_panel(this);
    connect(m_preview, &PreviewScheduler::worker_gone, this, &ControlWindow::update_enabled_state);
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

    // "Filter:" and "Preset:" with their lists in the middle columns: the labels stay beside their
    // lists, however wide the window is made.
    auto* choices = new QGridLayout;
    choices->setContentsMargins(16, 0, 18, 0);
    // Six pixels between a label and its list, as in the panels' rows.
    choices->setHorizontalSpacing(6);
    choices->setVerticalSpacing(6);
    choices->setColumnStretch(0, 1);
    choices->setColumnStretch(3, 1);
    // "Filter:" and "Preset:" in the font of the panels' row labels.
    auto* filterLabel = new BevelLabel(tr("Filter:"), this);
    const QFont labelFont = filterLabel->font();
    choices->addWidget(filterLabel, 0, 1, Qt::AlignRight | Qt::AlignVCenter);
    choices->addWidget(m_filter_combo, 0, 2);
    m_filter_combo->setFixedWidth(206);
    add_preset_rows(choices, labelFont);
    layout->addLayout(choices);
    layout->addSpacing(8);
    layout->addWidget(new HLine(this));

    auto* panelRow = new QHBoxLayout;
    panelRow->setContentsMargins(kPanelRowMargins / 2, 0, kPanelRowMargins / 2, 0);
    m_panel_area = new PanelScrollArea(m_panels, this);
    panelRow->addWidget(m_panel_area);
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
    // "Live" beside "Process": every change of a setting renders the document again after a
    // short pause, in the background.
    m_live_checkbox->setFont(buttonFont);
    m_live_checkbox->setChecked(live_result());
    m_live_checkbox->setToolTip(tr("Render the document again after every change of a setting"));
    m_live_checkbox->setFocusPolicy(Qt::TabFocus);
    connect(m_live_checkbox, &QCheckBox::toggled, this, [](bool live) { set_live_result(live); });
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_process_button, 0, Qt::AlignCenter);
    buttonRow->addSpacing(12);
    buttonRow->addWidget(m_live_checkbox, 0, Qt::AlignVCenter);
    buttonRow->addStretch(1);
    layout->addLayout(buttonRow);
    layout->addWidget(m_size_grip, 0, Qt::AlignBottom | Qt::AlignRight);
    m_size_grip->setContentsMargins(0, 0, 0, 0);

    // The panel grey from the start, whether or not the window was ever resized or hidden.
    QPalette grey = palette();
    grey.setColor(QPalette::Window, kPanelGrey);
    setPalette(grey);
    setAutoFillBackground(true);

    setWindowTitle(tr("Filter Parameters"));
    setMinimumWidth(314);
    // A tool window of the application: the window manager keeps it above the document windows
    // but below the dialogs and message boxes, which must stay reachable.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setMouseTracking(true);
    setAcceptDrops(true);

    fill_filter_list();
    // On a short screen the panel area follows the panel shown.
    connect(m_panels, &QStackedWidget::currentChanged, this, [this] {
        if (m_compact_panels && isVisible())
            fit_to_screen();
    });
    set_focus_order();
    offer_filters_for(nullptr);
    // The commands of the document windows' menus, with their shortcuts, act on the current
    // document while this window has the focus.
    add_document_shortcuts(this, m_registry);
    auto* to_document = new QAction(this);
    to_document->setShortcut(QKeySequence(Qt::Key_F6));
    connect(to_document, &QAction::triggered, this, &ControlWindow::focus_document);
    addAction(to_document);
    connect(m_thumbnail, &Thumbnail::signal_update_thumbnail, this,
            &ControlWindow::slot_options_changed);
    // The preview takes the pointer's movements for itself (panning, its cursor); a resize that
    // waits for the next movement must see those too.
    m_thumbnail->preview()->installEventFilter(this);
    m_filter_combo->installEventFilter(this);
    m_thumbnail->hide();
    reset_panel();
    // Read out by screen readers: the filter list by its label.
    filterLabel->setBuddy(m_filter_combo);
    m_filter_combo->setAccessibleName(tr("Filter"));
    m_filter_combo->setAccessibleDescription(tr("The filter the document is painted with"));

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
    // The dialog hides itself as it goes, which moves the focus: the application's focus and
    // window signals must not reach the half-destroyed window.
    disconnect(qApp, nullptr, this, nullptr);
    if (g_instance == this)
        g_instance = nullptr;
}

void ControlWindow::place_beside(QWidget* window)
{
    if (!window)
        return;
    ensurePolished();
    fit_to_screen();
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

void ControlWindow::set_focus_order()
{
    // The filter list first: the window comes up with it focused, so its arrows choose the filter
    // at once.
    QList<QWidget*> chain;
    chain << m_filter_combo << m_preset_combo << m_save_preset_button << m_delete_preset_button;
    // Every panel's controls in the order they were made, which is the order of the rows; the
    // panels not shown are skipped by Tab.
    for (int i = 0; i < m_panels->count(); ++i) {
        for (QObject* child : m_panels->widget(i)->children()) {
            auto* control = qobject_cast<QWidget*>(child);
            if (control && (control->focusPolicy() & Qt::TabFocus))
                chain.append(control);
        }
    }
    chain << m_live_checkbox << m_process_button;
    // The preview's zoom closes the round, just before the filter list (Shift+Tab from it): the
    // chain, read from the zoom on, follows the window from top to bottom.
    if (auto* zoom = m_zoom_slider->findChild<QSlider*>())
        chain.append(zoom);
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void ControlWindow::take_keyboard_focus()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
    // The control that had the focus gets it back; the filter list the first time.
    if (!focusWidget() || !focusWidget()->isVisible())
        m_filter_combo->setFocus(Qt::ShortcutFocusReason);
}

QRect ControlWindow::panel_frame() const
{
    if (isVisible())
        return frameGeometry();
    // Not shown yet (the first document window is being placed): the room it will take at the
    // screen's right edge, beside that window.
    const QScreen* shown_on = screen();
    if (!shown_on || m_quitting)
        return QRect();
    const QRect area = shown_on->availableGeometry();
    const QSize size = sizeHint().expandedTo(minimumSize()) + QSize(kPlacementGap, kFrameHeight);
    return QRect(area.right() + 1 - size.width(), area.top(), size.width(),
                 std::min(size.height(), area.height()));
}

void ControlWindow::focus_document()
{
    DocumentWindow* document = current_document_window();
    if (!document && !m_registry->windows().isEmpty())
        document = m_registry->windows().constFirst();
    if (!document)
        return;
    document->raise();
    document->activateWindow();
}

void ControlWindow::keep_above_documents()
{
    // A modal dialog keeps the top for itself.
    if (isVisible() && !m_quitting && !QApplication::activeModalWidget())
        raise();
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
    size_changing();
    QDialog::resizeEvent(event);
}

void ControlWindow::mouseMoveEvent(QMouseEvent* event)
{
    check_pressed();
    QDialog::mouseMoveEvent(event);
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
    // Placed before it had a frame, the window is placed by its inside, and the window manager
    // may then put the title bar above the screen's top, where it cannot be dragged. Once it is
    // on screen its frame is known: the window comes down onto the screen.
    if (watched == windowHandle() && event->type() == QEvent::Expose && isVisible()) {
        const QScreen* shown_on = screen();
        if (shown_on && frameGeometry().top() < shown_on->availableGeometry().top())
            QMetaObject::invokeMethod(
                this, [this] { keep_on_screen(this); }, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

void ControlWindow::set_compact_panels(bool compact)
{
    m_compact_panels = compact;
    // Compact, the panels not shown take no height.
    for (int i = 0; i < m_panels->count(); ++i) {
        QSizePolicy policy = panel(i)->sizePolicy();
        policy.setVerticalPolicy(!compact || i == m_panels->currentIndex() ? QSizePolicy::Preferred
                                                                           : QSizePolicy::Ignored);
        panel(i)->setSizePolicy(policy);
        panel(i)->set_compact(compact);
    }
    m_panels->updateGeometry();
}

void ControlWindow::fit_to_screen()
{
    const QScreen* shown_on = screen();
    if (!shown_on || !layout())
        return;
    // The layout measured afresh, its inner rows included (activate() goes through them all).
    const auto room = [this, shown_on](int preview_height) {
        m_thumbnail->set_least_height(preview_height);
        m_placeholder->setMinimumHeight(preview_height);
        layout()->invalidate();
        layout()->activate();
        const int others =
            layout()->minimumSize().height() - m_panel_area->minimumSizeHint().height();
        return shown_on->availableGeometry().height() - kFrameHeight - others;
    };
    // On a short screen (or at a large scale) the panel area holds the panel shown at its rows'
    // own height, not the highest panel, and the preview gives up height before the settings
    // have to scroll.
    set_compact_panels(false);
    int available = room(kPreviewHeight);
    if (available < m_panels->minimumSizeHint().height()) {
        set_compact_panels(true);
        available = room(kPreviewHeight);
        const int needed = m_panels->minimumSizeHint().height();
        if (available < needed)
            available = room(std::max(kLeastPreviewHeight, kPreviewHeight - (needed - available)));
    }
    m_panel_area->set_room(available);
    layout()->invalidate();
    layout()->activate();
}

void ControlWindow::showEvent(QShowEvent* event)
{
    fit_to_screen();
    QDialog::showEvent(event);
    if (QWindow* window = windowHandle()) {
        connect(window, &QWindow::screenChanged, this, &ControlWindow::fit_to_screen,
                Qt::UniqueConnection);
        window->removeEventFilter(this);
        window->installEventFilter(this);
    }
}
