#pragma once

#include <QLineEdit>

// A text field that carries out the editing shortcuts itself: Ctrl+X cut, Ctrl+C copy, Ctrl+V
// paste, Ctrl+Z undo, Ctrl+A select all and Ctrl+Shift+Z redo. Other keys go to the line edit.
class Editing : public QLineEdit
{
    Q_OBJECT
public:
    enum class EditAction { None, Cut, Copy, Paste, Undo, Redo, SelectAll };

    explicit Editing(QWidget *parent = nullptr);

    // The action a key press selects; None for any other combination.
    static EditAction actionForKey(Qt::KeyboardModifiers modifiers, int key);

    // Carries out an action; false when the field could not (for example nothing to undo).
    bool performEditAction(EditAction action);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
