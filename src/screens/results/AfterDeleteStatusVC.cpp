#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/shell/ScreenNames.h"
#include "model/Palette.h"
#include "controls/buttoncursor.h"
#include "screens/promotion/RecommendedAppPanel.h"

#include "controls/SYFlatButton.h"
#include "model/ModuleState.h"
#include "model/ResultRegrouping.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/Workspace.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/ResultPictures.h"
#include "screens/results/ResultScreenStyle.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "services/SelectionSummary.h"
#include "model/NotificationNames.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {

// The maker's pages.
const QUrl facebookPageURL(QStringLiteral("https://www.facebook.com/twinsift"));
const QUrl twitterPageURL(QStringLiteral("https://twitter.com/twinsift"));

QString text(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

QString format(const char *key, const QStringList &arguments)
{
    return substitutePlaceholders(text(key), arguments);
}

QLabel *label(QWidget *parent, const char *name, int pointSize = 0, bool bold = false)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    if (pointSize > 0 || bold) {
        QFont font = l->font();
        if (pointSize > 0)
            font.setPointSize(pointSize);
        font.setBold(bold);
        l->setFont(font);
    }
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPushButton *socialButton(QWidget *parent, const char *name, QLabel *&icon, const char *iconName, const QImage &image,
                          QLabel *&caption, const char *captionName, const char *key)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", QStringLiteral("link"));
    button->setCursor(Qt::PointingHandCursor);
    icon = new QLabel(button);
    icon->setObjectName(QString::fromLatin1(iconName));
    icon->setFixedSize(20, 20);
    icon->setPixmap(QPixmap::fromImage(image));
    caption = new QLabel(text(key), button);
    caption->setObjectName(QString::fromLatin1(captionName));
    for (QLabel *l : {icon, caption})
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *layout = new QHBoxLayout(button);
    layout->setContentsMargins(8, 3, 10, 3);
    layout->setSpacing(6);
    layout->addWidget(icon);
    layout->addWidget(caption);
    // A push button sizes itself by its own text, of which it has none: the layout gives it the
    // room its picture and caption need.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    return button;
}

} // namespace

