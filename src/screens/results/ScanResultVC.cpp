#include "screens/results/ScanResultVC.h"
#include "screens/shell/ScreenNames.h"
#include "screens/promotion/OtherAppsWindow.h"

#include "controls/SYFlatButton.h"
#include "engine/AutoMarkEngine.h"
#include "engine/AutoMarkRun.h"
#include "model/ModuleState.h"
#include "model/ResultRegrouping.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/SheetPresenter.h"
#include "screens/results/ResultPictures.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/ResultScreenStyle.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/HubScreens.h"
#include "services/ResultProtection.h"
#include "services/TimeAndPlace.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"
#include "model/Palette.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace {

const QColor kActiveTab = QColor::fromRgbF(1.0 / 6, 1.0 / 6, 1.0 / 6);

platform::UserDefaults &defaults()
{
    return platform::UserDefaults::standard();
}

QString text(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

QLabel *pictureLabel(QWidget *parent, const char *name, const QImage &image, int size)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFixedSize(size, size);
    label->setPixmap(QPixmap::fromImage(image));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QLabel *captionLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// A flat button whose face is a picture and a caption (both outlets of their own).
QPushButton *iconButton(QWidget *parent, const char *name, QLabel *picture, QLabel *caption)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", QStringLiteral("tool"));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QHBoxLayout(button);
    layout->setContentsMargins(8, 2, 10, 2);
    layout->setSpacing(6);
    if (picture) {
        picture->setParent(button);
        layout->addWidget(picture);
    }
    caption->setParent(button);
    // The caption's own minimum height keeps the button 34 px tall; the button sets no minimum size
    // of its own, so its layout gives it the width its picture and caption need.
    caption->setMinimumHeight(30);
    layout->addWidget(caption);
    return button;
}

void fillBox(QFrame *box, const QColor &color)
{
    box->setStyleSheet(
        QStringLiteral("QFrame#%1 { background: %2; border-radius: 6px; }").arg(box->objectName(), color.name()));
    box->setProperty("fill", color);
}

} // namespace

