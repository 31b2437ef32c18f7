#pragma once

#include "model/ImageFile.h"
#include "model/ResultState.h"
#include "platform/NotificationCenter.h"
#include "screens/results/DimmingBox.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QFrame;
class QLabel;
class QMediaPlayer;
class QProgressBar;
class QPushButton;
class QCheckBox;
class QScrollArea;
class QSlider;
class QVideoWidget;
class ResultPreview;
class SYFlatButton;

// The results screen: hosts the grid and the list over the one shared result state (the groups as
// scanned and shown, the marks, the protection overrides), the file details, the preview, the
// counters, the matching-level slider, the videos-only filter, Auto Select / Unselect All, the
// selection wizard button, Back to Home and Delete Marked. It lives for the whole run; the grid and
// the list are made afresh for every scan and embedded when the screen is shown.
class ScanResultVC : public QWidget
{
    Q_OBJECT
public:
    explicit ScanResultVC(QWidget *parent = nullptr);
    ~ScanResultVC() override;

    // ---- the result model
    // One list of marked positions per shown group, in the order of the shown groups.
    std::vector<std::vector<int>> &selectedIndexArray() const { return ResultState::shared().selectedIndexArray; }
    // Scratch list of the automatic marking: element 0 is the file kept by the last rule run.
    std::vector<int> sortedIndexes;
    bool isContinue = true;

    // ---- outlets
    QLabel *lblTitle = nullptr;
    QPushButton *btnBackToHome = nullptr;
    QPushButton *btnSelectionWizard = nullptr;
    QPushButton *thumbnailView = nullptr;     // grid tab
    QPushButton *listView = nullptr;          // list tab
    QPushButton *btnAutoSelect = nullptr;     // radio, checked = on
    QPushButton *btnUnSelectAll = nullptr;    // radio, checked = on
    QScrollArea *scrollView = nullptr;        // the file details
    QWidget *customViewImgeListing = nullptr; // holds the grid
    QLabel *lblSelectedInGroup = nullptr;
    QLabel *lblCapMatchingLevel = nullptr;
    QLabel *lblValueMatchingLevel = nullptr;
    QSlider *sliderMatchingLevel = nullptr;
    QLabel *imgPreview = nullptr;
    int widthScrollViewCollection = 0;           // width of the list area
    QScrollArea *scrollViewCollection = nullptr; // holds the list
    QLabel *lblAllDuplicatePhotosFound = nullptr;
    QLabel *lblAllSizeCanBeRemoved = nullptr;
    QLabel *lblPreview = nullptr;
    QLabel *lblMetadata = nullptr;
    SYFlatButton *btnDeleteMarked = nullptr;
    DimmingBox *boxTopBlackLayer = nullptr; // dims the screen while a sheet is up
    QCheckBox *btnShowOnlyVideos = nullptr;
    QLabel *lblShowOnlyVideos = nullptr;
    QFrame *boxShowOnlyVideos = nullptr;
    QLabel *imageViewTitle = nullptr;
    QLabel *imgViewBackToHome = nullptr;
    QLabel *lblBackToHome = nullptr;
    QLabel *lblAutoSelect = nullptr;
    QLabel *lblUnselectAll = nullptr;
    QLabel *imgviewSelectionWizard = nullptr;
    QLabel *lblSelectionWizard = nullptr;
    QLabel *imgViewThumbnailView = nullptr;
    QLabel *lblThumbnailView = nullptr;
    QLabel *imgViewListView = nullptr;
    QLabel *lblListView = nullptr;
    QFrame *boxThumbnailView = nullptr;
    QFrame *boxListView = nullptr;
    QFrame *boxScanMarked = nullptr;
    QLabel *lblScanMarked = nullptr;
    // Shows the other-apps window (clickedOtherApps); its caption is lblOtherApps.
    QPushButton *btnOtherApps = nullptr;
    QLabel *lblOtherApps = nullptr;
    QVideoWidget *avKitPlayer = nullptr;
    QProgressBar *activityIndicator = nullptr;
    QLabel *imgViewRadioSelect = nullptr;
    QLabel *imgViewRadioUnselect = nullptr;
    QFrame *boxTutorial = nullptr;
    QLabel *lblStepFirstTutorial = nullptr;
    QLabel *lblStepSecondTutorial = nullptr;
    QMediaPlayer *videoPlayer = nullptr;
    ResultPreview *preview = nullptr;

