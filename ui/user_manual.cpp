#include "ui/user_manual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Set by packaging/CMakeLists.txt; the fallbacks keep the file usable on its own.
#ifndef DRAWLUME_MANUAL_INSTALLED_RELATIVE
#define DRAWLUME_MANUAL_INSTALLED_RELATIVE "../share/doc/drawlume/manual/index.html"
#endif
#ifndef DRAWLUME_MANUAL_BUILD_COPY
#define DRAWLUME_MANUAL_BUILD_COPY ""
#endif
#ifndef DRAWLUME_MANUAL_SOURCE
#define DRAWLUME_MANUAL_SOURCE ""
#endif

QString user_manual_path()
{
    const QDir program(QCoreApplication::applicationDirPath());
    const QStringList candidates = {
        program.filePath(QStringLiteral(DRAWLUME_MANUAL_INSTALLED_RELATIVE)),
        program.filePath(QStringLiteral("manual/index.html")),
        QStringLiteral(DRAWLUME_MANUAL_BUILD_COPY),
        QStringLiteral(DRAWLUME_MANUAL_SOURCE),
    };
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isFile())
            return QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
    }
    return QString();
}

bool open_user_manual()
{
    const QString path = user_manual_path();
    return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void show_user_manual(QWidget* parent)
{
    if (open_user_manual())
        return;
    const QString path = user_manual_path();
    const QString text =
        path.isEmpty()
            ? QObject::tr("The user manual is not installed with this copy of Drawlume.")
            : QObject::tr("No web browser could be started to show the user manual. You can "
                          "open it yourself: %1")
                  .arg(QDir::toNativeSeparators(path));
    QMessageBox box(QMessageBox::Information, QObject::tr("Drawlume"), text, QMessageBox::Ok,
                    parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}
