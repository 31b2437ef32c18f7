#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"
#include "screens/shell/ScreenNames.h"

#include "model/ModuleState.h"
#include "model/ResultRegrouping.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/SheetPresenter.h"
#include "screens/results/ResultPictures.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/ResultScreenStyle.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "services/ResultProtection.h"
#include "services/TimeAndPlace.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"
#include "model/Palette.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QString text(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

QLabel *picture(QWidget *parent, const char *name, const QImage &image, int size)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFixedSize(size, size);
    label->setPixmap(QPixmap::fromImage(image));
    return label;
}

QLabel *caption(QWidget *parent, const char *name, const char *key)
{
    auto *label = new QLabel(text(key), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QSlider *levelSlider(QWidget *parent, const char *name)
{
    auto *slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(1, 6);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setFixedWidth(180);
    slider->setCursor(Qt::PointingHandCursor);
    return slider;
}

} // namespace

NoSimilarDuplicatePhotosFoundVC::NoSimilarDuplicatePhotosFoundVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("NoSimilarDuplicatePhotosFound"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        resultScreenStyleSheet(objectName())
        + QStringLiteral(
            "QPushButton { color: " TWINSIFT_WHITE_CSS "; background: " TWINSIFT_BUTTON_FACE_CSS "; border: 1px solid"
            " " TWINSIFT_HOVER_BACKGROUND_CSS "; border-radius: 16px;"
            " padding: 6px 24px; min-height: 20px; font-weight: bold; }"
            "QPushButton#btnBackToHome { background: transparent; border: 1px solid transparent; border-radius: 6px;"
            " padding: 2px 8px; font-weight: normal; }"
            "QPushButton#btnBackToHome:hover, QPushButton:focus { border-color: " TWINSIFT_FOCUS_BLUE_CSS "; }"
            "QLabel[role=\"look\"] { color: #8a8a8a; }"
            "QSlider::groove:horizontal { height: 4px; background: " TWINSIFT_SUBTLE_BORDER_CSS
            "; border-radius: 2px; }"
            "QSlider::sub-page:horizontal { background: " TWINSIFT_GOLD_CSS "; border-radius: 2px; }"
            "QSlider::handle:horizontal { width: 14px; margin: -6px 0; border-radius: 7px; background:"
            " " TWINSIFT_SLIDER_HANDLE_CSS "; }"));

    // ---- toolbar look-alike (pictures and captions; only Back to Home acts)
    imgViewTitle = picture(this, "imgViewTitle", ResultPictures::titleIcon(), 24);
    lblTitle = makeBoldLabel(text("IDS_TWK_1"), 15, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    btnBackToHome = new QPushButton(this);
    btnBackToHome->setObjectName(QStringLiteral("btnBackToHome"));
    btnBackToHome->setCursor(Qt::PointingHandCursor);
    imgViewBackToHome = picture(btnBackToHome, "imgViewBackToHome", ResultPictures::backToHomeIcon(), 26);
    lblBackToHome = caption(btnBackToHome, "lblBackToHome", "IDS_TWK_48");
    for (QLabel *label : {imgViewBackToHome, lblBackToHome})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *homeLayout = new QHBoxLayout(btnBackToHome);
    homeLayout->setContentsMargins(8, 2, 10, 2);
    homeLayout->addWidget(imgViewBackToHome);
    lblBackToHome->setMinimumHeight(30); // keeps the button 34 px tall and lets its layout size it
    homeLayout->addWidget(lblBackToHome);
    // The style's minimum height keeps the layout from sizing the button: its width is set here.
    btnBackToHome->setMinimumWidth(homeLayout->sizeHint().width());

    imgViewRadioSelect = picture(this, "imgViewRadioSelect", ResultPictures::radioChecked(), 20);
    lblAutoSelect = caption(this, "lblAutoSelect", "IDS_TWK_50");
    imgViewRadioUnselect = picture(this, "imgViewRadioUnselect", ResultPictures::radioUnchecked(), 20);
    lblUnselectAll = caption(this, "lblUnselectAll", "IDS_TWK_51");
    imgViewSelectionWizard = picture(this, "imgViewSelectionWizard", ResultPictures::selectionWizardIcon(), 26);
    lblSelectionWizard = caption(this, "lblSelectionWizard", "IDS_TWK_53");
    imgViewThumbnailView = picture(this, "imgViewThumbnailView", ResultPictures::thumbnailViewIcon(), 26);
    lblThumbnailView = caption(this, "lblThumbnailView", "IDS_TWK_55");
    imgViewListView = picture(this, "imgViewListView", ResultPictures::listViewIcon(), 26);
    lblListView = caption(this, "lblListView", "IDS_TWK_56");
    lbl0Of0SelectedIn0Group = caption(this, "lbl0Of0SelectedIn0Group", "IDS_TWK_287");
    for (QLabel *look :
         {lblAutoSelect, lblUnselectAll, lblSelectionWizard, lblThumbnailView, lblListView, lbl0Of0SelectedIn0Group})
        look->setProperty("role", QStringLiteral("look"));

    auto *toolbar = new QHBoxLayout;
    toolbar->setSpacing(8);
    toolbar->addWidget(imgViewTitle);
    toolbar->addWidget(lblTitle);
    toolbar->addSpacing(10);
    toolbar->addWidget(btnBackToHome);
    toolbar->addStretch(1);
    for (QWidget *w : std::initializer_list<QWidget *>{
             imgViewRadioSelect, lblAutoSelect, imgViewRadioUnselect, lblUnselectAll, imgViewSelectionWizard,
             lblSelectionWizard, imgViewThumbnailView, lblThumbnailView, imgViewListView, lblListView})
        toolbar->addWidget(w);

    // ---- message, sliders, Back
    imgView = picture(this, "imgView", ResultPictures::noResultsPicture(), 160);
    imgView->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    lblNoSimilarDuplicatePhotosFound = new QLabel(this);
    lblNoSimilarDuplicatePhotosFound->setObjectName(QStringLiteral("lblNoSimilarDuplicatePhotosFound"));
    QFont big = lblNoSimilarDuplicatePhotosFound->font();
    big.setPointSize(16);
    big.setBold(true);
    lblNoSimilarDuplicatePhotosFound->setFont(big);
    lblPleaseGoBackToTheHome = new QLabel(this);
    lblPleaseGoBackToTheHome->setObjectName(QStringLiteral("lblPleaseGoBackToTheHome"));
    lblPleaseGoBackToTheHome->setProperty("role", QStringLiteral("caption"));
    for (QLabel *label : {lblNoSimilarDuplicatePhotosFound, lblPleaseGoBackToTheHome}) {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
    }

    lblMatchingLevelCapTop = caption(this, "lblMatchingLevelCapTop", "IDS_TWK_15");
    lblMatchingLevelValueTop = new QLabel(this);
    lblMatchingLevelValueTop->setObjectName(QStringLiteral("lblMatchingLevelValueTop"));
    sliderViewTop = levelSlider(this, "sliderViewTop");
    lblCapMatchingLevel = caption(this, "lblCapMatchingLevel", "IDS_TWK_15");
    lblValueMatchingLevel = new QLabel(this);
    lblValueMatchingLevel->setObjectName(QStringLiteral("lblValueMatchingLevel"));
    sliderView = levelSlider(this, "sliderView");
    for (QSlider *slider : {sliderViewTop, sliderView})
        connect(slider, &QSlider::valueChanged, this, [this, slider](int position) {
            if (!slider->signalsBlocked())
                sliderViewValues(position);
        });
    auto *topSliderLine = new QHBoxLayout;
    topSliderLine->addStretch(1);
    topSliderLine->addWidget(lblMatchingLevelCapTop);
    topSliderLine->addWidget(sliderViewTop);
    topSliderLine->addWidget(lblMatchingLevelValueTop);
    auto *sliderLine = new QHBoxLayout;
    sliderLine->addStretch(1);
    sliderLine->addWidget(lblCapMatchingLevel);
    sliderLine->addWidget(sliderView);
    sliderLine->addWidget(lblValueMatchingLevel);
    sliderLine->addStretch(1);

    boxBack = new QFrame(this);
    boxBack->setObjectName(QStringLiteral("boxBack"));
    btnBack = new QPushButton(boxBack);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnBack->setCursor(Qt::PointingHandCursor);
    lblBack = new QLabel(text("IDS_TWK_49"), btnBack);
    lblBack->setObjectName(QStringLiteral("lblBack"));
    lblBack->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *backFace = new QHBoxLayout(btnBack);
    backFace->setContentsMargins(24, 4, 24, 4);
    backFace->addWidget(lblBack);
    auto *backLayout = new QHBoxLayout(boxBack);
    backLayout->setContentsMargins(0, 0, 0, 0);
    backLayout->addStretch(1);
    backLayout->addWidget(btnBack);
    backLayout->addStretch(1);
    btnBack->setProperty("closesOverlay", true); // Escape leaves the overlay as Back does
    connect(btnBack, &QPushButton::clicked, this, [this] { clickedBack(); });
    connect(btnBackToHome, &QPushButton::clicked, this, [this] { clickedBackToHome(); });

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(16, 10, 16, 24);
    root->setSpacing(12);
    root->addLayout(toolbar);
    root->addLayout(topSliderLine);
    root->addStretch(1);
    root->addWidget(imgView, 0, Qt::AlignHCenter);
    root->addWidget(lblNoSimilarDuplicatePhotosFound);
    root->addWidget(lblPleaseGoBackToTheHome);
    root->addSpacing(8);
    root->addLayout(sliderLine);
    root->addWidget(boxBack);
    root->addStretch(2);
    root->addWidget(lbl0Of0SelectedIn0Group);

    boxTopBlackLayer = new DimmingBox(this);
}

bool NoSimilarDuplicatePhotosFoundVC::event(QEvent *event)
{
    // Put into another view, the screen covers it whole and follows its size.
    if (event->type() == QEvent::ParentChange && parentWidget()) {
        parentWidget()->installEventFilter(this);
        setGeometry(parentWidget()->rect());
    }
    return QWidget::event(event);
}

bool NoSimilarDuplicatePhotosFoundVC::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isPresented)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void NoSimilarDuplicatePhotosFoundVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    viewWillAppear();
    platform::Dispatch::mainAsync(
        [] { platform::NotificationCenter::defaultCenter().post(NotificationName::disableControl); });
}

