#pragma once

#include "model/ResultState.h"
#include "screens/results/DimmingBox.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;
class SYFlatButton;

// The results screen: the counters, the shown groups (the grid of the current scan), the preview of
// the first file, and the actions on the marks. It lives for the whole run; the grid and the list
// are made afresh for every scan.
class ScanResultVC : public QWidget {
    Q_OBJECT
public:
    explicit ScanResultVC(QWidget *parent = nullptr);

    // One list of marked positions per shown group, in the order of the shown groups.
    std::vector<std::vector<int>> &selectedIndexArray() const { return ResultState::shared().selectedIndexArray; }

    // ---- outlets
    QLabel *lblTitle = nullptr;
    QLabel *lblSelectedInGroup = nullptr;
    QLabel *lblAllDuplicatePhotosFound = nullptr;
    QLabel *lblAllSizeCanBeRemoved = nullptr;
    QLabel *imgPreview = nullptr;
    QPushButton *btnBackToHome = nullptr;
    QPushButton *btnAutoSelect = nullptr;
    QPushButton *btnUnSelectAll = nullptr;
    SYFlatButton *btnDeleteMarked = nullptr;
    QLabel *lblScanMarked = nullptr;
    DimmingBox *boxTopBlackLayer = nullptr; // dims the screen while a sheet is up

    // Clears every mark, then refreshes the summary and shows the groups again.
    void unselectAllMarks();
    // Shows again the members of all groups that reach the matching level; groups under two
    // files are dropped, marks and protection are cleared.
    void sliderValuesUpdate();
    // Delete Marked is enabled exactly when a mark exists.
    void updateDeleteMarkedButton();
    // Auto Select when some group has two unprotected files; Unselect All when a mark exists.
    void refreshAutoSelectState();
    // Hands the marks to the scan sheet in delete mode.
    void presentDeletionSheet();
    // Leaves the results for the home screen.
    void returnToHome();

    // Puts the grid of the current scan into the screen and shows the groups.
    void embedResultViews();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *m_content = nullptr;
};
