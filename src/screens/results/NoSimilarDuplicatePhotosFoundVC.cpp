#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"

#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "screens/results/ResultScreenStyle.h"
#include "screens/results/ScanResultVC.h"
#include "screens/sheet/ScanIcons.h"
#include "screens/sheet/ScanVC.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

NoSimilarDuplicatePhotosFoundVC::NoSimilarDuplicatePhotosFoundVC(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("NoSimilarDuplicatePhotosFound"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(resultScreenStyleSheet(objectName()) + QStringLiteral(
        "QPushButton { color: white; background: #09ab09; border: none; border-radius: 16px;"
        " padding: 6px 28px; min-height: 20px; font-weight: bold; }"));

    lblTitle = makeBoldLabel(localizedText(QStringLiteral("IDS_TWK_1")), 15, this);
    imgView = new QLabel(this);
    imgView->setPixmap(QPixmap::fromImage(infoBadge(56)));
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

    boxTopBlackLayer = new DimmingBox(this);
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

void NoSimilarDuplicatePhotosFoundVC::viewWillAppear()
{
    boxTopBlackLayer->hide();
    const auto *sheet = AllViewControllers::cached<ScanVC>(QStringLiteral("Scan"));
    const bool withResults = (sheet && sheet->sendData && !sheet->sendData->empty())
                             || platform::UserDefaults::standard().boolForKey(QStringLiteral("ISSliderAvailable"));
    isPresented = withResults;
    // The results screen has no matching-level control to reach a lower level from here, so the
    // way back home stays in both forms: the screen never leaves the user without a way out.
    boxBack->setVisible(true);
    lblNoSimilarDuplicatePhotosFound->setText(
        localizedText(withResults ? QStringLiteral("IDS_TWK_288") : QStringLiteral("IDS_TWK_285")));
    lblPleaseGoBackToTheHome->setText(
        localizedText(withResults ? QStringLiteral("IDS_TWK_289") : QStringLiteral("IDS_TWK_286")));
}

void NoSimilarDuplicatePhotosFoundVC::clickedBack()
{
    // An overlay goes the way it came (through the animator); a view put into the results screen
    // is taken out of it.
    if (sharedAnimator && sharedAnimator->presentedViews().contains(this)) {
        sharedAnimator->animateDismissal(this, scanResultVC());
    } else if (isPresented && parentWidget()) {
        hide();
        setParent(nullptr);
    } else {
        hide();
    }
    if (auto *results = qobject_cast<ScanResultVC *>(scanResultVC()))
        results->returnToHome();
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("closeToExitVC"));
}
