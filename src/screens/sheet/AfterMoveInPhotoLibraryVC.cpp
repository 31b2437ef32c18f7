#include "screens/sheet/AfterMoveInPhotoLibraryVC.h"
#include "screens/shell/ScreenNames.h"

#include "model/Palette.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/sheet/ScanIcons.h"
#include "screens/sheet/ScanSheetSupport.h"
#include "model/NotificationNames.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QLabel *makeText(QWidget *parent, const char *name, int pointSize = 0, bool bold = false, bool caption = false)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    QFont font = label->font();
    if (pointSize > 0)
        font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    if (caption)
        label->setProperty("role", QStringLiteral("caption"));
    return label;
}

} // namespace

AfterMoveInPhotoLibraryVC::AfterMoveInPhotoLibraryVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("AfterMoveInPhotoLibrary"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(scanSheetStyleSheet()
                  + QStringLiteral("QPushButton#btnClose { color: " TWINSIFT_WHITE_CSS "; background:"
                                   " " TWINSIFT_GREEN_CSS "; border: none;"
                                   " border-radius: 16px; padding: 6px 26px; min-height: 20px; font-weight: bold; }"
                                   "QPushButton#btnClose:pressed { background: #078a07; }"
                                   "QFrame#stepBox { background: " TWINSIFT_BOX_BACKGROUND_CSS "; border-radius:"
                                   " 8px; }"));

    imgViewLogo = new QLabel(this);
    imgViewLogo->setObjectName(QStringLiteral("imgViewLogo"));
    imgViewLogo->setPixmap(QPixmap::fromImage(infoBadge(40)));
    imgViewDescription = new QLabel(this);
    imgViewDescription->setObjectName(QStringLiteral("imgViewDescription"));
    imgViewDescription->setPixmap(QPixmap::fromImage(iconFound()));

    lblManualActionNeeded = makeText(this, "lblManualActionNeeded", 18, true);
    lblManualActionNeeded->setWordWrap(false);
    lblDescriptionManualActionNeeded = makeText(this, "lblDescriptionManualActionNeeded", 13);
    lblDescriptionManualActionNeeded->setTextFormat(Qt::RichText);
    lblStep1 = makeText(this, "lblStep1", 0, true);
    lblStep1->setWordWrap(false);
    lblDescriptionStep1 = makeText(this, "lblDescriptionStep1", 0, false, true);
    lblStep2 = makeText(this, "lblStep2", 0, true);
    lblStep2->setWordWrap(false);
    lblDescriptionStep2 = makeText(this, "lblDescriptionStep2", 0, false, true);
    lblSpaceToRecover = makeText(this, "lblSpaceToRecover", 13, true);
    lblPSPhotosMovedToTrashMay = makeText(this, "lblPSPhotosMovedToTrashMay", 0, false, true);
    btnClose = new QPushButton(this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setCursor(Qt::PointingHandCursor);
    btnClose->setText(localizedText(QStringLiteral("IDS_TWK_6030")));
    connect(btnClose, &QPushButton::clicked, this, [this] { clickedClose(); });

    // viewDidLoad
    lblManualActionNeeded->setText(localizedText(QStringLiteral("IDS_TWK_279")));
    lblStep1->setText(localizedText(QStringLiteral("IDS_TWK_280")));
    lblDescriptionStep1->setText(localizedText(QStringLiteral("IDS_TWK_281")));
    lblStep2->setText(localizedText(QStringLiteral("IDS_TWK_282")));
    lblDescriptionStep2->setText(localizedText(QStringLiteral("IDS_TWK_283")));
    lblPSPhotosMovedToTrashMay->setText(localizedText(QStringLiteral("IDS_TWK_284")));

    auto *panel = new QWidget(this);
    panel->setFixedWidth(620);
    auto *column = new QVBoxLayout(panel);
    column->setSpacing(14);
    auto *header = new QHBoxLayout;
    header->setSpacing(14);
    header->addWidget(imgViewLogo, 0, Qt::AlignTop);
    auto *headerText = new QVBoxLayout;
    headerText->addWidget(lblManualActionNeeded);
    headerText->addWidget(lblDescriptionManualActionNeeded);
    header->addLayout(headerText, 1);
    column->addLayout(header);

    auto *steps = new QFrame(panel);
    steps->setObjectName(QStringLiteral("stepBox"));
    auto *stepGrid = new QGridLayout(steps);
    stepGrid->setContentsMargins(16, 14, 16, 14);
    stepGrid->setHorizontalSpacing(16);
    stepGrid->setVerticalSpacing(10);
    stepGrid->addWidget(lblStep1, 0, 0, Qt::AlignTop);
    stepGrid->addWidget(lblDescriptionStep1, 0, 1);
    stepGrid->addWidget(lblStep2, 1, 0, Qt::AlignTop);
    stepGrid->addWidget(lblDescriptionStep2, 1, 1);
    stepGrid->setColumnStretch(1, 1);
    column->addWidget(steps);

    auto *space = new QHBoxLayout;
    space->addWidget(imgViewDescription);
    space->addWidget(lblSpaceToRecover, 1);
    column->addLayout(space);
    column->addWidget(lblPSPhotosMovedToTrashMay);
    column->addSpacing(6);
    column->addWidget(btnClose, 0, Qt::AlignHCenter);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(40, 30, 40, 30);
    auto *centre = new QHBoxLayout;
    centre->addStretch(1);
    centre->addWidget(panel);
    centre->addStretch(1);
    root->addStretch(1);
    root->addLayout(centre);
    root->addStretch(1);
}

void AfterMoveInPhotoLibraryVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void AfterMoveInPhotoLibraryVC::viewWillAppear()
{
    const QString verb = photosMovedCountText == QLatin1String("1") ? QStringLiteral("is") : QStringLiteral("are");
    const QString sentence = substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_278")), {verb});
    if (!sentence.isEmpty()) {
        const QColor accent = themeColors[1];
        lblDescriptionManualActionNeeded->setText(
            QStringLiteral("<div align=\"left\"><span style=\"color:%1\">%2</span> %3</div>")
                .arg(accent.name(), photosMovedCountText.toHtmlEscaped(), sentence.toHtmlEscaped()));
    }
    lblSpaceToRecover->setText(localizedText(QStringLiteral("IDS_TWK_277")) + QStringLiteral(": ")
                               + photosMovedSizeText);
}

void AfterMoveInPhotoLibraryVC::clickedClose()
{
    if (sharedAnimator)
        sharedAnimator->animateDismissal(afterMoveInPhotoLibraryVC(), scanResultVC());
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    center.post(NotificationName::closeToExitVC);
    center.post(NotificationName::disableScanButtonControl);

    if (auto *status = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus)) {
        status->enableAfterDeleteButtons();
        if (status->boxTopBlackLayer)
            status->boxTopBlackLayer->hide();
    }
    if (movedToPhotosAlbum) {
        auto *results = qobject_cast<ScanResultVC *>(scanResultVC());
        // The files the deletion left in place keep their marks through the regrouping.
        if (results)
            results->sliderValuesUpdate(true);
        center.post(NotificationName::closeToExitVC);
        center.post(NotificationName::disableScanButtonControl);
        if (results && results->boxTopBlackLayer)
            results->boxTopBlackLayer->hide();
    }
}
