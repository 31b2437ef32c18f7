#include "controls/Editing.h"

#include <QKeyEvent>

Editing::Editing(QWidget *parent)
    : QLineEdit(parent)
{
}

Editing::EditAction Editing::actionForKey(Qt::KeyboardModifiers modifiers, int key)
{
    const Qt::KeyboardModifiers relevant =
        modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    if (relevant == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_X:
            return EditAction::Cut;
        case Qt::Key_C:
            return EditAction::Copy;
        case Qt::Key_V:
            return EditAction::Paste;
        case Qt::Key_Z:
            return EditAction::Undo;
        case Qt::Key_A:
            return EditAction::SelectAll;
        default:
            return EditAction::None;
        }
    }
    if (relevant == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z)
        return EditAction::Redo;
    return EditAction::None;
}

bool Editing::performEditAction(EditAction action)
{
    switch (action) {
    case EditAction::Cut:
        if (isReadOnly() || !hasSelectedText())
            return false;
        cut();
        return true;
    case EditAction::Copy:
        if (!hasSelectedText())
            return false;
        copy();
        return true;
    case EditAction::Paste:
        if (isReadOnly())
            return false;
        paste();
        return true;
    case EditAction::Undo:
        if (!isUndoAvailable())
            return false;
        undo();
        return true;
    case EditAction::Redo:
        if (!isRedoAvailable())
            return false;
        redo();
        return true;
    case EditAction::SelectAll:
        selectAll();
        return true;
    case EditAction::None:
        break;
    }
    return false;
}

bool Editing::event(QEvent *event)
{
    // Take the shortcuts before any window shortcut of the same keys does.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (actionForKey(key->modifiers(), key->key()) != EditAction::None) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void Editing::keyPressEvent(QKeyEvent *event)
{
    const EditAction action = actionForKey(event->modifiers(), event->key());
    if (action != EditAction::None && performEditAction(action)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
