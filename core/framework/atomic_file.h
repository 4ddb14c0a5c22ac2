#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Atomic file writing: everything goes to a temporary file beside the target, which replaces the
// target only once all bytes are on disk, so a failed save leaves an existing file as it was.
//
// QSaveFile alone is not enough: bytes still in its buffer are written when commit() closes the
// file, and a failure of that last write (a full disk, a file size limit) is not reported, so the
// incomplete file would replace the target. commitSaveFile flushes first and cancels on failure.

// Flushes and commits a QSaveFile that was opened for writing; false (and the target untouched)
// when any write failed. *error gets the reason.
bool commitSaveFile(QSaveFile& file, QString* error = nullptr);

// Writes bytes to path atomically.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
