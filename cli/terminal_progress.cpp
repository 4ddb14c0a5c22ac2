#include "cli/terminal_progress.h"

#include "core/framework/iprogress_reporter.h"

#include <algorithm>

namespace {

constexpr int kBarWidth = 24;
constexpr int kNameWidth = 28;

// A file name cut to at most width characters, keeping its end (the suffix and the part that
// differs most often between pictures of one batch).
QString shortened(const QString& name, int width)
{
    if (name.size() <= width)
        return name;
    return QStringLiteral("...") + name.right(width - 3);
}

} // namespace

TerminalProgress::TerminalProgress(std::FILE* stream, QObject* parent)
    : QObject(parent), m_stream(stream)
{
}

TerminalProgress::~TerminalProgress()
{
    clear();
}

void TerminalProgress::begin(const QString& filterName, const QString& pictureName)
{
    m_filterName = filterName;
    m_pictureName = pictureName;
    m_phase = 1;
    m_phases = 1;
    m_percent = 0;
    draw();
}

void TerminalProgress::clear()
{
    if (!m_visible)
        return;
    // Back to the start of the line and erase it (ANSI "erase in line").
    std::fputs("\r\033[K", m_stream);
    std::fflush(m_stream);
    m_visible = false;
    m_lastDrawn.clear();
}

void TerminalProgress::follow(IProgressReporter* reporter)
{
    // Queued even though both objects were made on the main thread: the reporter emits from the
    // worker thread, and a direct call would draw from there.
    connect(reporter, &IProgressReporter::progress, this, &TerminalProgress::setProgress,
            Qt::QueuedConnection);
    connect(reporter, &IProgressReporter::sig_set_total_phases, this,
            &TerminalProgress::setTotalPhases, Qt::QueuedConnection);
    connect(reporter, &IProgressReporter::sig_next_phase, this, &TerminalProgress::nextPhase,
            Qt::QueuedConnection);
}

void TerminalProgress::setProgress(int percent)
{
    m_percent = std::clamp(percent, 0, 100);
    draw();
}

void TerminalProgress::setTotalPhases(int count)
{
    m_phases = std::max(1, count);
    m_phase = 1;
    m_percent = 0;
    draw();
}

void TerminalProgress::nextPhase()
{
    // A filter that reports more phases than it announced still shows a sensible count.
    ++m_phase;
    m_phases = std::max(m_phases, m_phase);
    m_percent = 0;
    draw();
}

QString TerminalProgress::line() const
{
    const int filled = m_percent * kBarWidth / 100;
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('.'));
    return QStringLiteral("%1  %2  phase %3 of %4  [%5] %6%")
        .arg(m_filterName, shortened(m_pictureName, kNameWidth))
        .arg(m_phase)
        .arg(m_phases)
        .arg(bar)
        .arg(m_percent, 3);
}

void TerminalProgress::draw()
{
    // Redraw only when something visible changed: the reports come many times a second.
    const QString text = line();
    if (m_visible && text == m_lastDrawn)
        return;
    std::fputs("\r\033[K", m_stream);
    std::fputs(text.toLocal8Bit().constData(), m_stream);
    std::fflush(m_stream);
    m_lastDrawn = text;
    m_visible = true;
}
