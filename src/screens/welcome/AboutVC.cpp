#include "screens/welcome/AboutVC.h"

#include "model/Palette.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/welcome/WelcomePictures.h"
#include "screens/welcome/WelcomeStyle.h"
#include "controls/HyperlinkTextField.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/Workspace.h"
#include "model/NotificationNames.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

std::optional<QUrl> pageURL(const char *address)
{
    const QUrl url(QString::fromLatin1(address), QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    return url;
}

} // namespace

std::optional<QUrl> eulaPageURL()
{
    static const std::optional<QUrl> url = pageURL("https://twinsift.app/eula/");
    return url;
}

std::optional<QUrl> privacyPolicyPageURL()
{
    static const std::optional<QUrl> url = pageURL("https://twinsift.app/privacy/");
    return url;
}

std::optional<QUrl> uninstallInstructionsPageURL()
{
    static const std::optional<QUrl> url = pageURL("https://twinsift.app/uninstall/");
    return url;
}

void AboutVC::openLinkPage(const std::optional<QUrl> &page)
{
    if (page)
        platform::Workspace::sharedWorkspace().openURL(*page);
}

AboutVC::AboutVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("About"));
    WelcomeStyle::applyDarkPalette(this);
    // Over the home screen only the card is opaque: the dimmed home shows around it.
    setAutoFillBackground(false);
    setMinimumSize(700, 440);
    resize(760, 460);

    // The screen covers the home view; its content sits in a card in the middle.
    auto *outer = new QGridLayout(this);
    outer->setContentsMargins(20, 20, 20, 20);
    auto *card = new QFrame(this);
    card->setObjectName(QStringLiteral("aboutCard"));
    card->setStyleSheet(QStringLiteral("QFrame#aboutCard { background: " TWINSIFT_PANEL_BACKGROUND_CSS "; "
                                       "border: 1px solid " TWINSIFT_FRAME_CSS "; border-radius: 10px; }"));
    card->setMaximumSize(860, 460);
    card->setMinimumWidth(660);
    outer->addWidget(card, 0, 0, Qt::AlignCenter);

    auto *root = new QVBoxLayout(card);
    root->setContentsMargins(30, 12, 12, 26);
    root->setSpacing(0);
    auto *top = new QHBoxLayout;
    top->addStretch(1);
    btnClose = new QPushButton(QStringLiteral("\u2715"), card);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setFixedSize(28, 28);
    btnClose->setCursor(Qt::PointingHandCursor);
    btnClose->setStyleSheet(QStringLiteral(
        "QPushButton { color: " TWINSIFT_SECONDARY_TEXT_CSS "; background: transparent; border: none; font-size:"
        " 15px; }"
        "QPushButton:hover { color: " TWINSIFT_WHITE_CSS "; background: " TWINSIFT_PANEL_BORDER_CSS ";"
        " border-radius: 14px; }"));
    top->addWidget(btnClose);
    root->addLayout(top);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 14, 0);
    body->setSpacing(30);
    imgView = new QLabel(this);
    imgView->setFixedSize(200, 197);
    imgView->setAlignment(Qt::AlignCenter);
    body->addWidget(imgView, 0, Qt::AlignTop);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(6);
    lblTitle = WelcomeStyle::makeLabel(this, 26, true);
    lblTWKHelpsYouFind = WelcomeStyle::makeLabel(this, 12, false, Palette::white, true);
    texts->addWidget(lblTitle);
    texts->addWidget(lblTWKHelpsYouFind);
    texts->addSpacing(6);
    auto *versionRow = new QHBoxLayout;
    versionRow->setSpacing(6);
    lblVersionCap = WelcomeStyle::makeLabel(this, 11, false, Palette::secondaryText);
    lblVersion = WelcomeStyle::makeLabel(this, 11, true, Palette::gold);
    lblVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    versionRow->addWidget(lblVersionCap);
    versionRow->addWidget(lblVersion);
    versionRow->addStretch(1);
    texts->addLayout(versionRow);
    texts->addSpacing(14);

    box1Condition = new QFrame(this);
    auto *links = new QHBoxLayout(box1Condition);
    links->setContentsMargins(0, 0, 0, 0);
    links->setSpacing(22);
    lblUnInstallInstructions = new HyperlinkTextField(box1Condition);
    lblUnInstallInstructions->isUnInstallInstructions = true;
    lblEULA = new HyperlinkTextField(box1Condition);
    lblEULA->isEULA = true;
    lblPrivacyPolicy = new HyperlinkTextField(box1Condition);
    lblPrivacyPolicy->isPrivacyPolicy = true;
    for (HyperlinkTextField *link : {lblUnInstallInstructions, lblEULA, lblPrivacyPolicy}) {
        QFont linkFont = link->font();
        linkFont.setPointSizeF(11);
        link->setFont(linkFont);
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, Palette::focusBlue);
        link->setPalette(palette);
        links->addWidget(link);
    }
    links->addStretch(1);
    texts->addWidget(box1Condition);
    texts->addSpacing(16);

    box2Condition = new QFrame(this);
    box2Condition->setObjectName(QStringLiteral("aboutLegal"));
    box2Condition->setStyleSheet(QStringLiteral("QFrame#aboutLegal { border-top: 1px solid " TWINSIFT_FRAME_CSS "; }"));
    auto *legal = new QVBoxLayout(box2Condition);
    legal->setContentsMargins(0, 12, 0, 0);
    legal->setSpacing(4);
    lblCopyright = WelcomeStyle::makeLabel(box2Condition, 10, false, Palette::secondaryText, true);
    lblAllRightsReserved = WelcomeStyle::makeLabel(box2Condition, 10, false, Palette::secondaryText, true);
    lblWarningThisComputerProgramIsProtected =
        WelcomeStyle::makeLabel(box2Condition, 9, false, QColor(135, 133, 135), true);
    legal->addWidget(lblCopyright);
    legal->addWidget(lblAllRightsReserved);
    legal->addSpacing(6);
    legal->addWidget(lblWarningThisComputerProgramIsProtected);
    texts->addWidget(box2Condition);
    texts->addStretch(1);
    body->addLayout(texts, 1);
    root->addLayout(body, 1);

    connect(btnClose, &QPushButton::clicked, this, [this] { tappedClose(); });

    // What loading the view does, once for the life of the controller.
    imgView->setPixmap(QPixmap::fromImage(
        WelcomePictures::logo().scaled(imgView->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    lblTitle->setText(localizedText(QStringLiteral("IDS_TWK_1")));
    lblTWKHelpsYouFind->setText(localizedText(QStringLiteral("IDS_TWK_184")));
    lblCopyright->setText(localizedText(QStringLiteral("IDS_TWK_185")));
    lblAllRightsReserved->setText(localizedText(QStringLiteral("IDS_TWK_186")));
    lblUnInstallInstructions->setText(localizedText(QStringLiteral("IDS_TWK_187")));
    lblEULA->setText(localizedText(QStringLiteral("IDS_TWK_188")));
    lblPrivacyPolicy->setText(localizedText(QStringLiteral("IDS_TWK_189")));
    lblWarningThisComputerProgramIsProtected->setText(localizedText(QStringLiteral("IDS_TWK_190")));
    lblVersionCap->setText(localizedText(QStringLiteral("IDS_TWK_333")));

    auto &center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, NotificationName::hyperLinkEULA,
                       [](const platform::Notification &) { openLinkPage(eulaPageURL()); });
    center.addObserver(this, NotificationName::hyperLinkPrivacyPolicy,
                       [](const platform::Notification &) { openLinkPage(privacyPolicyPageURL()); });
    center.addObserver(this, NotificationName::hyperLinkUnInstallInstructions,
                       [](const platform::Notification &) { openLinkPage(uninstallInstructionsPageURL()); });

    // The version as the application carries it; a build without one shows nothing after the caption.
    lblVersion->setText(appVersion().value_or(QString()));
}

void AboutVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    for (QWidget *shown : {static_cast<QWidget *>(lblEULA), static_cast<QWidget *>(lblPrivacyPolicy),
                           static_cast<QWidget *>(lblUnInstallInstructions), static_cast<QWidget *>(box1Condition),
                           static_cast<QWidget *>(box2Condition)})
        shown->setVisible(true);
}

void AboutVC::tappedClose()
{
    platform::NotificationCenter::defaultCenter().post(NotificationName::closeToExitVC);
    if (sharedAnimator && parentWidget())
        sharedAnimator->animateDismissal(this, parentWidget());
}
