#include "screens/results/grid/ThumbnailVC.h"

#include "screens/shell/AllViewControllers.h"
#include "engine/FormatFolderLists.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/ScanResultVC.h"
#include "screens/sheet/ScanSheetSupport.h"
#include "services/ImageHelpers.h"
#include "services/ProtectedFolders.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QPixmap>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kGroupRole = Qt::UserRole + 1;
constexpr int kRowRole = Qt::UserRole + 2;

} // namespace

ThumbnailVC::ThumbnailVC(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Thumbnail"));
    collectionView = new QTreeWidget(this);
    collectionView->setObjectName(QStringLiteral("collectionView"));
    collectionView->setHeaderHidden(true);
    collectionView->setIconSize(QSize(56, 56));
    collectionView->setRootIsDecorated(false);
    collectionView->setIndentation(14);
    collectionView->setUniformRowHeights(false);
    collectionView->setStyleSheet(QStringLiteral(
        "QTreeWidget { background: #222222; color: #dddddd; border: none; }"
        "QTreeWidget::item { padding: 3px; }"
        "QTreeWidget::item:selected { background: #3a3a3a; }"
        "QTreeWidget::indicator { width: 14px; height: 14px; border: 1px solid #9a9a9a; border-radius: 3px;"
        " background: #2e2e2e; }"
        "QTreeWidget::indicator:checked { background: #09ab09; border-color: #09ab09;"
        " image: url(:/images/welcome-check.png); }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(collectionView);
    connect(collectionView, &QTreeWidget::itemChanged, this, &ThumbnailVC::itemChanged);

    platform::NotificationCenter::defaultCenter().addObserver(
        this, QStringLiteral("SelectedFiles"),
        [this](const platform::Notification &notification) { getInitialDirectoriesWithNotification(notification); });
}

ImageGroups ThumbnailVC::shownGroupsAtMatchingLevel(const ImageGroups &groups, int level)
{
    const float threshold = float(level);
    ImageGroups shown;
    for (const ImageGroup &group : groups) {
        ImageGroup kept;
        for (size_t position = 0; position < group.size(); ++position) {
            const ImageFilePtr &file = group[position];
            // The first file of a group always stays: its score is its match with a partner.
            if (file && (position == 0 || file->matchingPercentage >= threshold))
                kept.push_back(file);
        }
        if (kept.size() >= 2)
            shown.push_back(std::move(kept));
    }
    return shown;
}

void ThumbnailVC::getInitialDirectoriesWithNotification(const platform::Notification &notification)
{
    const QVariant data = notification.userInfo.value(QStringLiteral("data"));
    const QVariant similar = notification.userInfo.value(QStringLiteral("isSimilarScan"));
    // Anything but a list of groups and a Boolean is not a scan result.
    if (!data.canConvert<ImageGroups>() || data.metaType() != QMetaType::fromType<ImageGroups>()
        || similar.typeId() != QMetaType::Bool)
        return;
    ImageGroups groups = data.value<ImageGroups>();
    isSimilarScan = similar.toBool();

    // All groups as scanned; shown are the members that reach the matching level. Marks and
    // overrides start empty, one entry per shown group.
    resultsContainVideos = false;
    for (const ImageGroup &group : groups)
        for (const ImageFilePtr &file : group)
            if (file && file->isVideo)
                resultsContainVideos = true;
    ImageGroups shown = shownGroupsAtMatchingLevel(groups, similarityThreshold);
    resultState().allImages = std::move(groups);
    resultState().setShownGroups(std::move(shown));
    platform::UserDefaults::standard().setBool(QStringLiteral("IsThumbnailSelected"), true);

    for (int g = 0; g < resultState().shownGroupCount(); ++g)
        for (int r = 0; r < int(resultState().imageDirectories[size_t(g)].size()); ++r)
            applyProtectedFolders(resultState(), false, g, r, QString());

    refreshResultTotals();
    refreshSelectionState();
    rebuildFileFormatList();
    rebuildFolderList();
    reloadData();
    // Nothing reaches the matching level: the results screen says so.
    if (resultState().imageDirectories.empty()) {
        if (auto *results = AllViewControllers::cached<ScanResultVC>(QStringLiteral("ScanResult")))
            results->sliderValuesUpdate();
    }
}

void ThumbnailVC::rebuildFileFormatList()
{
    ::rebuildFileFormatList(imageDirectories());
}

void ThumbnailVC::rebuildFolderList()
{
    ::rebuildFolderList(imageDirectories());
}

void ThumbnailVC::reloadData()
{
    m_reloading = true;
    collectionView->clear();
    const ResultState &state = resultState();
    // Pictures are read for the first files only, so a large result still opens at once.
    int picturesLeft = 400;
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        const ImageGroup &group = state.imageDirectories[size_t(g)];
        auto *header = new QTreeWidgetItem(collectionView);
        header->setText(0, substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_6044")),
                                                  {QString::number(g + 1)}));
        header->setFlags(Qt::ItemIsEnabled);
        QFont bold = header->font(0);
        bold.setBold(true);
        header->setFont(0, bold);
        header->setForeground(0, QColor(0xa8, 0xa8, 0xa8));
        for (int r = 0; r < int(group.size()); ++r) {
            const ImageFilePtr &file = group[size_t(r)];
            auto *item = new QTreeWidgetItem(header);
            item->setText(0, file ? file->path() : QString());
            item->setData(0, kGroupRole, g);
            item->setData(0, kRowRole, r);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (file && !file->isProtected)
                flags |= Qt::ItemIsUserCheckable;
            item->setFlags(flags);
            item->setCheckState(0, state.isMarked(g, r) ? Qt::Checked : Qt::Unchecked);
            if (file && file->url && !file->isVideo && picturesLeft-- > 0) {
                if (const auto thumb = makeThumbnail(*file->url))
                    item->setIcon(0, QPixmap::fromImage(thumb->scaled(56, 56, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
            }
        }
        header->setExpanded(true);
    }
    m_reloading = false;
}

void ThumbnailVC::itemChanged(QTreeWidgetItem *item, int column)
{
    if (m_reloading || column != 0 || !item->data(0, kGroupRole).isValid())
        return;
    const int g = item->data(0, kGroupRole).toInt();
    const int r = item->data(0, kRowRole).toInt();
    if (item->checkState(0) == Qt::Checked)
        resultState().mark(g, r);
    else
        resultState().unmark(g, r);
    refreshSelectionState();
}
