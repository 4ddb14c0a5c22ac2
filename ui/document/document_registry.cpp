#include "ui/document/document_registry.h"

#include "document/settings.h"
#include "ui/document/document_file.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/recent_files.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QUndoCommand>
#include <QUndoGroup>
#include <QUndoStack>
#include <QWidget>

namespace {

// How far each new window is moved from the previous one.
constexpr int kCascadeStep = 32;
// Room left for the window manager's frame around a window's client area.
constexpr int kFrameAllowanceWidth = 8;
constexpr int kFrameAllowanceHeight = 32;
// Room kept between a new document window and the control window.
constexpr int kPanelGap = 8;

QString canonical(const QString& path)
{
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    const QString resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? info.absoluteFilePath() : resolved;
}

QRect available_area(const QPoint& point)
{
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

DocumentRegistry::DocumentRegistry(QObject* parent)
    : QObject(parent), m_undo_group(new QUndoGroup(this))
{
}

DocumentRegistry::~DocumentRegistry() = default;

void DocumentRegistry::add(DocumentWindow* window)
{
    if (!window || m_windows.contains(window))
        return;
    m_windows.append(window);
    m_undo_group->addStack(window->view()->undo_stack());
    window->installEventFilter(this);
}

bool DocumentRegistry::eventFilter(QObject* watched, QEvent* event)
{
    // The document of the window that becomes active is current, whatever activated the window
    // (the window manager, a click on its frame, the keyboard): the focus may stay where it was,
    // or on no widget of the view, and the panel must not go on serving another document.
    if (event->type() == QEvent::WindowActivate) {
        auto* window = qobject_cast<DocumentWindow*>(watched);
        if (window && m_windows.contains(window) && window->view() && window->view() != m_current)
            set_current_document(window->view(), true);
    }
    return QObject::eventFilter(watched, event);
}

void DocumentRegistry::remove(DocumentWindow* window)
{
    if (!m_windows.removeOne(window))
        return;
    window->removeEventFilter(this);
    if (window->view() && window->view()->undo_stack())
        m_undo_group->removeStack(window->view()->undo_stack());
    // A window on its way out serves no longer: another document becomes current at once.
    if (window->view() && window->view() == m_current)
        document_closed(window->view());
    if (!m_windows.isEmpty())
        return;

    // The last window is still whole here: what the next start restores is stored now, before
    // anything is torn down.
    window->store_geometry();
    RecentFiles::instance()->store(settings());
    settings().sync();
    emit last_window_closed();
}

DocumentView* DocumentRegistry::current_document() const
{
    return m_current;
}

DocumentWindow* DocumentRegistry::current_window() const
{
    return m_current ? m_current->document_window() : nullptr;
}

void DocumentRegistry::set_current_document(DocumentView* view, bool store_previous)
{
    if (m_current && store_previous && m_panel)
        m_panel->store_document_settings(m_current);
    m_current = view;
    if (view && view->undo_stack())
        m_undo_group->setActiveStack(view->undo_stack());
    if (m_panel)
        m_panel->show_document(view);
}

void DocumentRegistry::document_closed(DocumentView* view)
{
    if (view != m_current && m_current)
        return;
    m_current = nullptr;
    for (DocumentWindow* window : qAsConst(m_windows)) {
        if (window->view() && window->view() != view) {
            set_current_document(window->view(), false);
            return;
        }
    }
    if (m_panel)
        m_panel->show_document(nullptr);
}

void DocumentRegistry::document_busy_changed(DocumentView* view)
{
    if (m_panel)
        m_panel->document_busy_changed(view);
}

void DocumentRegistry::push_undo(QUndoCommand* command)
{
    if (m_current && m_current->undo_stack()) {
        m_current->undo_stack()->push(command);
        return;
    }
    command->redo();
    delete command;
}

int DocumentRegistry::next_untitled_number() const
{
    int untitled = 0;
    int largest = 0;
    for (DocumentWindow* window : m_windows) {
        if (!window->view() || window->view()->document_state() != 0)
            continue;
        ++untitled;
        largest = std::max(largest, window->view()->untitled_number());
    }
    if (untitled == 1 && largest == 0)
        return 1;
    return largest;
}

DocumentWindow* DocumentRegistry::find_window_for_file(const QString& path) const
{
    const QString wanted = canonical(path);
    if (wanted.isEmpty())
        return nullptr;
    for (DocumentWindow* window : m_windows) {
        const DocumentFile* file = window->view() ? window->view()->document() : nullptr;
        if (file && file->is_document() && canonical(file->document_path()) == wanted)
            return window;
    }
    return nullptr;
}

QRect DocumentRegistry::next_window_geometry(const QSize& size) const
{
    const QWidget* newest = m_windows.isEmpty() ? nullptr : m_windows.constLast();
    const QRect area = available_area(newest ? newest->frameGeometry().center() : QPoint());
    QPoint position = newest
                          ? newest->frameGeometry().topLeft() + QPoint(kCascadeStep, kCascadeStep)
                          : area.topLeft();
    const QSize allowance(kFrameAllowanceWidth, kFrameAllowanceHeight);
    QSize frame = size + allowance;
    // Past the screen's right edge the cascade starts again at its left, past the bottom at its
    // top.
    if (position.x() + frame.width() > area.right() + 1)
        position.setX(area.left());
    if (position.y() + frame.height() > area.bottom() + 1)
        position.setY(area.top());
    // The panel stays uncovered (with a gap, for the window manager's borders): the window goes
    // left of it, else right of it, and where neither side has room for it, it narrows to the
    // wider side's room.
    QRect panel = m_panel ? m_panel->panel_frame() : QRect();
    if (panel.isValid())
        panel.adjust(-kPanelGap, -kPanelGap, kPanelGap, kPanelGap);
    if (panel.isValid() && panel.intersects(QRect(position, frame))) {
        const int left_room = panel.left() - area.left();
        const int right_room = area.right() - panel.right();
        if (left_room >= frame.width()) {
            position.setX(std::min(position.x(), panel.left() - frame.width()));
        } else if (right_room >= frame.width()) {
            position.setX(std::max(position.x(), panel.right() + 1));
        } else {
            position.setX(left_room >= right_room ? area.left() : panel.right() + 1);
            frame.setWidth(std::max(left_room, right_room));
        }
    }
    return QRect(position, frame - allowance);
}

void keep_on_screen(QWidget* window)
{
    const QRect area = available_area(window->geometry().center());
    if (area.isEmpty())
        return;
    const QSize room = area.size() - QSize(kFrameAllowanceWidth, kFrameAllowanceHeight);
    QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize());
    if (size != window->size())
        window->resize(size);
    // For a top-level window, pos() is where its frame starts.
    QPoint position = window->pos();
    const int right = area.right() + 1 - size.width() - kFrameAllowanceWidth;
    const int bottom = area.bottom() + 1 - size.height() - kFrameAllowanceHeight;
    position.setX(std::max(area.left(), std::min(position.x(), right)));
    position.setY(std::max(area.top(), std::min(position.y(), bottom)));
    if (position != window->pos())
        window->move(position);
}
