#include "batch/batch_thread.h"

// Passes the batch's observer calls on as the thread's signals.
class BatchThread::Relay : public BatchObserver
{
public:
    explicit Relay(BatchThread* thread) : m_thread(thread) {}

    void pictureStarted(int index, const QString& output) override
    {
        emit m_thread->pictureStarted(index, output);
    }
    void pictureProgress(int index, int percent) override
    {
        emit m_thread->pictureProgress(index, percent);
    }
    void pictureWarning(int index, const QString& message) override
    {
        emit m_thread->pictureWarning(index, message);
    }
    void pictureWritten(int index, const QString& output) override
    {
        emit m_thread->pictureWritten(index, output);
    }
    void pictureFailed(int index, const QString& message) override
    {
        emit m_thread->pictureFailed(index, message);
    }
    void pictureSkipped(int index, const QString& output) override
    {
        emit m_thread->pictureSkipped(index, output);
    }
    void pictureCancelled(int index) override { emit m_thread->pictureCancelled(index); }
    void batchFinished(const BatchSummary& summary) override
    {
        emit m_thread->batchFinished(summary.written, summary.skipped, summary.failed,
                                     summary.cancelled, summary.error);
    }

private:
    BatchThread* m_thread;
};

BatchThread::BatchThread(const BatchSettings& settings, QObject* parent)
    : QThread(parent), m_settings(settings)
{
}

BatchThread::~BatchThread()
{
    if (isRunning()) {
        m_renderer.cancel();
        wait();
    }
}

void BatchThread::cancel()
{
    m_renderer.cancel();
}

void BatchThread::run()
{
    Relay relay(this);
    m_renderer.run(m_settings, &relay);
}
