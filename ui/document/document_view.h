#pragma once

#include <QImage>
#include <QMap>
#include <QPointer>
#include <QWidget>

#include "core/framework/filter_parameters.h"

class DocumentFile;
class DocumentWindow;
class Launcher;
class Placeholder;
class QLabel;
class QScrollArea;
class QUndoStack;
class StatusBar;

// The image label of a view together with the source picture behind it.
class DisplayedImage
{
public:
    explicit DisplayedImage(QLabel* label) : m_label(label) {}

    const QImage& image() const { return m_image; }
    void set_image(const QImage& image) { m_image = image; }
    // 1.0 when the label shows the picture at its own size, else the label's contents width over
    // the picture's width.
    double display_scale() const;
    // The picture scaled to the label's contents size.
    QImage scaled_image() const;

private:
    QLabel* m_label;
    QImage m_image;
};

// Everything of one open picture: the source picture, the picture shown (source or rendering),
// the undo stack of setting changes, the settings last used with each filter, the launcher that
// renders and exports, and the document file. It fits the picture to the space it has, answers
// the menu commands of its window and names the document ("Untitled", "Untitled 2", or the file's
// name). The central widget of a DocumentWindow; GUI thread only.
class DocumentView : public QWidget
{
    Q_OBJECT
public:
    explicit DocumentView(QWidget* parent);
    ~DocumentView() override;

    void set_source_image(const QImage& image, bool store_previous);
    void show_result(const QImage& image);
    void fit_to_window();
    void scale_label(double factor);

    bool process(const QString& filter_name);
    void export_image();
    bool save_document();
    bool save_document_as();
    void load_file(const QString& path, bool keep_title);
    void copy_picture();
    void paste_picture();

    QString title() const;
    QString status_text() const;
    void set_untitled_title();

    QUndoStack* undo_stack() const { return m_undo_stack; }
    int document_state() const { return m_document_state; }
    int untitled_number() const { return m_untitled_number; }
    int filter_index() const { return m_filter_index; }
    void set_filter_index(int index) { m_filter_index = index; }
    FilterParametersPtr parameters_for(const QString& filter_name) const;
    void store_parameters(const QString& filter_name, const FilterParametersPtr& parameters);
    bool has_picture() const;
    bool is_rendering() const;
    bool has_result() const;
    const DisplayedImage& displayed_image() const { return m_shown; }
    const QImage& source_image() const { return m_shown.image(); }
    Launcher* launcher() const { return m_launcher; }
    DocumentFile* document() const { return m_document; }
    QLabel* image_label() const { return m_image_label; }
    bool auto_fit() const { return m_auto_fit; }
    StatusBar* status_bar() const { return m_status; }
    DocumentWindow* document_window() const;

signals:
    void changed();

public slots:
    void slot_quit_application();
    void slot_auto_fit(bool checked);
    void force_resize_event();
    void set_window_modified(bool modified);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void attach_path(const QString& path);

    QScrollArea* m_line;
    QScrollArea* m_picture_area;
    Placeholder* m_placeholder;
    bool m_auto_fit = false;
    int m_filter_index = 0;
    QMap<QString, FilterParametersPtr> m_filter_parameters;
    QLabel* m_image_label;
    StatusBar* m_status;
    DisplayedImage m_shown;
    Launcher* m_launcher;
    DocumentFile* m_document;
    QUndoStack* m_undo_stack;
    int m_document_state = 0;
    int m_untitled_number = 0;
};