void NoSimilarDuplicatePhotosFoundVC::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        platform::NotificationCenter::defaultCenter().post(NotificationName::closeToExitVC);
}

void NoSimilarDuplicatePhotosFoundVC::setSliderControlsVisible(bool visible)
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{lblCapMatchingLevel, lblValueMatchingLevel, lblMatchingLevelCapTop,
                                          lblMatchingLevelValueTop, sliderView, sliderViewTop})
        w->setVisible(visible);
}

void NoSimilarDuplicatePhotosFoundVC::viewWillAppear()
{
    boxTopBlackLayer->hide();
    const auto *sheet = AllViewControllers::cached<ScanVC>(ScreenName::scan);
    const bool sliderForm = (sheet && sheet->sendData && !sheet->sendData->empty())
        || platform::UserDefaults::standard().boolForKey(SettingsKey::isSliderAvailable);
    if (sliderForm) {
        setSliderControlsVisible(true);
        boxBack->hide();
        syncSlidersWithThreshold();
        isPresented = true;
    } else {
        setSliderControlsVisible(false);
        boxBack->show();
        isPresented = false;
    }
    lblNoSimilarDuplicatePhotosFound->setText(text(sliderForm ? "IDS_TWK_288" : "IDS_TWK_285"));
    lblPleaseGoBackToTheHome->setText(text(sliderForm ? "IDS_TWK_289" : "IDS_TWK_286"));
}

