#include "ui/logging.h"

Q_LOGGING_CATEGORY(lcDocument, "drawlume.document", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPanel, "drawlume.panel", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRender, "drawlume.render", QtWarningMsg)
