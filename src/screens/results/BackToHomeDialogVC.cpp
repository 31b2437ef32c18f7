#include "screens/results/BackToHomeDialogVC.h"

#include "platform/NotificationCenter.h"
#include "model/NotificationNames.h"

BackToHomeDialogVC::BackToHomeDialogVC(QWidget *parent)
    : ConfirmationDialog(QStringLiteral("BackToHome"), Switch::BackToHomeAlert, "IDS_TWK_222", "IDS_TWK_268",
                         "IDS_TWK_269", parent)
{
}

void BackToHomeDialogVC::tappedOk()
{
    endPopUp();
    platform::NotificationCenter::defaultCenter().post(NotificationName::backToHomeObserver);
    dismiss();
}