void NoSimilarDuplicatePhotosFoundVC::syncSlidersWithThreshold()
{
    const int position = positionOfThreshold(similarityThreshold);
    if (position > 0) {
        const QSignalBlocker blockLower(sliderView);
        const QSignalBlocker blockTop(sliderViewTop);
        sliderView->setValue(position);
        sliderViewTop->setValue(position);
    }
    lblValueMatchingLevel->setText(applyMatchingLevel(sliderView->value()));
    lblMatchingLevelValueTop->setText(applyMatchingLevel(sliderView->value()));
}

void NoSimilarDuplicatePhotosFoundVC::sliderViewValues(int position)
{
    const QString caption = applyMatchingLevel(position);
    lblValueMatchingLevel->setText(caption);
    lblMatchingLevelValueTop->setText(caption);
    ScanResultVC *results = scanResultVC();
    {
        const QSignalBlocker block(results->sliderMatchingLevel);
        results->sliderMatchingLevel->setValue(position);
    }
    results->lblValueMatchingLevel->setText(applyMatchingLevel(position));
    {
        const QSignalBlocker blockTop(sliderViewTop);
        const QSignalBlocker blockLower(sliderView);
        sliderViewTop->setValue(position);
        sliderView->setValue(position);
    }

    // The first member of each group stays whatever its score; marks start empty; protection is
    // derived again from the protected folders and the protection set by hand.
    ResultState &state = ResultState::shared();
    const ResultRegrouping::FileMemory memory = ResultRegrouping::remember(state);
    ResultRegrouping::showGroups(state, ResultRegrouping::groupsAtMatchingLevel(state.allImages, similarityThreshold),
                                 memory, false);
    rederiveProtection(state);
    refreshResultTotals();
    refreshSelectionState();
    if (state.imageDirectories.empty())
        return;
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail))
        grid->reloadData();
    if (auto *list = AllViewControllers::cached<ListViewVC>(ScreenName::listView))
        list->reloadData();
    hide();
    setParent(nullptr);
    platform::UserDefaults::standard().setBool(SettingsKey::isSliderAvailable, false);
}

void NoSimilarDuplicatePhotosFoundVC::leave()
{
    if (!isPresented) {
        if (sharedAnimator && sharedAnimator->presentedViews().contains(this))
            sharedAnimator->animateDismissal(this, scanResultVC());
        else
            hide();
    } else {
        hide();
        setParent(nullptr);
    }
    scanResultVC()->returnToHome();
    platform::NotificationCenter::defaultCenter().post(NotificationName::closeToExitVC);
}

void NoSimilarDuplicatePhotosFoundVC::clickedBack()
{
    leave();
}

void NoSimilarDuplicatePhotosFoundVC::clickedBackToHome()
{
    if (!platform::UserDefaults::standard().boolForKey(SettingsKey::isSliderAvailable)) {
        leave();
        return;
    }
    if (backToHomeAlert) {
        platform::UserDefaults::standard().setBool(SettingsKey::isPopUp, false);
        platform::SheetPresenter::presentAsSheet(backToHomeDialogVC(), this);
        return;
    }
    scanResultVC()->returnToHome();
}