ScanResultVC::ScanResultVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ScanResult"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        resultScreenStyleSheet(objectName())
        + QStringLiteral(
            "QPushButton[role=\"tool\"] { background: transparent; border: 1px solid transparent; border-radius: 6px; }"
            "QPushButton[role=\"tool\"]:hover { border-color: " TWINSIFT_SUBTLE_BORDER_CSS "; }"
            "QPushButton[role=\"tool\"]:focus { border-color: " TWINSIFT_FOCUS_BLUE_CSS "; }"
            "HeaderView QToolButton { background: transparent; border: 2px solid transparent; border-radius: 5px; }"
            "HeaderView QToolButton:hover { background: " TWINSIFT_HOVER_BACKGROUND_CSS "; }"
            "HeaderView QToolButton:pressed { background: " TWINSIFT_PRESSED_BACKGROUND_CSS "; }"
            "HeaderView QToolButton:focus { border-color: " TWINSIFT_FOCUS_BLUE_CSS "; }"
            "QPushButton[role=\"tool\"]:disabled QLabel { color: " TWINSIFT_DISABLED_BUTTON_TEXT_CSS "; }"
            "QLabel#imgPreview { background: " TWINSIFT_WINDOW_BACKGROUND_CSS "; border-radius: 6px; }"
            "QFrame#previewFrame { background: " TWINSIFT_WINDOW_BACKGROUND_CSS "; border-radius: 6px; }"
            "QScrollArea { background: " TWINSIFT_RESULTS_BACKGROUND_CSS "; border: none; }"
            "QFrame#boxTutorial { background: rgba(20, 20, 20, 235); border: 1px solid " TWINSIFT_GOLD_CSS
            "; border-radius: 8px; }"
            "QCheckBox { color: " TWINSIFT_DIALOG_TEXT_CSS "; }"
            "QSlider::groove:horizontal { height: 4px; background: " TWINSIFT_SUBTLE_BORDER_CSS
            "; border-radius: 2px; }"
            "QSlider::sub-page:horizontal { background: " TWINSIFT_GOLD_CSS "; border-radius: 2px; }"
            "QSlider::handle:horizontal { width: 10px; margin: -6px 0; border: 2px solid"
            " " TWINSIFT_SLIDER_HANDLE_CSS "; border-radius: 7px;"
            " background: " TWINSIFT_SLIDER_HANDLE_CSS "; }"
            "QSlider::handle:horizontal:focus { border-color: " TWINSIFT_FOCUS_BLUE_CSS "; }"
            "QProgressBar { border: none; background: transparent; max-height: 4px; }"
            "QProgressBar::chunk { background: " TWINSIFT_GOLD_CSS "; }"));

    // ---- toolbar
    imageViewTitle = pictureLabel(this, "imageViewTitle", ResultPictures::titleIcon(), 24);
    lblTitle = makeBoldLabel(QString(), 15, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));

    imgViewBackToHome = pictureLabel(this, "imgViewBackToHome", ResultPictures::backToHomeIcon(), 26);
    lblBackToHome = captionLabel(this, "lblBackToHome");
    btnBackToHome = iconButton(this, "btnBackToHome", imgViewBackToHome, lblBackToHome);

    imgViewRadioSelect = pictureLabel(this, "imgViewRadioSelect", ResultPictures::radioChecked(), 20);
    lblAutoSelect = captionLabel(this, "lblAutoSelect");
    btnAutoSelect = iconButton(this, "btnAutoSelect", imgViewRadioSelect, lblAutoSelect);
    btnAutoSelect->setCheckable(true);
    imgViewRadioUnselect = pictureLabel(this, "imgViewRadioUnselect", ResultPictures::radioUnchecked(), 20);
    lblUnselectAll = captionLabel(this, "lblUnselectAll");
    btnUnSelectAll = iconButton(this, "btnUnSelectAll", imgViewRadioUnselect, lblUnselectAll);
    btnUnSelectAll->setCheckable(true);

    imgviewSelectionWizard = pictureLabel(this, "imgviewSelectionWizard", ResultPictures::selectionWizardIcon(), 26);
    lblSelectionWizard = captionLabel(this, "lblSelectionWizard");
    btnSelectionWizard = iconButton(this, "btnSelectionWizard", imgviewSelectionWizard, lblSelectionWizard);

    boxThumbnailView = new QFrame(this);
    boxThumbnailView->setObjectName(QStringLiteral("boxThumbnailView"));
    imgViewThumbnailView = pictureLabel(this, "imgViewThumbnailView", ResultPictures::thumbnailViewIcon(), 26);
    lblThumbnailView = captionLabel(this, "lblThumbnailView");
    thumbnailView = iconButton(boxThumbnailView, "thumbnailView", imgViewThumbnailView, lblThumbnailView);
    boxListView = new QFrame(this);
    boxListView->setObjectName(QStringLiteral("boxListView"));
    imgViewListView = pictureLabel(this, "imgViewListView", ResultPictures::listViewIcon(), 26);
    lblListView = captionLabel(this, "lblListView");
    listView = iconButton(boxListView, "listView", imgViewListView, lblListView);
    for (QFrame *box : {boxThumbnailView, boxListView}) {
        auto *boxLayout = new QHBoxLayout(box);
        boxLayout->setContentsMargins(2, 2, 2, 2);
        boxLayout->addWidget(box == boxThumbnailView ? thumbnailView : listView);
    }
    fillBox(boxThumbnailView, kActiveTab);
    fillBox(boxListView, Palette::buttonFace);

    // ---- totals, matching level, filter
    lblAllDuplicatePhotosFound = new QLabel(this);
    lblAllDuplicatePhotosFound->setObjectName(QStringLiteral("lblAllDuplicatePhotosFound"));
    QFont totalsFont = lblAllDuplicatePhotosFound->font();
    totalsFont.setBold(true);
    lblAllDuplicatePhotosFound->setFont(totalsFont);
    lblAllSizeCanBeRemoved = new QLabel(this);
    lblAllSizeCanBeRemoved->setObjectName(QStringLiteral("lblAllSizeCanBeRemoved"));
    lblAllSizeCanBeRemoved->setProperty("role", QStringLiteral("caption"));

    lblCapMatchingLevel = new QLabel(this);
    lblCapMatchingLevel->setObjectName(QStringLiteral("lblCapMatchingLevel"));
    lblCapMatchingLevel->setProperty("role", QStringLiteral("caption"));
    sliderMatchingLevel = new QSlider(Qt::Horizontal, this);
    sliderMatchingLevel->setObjectName(QStringLiteral("sliderMatchingLevel"));
    sliderMatchingLevel->setRange(1, 6);
    sliderMatchingLevel->setPageStep(1);
    sliderMatchingLevel->setTickPosition(QSlider::TicksBelow);
    sliderMatchingLevel->setFixedWidth(150);
    sliderMatchingLevel->setCursor(Qt::PointingHandCursor);
    lblValueMatchingLevel = new QLabel(this);
    lblValueMatchingLevel->setObjectName(QStringLiteral("lblValueMatchingLevel"));
    lblValueMatchingLevel->setMinimumWidth(40);

    boxShowOnlyVideos = new QFrame(this);
    boxShowOnlyVideos->setObjectName(QStringLiteral("boxShowOnlyVideos"));
    btnShowOnlyVideos = new QCheckBox(boxShowOnlyVideos);
    btnShowOnlyVideos->setObjectName(QStringLiteral("btnShowOnlyVideos"));
    btnShowOnlyVideos->setCursor(Qt::PointingHandCursor);
    lblShowOnlyVideos = new QLabel(boxShowOnlyVideos);
    lblShowOnlyVideos->setObjectName(QStringLiteral("lblShowOnlyVideos"));
    lblShowOnlyVideos->setBuddy(btnShowOnlyVideos);
    auto *videosLayout = new QHBoxLayout(boxShowOnlyVideos);
    videosLayout->setContentsMargins(0, 0, 0, 0);
    videosLayout->setSpacing(4);
    videosLayout->addWidget(btnShowOnlyVideos);
    videosLayout->addWidget(lblShowOnlyVideos);
    boxShowOnlyVideos->hide(); // shown by the grid when the results hold a video

    activityIndicator = new QProgressBar(this);
    activityIndicator->setObjectName(QStringLiteral("activityIndicator"));
    activityIndicator->setRange(0, 0);
    activityIndicator->setTextVisible(false);
    activityIndicator->setFixedWidth(120);

    // ---- grid / list area
    customViewImgeListing = new QWidget(this);
    customViewImgeListing->setObjectName(QStringLiteral("customViewImgeListing"));
    auto *gridLayout = new QVBoxLayout(customViewImgeListing);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    scrollViewCollection = new QScrollArea(this);
    scrollViewCollection->setObjectName(QStringLiteral("scrollViewCollection"));
    scrollViewCollection->setFrameShape(QFrame::NoFrame);
    scrollViewCollection->setWidgetResizable(true);
    // The list scrolls inside itself; its holder takes no focus.
    scrollViewCollection->setFocusPolicy(Qt::NoFocus);

    // ---- preview and details column
    lblPreview = new QLabel(this);
    lblPreview->setObjectName(QStringLiteral("lblPreview"));
    lblPreview->setProperty("role", QStringLiteral("caption"));
    auto *previewFrame = new QFrame(this);
    previewFrame->setObjectName(QStringLiteral("previewFrame"));
    previewFrame->setFixedSize(311, 200);
    preview = new ResultPreview(previewFrame);
    preview->setGeometry(0, 0, 311, 200);
    imgPreview = preview->imgPreview;
    avKitPlayer = preview->avKitPlayer;
    videoPlayer = preview->videoPlayer;
    lblMetadata = new QLabel(this);
    lblMetadata->setObjectName(QStringLiteral("lblMetadata"));
    lblMetadata->setProperty("role", QStringLiteral("caption"));
    scrollView = new QScrollArea(this);
    scrollView->setObjectName(QStringLiteral("scrollView"));
    scrollView->setFrameShape(QFrame::NoFrame);
    scrollView->setWidgetResizable(true);
    scrollView->setFixedWidth(311);
    // The details scroll inside themselves; their holder never does and takes no focus.
    scrollView->setFocusPolicy(Qt::NoFocus);

    // ---- bottom line
    lblSelectedInGroup = new QLabel(this);
    lblSelectedInGroup->setObjectName(QStringLiteral("lblSelectedInGroup"));
    lblSelectedInGroup->setProperty("role", QStringLiteral("caption"));
    boxScanMarked = new QFrame(this);
    boxScanMarked->setObjectName(QStringLiteral("boxScanMarked"));
    boxScanMarked->setFixedSize(170, 38);
    btnDeleteMarked = new SYFlatButton(boxScanMarked);
    btnDeleteMarked->setObjectName(QStringLiteral("btnDeleteMarked"));
    btnDeleteMarked->setGeometry(0, 0, 170, 38);
    btnDeleteMarked->setCornerRadius(19);
    btnDeleteMarked->setMomentary(true);
    btnDeleteMarked->setBorderNormalColor(Qt::transparent);
    btnDeleteMarked->setBorderHighlightColor(Qt::transparent);
    btnDeleteMarked->setCursor(Qt::PointingHandCursor);
    btnDeleteMarked->setFocusPolicy(Qt::StrongFocus);
    lblScanMarked = new QLabel(btnDeleteMarked);
    lblScanMarked->setObjectName(QStringLiteral("lblScanMarked"));
    lblScanMarked->setAlignment(Qt::AlignCenter);
    lblScanMarked->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblScanMarked->setGeometry(0, 0, 170, 38);
    QFont bold = lblScanMarked->font();
    bold.setBold(true);
    lblScanMarked->setFont(bold);

    // ---- layout
    auto *toolbar = new QHBoxLayout;
    toolbar->setSpacing(8);
    toolbar->addWidget(imageViewTitle);
    toolbar->addWidget(lblTitle);
    toolbar->addSpacing(10);
    toolbar->addWidget(btnBackToHome);
    toolbar->addStretch(1);
    toolbar->addWidget(btnAutoSelect);
    toolbar->addWidget(btnUnSelectAll);
    toolbar->addWidget(btnSelectionWizard);
    toolbar->addSpacing(10);
    toolbar->addWidget(boxThumbnailView);
    toolbar->addWidget(boxListView);

    auto *infoLine = new QHBoxLayout;
    infoLine->setSpacing(10);
    auto *totals = new QVBoxLayout;
    totals->setSpacing(0);
    totals->addWidget(lblAllDuplicatePhotosFound);
    totals->addWidget(lblAllSizeCanBeRemoved);
    infoLine->addLayout(totals);
    infoLine->addStretch(1);
    infoLine->addWidget(activityIndicator);
    infoLine->addWidget(boxShowOnlyVideos);
    infoLine->addSpacing(12);
    infoLine->addWidget(lblCapMatchingLevel);
    infoLine->addWidget(sliderMatchingLevel);
    infoLine->addWidget(lblValueMatchingLevel);

    auto *side = new QVBoxLayout;
    side->setSpacing(6);
    side->addWidget(lblPreview);
    side->addWidget(previewFrame);
    side->addWidget(lblMetadata);
    side->addWidget(scrollView, 1);

    auto *body = new QHBoxLayout;
    body->setSpacing(14);
    body->addWidget(customViewImgeListing, 1);
    body->addWidget(scrollViewCollection, 1);
    body->addLayout(side);

    lblOtherApps = captionLabel(this, "lblOtherApps");
    btnOtherApps = iconButton(this, "btnOtherApps", nullptr, lblOtherApps);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblSelectedInGroup, 1);
    bottom->addWidget(btnOtherApps);
    bottom->addSpacing(16);
    bottom->addWidget(boxScanMarked);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(16, 10, 16, 12);
    root->setSpacing(10);
    root->addLayout(toolbar);
    root->addLayout(infoLine);
    root->addLayout(body, 1);
    root->addLayout(bottom);

    // ---- tutorial and dimming layer (above everything)
    boxTutorial = new QFrame(this);
    boxTutorial->setObjectName(QStringLiteral("boxTutorial"));
    boxTutorial->setCursor(Qt::PointingHandCursor);
    lblStepFirstTutorial = new QLabel(boxTutorial);
    lblStepFirstTutorial->setObjectName(QStringLiteral("lblStepFirstTutorial"));
    lblStepSecondTutorial = new QLabel(boxTutorial);
    lblStepSecondTutorial->setObjectName(QStringLiteral("lblStepSecondTutorial"));
    for (QLabel *step : {lblStepFirstTutorial, lblStepSecondTutorial})
        step->setWordWrap(true);
    auto *tutorialLayout = new QVBoxLayout(boxTutorial);
    tutorialLayout->setContentsMargins(16, 12, 16, 12);
    tutorialLayout->addWidget(lblStepFirstTutorial);
    tutorialLayout->addWidget(lblStepSecondTutorial);
    boxTutorial->installEventFilter(this);
    boxTutorial->hide();

    boxTopBlackLayer = new DimmingBox(this);

    // ---- viewDidLoad
    btnDeleteMarked->setEnabled(false);
    btnDeleteMarked->installEventFilter(this);
    setRadioState(true);
    scrollViewCollection->hide(); // the grid is the first form
    activityIndicator->hide();

    connect(btnBackToHome, &QPushButton::clicked, this, [this] { tappedBackToHome(); });
    connect(btnAutoSelect, &QPushButton::clicked, this, [this] { tappedAutoSelect(); });
    connect(btnUnSelectAll, &QPushButton::clicked, this, [this] { tappedUnSelectAll(); });
    connect(btnSelectionWizard, &QPushButton::clicked, this, [this] { tappedSelectionWizard(); });
    connect(thumbnailView, &QPushButton::clicked, this, [this] { tappedThumbnailView(); });
    connect(listView, &QPushButton::clicked, this, [this] { tappedListView(); });
    connect(btnShowOnlyVideos, &QCheckBox::clicked, this, [this] { tappedShowOnlyVideos(); });
    connect(sliderMatchingLevel, &QSlider::valueChanged, this, [this] {
        if (!sliderMatchingLevel->signalsBlocked())
            sliderMatchingLevelMoved();
    });
    connect(sliderMatchingLevel, &QSlider::sliderReleased, this, [this] {
        if (m_levelChangedWhileDragged) {
            m_levelChangedWhileDragged = false;
            startRegrouping();
        }
    });
    connect(btnDeleteMarked, &QAbstractButton::clicked, this, [this] { tappedDeleteMarked(); });
    connect(btnOtherApps, &QPushButton::clicked, this, [this] { clickedOtherApps(); });

    // The three answers of the confirmation sheets; registered once for the life of the screen.
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, NotificationName::backToHomeObserver,
                       [this](const platform::Notification &) { backToHomeObserver(); });
    center.addObserver(this, NotificationName::autoMarkSelection,
                       [this](const platform::Notification &n) { autoMarkSelectionObserver(n); });
    center.addObserver(this, NotificationName::deleteDuplicateFiles,
                       [this](const platform::Notification &n) { observerDeleteMarked(n); });
    m_observersRegistered = true;

    configureResultScreen();
    updateDeleteMarkedButton();
    refreshAutoSelectState();
}

