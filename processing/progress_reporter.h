#pragma once

class IProgressReporter;

// A new reporter whose report_ operations only emit the matching signals. No parent: the caller
// owns it and deletes it after the run.
IProgressReporter* create_progress_reporter();
