#include "screens/shell/HubScreens.h"
#include "screens/shell/ScreenNames.h"

#include "model/Palette.h"
#include "screens/home/AddFilesVC.h"
#include "screens/shell/AllViewControllers.h"
#include "controls/SYFlatButton.h"
#include "controls/TableScrollView.h"
#include "model/ModuleState.h"
#include "platform/widgets/SheetPresenter.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/sheet/ScanVC.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTreeWidget>
#include <QWidget>

namespace HubScreens {

namespace {

void setScrollersEnabled(QAbstractScrollArea *area, bool enabled)
{
    if (!area)
        return;
    if (QScrollBar *bar = area->horizontalScrollBar())
        bar->setEnabled(enabled);
    if (QScrollBar *bar = area->verticalScrollBar())
        bar->setEnabled(enabled);
}

// The check boxes of cells and rows and the lock and select buttons of group headers.
bool isGroupOrCellControl(const QObject *object)
{
    const QString name = object->objectName();
    return name == QLatin1String("btnCheckBox") || name == QLatin1String("btnLockGroup")
        || name == QLatin1String("btnSelectUnselectGroup");
}

void setCollectionInteractionEnabled(QWidget *screen, QAbstractScrollArea *collection, bool enabled)
{
    if (!screen)
        return;
    for (auto *area : screen->findChildren<QAbstractScrollArea *>())
        setScrollersEnabled(area, enabled);
    for (auto *button : screen->findChildren<QAbstractButton *>())
        if (isGroupOrCellControl(button))
            button->setEnabled(enabled);
    // The cells' own check marks live in the collection view: its pane takes no clicks meanwhile.
    if (collection)
        collection->viewport()->setEnabled(enabled);
}

} // namespace

std::vector<InitialDirectory> &workingList()
{
    return addFilesVC()->initialDirectories;
}

std::vector<InitialDirectory> initialDirectories()
{
    return addFilesVC()->initialDirectories;
}

void setInitialDirectories(const std::vector<InitialDirectory> &entries)
{
    addFilesVC()->initialDirectories = entries;
}

std::vector<InitialDirectory> scanList()
{
    return addFilesVC()->scanList;
}

void setScanList(const std::vector<InitialDirectory> &entries)
{
    addFilesVC()->scanList = entries;
}

void setScanListMenuHidden(bool hidden)
{
    addFilesVC()->setScanListMenuHidden(hidden);
}

void setScanListControlsEnabled(bool enabled)
{
    AddFilesVC *list = addFilesVC();
    for (QAbstractButton *button :
         {static_cast<QAbstractButton *>(list->btnAddFolder), static_cast<QAbstractButton *>(list->addPhotos),
          static_cast<QAbstractButton *>(list->addPhotosLibrary)})
        if (button)
            button->setEnabled(enabled);
    if (list->tableView)
        setScrollersEnabled(list->tableView, enabled);
    list->reloadTable();
}

void setSimilarSlidersEnabled(bool enabled)
{
    QWidget *panel = similarMatchesVC();
    for (auto *slider : panel->findChildren<QAbstractSlider *>())
        slider->setEnabled(enabled);
}

void setSimilarResetEnabled(bool enabled)
{
    QWidget *panel = similarMatchesVC();
    if (auto *reset = panel->findChild<QAbstractButton *>(QStringLiteral("btnReset")))
        reset->setEnabled(enabled);
}

void setAfterDeleteTopBlackLayerVisible(bool visible)
{
    auto *summary = AllViewControllers::cached<AfterDeleteStatusVC>(ScreenName::afterDeleteStatus);
    if (summary && summary->boxTopBlackLayer) {
        summary->boxTopBlackLayer->setVisible(visible);
        if (visible)
            summary->boxTopBlackLayer->raise();
    }
}

void setNoSimilarTopBlackLayerVisible(bool visible)
{
    auto *screen =
        AllViewControllers::cached<NoSimilarDuplicatePhotosFoundVC>(ScreenName::noSimilarDuplicatePhotosFound);
    if (screen && screen->boxTopBlackLayer) {
        screen->boxTopBlackLayer->setVisible(visible);
        if (visible)
            screen->boxTopBlackLayer->raise();
    }
}

bool isResultScreenLoaded()
{
    auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    return results && results->btnAutoSelect;
}

void setResultControlsEnabled(bool enabled)
{
    auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    if (!results || !results->btnAutoSelect)
        return;
    for (QAbstractButton *button : {static_cast<QAbstractButton *>(results->btnAutoSelect),
                                    static_cast<QAbstractButton *>(results->btnBackToHome),
                                    static_cast<QAbstractButton *>(results->btnUnSelectAll)})
        if (button)
            button->setEnabled(enabled);
    // The other controls of the screen that pop-up mode takes away, found by name.
    for (const char *name : {"btnSelectionWizard", "thumbnailView", "listView", "btnShowOnlyVideos"})
        if (auto *control = results->findChild<QWidget *>(QString::fromLatin1(name)))
            control->setEnabled(enabled);
    for (auto *slider : results->findChildren<QAbstractSlider *>(QStringLiteral("sliderMatchingLevel")))
        slider->setEnabled(enabled);
    if (results->boxTopBlackLayer) {
        results->boxTopBlackLayer->setVisible(!enabled);
        if (!enabled)
            results->boxTopBlackLayer->cover();
    }
    // Delete Marked takes its look from its state (the marks and pop-up mode) both ways; Auto
    // Select and Unselect All follow the marks again once the controls are given back.
    if (!enabled && results->btnDeleteMarked)
        results->btnDeleteMarked->setEnabled(false);
    results->updateDeleteMarkedButton();
    if (enabled)
        results->refreshAutoSelectState();
}

void setResultInteractionEnabled(bool enabled)
{
    auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    ThumbnailVC *grid = thumbnailVC();
    ListViewVC *list = listViewVC();
    if (results) {
        for (auto *area : results->findChildren<QAbstractScrollArea *>(QString(), Qt::FindDirectChildrenOnly))
            setScrollersEnabled(area, enabled);
    }
    setCollectionInteractionEnabled(grid, grid->collectionView, enabled);
    setCollectionInteractionEnabled(list, list->collectionView, enabled);
    // The pointer and the focus move the preview again: it shows the current card at once.
    if (enabled && results && results->preview)
        results->preview->showCurrentCardWhenFree();
}

QWidget *prepareResultView()
{
    return scanResultVC();
}

void configureScan(bool isSimilarScan, const std::vector<InitialDirectory> &entries)
{
    ScanVC *sheet = scanVC();
    sheet->isSimilarScan = isSimilarScan;
    sheet->initialDirectories = entries;
}

void presentScanSheet(QWidget *presenter)
{
    scanVC()->presentAsSheet(presenter ? presenter->window() : nullptr);
}

bool isScanOrDeletionRunning()
{
    auto *sheet = AllViewControllers::cached<ScanVC>(ScreenName::scan);
    // The sheet stays up for as long as its scan or deletion runs.
    return sheet && sheet->isVisible();
}

} // namespace HubScreens