ScanResultVC::~ScanResultVC()
{
    sortedIndexes.clear();
}

// ---- appearance

void ScanResultVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    embedResultViews();
    viewWillAppear();
    viewDidAppear();
    focusCurrentCard();
}

bool ScanResultVC::focusCurrentCard()
{
    // The form on show takes the focus, which makes its current card (else the first one in view)
    // the one the keys act on.
    ResultViewController *form = customViewImgeListing->isHidden()
        ? static_cast<ResultViewController *>(AllViewControllers::cached<ListViewVC>(ScreenName::listView))
        : static_cast<ResultViewController *>(AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail));
    if (!form || !form->collectionView || !form->collectionView->isVisibleTo(this)
        || form->resultState().imageDirectories.empty())
        return false;
    form->collectionView->setFocus(Qt::TabFocusReason);
    // While the scan's sheet still holds the activation, the window hands the focus back as it
    // becomes active again, in a way that makes no card current: the card takes it anew then.
    QWidget *top = window();
    if (!top->isActiveWindow() && top != this) {
        if (!m_focusCardOnActivation)
            top->installEventFilter(this);
        m_focusCardOnActivation = true;
    }
    return true;
}

void ScanResultVC::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyListWidth();
    placeOverlays();
    platform::printLine(QStringLiteral("print width: %1").arg(widthScrollViewCollection));
}

