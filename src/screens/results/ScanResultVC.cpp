#include "screens/results/ScanResultVC.h"

#include "screens/shell/AllViewControllers.h"
#include "screens/shell/HubScreens.h"
#include "controls/SYFlatButton.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/SheetPresenter.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/ResultScreenStyle.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QPushButton *makeToolButton(QWidget *parent, const char *name, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

ScanResultVC::ScanResultVC(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ScanResult"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(resultScreenStyleSheet(objectName()) + QStringLiteral(
        "QPushButton { color: #e0e0e0; background: #3e3e3e; border: 1px solid #4a4a4a; border-radius: 13px;"
        " padding: 4px 14px; }"
        "QPushButton:disabled { color: #777777; }"
        "QLabel#imgPreview { background: #222222; border-radius: 6px; }"));

    lblTitle = makeBoldLabel(localizedText(QStringLiteral("IDS_TWK_1")), 15, this);
    lblAllDuplicatePhotosFound = new QLabel(this);
    lblAllDuplicatePhotosFound->setObjectName(QStringLiteral("lblAllDuplicatePhotosFound"));
    lblAllSizeCanBeRemoved = new QLabel(this);
    lblAllSizeCanBeRemoved->setObjectName(QStringLiteral("lblAllSizeCanBeRemoved"));
    lblAllSizeCanBeRemoved->setProperty("role", QStringLiteral("caption"));
    lblSelectedInGroup = new QLabel(this);
    lblSelectedInGroup->setObjectName(QStringLiteral("lblSelectedInGroup"));
    lblSelectedInGroup->setProperty("role", QStringLiteral("caption"));

    btnBackToHome = makeToolButton(this, "btnBackToHome", localizedText(QStringLiteral("IDS_TWK_48")));
    btnAutoSelect = makeToolButton(this, "btnAutoSelect", localizedText(QStringLiteral("IDS_TWK_50")));
    btnAutoSelect->hide(); // shown once the automatic marking is part of the program
    btnUnSelectAll = makeToolButton(this, "btnUnSelectAll", localizedText(QStringLiteral("IDS_TWK_51")));
    connect(btnBackToHome, &QPushButton::clicked, this, [this] { returnToHome(); });
    connect(btnUnSelectAll, &QPushButton::clicked, this, [this] { unselectAllMarks(); });

    btnDeleteMarked = new SYFlatButton(this);
    btnDeleteMarked->setObjectName(QStringLiteral("btnDeleteMarked"));
    btnDeleteMarked->setFixedSize(150, 34);
    btnDeleteMarked->setCornerRadius(17);
    btnDeleteMarked->setMomentary(true);
    btnDeleteMarked->setBorderNormalColor(Qt::transparent);
    btnDeleteMarked->setBorderHighlightColor(Qt::transparent);
    lblScanMarked = new QLabel(localizedText(QStringLiteral("IDS_TWK_73")), btnDeleteMarked);
    lblScanMarked->setObjectName(QStringLiteral("lblScanMarked"));
    lblScanMarked->setAlignment(Qt::AlignCenter);
    lblScanMarked->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblScanMarked->setGeometry(0, 0, 150, 34);
    QFont bold = lblScanMarked->font();
    bold.setBold(true);
    lblScanMarked->setFont(bold);
    connect(btnDeleteMarked, &QAbstractButton::clicked, this, [this] {
        if (ResultState::shared().hasMarks())
            presentDeletionSheet();
    });

    imgPreview = new QLabel(this);
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    imgPreview->setFixedSize(280, 280);
    imgPreview->setAlignment(Qt::AlignCenter);

    m_content = new QWidget(this);
    auto *contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);

    auto *top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(btnBackToHome);
    top->addWidget(lblTitle);
    top->addSpacing(16);
    auto *totals = new QVBoxLayout;
    totals->setSpacing(0);
    totals->addWidget(lblAllDuplicatePhotosFound);
    totals->addWidget(lblAllSizeCanBeRemoved);
    top->addLayout(totals);
    top->addStretch(1);
    top->addWidget(btnAutoSelect);
    top->addWidget(btnUnSelectAll);

    auto *body = new QHBoxLayout;
    body->setSpacing(14);
    body->addWidget(m_content, 1);
    body->addWidget(imgPreview, 0, Qt::AlignTop);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblSelectedInGroup, 1);
    bottom->addWidget(btnDeleteMarked);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(18, 14, 18, 14);
    root->setSpacing(12);
    root->addLayout(top);
    root->addLayout(body, 1);
    root->addLayout(bottom);

    boxTopBlackLayer = new DimmingBox(this);

    updateDeleteMarkedButton();
    refreshAutoSelectState();
}

void ScanResultVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        embedResultViews();
}

void ScanResultVC::embedResultViews()
{
    auto *grid = qobject_cast<ThumbnailVC *>(thumbnailVC());
    if (!grid)
        return;
    if (grid->parentWidget() != m_content) {
        m_content->layout()->addWidget(grid);
        grid->show();
    }
    grid->reloadData();
    refreshResultTotals();
    refreshSelectionState();
}

void ScanResultVC::unselectAllMarks()
{
    ResultState::shared().unselectAllMarks();
    refreshSelectionState();
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(QStringLiteral("Thumbnail")))
        grid->reloadData();
    if (auto *list = AllViewControllers::cached<ListViewVC>(QStringLiteral("ListView")))
        list->reloadData();
}

void ScanResultVC::sliderValuesUpdate()
{
    ResultState &state = ResultState::shared();
    ImageGroups shown;
    const float level = float(similarityThreshold);
    for (const ImageGroup &group : state.allImages) {
        ImageGroup kept;
        for (const ImageFilePtr &file : group)
            if (file && file->matchingPercentage >= level)
                kept.push_back(file);
        if (kept.size() >= 2)
            shown.push_back(std::move(kept));
    }
    state.setShownGroups(std::move(shown));
    for (const ImageGroup &group : state.imageDirectories)
        for (const ImageFilePtr &file : group)
            file->isProtected = false;
    refreshResultTotals();
    refreshSelectionState();
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(QStringLiteral("Thumbnail")))
        grid->reloadData();
    if (auto *list = AllViewControllers::cached<ListViewVC>(QStringLiteral("ListView")))
        list->reloadData();
    if (state.imageDirectories.empty()) {
        platform::UserDefaults::standard().setBool(QStringLiteral("ISSliderAvailable"), true);
        platform::NotificationCenter::defaultCenter().post(QStringLiteral("NoSimilarPhotosFound"));
    }
}

void ScanResultVC::updateDeleteMarkedButton()
{
    const bool enabled = ResultState::shared().hasMarks();
    btnDeleteMarked->setEnabled(enabled);
    btnDeleteMarked->setBackgroundNormalColor(enabled ? themeColors[8] : themeColors[12]);
    btnDeleteMarked->setBackgroundHighlightColor(enabled ? themeColors[8].darker(120) : themeColors[15]);
    lblScanMarked->setStyleSheet(enabled ? QStringLiteral("color: white;") : QStringLiteral("color: #9a9a9a;"));
}

void ScanResultVC::refreshAutoSelectState()
{
    const ResultState &state = ResultState::shared();
    bool canAutoSelect = false;
    for (const ImageGroup &group : state.imageDirectories) {
        int unprotected = 0;
        for (const ImageFilePtr &file : group)
            unprotected += (file && !file->isProtected) ? 1 : 0;
        if (unprotected > 1) {
            canAutoSelect = true;
            break;
        }
    }
    btnAutoSelect->setEnabled(canAutoSelect);
    btnUnSelectAll->setEnabled(state.hasMarks());
}

void ScanResultVC::presentDeletionSheet()
{
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    defaults.setBool(QStringLiteral("IsScan"), false);
    defaults.setBool(QStringLiteral("IsDelete"), true);
    boxTopBlackLayer->cover();
    boxTopBlackLayer->show();
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("kDisableControlNotification"));
    platform::SheetPresenter::presentAsSheet(scanVC(), this);
}

void ScanResultVC::returnToHome()
{
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    center.post(QStringLiteral("updateSlider"));
    center.post(QStringLiteral("reinitializationItems"));
    ResultState::shared().clear();
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    defaults.setBool(QStringLiteral("IsResultVC"), false);
    defaults.setBool(QStringLiteral("IsVisibleSettingTooltips"), true);
    HubScreens::setScanListMenuHidden(false);
    HubScreens::setInitialDirectories(HubScreens::scanList());
    if (parentWidget()) {
        hide();
        setParent(nullptr);
    }
    center.post(QStringLiteral("closeToExitVC"));
    AllViewControllers::clearScanControllers();
}
