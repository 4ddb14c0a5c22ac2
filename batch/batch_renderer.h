#pragma once

#include <QImage>
#include <QLoggingCategory>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>

#include "core/framework/filter_parameters.h"

class IProgressReporter;
class PictureRender;

// Renders a list of pictures into an output folder, one file per picture, with one filter and
// its settings: what File > Batch Export... and drawlume-render --output-dir do. GUI-free.
//
// Every picture is read, rendered at its full size with PictureRender (exactly as drawlume-render
// renders one picture) and written atomically with savePicture, so a cancelled or failed picture
// leaves no partial or temporary file. A picture that cannot be read, rendered or written is
// reported and the others are still rendered. Up to `concurrency` pictures are rendered at once,
// each on its own fresh worker thread (the artworks do not depend on it); the files are written
// and reported in the list's order.
//
// run() works on the calling thread, which waits for the workers in an event loop: the main
// thread of drawlume-render, a thread of its own in the application. The observer is called on
// that thread.

Q_DECLARE_LOGGING_CATEGORY(lcBatch)

// True when both paths name one existing file (also through links).
bool isSameFile(const QString& a, const QString& b);
// The reason output cannot be written, or empty when it seems fine. Checked before a render so
// that a long render is not wasted on a file that cannot be written; the save itself still
// reports any other failure.
QString outputProblem(const QString& output);

// What to do when a picture's output file exists already.
enum class ExistingFilePolicy {
    Skip,      // leave the file and the picture alone
    Overwrite, // replace the file
    AddNumber, // write name-2.jpg, name-3.jpg ... beside it, the first free one
};

// The policy's key in the settings ("skip", "overwrite", "number") and back; an unknown key
// gives Skip.
QString existingFilePolicyKey(ExistingFilePolicy policy);
ExistingFilePolicy existingFilePolicyFromKey(const QString& key);

// "{name}-{filter}.{ext}": the name pattern the window proposes.
QString defaultNamePattern();
// Empty when pattern can name the outputs, else the reason it cannot: empty, no "{name}" (every
// picture would get one name), a "{" without its "}", no ".{ext}" at the end (a file is written in
// the format of its suffix), a "/" or "\" (the outputs stay in the output folder), or a control
// character. The batch window and drawlume-render --name-pattern refuse such a pattern as given.
QString checkNamePattern(const QString& pattern);
// The file name pattern gives input: {name} is the input's base name (its name without the last
// suffix, "holiday.2023.jpg" gives "holiday.2023"), {filter} the filter's name and {ext} suffix.
QString patternFileName(const QString& pattern, const QString& input, const QString& filterName,
                        const QString& suffix);
// The set a batch renders with: settings (a panel's or a preset's, with or without the fixed
// values) plus the fixed values of their choices and the keys of a full-size render.
FilterParametersPtr batchRenderParameters(const FilterParameters& settings);

// How many pictures a batch with the filter renders at once on this machine: two where there are
// two cores or more.
int batchConcurrency(const QString& filterName);

// One picture of a batch. output is the file to write; empty to take it from the name pattern.
struct BatchJob
{
    QString input;
    QString output;
};

struct BatchSettings
{
    QVector<BatchJob> jobs;
    QString outputFolder;                   // made when missing
    QString suffix = QStringLiteral("jpg"); // the format: any suffix savePicture writes
    int quality = -1;                       // the writer's quality (see savePicture)
    QString pattern = defaultNamePattern();
    ExistingFilePolicy existing = ExistingFilePolicy::Skip;
    QString filterName;
    FilterParametersPtr parameters; // the finished set (batchRenderParameters)
    bool keepPhotoInformation = true;
    int concurrency = 1; // pictures rendered at once, 1 or more
    // A photo mask applied to every picture, scaled to each (white brings the photograph back;
    // see photo_mask.h); null for none. The window's batches have none: a mask belongs to one
    // picture.
    QImage mask;
};

struct BatchSummary
{
    int written = 0;
    int skipped = 0;
    int failed = 0;
    bool cancelled = false;
    // Set when the batch could not start at all (an output folder that cannot be made, a bad
    // pattern); nothing was rendered then.
    QString error;
};

// What a batch tells while it runs. Indexes are those of BatchSettings::jobs. Messages are whole
// sentences naming the file in double quotes ("cannot read "a.jpg": file does not exist").
class BatchObserver
{
public:
    virtual ~BatchObserver();

    // The picture is read; its output will be output.
    virtual void pictureStarted(int index, const QString& output);
    // The picture was read and its render starts; reporter tells its phases (on the worker
    // thread), until the picture is done, failed or dropped.
    virtual void renderStarted(int index, IProgressReporter* reporter);
    // The render's progress, 0 to 100 over all its phases.
    virtual void pictureProgress(int index, int percent);
    // The picture was read, but with a remark ("warning: ...").
    virtual void pictureWarning(int index, const QString& message);
    virtual void pictureWritten(int index, const QString& output);
    virtual void pictureFailed(int index, const QString& message);
    // The output existed and the policy is Skip.
    virtual void pictureSkipped(int index, const QString& output);
    // The picture's render was stopped by cancel() before it ended: no file is written. (A render
    // that had ended is written; pictures never started are told nothing.)
    virtual void pictureCancelled(int index);
    virtual void batchFinished(const BatchSummary& summary);

    // Around every read and write of a file: whatever the image libraries printed meanwhile
    // goes into the messages. drawlume-render catches standard error here; the default catches
    // nothing.
    virtual void beginFileAccess();
    virtual QStringList endFileAccess();
};

class BatchRenderer
{
public:
    BatchRenderer() = default;
    BatchRenderer(const BatchRenderer&) = delete;
    BatchRenderer& operator=(const BatchRenderer&) = delete;

    // Renders the batch (see the top of this file); returns when every picture is written,
    // skipped or failed, or after cancel().
    BatchSummary run(const BatchSettings& settings, BatchObserver* observer);

    // From any thread: the renders in progress are stopped and dropped, no further picture
    // starts; the files written so far stay, and so does the file of a render that had ended.
    void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

private:
    struct Slot;
    void cancelRenders();

    std::atomic<bool> m_cancelled{false};
    QMutex m_mutex; // guards m_renders against cancel() from another thread
    QVector<PictureRender*> m_renders;
};
