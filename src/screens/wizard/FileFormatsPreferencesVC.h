#pragma once

#include "model/FileFormat.h"
#include "screens/wizard/WizardPage.h"

// Page 1 of the selection wizard: the file extensions found in the shown results, in the order in
// which the file-format rule prefers them (fileFormatPriorities; the first row is the preferred
// format). Made once by the screen registry ("FileFormatsPreferences").
class FileFormatsPreferencesVC : public WizardPage
{
    Q_OBJECT
public:
    explicit FileFormatsPreferencesVC(QWidget *parent = nullptr);

    SYFlatButton *btnmark = nullptr; // the page's Mark button (same as btnMark)
    // The list as found in the current results at the last appearance; Reset restores it.
    std::vector<FileFormat> initialFileFormats;

    // Renumbers fileFormatPriorities (priority = row + 1) and reloads the table.
    void renumberFileFormats();
    void resetFileFormats();
    // Rebuilds initialFileFormats from the shown results; keeps the user's order only while the
    // found formats are the same.
    void rebuild();
    void moveSelectedFormatUp();
    void moveSelectedFormatDown();

    void willAppear() override;
    void reloadTable() override;
    void tappedReset() override { resetFileFormats(); }
    void tappedUp() override { moveSelectedFormatUp(); }
    void tappedDown() override { moveSelectedFormatDown(); }

protected:
    bool dropRows(const std::vector<int> &rows, int dropRow) override;

private:
    void moveSelected(bool up);
};
