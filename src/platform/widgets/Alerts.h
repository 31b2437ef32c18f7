#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

class QPushButton;
class QWidget;

// Adds a button with exactly this title (an empty one stays empty) to a message box.
QPushButton *addTitledButton(QMessageBox *box, const QString &title, QMessageBox::ButtonRole role);

// Shows a modal warning with the message and the informative text (both plain text) and one
// button titled with the text of "IDS_TWK_194". Returns true when that button closed it.
// Runs on the main thread; a call from another thread is carried out there and waits for it.
bool showAlert(const QString &message, const QString &informative);

// Asks a yes-or-no question in a modal warning over `parent`: the message and the informative text
// (both plain text), a button titled "IDS_TWK_268" (yes, the default) and one titled "IDS_TWK_269"
// (no, also Escape). Waits for the answer and returns true for yes; closing the box answers no.
// `objectName` names the box; `shown`, when given, points to the box while it is up.
bool askYesOrNo(QWidget *parent, const QString &objectName, const QString &message, const QString &informative,
                QPointer<QMessageBox> *shown = nullptr);

// Makes `child` (already a child widget of `container`) fill the container and follow its size.
void pinToContainer(QWidget *child, QWidget *container);
