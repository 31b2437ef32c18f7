#pragma once

// How the home screen reaches into the other screens it switches between: the scan list, the
// similarity panel, the results screen with its grid and list, and the two overlays that carry
// their own dark layer. Each function goes through the screen registry.

#include "model/InitialDirectory.h"

#include <vector>

class QWidget;

namespace HubScreens {

// ---- scan list (addFilesVC)
// The working list itself (the scan list's initialDirectories).
std::vector<InitialDirectory> &workingList();
std::vector<InitialDirectory> initialDirectories();
void setInitialDirectories(const std::vector<InitialDirectory> &entries);
std::vector<InitialDirectory> scanList();
void setScanList(const std::vector<InitialDirectory> &entries);
void setScanListMenuHidden(bool hidden);
// The three add buttons and the table's scrollers; the table is reloaded.
void setScanListControlsEnabled(bool enabled);

// ---- similarity panel (similarMatchesVC)
void setSimilarSlidersEnabled(bool enabled);
void setSimilarResetEnabled(bool enabled);

// ---- dark layers of the overlays, only where the screen exists
void setAfterDeleteTopBlackLayerVisible(bool visible);
void setNoSimilarTopBlackLayerVisible(bool visible);

// ---- results screen (scanResultVC)
// True when the results screen has been made and its controls exist.
bool isResultScreenLoaded();
// The controls of the results screen that pop-up mode takes away and gives back.
void setResultControlsEnabled(bool enabled);
// The result views' scrollers, the check boxes of visible cells and rows and the lock and select
// buttons of visible group headers.
void setResultInteractionEnabled(bool enabled);
// The results screen's view, ready to be embedded.
QWidget *prepareResultView();

// ---- scan sheet (scanVC)
void configureScan(bool isSimilarScan, const std::vector<InitialDirectory> &entries);
// Shows the scan sheet over the window of `presenter`.
void presentScanSheet(QWidget *presenter);
// True while the scan sheet is up (a scan or deletion runs or shows its end).
bool isScanOrDeletionRunning();

} // namespace HubScreens