void ScanResultVC::placeOverlays()
{
    boxTutorial->setGeometry(width() / 2 - 220, 96, 440, 96);
    boxTutorial->raise();
    boxTopBlackLayer->cover();
}

bool ScanResultVC::eventFilter(QObject *watched, QEvent *event)
{
    if (m_focusCardOnActivation && watched == window() && event->type() == QEvent::WindowActivate) {
        watched->removeEventFilter(this);
        m_focusCardOnActivation = false;
        // Only while the focus is still the results' own: a summary or sheet shown meanwhile keeps it.
        const QWidget *held = window()->focusWidget();
        if (isVisible() && (!held || held == this || isAncestorOf(held)))
            focusCurrentCard();
    }
    if (watched == btnDeleteMarked && event->type() == QEvent::EnabledChange)
        applyDeleteMarkedLook(); // also when the whole screen is locked or given back
    if (watched == boxTutorial && event->type() == QEvent::MouseButtonRelease) {
        hideTutorial();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool ScanResultVC::focusNextPrevChild(bool next)
{
    QWidget *current = QApplication::focusWidget();
    if (!current || !isAncestorOf(current))
        return QWidget::focusNextPrevChild(next);
    // The screen lies over the home screen, whose controls stay in the window's Tab chain: the
    // next stop is looked for among this screen's shown, enabled controls only.
    QWidget *candidate = current;
    do {
        candidate = next ? candidate->nextInFocusChain() : candidate->previousInFocusChain();
        if (!candidate || candidate == current)
            return true;
    } while (!isAncestorOf(candidate) || candidate->focusProxy() || !candidate->isEnabled() || !candidate->isVisible()
             || (candidate->focusPolicy() & Qt::TabFocus) != Qt::TabFocus);
    candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void ScanResultVC::embedResultViews()
{
    ThumbnailVC *grid = thumbnailVC();
    if (grid->parentWidget() != customViewImgeListing) {
        customViewImgeListing->layout()->addWidget(grid);
        grid->show();
    }
    ListViewVC *list = listViewVC();
    if (scrollViewCollection->widget() != list) {
        scrollViewCollection->takeWidget();
        scrollViewCollection->setWidget(list);
        list->show();
    }
    QWidget *details = filePropertiesVC();
    if (details && scrollView->widget() != details) {
        scrollView->takeWidget();
        scrollView->setWidget(details);
    }
    // Tab goes through the screen as it reads: the toolbar, the filter and the matching level, the
    // results with their group buttons, the details, then the bottom line.
    QWidget *detailsScroll =
        details ? details->findChild<QScrollArea *>(QStringLiteral("filePropertiesScroll")) : nullptr;
    QList<QWidget *> tabOrder = {btnBackToHome,        btnAutoSelect, btnUnSelectAll,    btnSelectionWizard,
                                 thumbnailView,        listView,      btnShowOnlyVideos, sliderMatchingLevel,
                                 grid->collectionView, list,          detailsScroll,     btnOtherApps,
                                 btnDeleteMarked};
    tabOrder.removeAll(nullptr);
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    // A no-results view left from the last result goes; the grid is the first form of every new
    // result.
    auto *noResults =
        AllViewControllers::cached<NoSimilarDuplicatePhotosFoundVC>(ScreenName::noSimilarDuplicatePhotosFound);
    if (noResults && noResults->parentWidget() == this) {
        noResults->hide();
        noResults->setParent(nullptr);
    }
    customViewImgeListing->show();
    scrollViewCollection->hide();
    fillBox(boxThumbnailView, kActiveTab);
    fillBox(boxListView, Palette::buttonFace);
    boxShowOnlyVideos->setVisible(resultsContainVideos);
    btnShowOnlyVideos->setChecked(false);
    grid->reloadData();
    list->reloadData();
    refreshResultTotals();
    refreshSelectionState();
}

void ScanResultVC::viewWillAppear()
{
    configureResultScreen();
    boxTutorial->hide();
    if (defaults().holdsBool(SettingsKey::tutorialShown))
        return;
    defaults().setBool(SettingsKey::tutorialShown, false);
    lblStepFirstTutorial->setText(text("IDS_TWK_307"));
    lblStepSecondTutorial->setText(text("IDS_TWK_308"));
    placeOverlays();
    boxTutorial->show();
    boxTutorial->raise();
    platform::Dispatch::mainAfter(
        13.0, [this] { hideTutorial(); }, this);
}

void ScanResultVC::hideTutorial()
{
    boxTutorial->hide();
}

void ScanResultVC::configureResultScreen()
{
    lblBackToHome->setText(text("IDS_TWK_48"));
    lblSelectionWizard->setText(text("IDS_TWK_53"));
    lblThumbnailView->setText(text("IDS_TWK_55"));
    lblListView->setText(text("IDS_TWK_56"));
    lblAutoSelect->setText(text("IDS_TWK_50"));
    lblUnselectAll->setText(text("IDS_TWK_51"));
    lblShowOnlyVideos->setText(text("IDS_TWK_45"));
    lblTitle->setText(text("IDS_TWK_1"));
    lblCapMatchingLevel->setText(text("IDS_TWK_15"));
    lblScanMarked->setText(text("IDS_TWK_73"));
    lblPreview->setText(text("IDS_TWK_74"));
    lblMetadata->setText(text("IDS_TWK_75"));
    lblOtherApps->setText(text("IDS_TWK_8102"));
    btnDeleteMarked->setAlphaValue(0.4);
    // A button whose face is a picture and a caption is as large as both need, whatever its row offers.
    for (QPushButton *button :
         {btnBackToHome, btnAutoSelect, btnUnSelectAll, btnSelectionWizard, thumbnailView, listView, btnOtherApps})
        if (button && button->layout())
            button->setMinimumSize(button->layout()->sizeHint());

    // The results slider starts where the similarity settings' slider stands.
    int position = 0;
    if (QWidget *pane = similarMatchesVC())
        if (auto *paneSlider = pane->findChild<QSlider *>(QStringLiteral("sliderMatchingLevel")))
            position = paneSlider->value();
    if (position < 1 || position > 6)
        position = positionOfThreshold(similarityThreshold);
    if (position < 1)
        position = sliderMatchingLevel->value();
    lblValueMatchingLevel->setText(applyMatchingLevel(position));
    const QSignalBlocker block(sliderMatchingLevel);
    sliderMatchingLevel->setValue(position);
}

void ScanResultVC::viewDidAppear()
{
    applyListWidth();
    platform::NotificationCenter::defaultCenter().post(NotificationName::isFilesNotSelected,
                                                       {{QStringLiteral("isEmpty"), true}});
    HubScreens::setScanListMenuHidden(true);
}

void ScanResultVC::applyListWidth()
{
    const int windowWidth = window() ? window()->width() : width();
    widthScrollViewCollection = windowWidth - 351;
    // The list's rows never get narrower than 1368 points; they scroll sideways instead, inside
    // the list, so that its vertical scroll bar stays in sight.
    if (auto *list = qobject_cast<ListViewVC *>(scrollViewCollection->widget()))
        list->setDocumentWidth(std::max(widthScrollViewCollection, 1368));
    else if (QWidget *other = scrollViewCollection->widget())
        other->setMinimumWidth(std::max(widthScrollViewCollection, 1368));
}

// ---- grid / list switch

void ScanResultVC::tappedThumbnailView()
{
    if (!customViewImgeListing->isHidden())
        return;
    stopPreview();
    activityIndicator->show();
    platform::NotificationCenter::defaultCenter().post(NotificationName::disableControl);
    boxTopBlackLayer->hide();
    customViewImgeListing->show();
    fillBox(boxThumbnailView, kActiveTab);
    fillBox(boxListView, Palette::buttonFace);
    scrollViewCollection->hide();
    defaults().setBool(SettingsKey::isThumbnailSelected, true);
    platform::Dispatch::mainAfter(
        0.01, [this] { reloadThumbnailCollectionView(); }, this);
}

void ScanResultVC::tappedListView()
{
    if (!scrollViewCollection->isHidden())
        return;
    stopPreview();
    activityIndicator->show();
    platform::NotificationCenter::defaultCenter().post(NotificationName::disableControl);
    boxTopBlackLayer->hide();
    customViewImgeListing->hide();
    fillBox(boxThumbnailView, Palette::buttonFace);
    fillBox(boxListView, kActiveTab);
    scrollViewCollection->show();
    defaults().setBool(SettingsKey::isThumbnailSelected, false);
    platform::Dispatch::mainAfter(
        0.01, [this] { reloadListCollectionView(); }, this);
}

void ScanResultVC::reloadThumbnailCollectionView()
{
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail))
        grid->reloadData();
    platform::Dispatch::mainAfter(
        1.0, [this] { enableComponentsAfterSlider(); }, this);
}

void ScanResultVC::reloadListCollectionView()
{
    if (auto *list = AllViewControllers::cached<ListViewVC>(ScreenName::listView))
        list->reloadData();
    platform::Dispatch::mainAfter(
        1.0, [this] { enableComponentsAfterSlider(); }, this);
}

void ScanResultVC::reloadBothViews()
{
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail))
        grid->reloadData();
    if (auto *list = AllViewControllers::cached<ListViewVC>(ScreenName::listView))
        list->reloadData();
}

