#pragma once

#include <QList>
#include <QUrl>

#include <functional>

class QFileDialog;
class QWidget;

// A folder chooser shown as a window-modal sheet over `owner`'s window, titled as the home screen's
// Add Folder panel and the desktop's own where there is one: folders only (several at once in Qt's
// chooser), hidden folders shown or not. `completion` gets whether the user confirmed and the
// chosen folders, in the chooser's order. Returns the chooser (it deletes itself when closed).
QFileDialog *openFolderPanel(QWidget *owner, bool showHiddenFiles,
                             std::function<void(bool accepted, const QList<QUrl> &folders)> completion);

// A panel that would open in the program's working directory (nothing chosen in this run yet)
// opens in the user's Pictures folder instead, or the home folder when there is none.
void startInUsualFolder(QFileDialog *panel);
