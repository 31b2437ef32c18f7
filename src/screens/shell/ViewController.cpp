#include "screens/shell/ViewController.h"
#include "model/Palette.h"
#include "screens/promotion/OtherAppsWindow.h"

#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/home/HomePictures.h"
#include "screens/shell/HubScreens.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/Theme.h"
#include "controls/DropView.h"
#include "controls/SYFlatButton.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/Alerts.h"
#include "platform/widgets/OverlayClose.h"
#include "platform/PhotosApp.h"
#include "platform/UserDefaults.h"
#include "services/PhotosLibraryFlow.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QDebug>

using platform::Notification;
using platform::NotificationCenter;
using platform::UserDefaults;

namespace {

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

// A label of the given logical size for one of the home pictures (drawn by drawPictures).
QLabel *pictureLabel(QWidget *parent, QSize size)
{
    auto *label = new QLabel(parent);
    label->setFixedSize(size);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// Shows a picture drawn for the label's screen, fitted to the label's logical size.
void showPicture(QLabel *label, QPixmap picture)
{
    const qreal ratio = picture.devicePixelRatio();
    if (picture.deviceIndependentSize().toSize() != label->size()) {
        picture = picture.scaled(label->size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        picture.setDevicePixelRatio(ratio);
    }
    label->setPixmap(picture);
}

// The dark layer over the home view while a sheet or overlay is up.
class TopBlackLayer : public QWidget
{
public:
    explicit TopBlackLayer(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("boxTopBlackLayer"));
        setAttribute(Qt::WA_StyledBackground, true);
        setStyleSheet(QStringLiteral("background-color: " TWINSIFT_DIMMING_CSS ";"));
    }
};

} // namespace

ViewController::ViewController(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewController"));
    resize(1280, 800);
}

ViewController::~ViewController()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void ViewController::loadViewIfNeeded()
{
    if (m_viewLoaded)
        return;
    m_viewLoaded = true;

    buildView();
    boxTopBlackLayer->hide();
    makeSharedAnimator(0.5);
    setup();
    isFilesNotSelected();
    registerObservers();
    qApp->installEventFilter(this);
}

void ViewController::makeSharedAnimator(double duration)
{
    sharedAnimator = std::make_shared<CustomAnimator>(duration, geometry());
    // An overlay that has slid out may have been the last thing up.
    connect(sharedAnimator.get(), &CustomAnimator::dismissalFinished, this, [this] { tryLeavePopUpMode(); });
}

void ViewController::buildView()
{
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(Theme::homeStyleSheet());

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    // Title bar.
    auto *header = new QFrame(this);
    header->setObjectName(QStringLiteral("homeHeader"));
    header->setFixedHeight(56);
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(24, 0, 24, 0);
    headerRow->setSpacing(10);
    imageViewTitle = pictureLabel(header, QSize(24, 24));
    lblTitle = new QLabel(header);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    headerRow->addWidget(imageViewTitle);
    headerRow->addWidget(lblTitle);
    headerRow->addStretch(1);
    root->addWidget(header);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(24, 20, 24, 24);
    body->setSpacing(20);
    root->addLayout(body, 1);

    // Left: the scan list.
    auto *left = new QFrame(this);
    left->setObjectName(QStringLiteral("panel"));
    auto *leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->setSpacing(0);

    auto *tab = new QFrame(left);
    tab->setObjectName(QStringLiteral("panelTab"));
    tab->setFixedHeight(44);
    auto *tabRow = new QHBoxLayout(tab);
    tabRow->setContentsMargins(16, 0, 12, 0);
    tabRow->setSpacing(8);
    imgViewAddFiles = pictureLabel(tab, QSize(20, 20));
    lblAddFiles = new QLabel(tab);
    lblAddFiles->setObjectName(QStringLiteral("lblAddFiles"));
    imgViewTopTab1AddFiles = pictureLabel(tab, QSize(99, 30));
    imgViewTopTab1AddFiles->hide();
    tabRow->addWidget(imgViewAddFiles);
    tabRow->addWidget(lblAddFiles);
    tabRow->addStretch(1);
    tabRow->addWidget(imgViewTopTab1AddFiles);
    leftColumn->addWidget(tab);

    customViewAddFiles = new QWidget(left);
    customViewAddFiles->setObjectName(QStringLiteral("customViewAddFiles"));
    auto *addFilesLayout = new QVBoxLayout(customViewAddFiles);
    addFilesLayout->setContentsMargins(0, 0, 0, 0);
    leftColumn->addWidget(customViewAddFiles, 1);

    // The hint strip takes drops of files and folders like the list above it.
    dropArea = new DropView(left);
    dropArea->setObjectName(QStringLiteral("dropArea"));
    auto *dropAreaLayout = new QVBoxLayout(dropArea);
    dropAreaLayout->setContentsMargins(0, 0, 0, 0);
    auto *drop = new QFrame(dropArea);
    drop->setObjectName(QStringLiteral("dropHint"));
    dropAreaLayout->addWidget(drop);
    auto *dropRow = new QHBoxLayout(drop);
    dropRow->setContentsMargins(16, 10, 16, 12);
    dropRow->setSpacing(14);
    imgViewDragnDrop = pictureLabel(drop, QSize(56, 56));
    auto *hints = new QVBoxLayout;
    hints->setSpacing(2);
    lblDraganddropphotoshere = new QLabel(drop);
    lblDraganddropphotoshere->setObjectName(QStringLiteral("lblDraganddropphotoshere"));
    lblhintdragphotos = new QLabel(drop);
    lblhintdragphotos->setObjectName(QStringLiteral("lblhintdragphotos"));
    lblhintdragphotos->setWordWrap(true);
    hints->addStretch(1);
    hints->addWidget(lblDraganddropphotoshere);
    hints->addWidget(lblhintdragphotos);
    hints->addStretch(1);
    dropRow->addWidget(imgViewDragnDrop);
    dropRow->addLayout(hints, 1);
    leftColumn->addWidget(dropArea);
    body->addWidget(left, 1);

    // Right: the scan kind and its settings above the Scan button. The upper part scrolls when
    // the window is too low to show all of it; the Scan button always stays in view.
    auto *right = new QFrame(this);
    right->setObjectName(QStringLiteral("panel"));
    right->setFixedWidth(340);
    auto *rightOuter = new QVBoxLayout(right);
    rightOuter->setContentsMargins(1, 1, 1, 16);
    rightOuter->setSpacing(10);
    rightColumnScroller = new QScrollArea(right);
    rightColumnScroller->setObjectName(QStringLiteral("rightColumnScroller"));
    rightColumnScroller->setFrameShape(QFrame::NoFrame);
    rightColumnScroller->setWidgetResizable(true);
    rightColumnScroller->setFocusPolicy(Qt::NoFocus); // its controls take the focus, not the frame
    rightColumnScroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rightColumnScroller->setStyleSheet(QStringLiteral("QScrollArea#rightColumnScroller { background: transparent; }"));
    rightColumnScroller->viewport()->setAutoFillBackground(false);
    auto *rightContent = new QWidget;
    rightContent->setObjectName(QStringLiteral("rightColumn"));
    rightContent->setAutoFillBackground(false);
    auto *rightColumn = new QVBoxLayout(rightContent);
    rightColumn->setContentsMargins(15, 15, 15, 0);
    rightColumn->setSpacing(10);

    auto makeModeCard = [rightContent](QPushButton *&button, QRadioButton *&check, QLabel *&label, QLabel *&marker,
                                       const char *name) {
        button = new QPushButton(rightContent);
        button->setObjectName(QString::fromLatin1(name));
        button->setProperty("modeCard", true);
        button->setCheckable(true);
        button->setFixedHeight(52);
        button->setCursor(Qt::PointingHandCursor);
        auto *row = new QHBoxLayout(button);
        row->setContentsMargins(14, 0, 8, 0);
        row->setSpacing(8);
        check = new QRadioButton(button);
        check->setAutoExclusive(false);
        check->setFocusPolicy(Qt::NoFocus); // the mode button round it is the Tab stop
        check->setCursor(Qt::PointingHandCursor);
        label = new QLabel(button);
        label->setStyleSheet(Theme::modeLabelStyleSheet());
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        marker = pictureLabel(button, QSize(99, 30));
        row->addWidget(check);
        row->addWidget(label, 1);
        row->addWidget(marker);
    };
    makeModeCard(btnSimilarMatch, checkSimilarMatch, lblSimilarMatch, imgSimilarMatch, "btnSimilarMatch");
    makeModeCard(btnExactMatch, checkExactMatch, lblExactMatch, imgExactMatch, "btnExactMatch");
    rightColumn->addWidget(btnSimilarMatch);
    rightColumn->addWidget(btnExactMatch);

    imgViewMatches = pictureLabel(rightContent, QSize(189, 116));
    rightColumn->addSpacing(4);
    rightColumn->addWidget(imgViewMatches, 0, Qt::AlignHCenter);

    customViewMatches = new QWidget(rightContent);
    customViewMatches->setObjectName(QStringLiteral("customViewMatches"));
    auto *matchesLayout = new QVBoxLayout(customViewMatches);
    matchesLayout->setContentsMargins(0, 0, 0, 0);
    rightColumn->addWidget(customViewMatches, 1);
    rightColumnScroller->setWidget(rightContent);
    rightContent->setAutoFillBackground(false); // setWidget turns it on; the panel's grey shows through
    rightOuter->addWidget(rightColumnScroller, 1);

    boxScanForDuplicate = new QFrame(right);
    boxScanForDuplicate->setObjectName(QStringLiteral("boxScanForDuplicate"));
    boxScanForDuplicate->setFixedHeight(54);
    auto *scanGrid = new QGridLayout(boxScanForDuplicate);
    scanGrid->setContentsMargins(0, 0, 0, 0);
    lblScanForDuplicate = new QLabel(boxScanForDuplicate);
    lblScanForDuplicate->setObjectName(QStringLiteral("lblScanForDuplicate"));
    lblScanForDuplicate->setAlignment(Qt::AlignCenter);
    lblScanForDuplicate->setAttribute(Qt::WA_TransparentForMouseEvents);
    btnScanForDuplicates = new SYFlatButton(boxScanForDuplicate);
    btnScanForDuplicates->setObjectName(QStringLiteral("btnScanForDuplicates"));
    btnScanForDuplicates->setMomentary(true);
    btnScanForDuplicates->setCornerRadius(6);
    btnScanForDuplicates->setBackgroundNormalColor(Qt::transparent);
    btnScanForDuplicates->setBorderNormalColor(Qt::transparent);
    btnScanForDuplicates->setBorderHighlightColor(Qt::transparent);
    btnScanForDuplicates->setCursor(Qt::PointingHandCursor);
    btnScanForDuplicates->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    btnScanForDuplicates->setFocusPolicy(Qt::StrongFocus);
    scanGrid->addWidget(lblScanForDuplicate, 0, 0);
    scanGrid->addWidget(btnScanForDuplicates, 0, 0);
    auto *scanRow = new QHBoxLayout;
    scanRow->setContentsMargins(15, 0, 15, 0);
    scanRow->addWidget(boxScanForDuplicate);
    rightOuter->addLayout(scanRow);
    body->addWidget(right);
    m_homeContent = {header, left, right};

    boxTopBlackLayer = new TopBlackLayer(this);
    placeLayers();

    connect(btnSimilarMatch, &QPushButton::clicked, this, [this] { tappedSimilarMatches(); });
    connect(btnExactMatch, &QPushButton::clicked, this, [this] { tappedExactMatches(); });
    connect(checkSimilarMatch, &QRadioButton::clicked, this, [this] { tappedSimilarCheckbox(); });
    connect(checkExactMatch, &QRadioButton::clicked, this, [this] { tappedExactCheckBox(); });
    connect(btnScanForDuplicates, &QAbstractButton::clicked, this, [this] { tappedScanForDuplicates(); });
}

void ViewController::setup()
{
    btnScanForDuplicates->setAlphaValue(0.4);
    imgSimilarMatch->show();
    imgExactMatch->hide();
    checkSimilarMatch->setChecked(true);
    checkExactMatch->setChecked(false);
    btnSimilarMatch->setChecked(true);
    btnExactMatch->setChecked(false);

    NotificationCenter::defaultCenter().addObserver(
        this, NotificationName::isFilesNotSelected,
        [this](const Notification &n) { isFilesNotSelectedNotification(n.userInfo); });

    QWidget *scanListView = addFilesVC();
    scanListView->setParent(customViewAddFiles);
    customViewAddFiles->layout()->addWidget(scanListView);
    scanListView->show();

    drawPictures();
    showMatchesPanel(similarMatchesVC(), nullptr);

    lblTitle->setText(localizedText(QStringLiteral("IDS_TWK_1")));
    lblDraganddropphotoshere->setText(localizedText(QStringLiteral("IDS_TWK_2")));
    lblhintdragphotos->setText(localizedText(QStringLiteral("IDS_TWK_3")));
    lblAddFiles->setText(localizedText(QStringLiteral("IDS_TWK_13")));
    lblScanForDuplicate->setText(localizedText(QStringLiteral("IDS_TWK_4")));
    lblExactMatch->setText(localizedText(QStringLiteral("IDS_TWK_12")));
    lblSimilarMatch->setText(localizedText(QStringLiteral("IDS_TWK_11")));

    // The other-apps button at the right of the title bar. Made after everything else, so it comes
    // last when tabbing and the window does not open with the focus on it.
    QWidget *header = lblTitle->parentWidget();
    btnOtherApps = new QPushButton(localizedText(QStringLiteral("IDS_TWK_8102")), header);
    btnOtherApps->setObjectName(QStringLiteral("btnOtherApps"));
    btnOtherApps->setCursor(Qt::PointingHandCursor);
    btnOtherApps->setFocusPolicy(Qt::StrongFocus);
    header->layout()->addWidget(btnOtherApps);
    connect(btnOtherApps, &QPushButton::clicked, this, [this] { clickedOtherApps(); });
}

void ViewController::registerObservers()
{
    auto &center = NotificationCenter::defaultCenter();
    auto observe = [this, &center](QLatin1StringView name, std::function<void()> handler) {
        center.addObserver(this, name, [handler](const Notification &) { handler(); });
    };
    observe(NotificationName::callVCFromScanVC, [this] { callVCFromScanVC(); });
    observe(NotificationName::hideTopBlackLayer, [this] { hideTopBlackLayer(); });
    observe(NotificationName::closeToExitVC, [this] { closeToExitVC(); });
    observe(NotificationName::aboutWindow, [this] { aboutWindow(); });
    observe(NotificationName::reinitializationItems, [this] { reinitializationItems(); });
    observe(NotificationName::presentAfterDeleteView, [this] { presentAfterDeleteView(); });
    observe(NotificationName::cancelScanning, [this] { cancelScanning(); });
    observe(NotificationName::noSimilarPhotosFound, [this] { noSimilarPhotosFound(); });
    observe(NotificationName::afterMoveInPhotoLibrary, [this] { afterMoveInPhotoLibrary(); });
    observe(NotificationName::disableControl, [this] { disableControlNotification(); });
    observe(NotificationName::disableScanButtonControl, [this] { disableScanButtonControlNotification(); });
}

// ---- the Scan button ----

void ViewController::setScanButtonLook(bool enabledLook)
{
    m_scanLookEnabled = enabledLook;
    boxScanForDuplicate->setProperty("scanEnabled", enabledLook);
    boxScanForDuplicate->setStyleSheet(
        enabledLook ? QStringLiteral("#boxScanForDuplicate { background-color: " TWINSIFT_GREEN_CSS ";"
                                     " border-radius: 6px; }")
                    : QStringLiteral("#boxScanForDuplicate { background-color: " TWINSIFT_MUTED_BUTTON_CSS ";"
                                     " border-radius: 6px; }"));
    btnScanForDuplicates->setBackgroundHighlightColor(enabledLook ? Palette::headerBackground : Palette::mutedButton);
    lblScanForDuplicate->setStyleSheet(enabledLook ? QStringLiteral("color: " TWINSIFT_WHITE_CSS ";")
                                                   : QStringLiteral("color: " TWINSIFT_HINT_TEXT_CSS ";"));
}

void ViewController::setScanButtonEnabled(bool enabled)
{
    btnScanForDuplicates->setEnabled(enabled);
    setScanButtonLook(enabled);
}

void ViewController::disableScanButton()
{
    setScanButtonEnabled(false);
    HubScreens::setScanListMenuHidden(true);
}

void ViewController::isFilesNotSelected()
{
    const auto entries = HubScreens::initialDirectories();
    int checked = 0;
    int last = -1;
    for (int i = 0; i < int(entries.size()); ++i) {
        if (entries[i].isChecked) {
            ++checked;
            last = i;
        }
    }
    bool enabled = false;
    if (checked == 1)
        enabled = entries[last].file && entries[last].file->isFolder;
    else if (checked >= 2)
        enabled = true;
    setScanButtonEnabled(enabled);
}

void ViewController::isFilesNotSelectedNotification(const QVariantMap &userInfo)
{
    const auto found = userInfo.constFind(QStringLiteral("isEmpty"));
    if (found == userInfo.constEnd() || found->typeId() != QMetaType::Bool)
        return;
    if (found->toBool()) {
        setScanButtonEnabled(false);
        return;
    }
    const auto entries = HubScreens::initialDirectories();
    setScanButtonEnabled(!(entries.size() == 1 && !entries.front().isChecked));
}

// ---- mode selection ----

void ViewController::showMatchesPanel(QWidget *panel, QWidget *other)
{
    if (panel->parentWidget() == customViewMatches && panel->isVisibleTo(customViewMatches))
        return;
    if (other && other->parentWidget() == customViewMatches) {
        customViewMatches->layout()->removeWidget(other);
        other->hide();
        other->setParent(nullptr);
    }
    panel->setParent(customViewMatches);
    customViewMatches->layout()->addWidget(panel);
    panel->show();
}

void ViewController::selectMode(bool similar)
{
    checkExactMatch->setChecked(!similar);
    checkSimilarMatch->setChecked(similar);
    btnExactMatch->setChecked(!similar);
    btnSimilarMatch->setChecked(similar);
    imgSimilarMatch->setVisible(similar);
    imgExactMatch->setVisible(!similar);
    isSimilarScan = similar;
    drawPictures();
    QWidget *panel = similar ? similarMatchesVC() : static_cast<QWidget *>(exactMatchVC());
    if (panel->parentWidget() != customViewMatches)
        showMatchesPanel(panel, similar ? static_cast<QWidget *>(exactMatchVC()) : similarMatchesVC());
}

void ViewController::drawPictures()
{
    const qreal ratio = devicePixelRatioF();
    showPicture(imageViewTitle, HomePictures::titleIcon(ratio));
    showPicture(imgViewAddFiles, HomePictures::addFilesIcon(ratio));
    showPicture(imgViewTopTab1AddFiles, HomePictures::similarMarker(ratio));
    showPicture(imgViewDragnDrop, HomePictures::dropPicture(ratio));
    showPicture(imgSimilarMatch, HomePictures::similarMarker(ratio));
    showPicture(imgExactMatch, HomePictures::exactMarker(ratio));
    showPicture(imgViewMatches,
                isSimilarScan ? HomePictures::similarModePicture(ratio) : HomePictures::exactModePicture(ratio));
}

bool ViewController::event(QEvent *event)
{
    // Moved to a screen of another scale: the pictures are drawn again for it.
    if (event->type() == QEvent::ScreenChangeInternal && m_viewLoaded)
        drawPictures();
    return QWidget::event(event);
}

void ViewController::tappedSimilarMatches()
{
    selectMode(true);
}

void ViewController::tappedSimilarCheckbox()
{
    selectMode(true);
}

void ViewController::tappedExactMatches()
{
    selectMode(false);
}

void ViewController::tappedExactCheckBox()
{
    selectMode(false);
}

void ViewController::clickedOtherApps()
{
    if (OtherAppsWindow *window = otherAppsWindowController())
        window->showWindow();
}

void ViewController::setHomeModeControlsEnabled(bool enabled)
{
    btnExactMatch->setEnabled(enabled);
    btnSimilarMatch->setEnabled(enabled);
    checkExactMatch->setEnabled(enabled);
    checkSimilarMatch->setEnabled(enabled);
}

// ---- scan start ----

void ViewController::tappedScanForDuplicates()
{
    if (isBusy() || photosFlow()->isBusy())
        return; // a scan, sheet, overlay or Photos question is already up
    AllViewControllers::clearScanControllers();
    HubScreens::setInitialDirectories(HubScreens::scanList());
    photosFlow()->scanOrReadPhotosLibrary();
}

PhotosLibraryFlow *ViewController::photosFlow()
{
    if (m_photosFlow)
        return m_photosFlow;
    PhotosLibraryFlow::Callbacks callbacks;
    callbacks.initialDirectories = []() -> std::vector<InitialDirectory> & { return HubScreens::workingList(); };
    callbacks.startScan = [this] { startScan(); };
    callbacks.askToQuitPhotos = [this](const PhotosLibraryAlert &texts, std::function<void(bool)> answer) {
        showFlowAlert(
            texts, [answer](int button) { answer(button == 0); }, true);
    };
    callbacks.photosDidNotQuit = [this](const PhotosLibraryAlert &texts, std::function<void()> done) {
        showFlowAlert(
            texts, [done](int) { done(); }, false);
    };
    callbacks.libraryUnreadable = [this](const PhotosLibraryAlert &texts, const QString &,
                                         std::function<void(bool)> answer) {
        showFlowAlert(
            texts, [answer](int button) { answer(button == 0); }, false);
    };
    callbacks.busyChanged = [this](bool busy) {
        if (busy)
            btnScanForDuplicates->setEnabled(false);
        else if (!defaults().boolForKey(SettingsKey::isPopUp))
            isFilesNotSelected();
    };
    m_photosFlow = new PhotosLibraryFlow(callbacks, this);
    return m_photosFlow;
}

void ViewController::showFlowAlert(const PhotosLibraryAlert &texts, std::function<void(int)> answered,
                                   bool isQuitQuestion)
{
    // Library names are shown as they are, never read as markup.
    QList<AlertButton> titled;
    for (int i = 0; i < texts.buttonTitles.size(); ++i)
        titled.append({texts.buttonTitles[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole});
    QList<QAbstractButton *> buttons;
    auto *box = makeAlert(window(), QString(), QMessageBox::Warning, texts.messageText, texts.messageText,
                          texts.informativeText, titled, &buttons);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    keepAlertFrameless(box);
    if (isQuitQuestion)
        alert = box;
    // The first button pressed answers; the box is gone afterwards, so the answer comes once.
    auto once = std::make_shared<bool>(false);
    connect(box, &QMessageBox::buttonClicked, this, [buttons, answered, once](QAbstractButton *button) {
        if (*once)
            return;
        *once = true;
        answered(int(buttons.indexOf(button)));
    });
    box->open();
}

void ViewController::askToQuitPhotos()
{
    photosFlow()->askToQuitPhotos();
}

void ViewController::removePhotoApp()
{
    if (alert)
        alert->close();
    photosFlow()->removePhotoApp();
}

void ViewController::skipPhotosLibrary()
{
    if (alert)
        alert->close();
    photosFlow()->skipPhotosLibrary();
}

void ViewController::locatePhotosDatabaseFiles()
{
    photosFlow()->locatePhotosDatabaseFiles();
}

void ViewController::startScan()
{
    HubScreens::configureScan(isSimilarScan, HubScreens::initialDirectories());
    boxTopBlackLayer->show();
    restack();
    defaults().setBool(SettingsKey::isScan, true);
    defaults().setBool(SettingsKey::isDelete, false);
    defaults().setBool(SettingsKey::isSliderAvailable, false);
    defaults().setBool(SettingsKey::isVisibleSettingTooltips, false);
    HubScreens::setScanListMenuHidden(true);
    defaults().setBool(SettingsKey::isPopUp, true);
    m_exitPending = false;
    emit popUpModeStarted();
    setScanButtonLook(false);
    HubScreens::presentScanSheet(this);
}

// ---- hub handlers ----

void ViewController::callVCFromScanVC()
{
    btnScanForDuplicates->setEnabled(false);
    boxTopBlackLayer->hide();
    HubScreens::setScanListMenuHidden(true);
    defaults().setBool(SettingsKey::isResultVC, true);
    setHomeModeControlsEnabled(false);
    HubScreens::setSimilarResetEnabled(false);
    HubScreens::prepareResultView();
    platform::Dispatch::mainAfter(
        0.5, [this] { loadResult(); }, this);
}

void ViewController::loadResult()
{
    QWidget *result = HubScreens::prepareResultView();
    m_resultView = result;
    if (result->parentWidget() != this)
        result->setParent(this);
    result->setGeometry(rect());
    result->show();
    restack();
    updateCoveredContent();
}

void ViewController::updateCoveredContent()
{
    // Under the results the home screen cannot be seen: hidden, its controls leave the Tab chain
    // and no focus handed on (an overlay that goes, a control that hides) can land on them.
    QWidget *result = embeddedResultView();
    const bool covered = result && !result->isHidden();
    for (QWidget *part : m_homeContent)
        if (part && part->isHidden() == !covered)
            part->setVisible(!covered);
}

void ViewController::restack()
{
    // Bottom to top: the home screen, its dark layer, the results screen (which dims itself),
    // the overlays.
    boxTopBlackLayer->raise();
    if (QWidget *result = embeddedResultView())
        result->raise();
    if (sharedAnimator)
        for (QWidget *overlay : sharedAnimator->presentedViews())
            if (overlay->parentWidget() == this)
                overlay->raise();
}

QWidget *ViewController::embeddedResultView() const
{
    return m_resultView && m_resultView->parentWidget() == this ? m_resultView.data() : nullptr;
}

void ViewController::hideTopBlackLayer()
{
    boxTopBlackLayer->hide();
    setScanButtonLook(true);
    HubScreens::setScanListMenuHidden(HubScreens::initialDirectories().empty());
}

void ViewController::aboutWindow()
{
    presentOverlay(true, aboutVC());
}

void ViewController::reinitializationItems()
{
    isFilesNotSelected();
}

void ViewController::presentAfterDeleteView()
{
    presentOverlay(false, afterDeleteStatusVC());
}

void ViewController::cancelScanning()
{
    presentOverlay(true, cancelScanningVC());
}

void ViewController::noSimilarPhotosFound()
{
    presentOverlay(true, noSimilarDuplicatePhotosFoundVC());
}

void ViewController::afterMoveInPhotoLibrary()
{
    presentOverlay(true, afterMoveInPhotoLibraryVC());
}

void ViewController::disableControlNotification()
{
    setPopUpMode(true);
}

void ViewController::disableScanButtonControlNotification()
{
    disableScanButton();
}

// ---- pop-up mode ----

void ViewController::setPopUpMode(bool lock)
{
    if (auto *mainWindow = qobject_cast<InitialWindowController *>(window())) {
        mainWindow->setWindowLocked(lock);
        if (lock) {
            mainWindow->raise();
            mainWindow->activateWindow();
        }
    }
    defaults().setBool(SettingsKey::isPopUp, true);
    m_exitPending = false;
    emit popUpModeStarted();
    setScanButtonEnabled(false);
    HubScreens::setScanListControlsEnabled(false);
    HubScreens::setScanListMenuHidden(true);
    setHomeModeControlsEnabled(false);
    boxTopBlackLayer->show();
    restack();
    HubScreens::setSimilarResetEnabled(false);
    HubScreens::setSimilarSlidersEnabled(false);
    HubScreens::setAfterDeleteTopBlackLayerVisible(true);
    if (!HubScreens::isResultScreenLoaded())
        return;
    HubScreens::setResultControlsEnabled(false);
    setResultInteractionEnabled();
}

void ViewController::presentOverlay(bool lock, QWidget *controller)
{
    setPopUpMode(lock);
    if (!sharedAnimator || !controller)
        return;
    sharedAnimator->animatePresentation(controller, this);
}

void ViewController::closeToExitVC()
{
    m_exitPending = true;
    tryLeavePopUpMode();
    // Overlays post their close before they start sliding out, and sheets before they hide:
    // look again once the poster has finished.
    if (m_exitPending)
        platform::Dispatch::mainAsync([guard = QPointer<ViewController>(this)] {
            if (guard)
                guard->tryLeavePopUpMode();
        });
}

int ViewController::popUpHolderCount() const
{
    int count = 0;
    if (sharedAnimator)
        count += sharedAnimator->presentedViews().size();
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() || top == window())
            continue;
        if (qobject_cast<QDialog *>(top) && (top->isModal() || top->windowModality() != Qt::NonModal))
            ++count;
    }
    if (HubScreens::isScanOrDeletionRunning() && count == 0)
        ++count;
    return count;
}

