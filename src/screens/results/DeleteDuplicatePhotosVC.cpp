#include "screens/results/DeleteDuplicatePhotosVC.h"

#include "platform/NotificationCenter.h"
#include "model/NotificationNames.h"

DeleteDuplicatePhotosVC::DeleteDuplicatePhotosVC(QWidget *parent)
    : ConfirmationDialog(QStringLiteral("DeleteDuplicatePhotos"), Switch::ConfirmBeforeDeleting, "IDS_TWK_219",
                         "IDS_TWK_268", "IDS_TWK_269", parent)
{
}

void DeleteDuplicatePhotosVC::tappedOk()
{
    dismiss();
    endPopUp();
    platform::NotificationCenter::defaultCenter().post(
        NotificationName::deleteDuplicateFiles,
        {{QStringLiteral("isContinue"), false}, {QStringLiteral("isAutoSelection"), true}});
}
