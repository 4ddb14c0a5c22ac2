#pragma once

#include "core/filters/filter_list.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

// What the command-line tests share: they run the built drawlume-render with QProcess on small
// synthetic pictures in a temporary directory, and check its files, output and exit codes.

struct RenderResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline QImage readPicture(const QString& path)
{
    QImageReader reader(path);
    return reader.read();
}

// The filters the program can render, straight from the core.
inline QStringList renderableFilters()
{
    QStringList names;
    for (const QString& name : allFilterNames()) {
        if (createFilter(name))
            names.append(name);
    }
    return names;
}

// The temporary directory, the two input pictures in it and the program's runs. A test class
// derives from it beside QObject and calls createInputs() from its initTestCase().
class RenderCliFixture
{
protected:
    void createInputs()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFileInfo(DRAWLUME_RENDER_BINARY).isExecutable(), DRAWLUME_RENDER_BINARY);
        m_photo = m_dir.filePath("photo.png");
        m_other = m_dir.filePath("other.jpg");
        QVERIFY(photoPicture(64, 48, 0).save(m_photo));
        QVERIFY(photoPicture(48, 40, 1).save(m_other, "jpeg", 95));
    }

    // drawlume-render with arguments, in workingDirectory (the temporary one unless given).
    RenderResult run(const QStringList& arguments, const QString& workingDirectory = {}) const
    {
        QProcess process;
        process.setWorkingDirectory(workingDirectory.isEmpty() ? m_dir.path() : workingDirectory);
        process.start(QStringLiteral(DRAWLUME_RENDER_BINARY), arguments);
        RenderResult result;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            result.err = QStringLiteral("drawlume-render did not finish");
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    // A fresh directory under the temporary one, for a test row's files.
    QString freshDirectory(const QString& name) const
    {
        QString path = m_dir.filePath(name);
        for (int n = 2; QFileInfo::exists(path); ++n)
            path = m_dir.filePath(name + QString::number(n));
        QDir().mkpath(path);
        return path;
    }

    // Writes a document with settings of the photograph (no render); its path, or empty.
    QString saveDocument(const QString& name, const QStringList& settings) const
    {
        const QString document = freshDirectory("document") + "/" + name;
        const RenderResult result =
            run(settings + QStringList{m_photo, "--save-document", document});
        if (result.exitCode != 0 || !QFileInfo::exists(document)) {
            qWarning("%s", qPrintable(result.err));
            return QString();
        }
        return document;
    }

    QTemporaryDir m_dir;
    QString m_photo; // 64 x 48 PNG
    QString m_other; // 48 x 40 JPEG
};
