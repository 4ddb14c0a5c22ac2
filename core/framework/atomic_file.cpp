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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(bytes);
    return commitSaveFile(file, error);
}
