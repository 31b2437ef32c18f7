#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace platform {

// The desktop's shared services: web pages open in the default browser, files are shown in the
// file manager.
class Workspace
{
public:
    static Workspace &sharedWorkspace();

    // Opens the address with the desktop's handler for its scheme; false (with one diagnostic
    // line) when the address is empty or invalid, names a local file that does not exist, or no
    // handler took it.
    bool openURL(const QUrl &url);

    // Shows the file selected in the desktop's file manager (org.freedesktop.FileManager1
    // ShowItems on the session bus), else opens its folder. The file manager is asked without
    // waiting for its answer: when it answers with an error or not within 3 s, the folder opens
    // then, and `failed` (when given) runs if that fails too. False at once when the folder does not
    // exist or, with no file manager to ask, could not be opened.
    bool revealInFileManager(const QString &path, std::function<void()> failed = {});

    // openURL and revealInFileManager for a command the user gave (Open, Show in Folder, Help,
    // Download Now): when nothing could open the request, the user is told so with the
    // application's alert, naming what could not be opened, and the answer is false.
    bool openURLOrTell(const QUrl &url);
    bool revealInFileManagerOrTell(const QString &path);

    // The folder that revealInFileManager opens for a path: the folder itself for a folder, the
    // containing folder for anything else.
    static QString folderToReveal(const QString &path);
};

} // namespace platform
