#include "screens/preferences/AlertSettingsPreferencesVC.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "services/ProtectedFolders.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

AlertSettingsPreferencesVC::AlertSettingsPreferencesVC(QWidget *parent)
    : PreferencesPane(QStringLiteral("IDS_TWK_109"), parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSideInset, 16, kSideInset, 16);
    layout->setSpacing(8);
    alertSettings = makeCaption(this, true);
    lblAppAsksForYou = makeCaption(this);
    btnConfirmBeforeDeletePhotos = new QCheckBox(this);
    btnShowAutoMarkAlert = new QCheckBox(this);
    btnConfirmWhenMovingAway = new QCheckBox(this);
    layout->addWidget(alertSettings);
    layout->addWidget(lblAppAsksForYou);
    for (QCheckBox *box : {btnConfirmBeforeDeletePhotos, btnShowAutoMarkAlert, btnConfirmWhenMovingAway}) {
        box->setCursor(Qt::PointingHandCursor);
        layout->addWidget(box);
    }
    layout->addStretch(1);

    alertSettings->setText(localizedText(QStringLiteral("IDS_TWK_109")));
    lblAppAsksForYou->setText(localizedText(QStringLiteral("IDS_TWK_116")));
    btnConfirmBeforeDeletePhotos->setText(localizedText(QStringLiteral("IDS_TWK_117")));
    btnShowAutoMarkAlert->setText(localizedText(QStringLiteral("IDS_TWK_118")));
    btnConfirmWhenMovingAway->setText(localizedText(QStringLiteral("IDS_TWK_119")));

    connect(btnConfirmBeforeDeletePhotos, &QCheckBox::clicked, this, [this] { tappedConfirmBeforeDeletingPhotos(); });
    connect(btnShowAutoMarkAlert, &QCheckBox::clicked, this, [this] { tappedShowAutoMarkAlert(); });
    connect(btnConfirmWhenMovingAway, &QCheckBox::clicked, this, [this] { tappedConfirmAwayFromScanResults(); });
}

void AlertSettingsPreferencesVC::viewDidAppear()
{
    PreferencesPane::viewDidAppear();
    loadAlertSettings();
    btnConfirmWhenMovingAway->setChecked(backToHomeAlert);
    btnConfirmBeforeDeletePhotos->setChecked(confirmBeforeDeletingPhotos);
    btnShowAutoMarkAlert->setChecked(showAutoMarkAlert);
}

void AlertSettingsPreferencesVC::tappedConfirmBeforeDeletingPhotos()
{
    updateAlertFlag(btnConfirmBeforeDeletePhotos, 1);
}

void AlertSettingsPreferencesVC::tappedShowAutoMarkAlert()
{
    updateAlertFlag(btnShowAutoMarkAlert, 2);
}

void AlertSettingsPreferencesVC::tappedConfirmAwayFromScanResults()
{
    updateAlertFlag(btnConfirmWhenMovingAway, 3);
}

void AlertSettingsPreferencesVC::updateAlertFlag(QCheckBox *sender, int flag)
{
    const bool on = sender && sender->checkState() == Qt::Checked;
    switch (flag) {
    case 1:
        confirmBeforeDeletingPhotos = on;
        break;
    case 2:
        showAutoMarkAlert = on;
        break;
    case 3:
        backToHomeAlert = on;
        break;
    default:
        return;
    }
    saveAlertSettings();
}
