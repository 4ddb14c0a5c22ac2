#include "ui/panel/document_shortcuts.h"

#include "ui/document/document_registry.h"
#include "ui/document/document_window.h"
#include "ui/document/menu.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

void add_document_shortcuts(QWidget* window, DocumentRegistry* registry)
{
    const auto add = [window, registry](QKeySequence::StandardKey key,
                                        QAction* (Menu::*command)() const) {
        auto* action = new QAction(window);
        action->setShortcuts(key); // every binding of the platform, Ctrl+Y and Ctrl+Shift+Z alike
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, window, [registry, command] {
            DocumentWindow* document = registry->current_window();
            if (!document && !registry->windows().isEmpty())
                document = registry->windows().constFirst();
            if (!document)
                return;
            if (QAction* target = (document->menu()->*command)(); target && target->isEnabled())
                target->trigger();
        });
        window->addAction(action);
    };
    add(QKeySequence::New, &Menu::action_new);
    add(QKeySequence::Open, &Menu::action_open);
    add(QKeySequence::Close, &Menu::action_close);
    add(QKeySequence::Save, &Menu::action_save);
    add(QKeySequence::Quit, &Menu::action_quit);
    add(QKeySequence::Undo, &Menu::action_undo);
    add(QKeySequence::Redo, &Menu::action_redo);
    // Ctrl+Y redoes here as in the document windows, whatever the platform's redo keys are.
    if (!QKeySequence::keyBindings(QKeySequence::Redo)
             .contains(QKeySequence(Qt::CTRL | Qt::Key_Y))) {
        auto* redo = new QAction(window);
        redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
        QObject::connect(redo, &QAction::triggered, window, [registry] {
            DocumentWindow* document = registry->current_window();
            if (document && document->menu()->action_redo() &&
                document->menu()->action_redo()->isEnabled())
                document->menu()->action_redo()->trigger();
        });
        window->addAction(redo);
    }
    add(QKeySequence::Paste, &Menu::action_paste);
}
