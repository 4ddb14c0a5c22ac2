#pragma once

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QScopedPointer>
#include <QString>

#include <functional>

#include "core/framework/filter_parameters.h"

class IProgressReporter;
class Worker;

// The full-size render of one picture, shared by the batch window and drawlume-render: a fresh
// filter on a worker thread of its own (whose random generator starts afresh) and no stroke
// memory, so the artwork does not depend on what was rendered before it or beside it: nothing is
// replayed, and the painters keep no list of the strokes they chose, which no later render would
// read (at full size it is about as large as the picture).
//
// The picture is taken by value and handed to the filter, which then holds the only reference,
// so that a painter which no longer needs the photograph can paint in its memory (the peak
// memory of a large photo depends on it): callers move their picture in.
//
// The artwork's resolution is left to its writer, which gives it the photo file's (see
// setArtworkResolution).
//
// Lives on the thread that starts it, which must run an event loop while it waits for
// finished(); the worker's progress reporter emits on the worker thread.
class PictureRender : public QObject
{
    Q_OBJECT
public:
    // An unknown filterName gives a render that is not valid() and never starts.
    PictureRender(const QString& filterName, QImage picture, const FilterParametersPtr& parameters,
                  QObject* parent = nullptr);
    // Cancels and waits for a render that is still running.
    ~PictureRender() override;

    bool isValid() const { return m_worker != nullptr; }
    // The filter's reporter; connect to it (queued) before start().
    IProgressReporter* reporter() const { return m_reporter.data(); }

    void start();
    // Asks the filter to stop at its next check; does not wait. Thread-safe. A render whose filter
    // has returned is not cancelled any more: it keeps its artwork.
    void cancel();
    // After finished(): the artwork, or a null picture when cancelled or the filter gave none,
    // with the reason in *error (when given): "not enough memory for a W x H picture with FILTER"
    // when its memory could not be had, else "the filter gave no picture". Lets the filter and its
    // thread go, so the artwork is then the only picture held.
    QImage takeArtwork(QString* error = nullptr);

signals:
    // The worker thread has ended (emitted on this object's thread).
    void finished();

private:
    // Declared before the worker, whose destructor may still end its thread and so set m_ended.
    QMutex m_cancelMutex; // orders cancel() against the end of the worker thread
    bool m_ended = false;
    QScopedPointer<IProgressReporter> m_reporter;
    QScopedPointer<Worker> m_worker;
};

// Renders picture (moved in, see PictureRender) and waits for it in an event loop on the calling
// thread. beforeStart, when given, gets the reporter to follow before the render starts. Returns
// the artwork, or a null picture for an unknown filter or a filter that gave none, with the
// reason in *error (see takeArtwork).
QImage renderArtwork(const QString& filterName, QImage picture,
                     const FilterParametersPtr& parameters,
                     const std::function<void(IProgressReporter*)>& beforeStart = {},
                     QString* error = nullptr);

// Brings the photograph back into artwork where mask says so (a grey picture, white for the photo,
// scaled to the artwork's size; see photo_mask.h), for a render that no longer holds its
// photograph: the photograph is decoded again from pictureFile, the file the render's picture was
// decoded from, so that the mask costs no second copy of the photo while the filter runs. A null
// mask leaves artwork as it is. False with *error set when the photograph cannot be decoded again
// or has not the artwork's size.
bool blendPhotoFromFile(QImage& artwork, const QByteArray& pictureFile, const QImage& mask,
                        QString* error);
