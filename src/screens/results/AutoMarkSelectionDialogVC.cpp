#include "screens/results/AutoMarkSelectionDialogVC.h"
#include "screens/shell/ScreenNames.h"

#include "controls/HyperlinkTextField.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "screens/results/ResultPictures.h"
#include "screens/results/ScanResultVC.h"
#include "screens/shell/AllViewControllers.h"
#include "model/NotificationNames.h"

#include <QHBoxLayout>
#include <QLabel>

AutoMarkSelectionDialogVC::AutoMarkSelectionDialogVC(QWidget *parent)
    : ConfirmationDialog(QStringLiteral("AutoMark"), Switch::ShowAutoMarkAlert, "IDS_TWK_220", "IDS_TWK_221",
                         "IDS_TWK_195", parent)
{
    imgViewOpenAutoSelectionAssistant = new QLabel(extraArea());
    imgViewOpenAutoSelectionAssistant->setObjectName(QStringLiteral("imgViewOpenAutoSelectionAssistant"));
    imgViewOpenAutoSelectionAssistant->setFixedSize(26, 26);
    imgViewOpenAutoSelectionAssistant->setPixmap(QPixmap::fromImage(ResultPictures::selectionWizardIcon()));
    lblOpenAutoSelectionAssistant = new HyperlinkTextField(localizedText(QStringLiteral("IDS_TWK_223")), extraArea());
    lblOpenAutoSelectionAssistant->setObjectName(QStringLiteral("lblOpenAutoSelectionAssistant"));
    lblOpenAutoSelectionAssistant->isAutoMarkSelection = true;
    lblOpenAutoSelectionAssistant->showTextWithAttributes(lblOpenAutoSelectionAssistant->attributesBeforeClick);
    auto *layout = static_cast<QHBoxLayout *>(extraArea()->layout());
    layout->addWidget(imgViewOpenAutoSelectionAssistant);
    layout->addWidget(lblOpenAutoSelectionAssistant);
    layout->addStretch(1);
    extraArea()->show();

    platform::NotificationCenter::defaultCenter().addObserver(
        this, NotificationName::hyperLinkAutoMarkSelection,
        [this](const platform::Notification &) { tappedOpenAutoSelectionAssistant(); });
}

void AutoMarkSelectionDialogVC::radioToUnselectAll()
{
    if (auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult))
        results->setRadioState(false);
}

void AutoMarkSelectionDialogVC::tappedOk()
{
    endPopUp();
    platform::NotificationCenter::defaultCenter().post(
        NotificationName::autoMarkSelection,
        {{QStringLiteral("isContinue"), true}, {QStringLiteral("isAutoSelection"), false}});
    dismiss();
}

void AutoMarkSelectionDialogVC::tappedCancel()
{
    endPopUp();
    dismiss();
    radioToUnselectAll();
}

void AutoMarkSelectionDialogVC::tappedOpenAutoSelectionAssistant()
{
    dismiss();
    radioToUnselectAll();
    platform::NotificationCenter::defaultCenter().post(
        NotificationName::autoMarkSelection,
        {{QStringLiteral("isContinue"), false}, {QStringLiteral("isAutoSelection"), true}});
}
