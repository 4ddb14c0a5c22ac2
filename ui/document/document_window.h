#pragma once

#include <QMainWindow>
#include <QPointer>

class DocumentRegistry;
class DocumentView;
class Menu;
class QAction;
class SaveDialogBox;

// The top-level window of one open picture: its DocumentView in the middle and a menu bar built
// by its Menu. It owns the close protocol (asking through the save-changes dialog whether to
// save), accepts pictures dropped on it, keeps its title in step with the document's name and
// modified state, stores its geometry, and registers with the control window, which routes
// commands to the current document. Created without parent and deleted when closed.
class DocumentWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit DocumentWindow(DocumentRegistry* registry);
    ~DocumentWindow() override;

    Menu* menu();
    DocumentView* view() const { return m_view; }
    DocumentRegistry* registry() const { return m_registry; }
    // Stores the window's geometry and state for the next start.
    void store_geometry();
    SaveDialogBox* save_dialog() const { return m_save_dialog; }

    void update_title(bool modified);

public slots:
    void check_enabled_widgets();

private slots:
    void slot_applicationAboutToQuit();
    void finish_close(int sheetValue);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void place_on_screen();

    DocumentRegistry* m_registry = nullptr;
    Menu* m_menu = nullptr;
    QAction* m_cancel_full_size = nullptr;
    DocumentView* m_view = nullptr;
    SaveDialogBox* m_save_dialog = nullptr;
    bool m_force_close = false;
};

// Creates and shows an empty document window.
DocumentWindow* create_document_window(DocumentRegistry* registry);
