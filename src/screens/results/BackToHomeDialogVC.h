#pragma once

#include "screens/results/ConfirmationDialog.h"

// Asks before the results are left for the home screen (switch "backToHomeAlert"). Confirming
// posts "BackToHomeObserver"; the results screen goes home while the sheet is still up, and the
// sheet closes after that.
class BackToHomeDialogVC : public ConfirmationDialog
{
    Q_OBJECT
public:
    explicit BackToHomeDialogVC(QWidget *parent = nullptr);
    void tappedOk() override;
};
