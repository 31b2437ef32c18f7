#include "screens/results/ResultRefresh.h"

#include "screens/shell/AllViewControllers.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "services/ImageHelpers.h"
#include "services/SelectionSummary.h"

#include <QLabel>
#include <QPixmap>

void refreshSelectionState()
{
    const SelectionRefresh refresh = computeSelectionState(ResultState::shared());
    auto *results = AllViewControllers::cached<ScanResultVC>(QStringLiteral("ScanResult"));
    if (!results)
        return;
    if (refresh.refreshControls) {
        results->updateDeleteMarkedButton();
        results->refreshAutoSelectState();
    }
    if (refresh.summaryText && results->lblSelectedInGroup)
        results->lblSelectedInGroup->setText(*refresh.summaryText);
}

void refreshResultTotals()
{
    const ResultTotals totals = computeResultTotals(ResultState::shared());
    auto *results = AllViewControllers::cached<ScanResultVC>(QStringLiteral("ScanResult"));
    // No file to show: the preview and the file details are emptied.
    auto clearPreview = [results] {
        if (results && results->imgPreview)
            results->imgPreview->setPixmap(QPixmap());
        if (auto *details = AllViewControllers::cached<FilePropertiesVC>(QStringLiteral("FileProperties")))
            details->clearFileProperties();
    };
    if (!totals.shownSizeKnown) {
        clearPreview();
        return;
    }
    if (results) {
        results->lblAllDuplicatePhotosFound->setText(totals.allDuplicatePhotosFoundText);
        results->lblAllSizeCanBeRemoved->setText(totals.allSizeCanBeRemovedText);
    }
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(QStringLiteral("Thumbnail")))
        grid->allFiles = totals.shownFileCount;
    if (auto *list = AllViewControllers::cached<ListViewVC>(QStringLiteral("ListView")))
        list->allFiles = totals.shownFileCount;
    if (totals.shownFileCount <= 0 || !totals.previewFile || !totals.previewFile->url) {
        clearPreview();
        return;
    }
    // The first shown file goes into the preview and the file details alike.
    if (auto *details = AllViewControllers::cached<FilePropertiesVC>(QStringLiteral("FileProperties"))) {
        details->image = totals.previewFile;
        details->showFileProperties();
    }
    if (results && results->imgPreview) {
        const auto image = previewImage(*totals.previewFile->url);
        if (image)
            results->imgPreview->setPixmap(QPixmap::fromImage(image->scaled(
                results->imgPreview->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        else
            results->imgPreview->setPixmap(QPixmap());
    }
}
