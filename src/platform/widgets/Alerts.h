#pragma once

#include <QString>

class QWidget;

// Shows a modal warning with the message and the informative text (both plain text) and one
// button titled with the text of "IDS_TWK_194". Returns true when that button closed it.
// Runs on the main thread; a call from another thread is carried out there and waits for it.
bool showAlert(const QString &message, const QString &informative);

// Makes `child` (already a child widget of `container`) fill the container and follow its size.
void pinToContainer(QWidget *child, QWidget *container);
