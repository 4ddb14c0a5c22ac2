#pragma once

#include <QString>

struct RenderOptions;

// Renders every job of options with the batch library (batch/batch_renderer.h), as the
// application's Batch Export does: load, filter on a worker thread while the calling (main) thread
// waits in an event loop and draws the progress bar, save atomically; an existing output is
// replaced, and of two jobs with one output only the first is rendered.
// With --save-document the job's picture and settings are stored in a document as well (before
// the render; without OUTPUT only that). A picture or document that cannot be read, rendered or
// written is reported on standard error and the others are still rendered. Returns the exit
// code: ExitSuccess, or ExitFailure when anything failed.
int renderBatch(const RenderOptions& options);

// Renders the --document of options into its one job's output with the stored filter and
// settings (with the command line's settings over them). With --save-document those settings are
// stored in a new document with the stored picture file, unchanged (before the render; without
// OUTPUT only that). Returns ExitSuccess, ExitFailure when the document cannot be read, names a
// filter that cannot be rendered, or a file cannot be written, or ExitUsage when the command
// line's filter or settings do not suit the document.
int renderDocument(const RenderOptions& options);

// Prints "drawlume-render: message" as one line on standard error.
void printError(const QString& message);
