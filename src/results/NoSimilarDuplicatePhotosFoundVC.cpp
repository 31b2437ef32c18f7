#include "results/NoSimilarDuplicatePhotosFoundVC.h"

#include "app/AllViewControllers.h"
#include "app/CustomAnimator.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "results/ScanResultVC.h"
#include "scan/sheet/ScanIcons.h"
#include "scan/sheet/ScanVC.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QVBoxLayout>

NoSimilarDuplicatePhotosFoundVC::NoSimilarDuplicatePhotosFoundVC(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("NoSimilarDuplicatePhotosFound"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral(
        "QWidget#NoSimilarDuplicatePhotosFound { background: #2a2a2a; }"
        "QLabel { color: #d8d8d8; background: transparent; }"
        "QLabel[role=\"caption\"] { color: #a8a8a8; }"
        "QPushButton { color: white; background: #09ab09; border: none; border-radius: 16px;"
        " padding: 6px 28px; min-height: 20px; font-weight: bold; }"));

    lblTitle = new QLabel(localizedText(QStringLiteral("IDS_TWK_1")), this);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(15);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    imgView = new QLabel(this);
    imgView->setPixmap(QPixmap::fromImage(iconInfo()).scaled(56, 56, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    imgView->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblNoSimilarDuplicatePhotosFound = new QLabel(this);
    lblNoSimilarDuplicatePhotosFound->setObjectName(QStringLiteral("lblNoSimilarDuplicatePhotosFound"));
    QFont messageFont = lblNoSimilarDuplicatePhotosFound->font();
    messageFont.setPointSize(17);
    messageFont.setBold(true);
    lblNoSimilarDuplicatePhotosFound->setFont(messageFont);
    lblPleaseGoBackToTheHome = new QLabel(this);
    lblPleaseGoBackToTheHome->setObjectName(QStringLiteral("lblPleaseGoBackToTheHome"));
    lblPleaseGoBackToTheHome->setProperty("role", QStringLiteral("caption"));
    for (QLabel *label : {lblNoSimilarDuplicatePhotosFound, lblPleaseGoBackToTheHome}) {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
    }

    boxBack = new QWidget(this);
    auto *backLayout = new QHBoxLayout(boxBack);
    backLayout->setContentsMargins(0, 0, 0, 0);
    btnBack = new QPushButton(localizedText(QStringLiteral("IDS_TWK_49")), boxBack);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnBack->setCursor(Qt::PointingHandCursor);
    backLayout->addStretch(1);
    backLayout->addWidget(btnBack);
    backLayout->addStretch(1);
    connect(btnBack, &QPushButton::clicked, this, [this] { clickedBack(); });

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(24, 18, 24, 30);
    root->setSpacing(14);
    root->addWidget(lblTitle);
    root->addStretch(1);
    root->addWidget(imgView);
    root->addWidget(lblNoSimilarDuplicatePhotosFound);
    root->addWidget(lblPleaseGoBackToTheHome);
    root->addSpacing(8);
    root->addWidget(boxBack);
    root->addStretch(2);

    boxTopBlackLayer = new QWidget(this);
    boxTopBlackLayer->setAttribute(Qt::WA_StyledBackground);
    boxTopBlackLayer->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 150);"));
    boxTopBlackLayer->hide();
}

void NoSimilarDuplicatePhotosFoundVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    viewWillAppear();
    platform::Dispatch::mainAsync([] {
        platform::NotificationCenter::defaultCenter().post(QStringLiteral("kDisableControlNotification"));
    });
}

void NoSimilarDuplicatePhotosFoundVC::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        platform::NotificationCenter::defaultCenter().post(QStringLiteral("closeToExitVC"));
}

void NoSimilarDuplicatePhotosFoundVC::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    boxTopBlackLayer->setGeometry(rect());
    boxTopBlackLayer->raise();
}

void NoSimilarDuplicatePhotosFoundVC::viewWillAppear()
{
    boxTopBlackLayer->hide();
    const auto *sheet = AllViewControllers::cached<ScanVC>(QStringLiteral("Scan"));
    const bool withResults = (sheet && sheet->sendData && !sheet->sendData->empty())
                             || platform::UserDefaults::standard().boolForKey(QStringLiteral("ISSliderAvailable"));
    isPresented = withResults;
    boxBack->setVisible(!withResults);
    lblNoSimilarDuplicatePhotosFound->setText(
        localizedText(withResults ? QStringLiteral("IDS_TWK_288") : QStringLiteral("IDS_TWK_285")));
    lblPleaseGoBackToTheHome->setText(
        localizedText(withResults ? QStringLiteral("IDS_TWK_289") : QStringLiteral("IDS_TWK_286")));
}

void NoSimilarDuplicatePhotosFoundVC::clickedBack()
{
    if (!isPresented) {
        if (sharedAnimator)
            sharedAnimator->animateDismissal(this, scanResultVC());
        else
            hide();
    } else if (parentWidget()) {
        hide();
        setParent(nullptr);
    }
    if (auto *results = qobject_cast<ScanResultVC *>(scanResultVC()))
        results->returnToHome();
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("closeToExitVC"));
}
