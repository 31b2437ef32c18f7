#pragma once

#include "screens/results/ConfirmationDialog.h"

class HyperlinkTextField;
class QLabel;

// Asks before every group is marked by the selection-priority rules (switch "showAutoMarkAlert").
// Continue posts "AutoMarkSelection" {"isContinue": true, "isAutoSelection": false}; the link
// under the question closes the sheet and posts {"isContinue": false, "isAutoSelection": true},
// which opens the selection wizard over the results (pop-up mode stays on for it). Cancel and
// the link turn the results screen's radio pair back to Unselect All.
class AutoMarkSelectionDialogVC : public ConfirmationDialog
{
    Q_OBJECT
public:
    explicit AutoMarkSelectionDialogVC(QWidget *parent = nullptr);

    QLabel *imgViewOpenAutoSelectionAssistant = nullptr;
    HyperlinkTextField *lblOpenAutoSelectionAssistant = nullptr;

    void tappedOk() override; // Continue
    void tappedCancel() override;
    void tappedOpenAutoSelectionAssistant();

private:
    static void radioToUnselectAll();
};
