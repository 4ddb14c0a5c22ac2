#include "ui/panel/document_shortcuts.h"

#include "ui/document/document_registry.h"
#include "ui/document/document_window.h"
#include "ui/document/menu.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

void add_document_shortcuts(QWidget* window, DocumentRegistry* registry)
{
    const auto add_keys = [window, registry](const QList<QKeySequence>& keys,
                                             QAction* (Menu::*command)() const) {
        auto* action = new QAction(window);
        action->setShortcuts(keys);
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
    // Every binding of the platform, Ctrl+Y and Ctrl+Shift+Z alike.
    const auto add = [add_keys](QKeySequence::StandardKey key, QAction* (Menu::*command)() const) {
        add_keys(QKeySequence::keyBindings(key), command);
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
    // The view's zoom keys, as in the document window's View menu.
    add_keys({QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
             &Menu::action_zoom_in);
    add(QKeySequence::ZoomOut, &Menu::action_zoom_out);
    add_keys({QKeySequence(Qt::CTRL | Qt::Key_0)}, &Menu::action_fit);
    add_keys({QKeySequence(Qt::CTRL | Qt::Key_1)}, &Menu::action_actual_size);
    // Process, as beside the control window's button.
    add_keys({QKeySequence(Qt::CTRL | Qt::Key_R)}, &Menu::action_process);
}
