#include "screens/results/AfterDeleteStatusVC.h"

#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "screens/results/ResultScreenStyle.h"
#include "screens/results/ScanResultVC.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

AfterDeleteStatusVC::AfterDeleteStatusVC(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AfterDeleteStatus"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(resultScreenStyleSheet(objectName()) + QStringLiteral(
        "QPushButton { color: white; background: #3e3e3e; border: 1px solid #4a4a4a; border-radius: 16px;"
        " padding: 6px 24px; min-height: 20px; font-weight: bold; }"
        "QPushButton#btnShowResults { background: #09ab09; border: none; }"
        "QPushButton:disabled { color: #777777; }"));

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(20);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTrashed = new QLabel(this);
    lblTrashed->setObjectName(QStringLiteral("lblTrashed"));
    lblPhotosMoved = new QLabel(this);
    lblPhotosMoved->setObjectName(QStringLiteral("lblPhotosMoved"));
    lblNote = new QLabel(this);
    lblNote->setProperty("role", QStringLiteral("caption"));
    lblNote->setWordWrap(true);
    for (QLabel *label : {lblTrashed, lblPhotosMoved, lblNote})
        label->setAlignment(Qt::AlignCenter);
    QFont lineFont = lblTrashed->font();
    lineFont.setPointSize(13);
    lblTrashed->setFont(lineFont);
    lblPhotosMoved->setFont(lineFont);

    btnBackToHome = new QPushButton(this);
    btnBackToHome->setObjectName(QStringLiteral("btnBackToHome"));
    btnShowResults = new QPushButton(this);
    btnShowResults->setObjectName(QStringLiteral("btnShowResults"));
    for (QPushButton *button : {btnBackToHome, btnShowResults})
        button->setCursor(Qt::PointingHandCursor);
    connect(btnBackToHome, &QPushButton::clicked, this, [this] { clickedBackToHome(); });
    connect(btnShowResults, &QPushButton::clicked, this, [this] { clickedShowResults(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnBackToHome);
    buttons->addSpacing(12);
    buttons->addWidget(btnShowResults);
    buttons->addStretch(1);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(40, 30, 40, 30);
    root->setSpacing(14);
    root->addStretch(1);
    root->addWidget(lblTitle);
    root->addWidget(lblTrashed);
    root->addWidget(lblPhotosMoved);
    root->addWidget(lblNote);
    root->addSpacing(10);
    root->addLayout(buttons);
    root->addStretch(1);

    boxTopBlackLayer = new DimmingBox(this);
}

void AfterDeleteStatusVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void AfterDeleteStatusVC::viewWillAppear()
{
    lblTitle->setText(localizedText(QStringLiteral("IDS_TWK_6020")));
    const bool oneFile = trashedCountText == QLatin1String("1");
    lblTrashed->setText(oneFile ? substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_6025")), {trashedSizeText})
                                : substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_6021")),
                                                         {trashedCountText, trashedSizeText}));
    lblTrashed->setVisible(isTrashed);
    const bool oneItem = photosMovedCountText == QLatin1String("1");
    lblPhotosMoved->setText(oneItem ? substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_6026")),
                                                             {photosMovedSizeText})
                                    : substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_6022")),
                                                             {photosMovedCountText, photosMovedSizeText}));
    lblPhotosMoved->setVisible(isPhotoLibrary);
    lblNote->setText(localizedText(QStringLiteral("IDS_TWK_6023")));
    lblNote->setVisible(isTrashed);
    btnBackToHome->setText(localizedText(QStringLiteral("IDS_TWK_48")));
    btnShowResults->setText(localizedText(QStringLiteral("IDS_TWK_6024")));
    btnShowResults->setVisible(isResult);
    boxTopBlackLayer->hide();
    enableAfterDeleteButtons();
}

void AfterDeleteStatusVC::enableAfterDeleteButtons()
{
    btnBackToHome->setEnabled(true);
    btnShowResults->setEnabled(true);
}

void AfterDeleteStatusVC::clickedBackToHome()
{
    if (sharedAnimator)
        sharedAnimator->animateDismissal(this, scanResultVC());
    else
        hide();
    if (auto *results = qobject_cast<ScanResultVC *>(scanResultVC()))
        results->returnToHome();
}

void AfterDeleteStatusVC::clickedShowResults()
{
    if (sharedAnimator)
        sharedAnimator->animateDismissal(this, scanResultVC());
    else
        hide();
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("closeToExitVC"));
    if (auto *results = AllViewControllers::cached<ScanResultVC>(QStringLiteral("ScanResult")))
        results->boxTopBlackLayer->hide();
}