AfterDeleteStatusVC::AfterDeleteStatusVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("AfterDeleteStatus"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        resultScreenStyleSheet(objectName())
        + QStringLiteral(
            "QPushButton[role=\"link\"] { background: transparent; border: 1px solid transparent; border-radius: 6px; }"
            "QPushButton[role=\"link\"]:hover { border-color: " TWINSIFT_SUBTLE_BORDER_CSS "; }"
            "QPushButton[role=\"link\"]:focus { border: 2px solid " TWINSIFT_FOCUS_BLUE_CSS "; }"
            "QPushButton#btnFinalOutput { color: " TWINSIFT_WHITE_CSS "; background: " TWINSIFT_GREEN_CSS "; border:"
            " none; border-radius: 17px;"
            " padding: 6px 26px; min-height: 22px; font-weight: bold; }"
            "QPushButton#btnFinalOutput:focus { border: 2px solid " TWINSIFT_FOCUS_BLUE_CSS "; }"
            "QPushButton:disabled { color: " TWINSIFT_DISABLED_BUTTON_TEXT_CSS "; }"
            "QFrame#boxRecommendedApp { background: " TWINSIFT_BOX_BACKGROUND_CSS "; border-radius: 8px; }"));

    imgViewTitle = new QLabel(this);
    imgViewTitle->setObjectName(QStringLiteral("imgViewTitle"));
    imgViewTitle->setFixedSize(24, 24);
    imgViewTitle->setPixmap(QPixmap::fromImage(ResultPictures::titleIcon()));
    lblTitle = label(this, "lblTitle", 15, true);

    imgViewStatus = new QLabel(this);
    imgViewStatus->setObjectName(QStringLiteral("imgViewStatus"));
    imgViewStatus->setAlignment(Qt::AlignCenter);
    imgViewStatus->setFixedSize(200, 200);
    imgViewStatus->setScaledContents(false);

    lblTotalItemsFound = label(this, "lblTotalItemsFound", 30, true);
    lblStatusTotoalItems = label(this, "lblStatusTotoalItems");
    lblStatusTotoalItems->setProperty("role", QStringLiteral("caption"));
    lblTotalSize = label(this, "lblTotalSize", 30, true);
    lblSpaceRecovered = label(this, "lblSpaceRecovered");
    lblSpaceRecovered->setProperty("role", QStringLiteral("caption"));
    lblSearchnremoveduplicate = label(this, "lblSearchnremoveduplicate", 12);
    lblSearchnremoveduplicate->setWordWrap(true);
    for (QLabel *l :
         {lblTotalItemsFound, lblStatusTotoalItems, lblTotalSize, lblSpaceRecovered, lblSearchnremoveduplicate})
        l->setAlignment(Qt::AlignCenter);

    lblFollowUs = label(this, "lblFollowUs");
    lblFollowUs->setProperty("role", QStringLiteral("caption"));
    btnFacebook = socialButton(this, "btnFacebook", imgViewFacebook, "imgViewFacebook", ResultPictures::facebookIcon(),
                               lblFacebook, "lblFacebook", "IDS_TWK_204");
    btnTwitter = socialButton(this, "btnTwitter", imgViewTwitter, "imgViewTwitter", ResultPictures::twitterIcon(),
                              lblTwitter, "lblTwitter", "IDS_TWK_205");

    lblFinalOutputStatus = label(this, "lblFinalOutputStatus");
    lblFinalOutputStatus->setProperty("role", QStringLiteral("caption"));
    lblFinalOutputStatus->setAlignment(Qt::AlignCenter);
    lblFinalOutputStatus->setWordWrap(true);
    btnFinalOutput = new QPushButton(this);
    btnFinalOutput->setObjectName(QStringLiteral("btnFinalOutput"));
    btnFinalOutput->setCursor(Qt::PointingHandCursor);
    lblFinalOutput = label(btnFinalOutput, "lblFinalOutput", 0, true);
    lblFinalOutput->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblFinalOutput->setStyleSheet(QStringLiteral("color: " TWINSIFT_WHITE_CSS ";"));
    lblFinalOutput->setAlignment(Qt::AlignCenter);
    auto *finalFace = new QHBoxLayout(btnFinalOutput);
    finalFace->setContentsMargins(22, 4, 22, 4);
    finalFace->addWidget(lblFinalOutput);
    btnFinalOutput->setMinimumSize(200, 36);

    btnBackToHome = new SYFlatButton(this);
    btnBackToHome->setObjectName(QStringLiteral("btnBackToHome"));
    btnBackToHome->setFixedSize(200, 36);
    btnBackToHome->setCornerRadius(18);
    btnBackToHome->setMomentary(true);
    btnBackToHome->setBorderNormalColor(Palette::hoverBorder);
    btnBackToHome->setBorderHighlightColor(Palette::hintText);
    btnBackToHome->setBackgroundNormalColor(Palette::buttonFace);
    btnBackToHome->setBackgroundHighlightColor(Palette::headerBackground);
    btnBackToHome->setCursor(Qt::PointingHandCursor);
    btnBackToHome->setFocusPolicy(Qt::StrongFocus);
    lblBackToHome = label(btnBackToHome, "lblBackToHome", 0, true);
    lblBackToHome->setAlignment(Qt::AlignCenter);
    lblBackToHome->setGeometry(0, 0, 200, 36);
    lblBackToHome->setAttribute(Qt::WA_TransparentForMouseEvents);

    boxRecommendedApp = new QFrame(this);
    boxRecommendedApp->setObjectName(QStringLiteral("boxRecommendedApp"));
    m_recommendedLayout = new QVBoxLayout(boxRecommendedApp);
    m_recommendedLayout->setContentsMargins(12, 10, 12, 10);
    boxRecommendedApp->hide();
    recommendedAppPanel = new RecommendedAppPanel(boxRecommendedApp);
    btnAppStore = recommendedAppPanel->btnAppStore;

    btnFinalOutput->setProperty("closesOverlay", true); // Escape goes back as the final-output button does
    // The default button: it has the focus when the summary shows, and Return presses it.
    btnFinalOutput->setFocusPolicy(Qt::StrongFocus);
    btnFinalOutput->setAutoDefault(true);
    for (QPushButton *button : {btnFacebook, btnTwitter})
        button->setAutoDefault(true);
    connect(btnFinalOutput, &QPushButton::clicked, this, [this] { tappedFinalOutput(); });
    connect(btnBackToHome, &QAbstractButton::clicked, this, [this] { tappedBackToHome(); });
    connect(btnFacebook, &QPushButton::clicked, this, [this] { tappedFacebook(); });
    connect(btnTwitter, &QPushButton::clicked, this, [this] { tappedTwitter(); });
    connect(recommendedAppPanel, &RecommendedAppPanel::constantTopBackToHomeChanged, this, [this](double points) {
        constantTopBackToHome->changeSize(0, qRound(points), QSizePolicy::Minimum, QSizePolicy::Fixed);
        layout()->invalidate();
    });

    // ---- layout
    auto *titleLine = new QHBoxLayout;
    titleLine->addWidget(imgViewTitle);
    titleLine->addWidget(lblTitle);
    titleLine->addStretch(1);

    auto *countColumn = new QVBoxLayout;
    countColumn->addWidget(lblTotalItemsFound);
    countColumn->addWidget(lblStatusTotoalItems);
    auto *sizeColumn = new QVBoxLayout;
    sizeColumn->addWidget(lblTotalSize);
    sizeColumn->addWidget(lblSpaceRecovered);
    auto *figures = new QHBoxLayout;
    figures->addStretch(1);
    figures->addLayout(countColumn);
    figures->addSpacing(60);
    figures->addLayout(sizeColumn);
    figures->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnBackToHome);
    buttons->addSpacing(16);
    buttons->addWidget(btnFinalOutput);
    buttons->addStretch(1);

    auto *social = new QHBoxLayout;
    social->addStretch(1);
    social->addWidget(lblFollowUs);
    social->addWidget(btnFacebook);
    social->addWidget(btnTwitter);
    social->addStretch(1);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(20, 12, 20, 16);
    root->setSpacing(10);
    root->addLayout(titleLine);
    root->addStretch(1);
    root->addWidget(imgViewStatus, 0, Qt::AlignHCenter);
    root->addLayout(figures);
    root->addWidget(lblSearchnremoveduplicate);
    root->addSpacing(6);
    root->addWidget(lblFinalOutputStatus);
    constantTopBackToHome =
        new QSpacerItem(0, int(recommendedAppPanel->constantTopBackToHome), QSizePolicy::Minimum, QSizePolicy::Fixed);
    root->addSpacerItem(constantTopBackToHome);
    root->addLayout(buttons);
    root->addWidget(boxRecommendedApp, 0, Qt::AlignHCenter);
    root->addStretch(1);
    root->addLayout(social);

    boxTopBlackLayer = new DimmingBox(this);
}

void AfterDeleteStatusVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        viewWillAppear();
        focusDefaultButton();
        // The sheet that led here may hand the focus back as it closes: the summary takes it again.
        platform::Dispatch::mainAfter(
            0.05, [this] { focusDefaultButton(); }, this);
    }
}

void AfterDeleteStatusVC::focusDefaultButton()
{
    if (!isVisible() || !btnFinalOutput->isEnabled())
        return;
    QWidget *focus = QApplication::focusWidget();
    if (focus && focus != this && isAncestorOf(focus) && focus->isVisible())
        return; // the user already moved within the summary
    btnFinalOutput->setFocus(Qt::TabFocusReason);
}

bool AfterDeleteStatusVC::focusNextPrevChild(bool next)
{
    // Tab goes round the summary's own controls: what lies under the overlay cannot be seen.
    QList<QWidget *> stops;
    for (QWidget *w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
        if (isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            stops << w;
    if (stops.isEmpty())
        return QWidget::focusNextPrevChild(next);
    const int at = stops.indexOf(QApplication::focusWidget());
    const int count = int(stops.size());
    const int to = at < 0 ? (next ? 0 : count - 1) : (at + (next ? 1 : count - 1)) % count;
    stops[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void AfterDeleteStatusVC::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && btnFinalOutput->isEnabled()) {
        btnFinalOutput->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AfterDeleteStatusVC::viewWillAppear()
{
    // Filled every time it is shown: the figures always belong to the deletion just done.
    boxTopBlackLayer->hide();
    updateDeletionSummary();
}

QString AfterDeleteStatusVC::wordForCount(const QString &countText)
{
    bool isNumber = false;
    const qlonglong count = countText.toLongLong(&isNumber);
    const bool singular = isNumber && count == 1;
    if (resultsContainVideos)
        return text(singular ? "IDS_TWK_327_1" : "IDS_TWK_327");
    return text(singular ? "IDS_TWK_328" : "IDS_TWK_77");
}

void AfterDeleteStatusVC::updateDeletionSummary()
{
    lblTitle->setText(text("IDS_TWK_1"));
    lblBackToHome->setText(text("IDS_TWK_48"));
    lblFollowUs->setText(text("IDS_TWK_203"));
    const QString plural = wordForCount(QString());
    const QString trashWord = wordForCount(trashedCountText);
    enableAfterDeleteButtons();

    // Show Results regroups every remaining scanned file at the level: the figures are those of the
    // groups it will show, which can differ from the groups shown before the deletion less the
    // files that went (a group's first member gone, another one now leads it).
    m_resultsWillShow = false;
    QString remainingCount = resultCountText, remainingSize = resultSizeText;
    if (isTrashed && isResult) {
        const ImageGroups remaining =
            ResultRegrouping::groupsAtMatchingLevel(ResultState::shared().allImages, similarityThreshold);
        m_resultsWillShow = !remaining.empty();
        const auto [count, size] = groupsSizeText(remaining);
        if (count && size) {
            remainingCount = QString::number(*count);
            remainingSize = *size;
        }
    }

    enum class Case { None, TrashNothingLeft, TrashResultsLeft, PhotosOnly };
    Case shown = Case::None;
    if (isTrashed)
        shown = m_resultsWillShow ? Case::TrashResultsLeft : Case::TrashNothingLeft;
    else if (isPhotoLibrary)
        shown = Case::PhotosOnly;

    switch (shown) {
    case Case::None:
        break;
    case Case::TrashNothingLeft:
        lblTotalItemsFound->setText(trashedCountText);
        lblTotalSize->setText(trashedSizeText);
        imgViewStatus->setPixmap(
            QPixmap::fromImage(ResultPictures::statusPicture(256))
                .scaled(QSize(200, 200) * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        lblSpaceRecovered->setText(text("IDS_TWK_212"));
        lblStatusTotoalItems->setText(format("IDS_TWK_211", {trashWord}));
        lblSearchnremoveduplicate->setText(format("IDS_TWK_213", {plural, plural}));
        lblFinalOutputStatus->setText(format("IDS_TWK_214", {plural}));
        lblFinalOutput->setText(text("IDS_TWK_48"));
        break;
    case Case::TrashResultsLeft:
        // What the results show once the user goes back to them, not what the level hides.
        lblTotalItemsFound->setText(remainingCount);
        lblTotalSize->setText(remainingSize);
        imgViewStatus->setPixmap(QPixmap::fromImage(ResultPictures::statusPicture(128)));
        lblSpaceRecovered->setText(text("IDS_TWK_207"));
        lblStatusTotoalItems->setText(format("IDS_TWK_206", {wordForCount(remainingCount)}));
        lblSearchnremoveduplicate->setText(format("IDS_TWK_210", {trashedCountText, trashWord, trashedSizeText}));
        lblFinalOutputStatus->setText(format("IDS_TWK_208", {plural}));
        lblFinalOutput->setText(text("IDS_TWK_209"));
        break;
    case Case::PhotosOnly:
        lblTotalItemsFound->setText(photosMovedCountText);
        lblTotalSize->setText(photosMovedSizeText);
        imgViewStatus->setPixmap(
            QPixmap::fromImage(ResultPictures::statusPicture(256))
                .scaled(QSize(200, 200) * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        lblSpaceRecovered->setText(text("IDS_TWK_277"));
        lblStatusTotoalItems->setText(text("IDS_TWK_295"));
        lblSearchnremoveduplicate->setText(format("IDS_TWK_213", {plural, plural}));
        lblFinalOutputStatus->setText(format("IDS_TWK_214", {plural}));
        lblFinalOutput->setText(text("IDS_TWK_48"));
        break;
    }
    showRecommendedApp();
    if (shown == Case::TrashNothingLeft || shown == Case::PhotosOnly) {
        // Nothing is left to look at: the details and the preview of the results are emptied.
        if (auto *details = AllViewControllers::cached<FilePropertiesVC>(ScreenName::fileProperties))
            details->clearFileProperties();
        if (auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult))
            results->imgPreview->clear();
    }
    if (shown == Case::PhotosOnly)
        boxTopBlackLayer->hide();
    if (isPhotoLibrary)
        platform::Dispatch::mainAfter(
            0.5, [this] { presentAfterMoveInPhotoLibrary(); }, this);
}

void AfterDeleteStatusVC::presentAfterMoveInPhotoLibrary()
{
    for (QWidget *button : std::initializer_list<QWidget *>{btnTwitter, btnFacebook, btnBackToHome, btnFinalOutput})
        button->setEnabled(false);
    if (btnAppStore)
        btnAppStore->setEnabled(false);
    boxTopBlackLayer->cover();
    boxTopBlackLayer->show();
    platform::NotificationCenter::defaultCenter().post(NotificationName::afterMoveInPhotoLibrary);
}

void AfterDeleteStatusVC::enableAfterDeleteButtons()
{
    if (!btnTwitter)
        return;
    for (QWidget *button : std::initializer_list<QWidget *>{btnTwitter, btnFacebook, btnBackToHome, btnFinalOutput})
        button->setEnabled(true);
    if (btnAppStore)
        btnAppStore->setEnabled(true);
    focusDefaultButton();
}

void AfterDeleteStatusVC::dismissOverlay()
{
    if (sharedAnimator && sharedAnimator->presentedViews().contains(this))
        sharedAnimator->animateDismissal(this, scanResultVC());
    else
        hide();
}

void AfterDeleteStatusVC::tappedFinalOutput()
{
    if (!isResult || !m_resultsWillShow) {
        dismissOverlay();
        scanResultVC()->backToHomeObserver();
        return;
    }
    ScanResultVC *results = scanResultVC();
    // The files the deletion left in place keep their marks through the regrouping.
    results->sliderValuesUpdate(true);
    dismissOverlay();
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    center.post(NotificationName::closeToExitVC);
    center.post(NotificationName::disableScanButtonControl);
    results->boxTopBlackLayer->hide();
    // The keyboard goes on where the user looks: the current card of the form shown (else the first
    // group in view), not whatever control the summary's going handed the focus to.
    ResultViewController *form = results->customViewImgeListing->isHidden()
        ? static_cast<ResultViewController *>(listViewVC())
        : static_cast<ResultViewController *>(thumbnailVC());
    if (form && form->collectionView && form->collectionView->isVisibleTo(results)
        && !form->resultState().imageDirectories.empty())
        form->collectionView->setFocus(Qt::TabFocusReason);
}

void AfterDeleteStatusVC::tappedBackToHome()
{
    dismissOverlay();
    scanResultVC()->backToHomeObserver();
}

void AfterDeleteStatusVC::tappedFacebook()
{
    platform::Workspace::sharedWorkspace().openURL(facebookPageURL);
}

void AfterDeleteStatusVC::tappedTwitter()
{
    platform::Workspace::sharedWorkspace().openURL(twitterPageURL);
}

void AfterDeleteStatusVC::showRecommendedApp()
{
    recommendedAppPanel->showRecommendedApp();
    isRecommended = recommendedAppPanel->isRecommended;
}

void AfterDeleteStatusVC::clickedAppStore()
{
    recommendedAppPanel->clickedAppStore();
}
