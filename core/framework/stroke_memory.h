#pragma once

#include <QHash>
#include <QPoint>
#include <QSharedPointer>
#include <QString>
#include <QVector>

// The positions a display render chose at random (stroke centres, region seeds), kept so that the
// full-size export of the same document replays them and shows the same strokes as the screen.
//
// One memory per document (the command-line renderer, which renders each picture once, uses
// none), shared with the filter of each render of that document through Filter::setStrokeMemory;
// rendering one document never changes what another document's export replays. Each painter
// keeps its own list under its own name. A painter records into a list of its own while it runs
// and stores it here only when the run completes, so a cancelled render leaves the last completed
// list in place; without a memory it records nothing.
//
// A render reads and writes the memory on its worker thread; a document runs one render at a
// time, so no lock is needed.
class StrokeMemory
{
public:
    QVector<QPoint> positions(const QString& painter) const { return m_lists.value(painter); }
    void setPositions(const QString& painter, const QVector<QPoint>& positions)
    {
        m_lists.insert(painter, positions);
    }
    bool isEmpty() const { return m_lists.isEmpty(); }
    void clear() { m_lists.clear(); }

private:
    QHash<QString, QVector<QPoint>> m_lists;
};

using StrokeMemoryPtr = QSharedPointer<StrokeMemory>;
