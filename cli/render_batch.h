#pragma once

#include <QString>

struct RenderOptions;

// Renders every job of options on the calling thread, one picture after another: load, filter,
// save atomically. A picture that cannot be read, rendered or written is reported on standard
// error and the others are still rendered. Returns the exit code: ExitSuccess, or ExitFailure
// when any picture failed.
int renderBatch(const RenderOptions& options);

// Prints "drawlume-render: message" as one line on standard error.
void printError(const QString& message);