// ---- preview

void ScanResultVC::stopPreview()
{
    preview->stop();
}

// ---- counters

void ScanResultVC::updateDeleteMarkedButton()
{
    // Usable with marks, and never while a pop-up is up over the screen.
    const bool popUp = defaults().boolForKey(SettingsKey::isPopUp);
    btnDeleteMarked->setEnabled(ResultState::shared().hasMarks() && !popUp);
    applyDeleteMarkedLook();
}

void ScanResultVC::applyDeleteMarkedLook()
{
    // The look follows whether the button can be pressed now (its own state and its screen's); the
    // style sheets are parsed and applied anew when set, so only a change of look sets them.
    const bool active = btnDeleteMarked->isEnabled();
    if (deleteMarkedLook_ == int(active))
        return;
    deleteMarkedLook_ = int(active);
    const QColor fill = active ? Palette::green : Palette::mutedButton;
    boxScanMarked->setStyleSheet(
        QStringLiteral("QFrame#boxScanMarked { background: %1; border-radius: 19px; }").arg(fill.name()));
    boxScanMarked->setProperty("fill", fill);
    btnDeleteMarked->setBackgroundNormalColor(fill);
    btnDeleteMarked->setBackgroundHighlightColor(active ? kActiveTab : Palette::mutedButton);
    lblScanMarked->setStyleSheet(active ? QStringLiteral("color: " TWINSIFT_WHITE_CSS ";")
                                        : QStringLiteral("color:"
                                                         " " TWINSIFT_CAPTION_TEXT_CSS ";"));
}

