#pragma once

#include "model/ImageFile.h"
#include "model/ResultFileKeys.h"
#include "model/InitialDirectory.h"
#include "model/ScanFlags.h"
#include "engine/Deletion.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QMessageBox;
class CircularProgressView;
class SpinningImageView;
class SYFlatButton;
class ScanResultVC;
class ThumbnailVC;

namespace platform::Dispatch {
class SerialQueue;
}

// The modal sheet that runs one long job and shows its progress: a scan of the scan list ("IsScan")
// or the deletion of the marked files ("IsDelete"). Each run uses a fresh sheet from the screen
// registry. The work runs on the sheet's own worker thread; every display change it makes comes
// back to the main thread as a queued call carrying its values.
class ScanVC : public QDialog
{
    Q_OBJECT
public:
    explicit ScanVC(QWidget *parent = nullptr);
    ~ScanVC() override;

    // Shows the sheet window-modal over `window` (or as a plain dialog without one).
    void presentAsSheet(QWidget *window);

    // ---- outlets
    SpinningImageView *imgView = nullptr;
    QLabel *lblProgressPercent = nullptr;
    QLabel *lblTotalSelectedFiles = nullptr;
    QLabel *lblDuplicatePhotosSelected = nullptr;
    QLabel *lbltotalDuplicateFiles = nullptr;
    QLabel *lblDuplicatePhotosCleaned = nullptr;
    SYFlatButton *btnFinish = nullptr;
    QLabel *lblFileURL = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblFinish = nullptr;
    CircularProgressView *progressView = nullptr;
    QLabel *lblProccedFiles = nullptr;
    QLabel *imgViewDuplicatePhotosFound = nullptr;
    QLabel *imgViewTotalPhotosFound = nullptr;
    QLabel *imgViewAlertLeft = nullptr;
    QLabel *imgViewAlertRight = nullptr;

    // ---- inputs and result
    std::vector<InitialDirectory> initialDirectories; // the scan's roots
    bool isSimilarScan = true;                        // similar photos (true) or exact copies
    std::optional<ImageGroups> sendData;              // absent: stopped; empty: nothing found
    std::shared_ptr<ResultFileKeys> sendKeys;         // the keys of sendData's files, made by the worker

    // ---- switches shared with the worker (written on the main thread)
    bool isFirstStepAbort() const { return m_flags->isFirstStepAbort.load(); }
    bool isSecondStepAbort() const { return m_flags->isSecondStepAbort.load(); }
    bool isPaused() const { return m_flags->isPaused.load(); }
    void setFirstStepAbort(bool on);
    void setSecondStepAbort(bool on);
    void setPaused(bool on);
    // Stops the work: raises both abort flags (cancelling a move to the Trash in progress), then
    // ends the pause.
    void stopWork();
    const std::shared_ptr<ScanFlags> &flags() const { return m_flags; }
    // True while the stop button may still pause the work.
    bool isFinished() const { return m_isFinished.load(); }

    // ---- deletion state
    qint64 totalSelectedFiles = 0;
    QStringList deletedItems;              // absolute URL texts of what left the groups
    bool isItemDeleted = false;            // a file reached the Trash
    QStringList photoLibraryItemsIds;      // Photos items handed to the album
    bool isPresentedView = false;          // the after-delete summary is to be shown
    bool isPresentedPhotosLibrary = false; // Photos items reached the album
    qint64 totalRemovePhotoLibrary = 0;
    quint64 totalSizeRemovePhotoLibrary = 0;
    qint64 totalRemoveTrash = 0;
    quint64 totalSizeRemoveTrash = 0;
    bool errorAutomation() const { return m_errorAutomation; }
    // Files that were marked but left in place, with the reason (last deletion).
    const std::vector<DeletionProblem> &deletionProblems() const { return m_problems; }

    // ---- appearance
    void viewWillAppear();
    void viewDidAppear();

    // ---- progress caption: centred, the characters [location, location + length) in white.
    static QString makeProgressText(const QString &text, int location, int length);
    // The caption of a step: the text of `captionKey` with `percent` (left as it is when the key
    // has no text), and the ring at percent / 100.
    void showStepProgress(const QString &captionKey, int percent);

    // ---- stop button
    void tappedFinish();
    void pauseScan();

    // ---- end of a scan
    void closeVC();
    void showAlertFromScan();
    void removeView();
    void dismissSelfVC();
    void startRotating(double angle, double seconds);
    void rotateContinuously(double seconds);
    void removePhotosLibraryRoots();

    // ---- deletion
    bool photosAutomationAllowed() const;
    void alertAutomationPermission();
    void finalizeDelete(DeletionOutcome outcome);
    void displayDeletedItems();
    void removeSelfViewAfterDelete();
    // The alert that names the marked files that could not be moved (shown after the summary).
    QPointer<QMessageBox> problemsAlert() const { return m_problemsAlert; }
    QPointer<QMessageBox> automationAlert() const { return m_automationAlert; }

    // True once the sheet has been closed for good (removeView ran).
    bool isClosed() const { return m_closed; }
    // True while a worker job runs.
    bool isWorking() const { return m_working.load(); }
    // The deletion of this run (absent before one started).
    const std::shared_ptr<DeletionJob> &deletionJob() const { return m_deletion; }

signals:
    // The work of this run has ended and its result reached the main thread.
    void workEnded();
    // A pause or abort flag was just written.
    void workSwitchesChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setAbort(ScanFlags::Switch &flag, bool on);
    void buildInterface();
    void setUpScan();
    void setUpDelete();
    void startScanWork();
    void resetDeletionState();
    // Starts the walk over the marked files (DeletionJob::deleteSelectedFiles) on the work queue;
    // finalizeDelete follows on the main thread.
    void deleteSelectedFiles(std::vector<DeletionItem> items);
    void showDeletionProgress(const DeletionProgress &progress);
    void requestPhotosPermission();
    void showProblemsAlert();
    void applyCaption(const QString &caption);
    // Runs fn on the worker thread.
    void runOnWorker(std::function<void()> fn);

    std::shared_ptr<ScanFlags> m_flags = std::make_shared<ScanFlags>();
    std::atomic<bool> m_isFinished{true};
    std::atomic<bool> m_working{false};
    bool m_errorAutomation = false;
    std::optional<bool> m_permissionCache; // probed once per deletion for the progress count
    std::shared_ptr<DeletionJob> m_deletion;
    std::vector<DeletionProblem> m_problems;
    bool m_finalized = false;
    bool m_summaryShown = false;
    bool m_closed = false;
    bool m_announceNothingFound = false; // "nothing found" waits for the sheet to be gone
    QPointer<QMessageBox> m_problemsAlert;
    QPointer<QMessageBox> m_automationAlert;
    std::unique_ptr<platform::Dispatch::SerialQueue> m_workQueue;
};
