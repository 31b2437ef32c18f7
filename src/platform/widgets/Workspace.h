#pragma once

#include <QString>
#include <QUrl>

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
    // ShowItems on the session bus), else opens its folder; false when the folder does not exist
    // or could not be opened.
    bool revealInFileManager(const QString &path);

    // The D-Bus call alone: false when there is no session bus, no file manager answers, or the
    // file does not exist.
    bool showItemInFileManager(const QString &path);

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
