#pragma once

#include <QPointer>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <vector>

class QFrame;
class QLabel;
class QMessageBox;
class QPushButton;
class QRadioButton;
class QScrollArea;
class DropView;
class SYFlatButton;
class PhotosLibraryFlow;
struct PhotosLibraryAlert;

// The home screen and the hub that switches screens. Its view shows the title, the scan list (the
// view of addFilesVC), the choice between a similar and an exact scan with the settings panel of
// the chosen kind, and the Scan button. It observes the notifications other screens post and in
// answer embeds the results screen, slides overlays in (pop-up mode) or refreshes the Scan button.
//
// Pop-up mode ("IsPopUpTWK") is on while a sheet, an overlay, a scan or a deletion is up. Entering
// it repeatedly nests: "closeToExitVC" ends pop-up mode only when nothing is up any more (no overlay
// shown through the shared animator, no sheet or modal dialog over the window, no running scan or
// deletion); otherwise the end waits until the last of them has closed.
class ViewController : public QWidget
{
    Q_OBJECT
public:
    explicit ViewController(QWidget *parent = nullptr);
    ~ViewController() override;

    // Builds the screen, embeds the scan list and the settings panel and registers the observers.
    // Runs once; the screen registry calls it right after making the controller.
    void loadViewIfNeeded();
    bool isViewLoaded() const { return m_viewLoaded; }
    // Makes the one overlay animator of the run (sharedAnimator) over this view's current frame.
    void makeSharedAnimator(double duration);

    // ---- outlets
    QLabel *lblTitle = nullptr;
    QLabel *lblDraganddropphotoshere = nullptr;
    QLabel *lblhintdragphotos = nullptr;
    QWidget *boxTopBlackLayer = nullptr;
    QLabel *lblScanForDuplicate = nullptr;
    QLabel *imgViewAddFiles = nullptr;
    QLabel *imgViewTopTab1AddFiles = nullptr;
    QWidget *customViewAddFiles = nullptr;
    SYFlatButton *btnScanForDuplicates = nullptr;
    QPushButton *btnSimilarMatch = nullptr;
    QPushButton *btnExactMatch = nullptr;
    QLabel *imgViewMatches = nullptr;
    QWidget *customViewMatches = nullptr;
    QRadioButton *checkSimilarMatch = nullptr;
    QRadioButton *checkExactMatch = nullptr;
    QLabel *imgSimilarMatch = nullptr;
    QLabel *imgExactMatch = nullptr;
    QLabel *lblAddFiles = nullptr;
    QLabel *lblExactMatch = nullptr;
    QLabel *lblSimilarMatch = nullptr;
    QLabel *imgViewDragnDrop = nullptr;
    // The strip with the drop picture and the two hints; drops on it add to the scan list.
    DropView *dropArea = nullptr;
    QLabel *imageViewTitle = nullptr;
    QFrame *boxScanForDuplicate = nullptr;
    // Holds the right column (scan kind, settings, Scan button); scrolls on low windows.
    QScrollArea *rightColumnScroller = nullptr;
    // Shows the other-apps window (clickedOtherApps).
    QPushButton *btnOtherApps = nullptr;

    // ---- state
    bool isSimilarScan = true;
    // The quit-Photos question while it is on screen.
    QPointer<QMessageBox> alert;

    // ---- set-up and the Scan button
    void setup();
    // Enables the Scan button from the ticked entries of the scan list.
    void isFilesNotSelected();
    void isFilesNotSelectedNotification(const QVariantMap &userInfo);
    void setScanButtonEnabled(bool enabled);
    // The look only (the button's enabled state is not changed).
    void setScanButtonLook(bool enabledLook);
    bool scanButtonHasEnabledLook() const { return m_scanLookEnabled; }
    void disableScanButton();

    // ---- mode selection
    void tappedSimilarMatches();
    void tappedSimilarCheckbox();
    void tappedExactMatches();
    void tappedExactCheckBox();
    void clickedOtherApps();

    // ---- scan start
    void tappedScanForDuplicates();
    void startScan();
    // The quit-Photos question and its two answers.
    void askToQuitPhotos();
    void removePhotoApp();
    void skipPhotosLibrary();
    // Reads the ticked Photos libraries of the working list, then starts the scan.
    void locatePhotosDatabaseFiles();
    // The steps between the Scan button and the scan sheet when a Photos library is ticked.
    PhotosLibraryFlow *photosFlow();

    // ---- hub handlers
    void callVCFromScanVC();
    void loadResult();
    void hideTopBlackLayer();
    void closeToExitVC();
    void aboutWindow();
    void reinitializationItems();
    void presentAfterDeleteView();
    void cancelScanning();
    void noSimilarPhotosFound();
    void afterMoveInPhotoLibrary();
    void disableControlNotification();
    void disableScanButtonControlNotification();

    // ---- pop-up mode
    void setPopUpMode(bool lock);
    // Enters pop-up mode and slides the controller in through the shared animator.
    void presentOverlay(bool lock, QWidget *controller);
    // Enables or disables the result views' scrollers, check boxes and group buttons by the
    // negation of "IsPopUpTWK".
    void setResultInteractionEnabled();
    // What keeps pop-up mode on now: overlays shown, sheets and modal dialogs open over the
    // window, a running scan or deletion.
    int popUpHolderCount() const;
    // True while pop-up mode is on or anything of popUpHolderCount() is up.
    bool isBusy() const;

    // Escape: clicks the close button ("btnClose") of the topmost overlay; false when it has none.
    bool closeTopOverlayByKeyboard();

    // The results view once embedded (nullptr before).
    QWidget *embeddedResultView() const;

signals:
    // Pop-up mode has started (a sheet, an overlay or a scan is coming up).
    void popUpModeStarted();
    // Pop-up mode has ended (the controls are given back).
    void popUpModeEnded();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildView();
    void registerObservers();
    void placeLayers();
    void restack();
    // Hides the home screen's own content while the results cover it, shows it again after.
    void updateCoveredContent();
    void leavePopUpMode();
    void tryLeavePopUpMode();
    void setHomeModeControlsEnabled(bool enabled);
    void showMatchesPanel(QWidget *panel, QWidget *other);
    // The four mode actions: similar (true) or exact (false) mode with its picture and panel.
    void selectMode(bool similar);
    // Draws the home pictures for the device pixel ratio of the screen the view is on.
    void drawPictures();
    void showFlowAlert(const PhotosLibraryAlert &texts, std::function<void(int)> answered, bool isQuitQuestion);

    bool m_viewLoaded = false;
    bool m_scanLookEnabled = false;
    bool m_exitPending = false;
    QPointer<QWidget> m_resultView;
    std::vector<QPointer<QWidget>> m_homeContent; // the title bar and the two panels
    PhotosLibraryFlow *m_photosFlow = nullptr;
};
