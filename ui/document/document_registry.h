#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include "core/framework/filter_parameters.h"

class DocumentView;
class DocumentWindow;
class QUndoCommand;
class QUndoGroup;
class QWidget;

// What the filter panel knows of the documents it serves: the control window answers these for
// the registry, so that the document windows never reach for the panel themselves.
class DocumentPanel
{
public:
    virtual ~DocumentPanel() = default;

    // The panel's state (filter and every filter's settings) goes into view.
    virtual void store_document_settings(DocumentView* view) = 0;
    // The panel shows view's filter and settings (or its empty state for no view).
    virtual void show_document(DocumentView* view) = 0;
    // A full render of view started or ended.
    virtual void document_busy_changed(DocumentView* view) = 0;
    // The filter and settings view is rendered and saved with: the panel's own for the current
    // document, else what the document kept when it was last current.
    virtual FilterParametersPtr document_parameters(const DocumentView* view) const = 0;
    // The preset view's settings came from (for its document file), or empty when none is known.
    virtual QString document_preset(const DocumentView* view) const = 0;
    // The panel's list index of a filter, or -1.
    virtual int filter_index(const QString& name) const = 0;
    // Where the panel's window is on the screen, with its frame (before it is shown, where it
    // will go); empty when it has none. New document windows keep clear of it.
    virtual QRect panel_frame() const { return QRect(); }
    // The panel's window comes to the front with the keyboard focus (F6 from a document window).
    virtual void take_keyboard_focus() {}
};

// The register of open document windows: which windows there are, which document is current
// (the one the control window serves and the shortcuts act on: the document of the document
// window last activated, or of the widget last focused), and the undo group that holds
// every document's undo stack. The document windows and the control window are handed one
// registry; when its last window has gone it stores what the next start restores (recent files,
// the last window's geometry) and says so, and the application ends. GUI thread only.
class DocumentRegistry : public QObject
{
    Q_OBJECT
public:
    explicit DocumentRegistry(QObject* parent = nullptr);
    ~DocumentRegistry() override;

    void set_panel(DocumentPanel* panel) { m_panel = panel; }
    DocumentPanel* panel() const { return m_panel; }

    // A window joins when it is created. It leaves when its close has been accepted (or when it
    // is destroyed): the last one to leave ends the application.
    void add(DocumentWindow* window);
    void remove(DocumentWindow* window);
    const QList<DocumentWindow*>& windows() const { return m_windows; }

    DocumentView* current_document() const;
    DocumentWindow* current_window() const;
    // Makes view current: the panel's state first goes into the previous document when
    // store_previous is set, then the panel shows view, whose undo stack becomes active.
    void set_current_document(DocumentView* view, bool store_previous);
    // A view is going away: another window's document becomes current.
    void document_closed(DocumentView* view);
    // A full render of view started or ended.
    void document_busy_changed(DocumentView* view);

    QUndoGroup* undo_group() const { return m_undo_group; }
    // Pushes a setting change onto the current document's stack; without one the change is
    // applied and forgotten.
    void push_undo(QUndoCommand* command);

    // The number the next untitled window is named after: 0 for "Untitled", else n for
    // "Untitled n + 1" (the largest number among the untitled windows).
    int next_untitled_number() const;
    // The open window whose document or picture is the file at path (compared as canonical
    // paths, so a link or a relative name finds it too), or null.
    DocumentWindow* find_window_for_file(const QString& path) const;

    // Where a new document window of the given size goes: below and right of the newest window,
    // back to the top-left of the screen when that would leave the screen, and beside the panel's
    // window, not over it, where the screen has room.
    // Returns the frame's top-left with the window's size (narrowed where it has to be).
    QRect next_window_geometry(const QSize& size) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The last document window has gone, and what the next start restores is stored: the
    // application ends (the program's entry point connects this to the end of its event loop).
    void last_window_closed();

private:
    QList<DocumentWindow*> m_windows;
    QPointer<DocumentView> m_current;
    QUndoGroup* m_undo_group;
    DocumentPanel* m_panel = nullptr;
};

// Keeps a top-level window's geometry on the screen that holds most of it: no part of it lies
// off the available area (a window larger than the area is shrunk to it).
void keep_on_screen(QWidget* window);
