#pragma once

#include <QImage>
#include <QMap>
#include <QPointer>
#include <QWidget>

#include "core/framework/filter_parameters.h"
#include "ui/document/displayed_image.h"

class DocumentFile;
class DocumentRegistry;
class DocumentWindow;
struct OpenedFile;
struct PictureSource;
class Launcher;
class PictureCanvas;
class Placeholder;
class QScrollArea;
class QTimer;
class QUndoStack;
class StatusBar;

// The preset of settings read from a document that names none: the control window shows the
// preset they equal, else no preset (never one they did not come from).
inline constexpr QLatin1String kUnknownPreset("/");

// Everything of one open picture: the source picture, the picture shown (source or rendering),
// the undo stack of setting changes, the settings last used with each filter, the launcher that
// renders and exports, and the document file. It shows the picture fitted to the space it has or
// at the zoom the user chose, and the full-size result when the user looks closer than the display
// render's scale; it answers the menu commands of its window and names the document ("Untitled",
// "Untitled 2", or the file's name). The central widget of a DocumentWindow; GUI thread only.
class DocumentView : public QWidget
{
    Q_OBJECT
public:
    DocumentView(DocumentRegistry* registry, QWidget* parent);
    ~DocumentView() override;

    DocumentRegistry* registry() const { return m_registry; }

    // The picture and where it came from, as an undoable picture change keeps them.
    struct PictureState
    {
        QImage image;
        QString file_path;
        QByteArray file_bytes;
        QString name; // as PictureSource::name
        QImage mask;  // as PictureSource::mask
    };
    PictureState picture_state() const;
    // Replaces the picture (a paste, a dropped image or picture file) as one undoable step.
    void replace_picture(const PictureState& state);
    // Shows a picture state as it is (undo and redo of a picture change); a null picture brings
    // back the empty view.
    void restore_picture(const PictureState& state);

    void set_source_image(const QImage& image, bool store_previous);
    void show_result(const QImage& image);
    void fit_to_window();
    // Shows the picture at factor (1.0: its own size) until the user fits it again.
    void scale_label(double factor);
    // Stops a render running in the background, full size or live (Escape); false when none was
    // running.
    bool cancel_background();
    // Renders for display in the background with the document's settings (the "Live" mode).
    bool render_live();
    // A live render waits for the pause after the last change of a setting.
    bool live_render_pending() const;

    bool process(const QString& filter_name);
    // Renders with the document's own filter and settings.
    bool process();
    void export_image();
    bool save_document();
    bool save_document_as();
    // Opens a picture or document into this view; false (with a message) when it cannot be read.
    bool load_file(const QString& path, bool keep_title);
    // Puts a file already read into this view, naming the document after it.
    void open_file(const OpenedFile& opened);
    void copy_picture();
    void paste_picture();

    QString title() const;
    // The document's name as its title shows it: "Untitled 2", or the file's name without suffix.
    QString document_name() const;
    QString status_text() const;
    void set_untitled_title();

    QUndoStack* undo_stack() const { return m_undo_stack; }
    int document_state() const { return m_document_state; }
    int untitled_number() const { return m_untitled_number; }
    int filter_index() const { return m_filter_index; }
    void set_filter_index(int index) { m_filter_index = index; }
    FilterParametersPtr parameters_for(const QString& filter_name) const;
    // The filter and settings this document is rendered and saved with.
    FilterParametersPtr document_parameters() const;
    void store_parameters(const QString& filter_name, const FilterParametersPtr& parameters);
    // The preset last chosen for a filter in this document, or empty when none was (the control
    // window then shows the preset the settings equal).
    QString preset_for(const QString& filter_name) const;
    void set_preset_for(const QString& filter_name, const QString& preset);
    bool has_picture() const;
    bool is_rendering() const;
    bool has_result() const;
    const DisplayedImage& displayed_image() const { return m_shown; }
    const QImage& source_image() const { return m_shown.image(); }
    Launcher* launcher() const { return m_launcher; }
    DocumentFile* document() const { return m_document; }
    PictureCanvas* canvas() const { return m_canvas; }
    // Fitted to the window, now and on every resize.
    bool auto_fit() const;
    StatusBar* status_bar() const { return m_status; }
    DocumentWindow* document_window() const;

signals:
    void changed();

public slots:
    void force_resize_event();
    void set_window_modified(bool modified);

private:
    // The document's settings for a display render: "scaling" when the display scale is not 1,
    // "for_preview" false.
    FilterParametersPtr display_parameters() const;
    // The zoom changed: the status bar follows, and looking closer than the display render's
    // scale starts the full-size render.
    void zoom_changed(double zoom, bool zoomed_in);
    void render_full_size_if_needed();
    // The settings or the picture changed: a kept full-size result no longer belongs to them.
    void drop_full_size();
    void settings_changed();

    // Starts the display render of a document just opened once its window is shown.
    void render_when_shown();
    void attach_path(const QString& path);
    void name_after(const QString& path);
    void show_empty();
    void refresh_window();
    // Says in the status line why a command does nothing now.
    void tell(const QString& message);
    QString picture_name() const;
    QString proposed_document_name() const;

    DocumentRegistry* m_registry = nullptr;
    QScrollArea* m_line;
    PictureCanvas* m_canvas;
    Placeholder* m_placeholder;
    int m_filter_index = 0;
    QMap<QString, FilterParametersPtr> m_filter_parameters;
    QMap<QString, QString> m_presets;
    StatusBar* m_status;
    // Waits for a pause in the changes before a live render starts.
    QTimer* m_live_timer;
    DisplayedImage m_shown;
    Launcher* m_launcher;
    DocumentFile* m_document;
    QUndoStack* m_undo_stack;
    int m_document_state = 0;
    int m_untitled_number = 0;
};
