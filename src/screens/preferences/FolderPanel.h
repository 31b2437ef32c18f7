#pragma once

#include <QList>
#include <QUrl>

#include <functional>

class QFileDialog;
class QWidget;

// A folder chooser shown as a window-modal sheet over `owner`'s window: folders only, several at
// once, hidden folders shown or not. `completion` gets whether the user confirmed and the chosen
// folders, in the chooser's order. Returns the chooser (it deletes itself when closed).
QFileDialog *openFolderPanel(QWidget *owner, bool showHiddenFiles,
                             std::function<void(bool accepted, const QList<QUrl> &folders)> completion);
