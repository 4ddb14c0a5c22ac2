// Drawlume: turns photographs into pencil drawings, watercolors, oil paintings and oil pastels.

#include "ui/document/application.h"

#include <QStringList>

int main(int argc, char* argv[])
{
    Application app(argc, argv);
    // At most one argument: a picture or document to open; further ones are ignored.
    const QStringList arguments = QCoreApplication::arguments();
    const QString path = arguments.size() > 1 ? arguments.at(1) : QString();
    start_application(path);
    return app.exec();
}
