#pragma once

#include <QThread>

#include "batch/batch_renderer.h"

// A batch run on a thread of its own, told through Qt signals: what the batch window runs. The
// object lives on the thread that creates it (the GUI thread), so the signals, emitted on the
// batch's thread, reach receivers there queued. Start it with start(); cancel() may be called
// from any thread. Destroying a running thread cancels the batch and waits for it.
class BatchThread : public QThread
{
    Q_OBJECT
public:
    explicit BatchThread(const BatchSettings& settings, QObject* parent = nullptr);
    ~BatchThread() override;

    // Drops the pictures in progress; the files written so far stay.
    void cancel();

signals:
    void pictureStarted(int index, const QString& output);
    void pictureProgress(int index, int percent);
    void pictureWarning(int index, const QString& message);
    void pictureWritten(int index, const QString& output);
    void pictureFailed(int index, const QString& message);
    void pictureSkipped(int index, const QString& output);
    void pictureCancelled(int index);
    void batchFinished(int written, int skipped, int failed, bool cancelled, const QString& error);

protected:
    void run() override;

private:
    class Relay;

    BatchSettings m_settings;
    BatchRenderer m_renderer;
};