bool ViewController::isBusy() const
{
    return defaults().boolForKey(SettingsKey::isPopUp) || popUpHolderCount() > 0;
}

void ViewController::tryLeavePopUpMode()
{
    if (!m_exitPending)
        return;
    if (popUpHolderCount() > 0)
        return; // something is still up; its closing looks again
    leavePopUpMode();
}

void ViewController::leavePopUpMode()
{
    m_exitPending = false;
    if (auto *mainWindow = qobject_cast<InitialWindowController *>(window()))
        mainWindow->setWindowLocked(false);
    defaults().setBool(SettingsKey::isPopUp, false);
    HubScreens::setAfterDeleteTopBlackLayerVisible(false);
    HubScreens::setNoSimilarTopBlackLayerVisible(false);

    if (!defaults().boolForKey(SettingsKey::isResultVC)) {
        const bool hasEntries = !HubScreens::initialDirectories().empty();
        if (hasEntries)
            setScanButtonEnabled(true);
        HubScreens::setScanListMenuHidden(!hasEntries);
        setHomeModeControlsEnabled(true);
        HubScreens::setSimilarResetEnabled(true);
    }
    HubScreens::setScanListControlsEnabled(true);
    boxTopBlackLayer->hide();
    HubScreens::setSimilarSlidersEnabled(true);
    if (HubScreens::isResultScreenLoaded()) {
        HubScreens::setResultControlsEnabled(true);
        setResultInteractionEnabled();
    }
    emit popUpModeEnded();
}