void ScanResultVC::refreshAutoSelectState()
{
    const ResultState &state = ResultState::shared();
    bool canSelect = false;
    for (const ImageGroup &group : state.imageDirectories) {
        if (group.size() < 2)
            continue;
        if (std::any_of(group.begin(), group.end(), [](const ImageFilePtr &f) { return f && !f->isProtected; })) {
            canSelect = true;
            break;
        }
    }
    btnAutoSelect->setEnabled(canSelect);
    btnUnSelectAll->setEnabled(canSelect);

    bool everyGroupFull = true;
    for (size_t g = 0; g < state.imageDirectories.size(); ++g) {
        const ImageGroup &group = state.imageDirectories[g];
        const int n = int(group.size());
        const int m = g < state.selectedIndexArray.size() ? int(state.selectedIndexArray[g].size()) : 0;
        if (m == n - 1)
            continue; // full whatever its protection: its records are not read
        int p = 0;
        for (const ImageFilePtr &file : group)
            p += (file && file->isProtected) ? 1 : 0;
        if (m + p != n) {
            everyGroupFull = false;
            break;
        }
    }
    setRadioState(everyGroupFull);
}

void ScanResultVC::setRadioState(bool autoSelectOn)
{
    btnAutoSelect->setChecked(autoSelectOn);
    btnUnSelectAll->setChecked(!autoSelectOn);
    imgViewRadioSelect->setPixmap(
        QPixmap::fromImage(autoSelectOn ? ResultPictures::radioChecked() : ResultPictures::radioUnchecked()));
    imgViewRadioUnselect->setPixmap(
        QPixmap::fromImage(autoSelectOn ? ResultPictures::radioUnchecked() : ResultPictures::radioChecked()));
}

void ScanResultVC::stopActivityIndicator()
{
    activityIndicator->hide();
}

// ---- videos-only filter

