#pragma once

#include "model/ImageFile.h"
#include "model/ResultCommands.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <optional>

class QMenu;
class QMessageBox;
class ResultViewController;

// One file of the results as the grid cell (CollectionViewItem) and the list row
// (CollectionViewItemList) act on it: its group `section` and position `row`, the file it last
// acted on (`openFileUrl`), its context menu and every command of that menu. The cell and the row
// differ only in their interaction gate and in which collection view their commands reload.
class ResultItem : public QObject
{
    Q_OBJECT
public:
    ResultItem(ResultViewController *owner, int section, int row);

    int section = 0;
    int row = 0;
    std::optional<QUrl> openFileUrl;
    QPointer<QMessageBox> alert;
    QPointer<QMenu> mainMenu;

    ImageFilePtr file() const;
    bool isMarked() const;
    void updateOpenFileUrl();

    // Pointer events: a double click opens the preview window; a right click the context menu.
    void mouseDoubleClicked();
    void rightMouseDown(const QPoint &globalPos);
    // The context menu for the file's state (unmarked, marked, protected); not shown.
    QMenu *buildMenu(QWidget *parent);
    void quickLook();

    // ---- marking (single file)
    void imageSelect();
    void imageUnselect();
    // ---- bulk commands
    void autoSelectAllFiles();
    void autoSelectAllOptions();
    void selectAllFilesCurrentType();
    void selectAllFilesFoundInThisFolder();
    void selectAllFilesFoundInThisFolderTree();
    void unSelectAllFilesCurrentType();
    void unSelectAllFilesFoundInThisFolder();
    void unSelectAllFilesFoundInThisFolderTree();
    void unselectAll();
    void invertMarkedFiles();
    // ---- protection
    void protectThisFolder();
    void protectParentFolder();
    // Tag 1 protects the file, any other tag releases it.
    void protectThisImage(int tag);
    // Asks whether a file in a protected folder is to be released; true for Yes.
    bool confirmImageUnprotect();
    // ---- results and files
    void filterThisGoup();
    void deleteFileFromArray();
    void openImagePreview();
    void openImageContainerFolder();

protected:
    // Whether the pointer may act on this item now.
    virtual bool gateOpen() const = 0;
    ResultViewController *owner_;

private:
    // After Remove from Results: the shown forms' current item goes to the details and the preview.
    static void showCurrentAfterRemoval();
    void selectMatching(ResultCommands::MatchKey key);
    void unselectMatching(ResultCommands::MatchKey key);
    void protectFolder(const QUrl &folder);
    void setRadioPair(bool autoSelect);
    void reloadOwn();
    void reloadBoth();
};