    // ---- appearance
    void viewWillAppear();
    void configureResultScreen();
    void viewDidAppear();
    // Puts the grid, the list and the file details of the current scan into the screen.
    void embedResultViews();
    void hideTutorial();

    // ---- actions
    void tappedThumbnailView();
    void tappedListView();
    void tappedShowOnlyVideos();
    void sliderMatchingLevelMoved();
    void tappedAutoSelect();
    void tappedUnSelectAll();
    void tappedSelectionWizard();
    void tappedBackToHome();
    void tappedDeleteMarked();
    void clickedOtherApps();

    // ---- preview
    // Replaces the player's source by none and keeps the photo view.
    void stopPreview();

    // ---- counters
    // Delete Marked is enabled (green) exactly when a mark exists.
    void updateDeleteMarkedButton();
    // The radio pair and its enabled state, recomputed from the marks.
    void refreshAutoSelectState();
    void stopActivityIndicator();

    // ---- regrouping
    // Spinner on, then sliderValuesUpdate on the next pass of the event loop (one pass for any
    // number of calls before it runs).
    void startRegrouping();
    // Rebuilds the shown groups from the groups as scanned at the current matching level; marks are
    // cleared (kept on their files with `keepMarks`, as after a deletion), protection is derived
    // again from the protected folders and the protection set by hand. With no group left the
    // no-results view covers the screen.
    void sliderValuesUpdate(bool keepMarks = false);
    void enableComponentsAfterSlider();
    void reloadThumbnailCollectionView();
    void reloadListCollectionView();

    // ---- marks
    // Auto Select of every shown group, then the refresh; reload when a mark exists.
    void markEveryGroup();
    // For a result large enough (AutoMarkRun): locks the results and shows the activity indicator,
    // marks every shown group on a worker, then unlocks and runs `command`, which marks through
    // autoMarkAllGroups and so takes those marks in one step. True when the command was taken in
    // hand (also while a marking is still running); false: run it in place now.
    bool markOnWorker(std::function<void()> command);
    // Every mark removed (one empty entry per shown group stays), refresh and reload.
    void unselectAllMarks();
    // After a deletion took the moved files out of the groups: the counters and both views follow
    // the groups and the marks that are left (the files not moved are still marked).
    void showMarksAfterDeletion();
    // The radio pair on Auto Select (true) or Unselect All (false), with the radio images.
    void setRadioState(bool autoSelectOn);

    // ---- leaving
    void backToHomeObserver();
    void autoMarkSelectionObserver(const platform::Notification &notification);
    void observerDeleteMarked(const platform::Notification &notification);
    void returnToHome();
    void presentDeletionSheet();

    // Gives the keyboard focus to the current card of the form on show (done as the screen comes
    // up); false when that form shows no group.
    bool focusCurrentCard();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Tab goes round this screen's own controls, never to those of the screen it covers.
    bool focusNextPrevChild(bool next) override;

private:
    // True while a command runs with the marks a worker made (it must not start another run).
    bool applyingWorkerMarks_ = false;
    // Where the focus was as a marking on the worker locked the screen.
    QPointer<QWidget> focusBeforeMarking_;
    bool startWorkerMarking(std::function<void()> command);
    // Takes the worker's marks through `command`, or marks again on the worker when the result or
    // the rules changed meanwhile; then unlocks and gives the focus back.
    void finishWorkerMarking(const std::function<void()> &command);
    void restoreFocusAfterMarking();
    void applyListWidth();
    void reloadBothViews();
    void placeOverlays();
    bool m_observersRegistered = false;
    // Delete Marked's fill, highlight and caption from whether it can be pressed now; run on every
    // change of its enabled state, whatever made it.
    void applyDeleteMarkedLook();
    // The look Delete Marked was last given: 1 usable, 0 not, -1 none yet.
    int deleteMarkedLook_ = -1;
    bool m_focusCardOnActivation = false;
    bool m_tutorialPending = false;
    // The level changed during a drag of the slider; the regrouping waits for the release.
    bool m_levelChangedWhileDragged = false;
    // A regrouping is scheduled and has not run yet.
    bool m_regroupScheduled = false;
};