void ScanResultVC::tappedShowOnlyVideos()
{
    stopPreview();
    ResultState &state = ResultState::shared();
    // Marks and hand protection follow their files into the new groups, so none can point at
    // another file; the protected folders are applied again to the files now shown.
    const ResultRegrouping::FileMemory memory = ResultRegrouping::remember(state);
    ImageGroups shown =
        btnShowOnlyVideos->isChecked() ? ResultRegrouping::videoGroups(state.allImages) : state.allImages;
    ResultRegrouping::showGroups(state, std::move(shown), memory, true);
    rederiveProtection(state);
    reloadBothViews();
    refreshResultTotals();
    refreshSelectionState();
}

// ---- matching level and regrouping

void ScanResultVC::sliderMatchingLevelMoved()
{
    lblValueMatchingLevel->setText(applyMatchingLevel(sliderMatchingLevel->value()));
    // While the thumb is dragged it only follows the pointer: the groups are rebuilt once, for the
    // level where it is let go (regrouping would take the pointer's time, and the controls it
    // disables would end the drag).
    if (sliderMatchingLevel->isSliderDown()) {
        m_levelChangedWhileDragged = true;
        return;
    }
    m_levelChangedWhileDragged = false;
    startRegrouping();
}

void ScanResultVC::startRegrouping()
{
    activityIndicator->show();
    // Moves that come faster than the regrouping share one: it reads the level when it runs.
    if (!m_regroupScheduled) {
        m_regroupScheduled = true;
        platform::Dispatch::mainAfter(
            0.0,
            [this] {
                m_regroupScheduled = false;
                sliderValuesUpdate();
            },
            this);
    }
    platform::NotificationCenter::defaultCenter().post(NotificationName::disableControl);
    boxTopBlackLayer->hide();
}

void ScanResultVC::sliderValuesUpdate(bool keepMarks)
{
    ResultState &state = ResultState::shared();
    const ResultRegrouping::FileMemory memory = ResultRegrouping::remember(state);
    ResultRegrouping::showGroups(state, ResultRegrouping::groupsAtMatchingLevel(state.allImages, similarityThreshold),
                                 memory, keepMarks);
    rederiveProtection(state);
    if (btnShowOnlyVideos->isChecked()) {
        const QSignalBlocker block(btnShowOnlyVideos);
        btnShowOnlyVideos->setChecked(false);
    }

    NoSimilarDuplicatePhotosFoundVC *noResults =
        AllViewControllers::cached<NoSimilarDuplicatePhotosFoundVC>(ScreenName::noSimilarDuplicatePhotosFound);
    if (!state.imageDirectories.empty()) {
        refreshResultTotals();
        refreshSelectionState();
        reloadBothViews();
        btnAutoSelect->setEnabled(false);
        platform::Dispatch::mainAfter(
            1.0, [this] { enableComponentsAfterSlider(); }, this);
        return;
    }
    activityIndicator->hide();
    if (noResults && noResults->parentWidget() == this) {
        noResults->hide();
        noResults->setParent(nullptr);
    }
    defaults().setBool(SettingsKey::isSliderAvailable, true);
    refreshResultTotals();
    refreshSelectionState();
    reloadBothViews();
    noResults = noSimilarDuplicatePhotosFoundVC();
    noResults->setParent(this);
    noResults->setGeometry(rect());
    noResults->show();
    // Pop-up mode, which the screen starts as it appears, dims the results under it, not the
    // screen itself.
    boxTopBlackLayer->keepBelow(noResults);
}

void ScanResultVC::enableComponentsAfterSlider()
{
    const bool layerWasVisible = boxTopBlackLayer->isVisible();
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    center.post(NotificationName::closeToExitVC);
    center.post(NotificationName::isFilesNotSelected, {{QStringLiteral("isEmpty"), true}});
    if (layerWasVisible) {
        boxTopBlackLayer->cover();
        boxTopBlackLayer->show();
    }
    btnAutoSelect->setEnabled(true);
    refreshAutoSelectState();
    activityIndicator->hide();
}

// ---- Auto Select, Unselect All, selection wizard

bool ScanResultVC::markOnWorker(std::function<void()> command)
{
    if (applyingWorkerMarks_)
        return false;
    if (AutoMarkRun::isRunning())
        return true;
    const ResultState &state = ResultState::shared();
    if (!AutoMarkRun::wantsWorker(state))
        return false;
    // The lock below takes the focus away; it comes back once the marks are in.
    QWidget *focused = QApplication::focusWidget();
    focusBeforeMarking_ = focused && isAncestorOf(focused) ? focused : nullptr;
    // Nothing may change the groups, their protection or the marks until the marks are in.
    setEnabled(false);
    activityIndicator->show();
    if (startWorkerMarking(std::move(command)))
        return true;
    activityIndicator->hide();
    setEnabled(true);
    restoreFocusAfterMarking();
    return false;
}

bool ScanResultVC::startWorkerMarking(std::function<void()> command)
{
    return AutoMarkRun::start(ResultState::shared(), AutoMarkRules::current(), this,
                              [this, command = std::move(command)] { finishWorkerMarking(command); });
}

void ScanResultVC::finishWorkerMarking(const std::function<void()> &command)
{
    // Should the groups, their protection or the rules have changed all the same, the marking runs
    // again on the worker, over the result as it is now, rather than in place here.
    const ResultState &state = ResultState::shared();
    if (AutoMarkRun::wantsWorker(state) && !AutoMarkRun::hasMarksFor(state, AutoMarkRules::current())
        && startWorkerMarking(command))
        return;
    activityIndicator->hide();
    setEnabled(true);
    applyingWorkerMarks_ = true;
    command();
    applyingWorkerMarks_ = false;
    restoreFocusAfterMarking();
}

