#include "core/framework/atomic_file.h"

bool commitSaveFile(QSaveFile& file, QString* error)
{
    if (file.error() == QFileDevice::NoError && file.flush() &&
        file.error() == QFileDevice::NoError && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    // cancelWriting keeps the target; commit after it only removes the temporary file.
    file.commit();
    return false;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    // Unbuffered, so that every write reaches the system and a refused one is seen at once with
    // the system's reason ("No space left on device"). A write the system takes only in part is
    // followed by one for the rest, which then says why it cannot go on.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            if (error)
                *error = file.errorString();
            file.cancelWriting();
            file.commit(); // removes the temporary file and keeps the target
            return false;
        }
        done += written;
    }
    return commitSaveFile(file, error);
}
