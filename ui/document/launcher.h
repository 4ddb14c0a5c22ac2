#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include "core/framework/filter.h"
#include "core/framework/filter_parameters.h"
#include "core/framework/stroke_memory.h"
#include "document/photo_metadata.h"
#include "ui/processing/progress_window.h"

class DocumentView;
class IProgressReporter;
class Worker;

// Runs the two heavy commands of one document on a worker thread: rendering the picture for
// display ("Process") and rendering it again at full size to write it to a file ("&Export").
// While a run is in progress it owns the worker, the reporter and the progress window, relays the
// reporter's signals, shows the busy cursor and lets the user cancel. It remembers the filter and
// settings of the last completed rendering, which an export renders again, and the document's
// stroke memory, so the export shows the strokes of the display render.
//
// When the view is looked at closer than the display render's scale, the launcher also renders the
// full-size result in the background, without the progress window: the same run as an export (the
// same stroke replay, the same bytes). It keeps that result, as it keeps an export's, so the view
// shows it and the next export writes it without rendering again; it never records strokes.
//
// Embedded in a DocumentView (its parent); lives on the GUI thread. One modal run at a time: a
// request to start another while one is in progress is refused. A modal run stops the background
// one first.
class Launcher : public QObject
{
    Q_OBJECT
public:
    explicit Launcher(DocumentView* view);
    ~Launcher() override;

    // Renders picture with the filter and settings for display. False (nothing started) while
    // another run is in progress or for an unknown filter.
    bool start_rendering(const QString& filter_name, const FilterParametersPtr& parameters,
                         const QImage& picture);
    // Renders picture at full size with the settings of the last completed rendering and writes
    // it to path (quality and metadata as for savePicture). Without a completed rendering, a
    // display render with display_parameters runs first in the background (or the one running
    // is awaited), so that the file has the strokes of what the view then shows, as after
    // "Process". photo_file is the file the picture was read from, whose resolution the file gets
    // (setArtworkResolution); empty for a picture from no file.
    bool start_saving(const QImage& picture, const QString& path, int quality,
                      const PhotoMetadata& metadata, const FilterParametersPtr& display_parameters,
                      const QByteArray& photo_file = QByteArray());
    // An export waits for the display render running in the background.
    bool export_waiting() const { return !m_waiting_save_path.isEmpty(); }
    // Writes picture to path atomically with the metadata and resolution of the export; reports a
    // failure with "Cannot save file %1".
    bool write_image(const QImage& picture, const QString& path);

    // Renders picture at full size in the background with the settings of the last completed
    // rendering. False (nothing started) without a completed display render, when its result is
    // full size already, when a full-size result is kept or being made, or during a modal run.
    bool start_full_size(const QImage& picture);
    bool full_size_running() const { return m_background && !m_background_display; }
    // Renders picture for display in the background (a live render): progress goes to
    // background_progress, and a completed run becomes the document's rendering as a "Process"
    // would. Stops an unfinished background run first. False during a modal run.
    bool start_live_rendering(const QString& filter_name, const FilterParametersPtr& parameters,
                              const QImage& picture);
    bool live_running() const { return m_background && m_background_display; }
    // Stops the background run; its partial result is dropped.
    void cancel_full_size();
    // The kept full-size result of the last completed rendering; null when there is none.
    const QImage& full_size_result() const { return m_full_size; }
    // Stops and forgets the full-size result: the document's settings or picture changed.
    void drop_full_size();
    // The scale of the last completed display render (1.0: its own size, also when the filter drew
    // at full size whatever scale it was asked for).
    double display_scale() const { return m_display_scale; }
    // The last completed display render.
    const QImage& display_result() const { return m_display_result; }

    Worker* worker() const { return m_worker; }
    bool busy() const { return m_busy; }
    bool has_result() const { return m_has_result; }
    QString current_filter_name() const { return m_current_filter_name; }
    FilterParametersPtr current_parameters() const { return m_current_parameters; }
    ProgressWindow* progress_window() const { return m_progress_window; }
    const StrokeMemoryPtr& stroke_memory() const { return m_stroke_memory; }

signals:
    // An export wrote its file.
    void image_written(const QString& path);
    // A run started (true: busy cursor and progress window shown) or was cleaned up (false).
    void busy_changed(bool busy);
    // The background run's progress, 0 .. 100; -1 once it has ended. display: a live render
    // (else the full-size result).
    void background_progress(int percent, bool display);
    // A background run started. display: a live render (else the full-size result).
    void background_started(bool display);
    // A display render completed and is shown (by "Process" or live).
    void display_rendered();
    // A full-size result is kept (a background run or an export completed).
    void full_size_ready(const QImage& result);

private slots:
    void slot_worker_started();
    void slot_view_finished();
    void slot_save_finished();
    void slot_progress(int value);
    void slot_update_image();
    void slot_label(const QString& text);
    void slot_next_phase();
    void slot_set_total_phases(int count);
    void slot_background_finished();

private:
    // A filter for a run of this document: the picture, the settings and the stroke memory set.
    FilterPtr make_filter(const QString& filter_name, const FilterParametersPtr& parameters,
                          const QImage& picture) const;
    bool start_worker(const QString& filter_name, const FilterParametersPtr& parameters,
                      const QImage& picture, bool saving);
    // The settings of a full-size run: the last completed rendering's, without the display scale.
    FilterParametersPtr full_size_parameters() const;
    bool start_background(bool display, const QString& filter_name,
                          const FilterParametersPtr& parameters, const QImage& picture);
    void end_background();
    // A completed display render (of m_current_parameters) becomes the one shown and exported.
    void install_display_result(const QImage& result);
    // Says in a message box that the render could not be made, with reason.
    void report_render_failure(const QString& reason);
    void clean_up();

    DocumentView* m_view;
    Worker* m_worker = nullptr;
    QPointer<ProgressWindow> m_progress_window;
    IProgressReporter* m_reporter = nullptr;
    QString m_previous_filter_name;
    QString m_current_filter_name;
    FilterParametersPtr m_previous_parameters;
    FilterParametersPtr m_current_parameters;
    QString m_save_path;
    // An export waiting for the display render in the background: its file and picture.
    QString m_waiting_save_path;
    QImage m_waiting_save_picture;
    bool m_busy = false;
    int m_quality = -1;
    PhotoMetadata m_metadata;
    QByteArray m_photo_file;
    bool m_has_result = false;
    StrokeMemoryPtr m_stroke_memory;
    double m_display_scale = 1.0;
    // The size of the picture the display render in progress was given.
    QSize m_rendering_size;
    QImage m_display_result;
    QImage m_full_size;
    // The background run: its worker and reporter and how far its phases have come.
    Worker* m_background = nullptr;
    bool m_background_display = false;
    QString m_background_filter_name;
    FilterParametersPtr m_background_parameters;
    QSize m_background_size;
    IProgressReporter* m_background_reporter = nullptr;
    int m_background_phase = 0;
    int m_background_phases = 0;
    int m_background_percent = 0;
};