void ViewController::setResultInteractionEnabled()
{
    HubScreens::setResultInteractionEnabled(!defaults().boolForKey(SettingsKey::isPopUp));
}

// ---- layout ----

void ViewController::placeLayers()
{
    if (boxTopBlackLayer)
        boxTopBlackLayer->setGeometry(rect());
    if (m_resultView && m_resultView->parentWidget() == this)
        m_resultView->setGeometry(rect());
}

void ViewController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeLayers();
}

bool ViewController::closeTopOverlayByKeyboard()
{
    if (!sharedAnimator)
        return false;
    const QList<QWidget *> overlays = sharedAnimator->presentedViews();
    for (auto it = overlays.crbegin(); it != overlays.crend(); ++it) {
        QWidget *overlay = *it;
        if (overlay->parentWidget() != this || !overlay->isVisible())
            continue;
        // The overlay's own close (or Cancel) button decides, as a click on it would.
        return platform::closeOverlayByKeyboard(overlay);
    }
    return false;
}

bool ViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_resultView.data()) {
        switch (event->type()) {
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::ParentChange:
            updateCoveredContent();
            break;
        default:
            break;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == window()
        && QApplication::activeModalWidget() == nullptr && closeTopOverlayByKeyboard())
        return true;
    // A window that closes while the end of pop-up mode waits may have been the last thing up.
    if (m_exitPending && (event->type() == QEvent::Hide || event->type() == QEvent::Close) && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->isWindow()) {
        platform::Dispatch::mainAsync([guard = QPointer<ViewController>(this)] {
            if (guard)
                guard->tryLeavePopUpMode();
        });
    }
    return QWidget::eventFilter(watched, event);
}
