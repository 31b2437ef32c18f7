#pragma once

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>

class QAbstractButton;
class QPushButton;
class QWidget;

// Adds a button with exactly this title (an empty one stays empty) to a message box.
QPushButton *addTitledButton(QMessageBox *box, const QString &title, QMessageBox::ButtonRole role);

// One button of an alert: its exact title and its role.
struct AlertButton {
    QString title;
    QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
};

// Builds an alert over `parent` for the caller to show (open() with a callback, or exec()): the
// icon, the window title, the message and the informative text, all shown as plain text, and the
// buttons in order, each with exactly its title; the first is the default. With no buttons it has
// the standard OK button. `added`, when given, receives the buttons in that order. Every alert of
// the program is built here.
QMessageBox *makeAlert(QWidget *parent, const QString &objectName, QMessageBox::Icon icon, const QString &title,
                       const QString &message, const QString &informative, const QList<AlertButton> &buttons = {},
                       QList<QAbstractButton *> *added = nullptr);

// A message box's setWindowModality sets its window flags anew: called after it, before the alert
// is shown, keeps the alert without the desktop's frame.
void keepAlertFrameless(QMessageBox *box);

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