void ScanResultVC::restoreFocusAfterMarking()
{
    QWidget *target = focusBeforeMarking_;
    focusBeforeMarking_ = nullptr;
    auto takesFocus = [this](QWidget *widget) {
        return widget && isAncestorOf(widget) && widget->isVisible() && widget->isEnabled()
            && widget->focusPolicy() != Qt::NoFocus;
    };
    if (!takesFocus(target)) {
        // The current card of the form on show.
        target = nullptr;
        for (ResultViewController *form :
             {static_cast<ResultViewController *>(AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail)),
              static_cast<ResultViewController *>(AllViewControllers::cached<ListViewVC>(ScreenName::listView))})
            if (form && takesFocus(form->collectionView)) {
                target = form->collectionView;
                break;
            }
    }
    if (target)
        target->setFocus(Qt::OtherFocusReason);
}

void ScanResultVC::markEveryGroup()
{
    if (markOnWorker([this] { markEveryGroup(); }))
        return;
    ResultState &state = ResultState::shared();
    if (!state.imageDirectories.empty()) {
        autoMarkAllGroups(state);
        refreshSelectionState();
    }
    if (state.hasMarks())
        reloadBothViews();
}

void ScanResultVC::tappedAutoSelect()
{
    if (defaults().boolForKey(SettingsKey::isPopUp))
        return;
    stopPreview();
    setRadioState(true);
    if (showAutoMarkAlert) {
        defaults().setBool(SettingsKey::isPopUp, true);
        boxTopBlackLayer->cover();
        boxTopBlackLayer->show();
        platform::SheetPresenter::presentAsSheet(autoMarkSelectionDialogVC(), this);
        setRadioState(true);
        return;
    }
    markEveryGroup();
}

void ScanResultVC::autoMarkSelectionObserver(const platform::Notification &notification)
{
    boxTopBlackLayer->hide();
    const QVariant continueValue = notification.userInfo.value(QStringLiteral("isContinue"));
    const QVariant autoSelection = notification.userInfo.value(QStringLiteral("isAutoSelection"));
    if (continueValue.typeId() != QMetaType::Bool || autoSelection.typeId() != QMetaType::Bool)
        return;
    if (continueValue.toBool()) {
        markEveryGroup();
        setRadioState(true);
    }
    if (autoSelection.toBool()) {
        boxTopBlackLayer->cover();
        boxTopBlackLayer->show();
        platform::SheetPresenter::presentAsSheet(selectionWizardPreferencesVC(), this);
    }
}

void ScanResultVC::unselectAllMarks()
{
    ResultState::shared().unselectAllMarks();
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail))
        grid->selectedIndexPaths.clear();
    refreshSelectionState();
    reloadBothViews();
}

void ScanResultVC::showMarksAfterDeletion()
{
    refreshSelectionState();
    reloadBothViews();
}

void ScanResultVC::tappedUnSelectAll()
{
    stopPreview();
    unselectAllMarks();
}

void ScanResultVC::tappedSelectionWizard()
{
    // The rules stay as they are while a marking runs on the worker.
    if (AutoMarkRun::isRunning())
        return;
    defaults().setBool(SettingsKey::isPopUp, true);
    stopPreview();
    boxTopBlackLayer->cover();
    boxTopBlackLayer->show();
    platform::SheetPresenter::presentAsSheet(selectionWizardPreferencesVC(), this);
}

void ScanResultVC::clickedOtherApps()
{
    if (OtherAppsWindow *window = otherAppsWindowController())
        window->showWindow();
}

// ---- back to home and the deletion hand-off

void ScanResultVC::tappedBackToHome()
{
    stopPreview();
    if (!backToHomeAlert) {
        returnToHome();
        return;
    }
    defaults().setBool(SettingsKey::isPopUp, true);
    boxTopBlackLayer->cover();
    boxTopBlackLayer->show();
    platform::SheetPresenter::presentAsSheet(backToHomeDialogVC(), this);
}

void ScanResultVC::backToHomeObserver()
{
    returnToHome();
}

void ScanResultVC::returnToHome()
{
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    center.post(NotificationName::updateSlider);
    center.post(NotificationName::reinitializationItems);
    // The groups, the marks and the overrides go with the grid that held them.
    ResultState::shared().clear();
    preview->clear();
    defaults().setBool(SettingsKey::isResultVC, false);
    defaults().setBool(SettingsKey::isVisibleSettingTooltips, true);
    HubScreens::setScanListMenuHidden(false);
    HubScreens::setInitialDirectories(HubScreens::scanList());
    if (parentWidget()) {
        hide();
        setParent(nullptr);
    }
    center.post(NotificationName::closeToExitVC);
    AllViewControllers::clearScanControllers();
}

void ScanResultVC::tappedDeleteMarked()
{
    stopPreview();
    if (!confirmBeforeDeletingPhotos) {
        presentDeletionSheet();
        return;
    }
    defaults().setBool(SettingsKey::isPopUp, true);
    boxTopBlackLayer->cover();
    boxTopBlackLayer->show();
    platform::SheetPresenter::presentAsSheet(deleteDuplicatePhotosVC(), this);
}

void ScanResultVC::observerDeleteMarked(const platform::Notification &)
{
    if (ResultState::shared().hasMarks())
        presentDeletionSheet();
}

void ScanResultVC::presentDeletionSheet()
{
    defaults().setBool(SettingsKey::isScan, false);
    defaults().setBool(SettingsKey::isDelete, true);
    boxTopBlackLayer->cover();
    boxTopBlackLayer->show();
    platform::NotificationCenter::defaultCenter().post(NotificationName::disableControl);
    scanVC()->presentAsSheet(window());
}
