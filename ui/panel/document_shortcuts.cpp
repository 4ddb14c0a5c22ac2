#include "ui/panel/document_shortcuts.h"

#include "ui/document/document_registry.h"
#include "ui/document/document_window.h"
#include "ui/document/menu.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

void add_document_shortcuts(QWidget* window, DocumentRegistry* registry)
{
    for (const MenuShortcut& entry : menu_shortcuts()) {
        if (!entry.in_control_window)
            continue;
        auto* action = new QAction(window);
        action->setShortcuts(entry.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, window, [registry, command = entry.action] {
            DocumentWindow* document = registry->current_window();
            if (!document && !registry->windows().isEmpty())
                document = registry->windows().constFirst();
            if (!document)
                return;
            if (QAction* target = (document->menu()->*command)(); target && target->isEnabled())
                target->trigger();
        });
        window->addAction(action);
    }
}
