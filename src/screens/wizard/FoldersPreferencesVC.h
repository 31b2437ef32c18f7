#pragma once

#include "model/FolderPreferences.h"
#include "screens/wizard/WizardPage.h"

// Page 2 of the selection wizard: the folders that hold the shown result files, in the order in
// which the folder rule prefers them (folderPriorities; the first row is the preferred folder).
// Made once by the screen registry ("FoldersPreferences").
class FoldersPreferencesVC : public WizardPage
{
    Q_OBJECT
public:
    explicit FoldersPreferencesVC(QWidget *parent = nullptr);

    // The list as found in the current results at the last appearance; Reset restores it.
    std::vector<FolderPreferences> initialFolders;

    void renumberFolders();
    void resetFolderOrder();
    void rebuild();
    void moveSelectedFolderUp();
    void moveSelectedFolderDown();

    void willAppear() override;
    void reloadTable() override;
    void tappedReset() override { resetFolderOrder(); }
    void tappedUp() override { moveSelectedFolderUp(); }
    void tappedDown() override { moveSelectedFolderDown(); }

    // The folder as shown in the table: the local path of the stored folder URL text.
    static QString displayPath(const std::optional<QString> &path);

protected:
    bool dropRows(const std::vector<int> &rows, int dropRow) override;

private:
    void moveSelected(bool up);
};
