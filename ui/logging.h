#pragma once

#include <QLoggingCategory>

// The windows' diagnostic categories. Their debug lines are off unless asked for, for example
// QT_LOGGING_RULES="drawlume.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcDocument) // drawlume.document: opening and saving files
Q_DECLARE_LOGGING_CATEGORY(lcPanel)    // drawlume.panel: the control window and its undo steps
Q_DECLARE_LOGGING_CATEGORY(lcRender)   // drawlume.render: renders and exports of documents
