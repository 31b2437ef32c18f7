#include "screens/results/ResultRefresh.h"
#include "screens/shell/ScreenNames.h"

#include "screens/shell/AllViewControllers.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "services/SelectionSummary.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

void refreshSelectionState()
{
    const SelectionRefresh refresh = computeSelectionState(ResultState::shared());
    auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
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
    auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    // No file to show: the preview and the file details are emptied.
    auto clearPreview = [results] {
        if (results && results->preview)
            results->preview->showPicture(nullptr);
        if (auto *details = AllViewControllers::cached<FilePropertiesVC>(ScreenName::fileProperties))
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
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail))
        grid->allFiles = totals.shownFileCount;
    if (auto *list = AllViewControllers::cached<ListViewVC>(ScreenName::listView))
        list->allFiles = totals.shownFileCount;
    if (totals.shownFileCount <= 0 || !totals.previewFile || !totals.previewFile->url) {
        clearPreview();
        return;
    }
    // The first shown file goes into the preview and the file details alike.
    if (auto *details = AllViewControllers::cached<FilePropertiesVC>(ScreenName::fileProperties)) {
        details->image = totals.previewFile;
        details->showFileProperties();
    }
    // The picture is decoded on a worker thread, fitted to the preview; a newer request (another
    // refresh, the pointer over a file) takes over from it.
    if (results && results->preview)
        results->preview->showPicture(totals.previewFile);
}

namespace {

// Files per slice of the warming: a few milliseconds of the GUI thread each.
constexpr int kWarmSlice = 5000;
quint64 warmGeneration = 0;

void warmSlice(quint64 generation)
{
    if (generation != warmGeneration)
        return;
    ResultState &state = ResultState::shared();
    if (!state.fileKeys().warm(state, kWarmSlice))
        QTimer::singleShot(0, QCoreApplication::instance(), [generation] { warmSlice(generation); });
}

} // namespace

void warmResultKeys()
{
    const quint64 generation = ++warmGeneration;
    ResultState::shared().fileKeys().restartWarming();
    QTimer::singleShot(0, QCoreApplication::instance(), [generation] { warmSlice(generation); });
}
