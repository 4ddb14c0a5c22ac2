#pragma once

#include <QString>

// The private temporary folder of a run of the program, where documents are unpacked.
//
// It is made on first use as "drawlume-<process id>-XXXXXX" in the system's temporary folder and
// removed with everything in it when the program ends: normally, and, once
// removeTemporaryFolderOnSignals() was called, when the process is ended by SIGINT, SIGTERM or
// SIGHUP. A folder left by a process that was killed outright (SIGKILL, a crash) is removed by the
// next run through removeStaleTemporaryFolders().

// The folder, made on first call; empty when it cannot be made. GUI-free; call it from one
// thread at a time.
QString privateTemporaryDirectory();

// Makes SIGINT, SIGTERM and SIGHUP remove the folder before they end the process as they would
// have. A signal the process ignores (SIGHUP under nohup) stays ignored.
void removeTemporaryFolderOnSignals();

// Removes the temporary folders of this user's processes that are no longer running, and returns
// how many it removed. Folders of running processes and of other users are left alone.
int removeStaleTemporaryFolders();
