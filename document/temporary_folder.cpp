#include "document/temporary_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The folder's path for the signal handler, which may use no Qt and no memory allocation.
char folderPath[4096];
volatile std::sig_atomic_t folderKnown = 0;

// A directory entry as the getdents64 system call gives it.
struct DirectoryEntry
{
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Removes what the directory open as fd holds, with system calls only, so that a signal handler
// may call it. Folders are followed to a small depth; links are removed, never followed.
void removeContents(int fd, int depth)
{
    alignas(DirectoryEntry) char buffer[4096];
    // Removing entries while reading the directory may hide some; read again until it is empty.
    for (int pass = 0; pass < 4; ++pass) {
        bool removedAny = false;
        lseek(fd, 0, SEEK_SET);
        for (;;) {
            const long count = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (count <= 0)
                break;
            for (long at = 0; at < count;) {
                const auto* entry = reinterpret_cast<const DirectoryEntry*>(buffer + at);
                at += entry->length;
                if (isDotOrDotDot(entry->name))
                    continue;
                if (entry->type == DT_DIR) {
                    const int child = openat(fd, entry->name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
                    if (child >= 0) {
                        if (depth > 0)
                            removeContents(child, depth - 1);
                        close(child);
                    }
                    removedAny |= unlinkat(fd, entry->name, AT_REMOVEDIR) == 0;
                } else {
                    removedAny |= unlinkat(fd, entry->name, 0) == 0;
                }
            }
        }
        if (!removedAny)
            break;
    }
}

void removeFolder(const char* path)
{
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd >= 0) {
        removeContents(fd, 8);
        close(fd);
    }
    rmdir(path);
}

void onEndingSignal(int signal)
{
    const int savedErrno = errno;
    if (folderKnown)
        removeFolder(folderPath);
    // End the process as the signal would have (its exit status tells the signal).
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    errno = savedErrno;
}

QString folderPrefix()
{
    return QStringLiteral("drawlume-");
}

} // namespace

QString privateTemporaryDirectory()
{
    // Removed with its contents when the program ends (static destruction).
    static std::unique_ptr<QTemporaryDir> directory;
    if (!directory || !directory->isValid()) {
        directory = std::make_unique<QTemporaryDir>(
            QDir::tempPath() + QLatin1Char('/') + folderPrefix() +
            QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX"));
        folderKnown = 0;
        if (directory->isValid()) {
            const QByteArray path = QFile::encodeName(directory->path());
            if (path.size() < qsizetype(sizeof folderPath)) {
                std::memcpy(folderPath, path.constData(), size_t(path.size()) + 1);
                folderKnown = 1;
            }
        }
    }
    return directory->isValid() ? directory->path() : QString();
}

void removeTemporaryFolderOnSignals()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current = {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onEndingSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

int removeStaleTemporaryFolders()
{
    static const QRegularExpression name(QStringLiteral("^drawlume-([0-9]+)-[A-Za-z0-9]{6}$"));
    const uint user = getuid();
    int removed = 0;
    const QDir temporary(QDir::tempPath());
    const QStringList candidates =
        temporary.entryList({folderPrefix() + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden);
    for (const QString& candidate : candidates) {
        const QRegularExpressionMatch match = name.match(candidate);
        if (!match.hasMatch())
            continue;
        const QString path = temporary.filePath(candidate);
        struct stat status = {};
        if (lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != user)
            continue;
        bool ok = false;
        const qint64 pid = match.captured(1).toLongLong(&ok);
        if (!ok || pid <= 0 || pid > 0x7FFFFFFF || pid == QCoreApplication::applicationPid())
            continue;
        // kill with no signal only asks whether the process exists.
        if (kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        if (QDir(path).removeRecursively())
            ++removed;
    }
    return removed;
}
