#include "cli/captured_messages.h"

#include <QMutex>
#include <QMutexLocker>

#include <unistd.h>

namespace {

// The handler is a plain function: it appends here. Filters may log from helper threads.
QMutex g_mutex;
QStringList g_messages;

} // namespace

CapturedMessages::CapturedMessages()
{
    {
        QMutexLocker lock(&g_mutex);
        g_messages.clear();
    }
    m_previousHandler = qInstallMessageHandler(&collect);

    std::fflush(stderr);
    m_capture = std::tmpfile();
    if (m_capture) {
        m_savedStderr = ::dup(STDERR_FILENO);
        if (m_savedStderr < 0 || ::dup2(::fileno(m_capture), STDERR_FILENO) < 0) {
            if (m_savedStderr >= 0)
                ::close(m_savedStderr);
            m_savedStderr = -1;
        }
    }
    m_active = true;
}

CapturedMessages::~CapturedMessages()
{
    restore();
    if (m_capture)
        std::fclose(m_capture);
}

void CapturedMessages::collect(QtMsgType, const QMessageLogContext&, const QString& message)
{
    QMutexLocker lock(&g_mutex);
    g_messages.append(message);
}

void CapturedMessages::restore()
{
    if (!m_active)
        return;
    m_active = false;
    qInstallMessageHandler(m_previousHandler);
    std::fflush(stderr);
    if (m_savedStderr >= 0) {
        ::dup2(m_savedStderr, STDERR_FILENO);
        ::close(m_savedStderr);
        m_savedStderr = -1;
    }
}

QStringList CapturedMessages::finish()
{
    restore();

    QStringList raw;
    {
        QMutexLocker lock(&g_mutex);
        raw = g_messages;
        g_messages.clear();
    }
    if (m_capture) {
        std::rewind(m_capture);
        QByteArray printed;
        char buffer[4096];
        std::size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, m_capture)) > 0 &&
               printed.size() < 65536)
            printed.append(buffer, qsizetype(count));
        raw += QString::fromLocal8Bit(printed).split(QLatin1Char('\n'));
        std::fclose(m_capture);
        m_capture = nullptr;
    }

    QStringList messages;
    for (const QString& line : qAsConst(raw)) {
        const QString message = line.simplified();
        if (!message.isEmpty() && !message.contains(QLatin1String("iCCP")) &&
            !messages.contains(message))
            messages.append(message);
    }
    return messages;
}
