#include "screens/sheet/CancelScanningVC.h"
#include "screens/shell/ScreenNames.h"

#include "screens/shell/AllViewControllers.h"
#include "controls/SYFlatButton.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "screens/sheet/ScanIcons.h"
#include "screens/sheet/ScanSheetSupport.h"
#include "screens/sheet/ScanVC.h"
#include "screens/sheet/SpinningImageView.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include <cmath>

namespace {

SYFlatButton *makeAnswerButton(QWidget *parent, const QString &name, const QColor &fill, QLabel **caption)
{
    auto *button = new SYFlatButton(parent);
    button->setObjectName(name);
    button->setFixedSize(110, 34);
    button->setCornerRadius(17);
    button->setMomentary(true);
    button->setBackgroundNormalColor(fill);
    button->setBackgroundHighlightColor(fill.darker(125));
    button->setBorderNormalColor(Qt::transparent);
    button->setBorderHighlightColor(Qt::transparent);
    auto *label = new QLabel(button);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setGeometry(0, 0, 110, 34);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    *caption = label;
    return button;
}

} // namespace

CancelScanningVC::CancelScanningVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CancelScanning"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(scanSheetStyleSheet());
    setFixedSize(400, 190);

    imgViewTitle = new QLabel(this);
    imgViewTitle->setPixmap(
        QPixmap::fromImage(iconAlert()).scaled(24, 24, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    lblTitle = new QLabel(localizedText(QStringLiteral("IDS_TWK_6010")), this);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(14);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    message = new QLabel(localizedText(QStringLiteral("IDS_TWK_6011")), this);
    message->setWordWrap(true);
    message->setProperty("role", QStringLiteral("caption"));

    btnYes = makeAnswerButton(this, QStringLiteral("btnYes"), QColor(196, 64, 64), &lblYes);
    btnNo = makeAnswerButton(this, QStringLiteral("btnNo"), themeColors[8], &lblNo);

    // viewDidLoad
    lblYes->setText(localizedText(QStringLiteral("IDS_TWK_268")));
    lblNo->setText(localizedText(QStringLiteral("IDS_TWK_269")));
    btnNo->setProperty("closesOverlay", true); // Escape answers No: the scan goes on
    btnYes->installEventFilter(this);
    btnNo->installEventFilter(this);
    connect(btnYes, &QAbstractButton::clicked, this, [this] { clickedYes(); });
    connect(btnNo, &QAbstractButton::clicked, this, [this] { clickedNo(); });

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(24, 20, 24, 20);
    root->setSpacing(10);
    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    titleRow->addWidget(imgViewTitle);
    titleRow->addWidget(lblTitle, 1);
    root->addLayout(titleRow);
    root->addWidget(message);
    root->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnNo);
    buttons->addSpacing(12);
    buttons->addWidget(btnYes);
    root->addLayout(buttons);
}

ScanVC *CancelScanningVC::scanSheet() const
{
    if (m_sheet)
        return m_sheet;
    return AllViewControllers::cached<ScanVC>(ScreenName::scan);
}

bool CancelScanningVC::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == btnYes || watched == btnNo) && (event->type() == QEvent::Enter || event->type() == QEvent::Leave))
        static_cast<QWidget *>(watched)->setCursor(event->type() == QEvent::Enter ? Qt::PointingHandCursor
                                                                                  : Qt::ArrowCursor);
    return QWidget::eventFilter(watched, event);
}

void CancelScanningVC::dismiss()
{
    dismissSheetOrHide(this);
}

void CancelScanningVC::clickedNo()
{
    platform::printLine(QStringLiteral("clickedno"));
    if (ScanVC *sheet = scanSheet()) {
        sheet->setPaused(false);
        isScanPaused = false;
        sheet->imgView->setAnchorPoint(0.5, 0.5);
        sheet->startRotating(-2.0 * M_PI, 2.0);
    } else {
        isScanPaused = false;
    }
    dismiss();
}

void CancelScanningVC::clickedYes()
{
    isScanPaused = false;
    // The abort flags first, then the end of the pause (ScanVC::stopWork).
    if (ScanVC *sheet = scanSheet())
        sheet->stopWork();
    QPointer<CancelScanningVC> self = this;
    platform::Dispatch::mainAfter(
        0.1,
        [self] {
            if (self)
                self->closeVC();
        },
        this);
}

void CancelScanningVC::closeVC()
{
    platform::UserDefaults::standard().setBool(SettingsKey::isVisibleSettingTooltips, true);
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    center.post(NotificationName::hideTopBlackLayer);
    center.post(NotificationName::closeToExitVC);
    dismiss();
    if (ScanVC *sheet = scanSheet())
        sheet->removeView();
}
