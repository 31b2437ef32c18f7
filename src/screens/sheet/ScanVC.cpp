#include "screens/sheet/ScanVC.h"
#include "screens/shell/ScreenNames.h"

#include "model/Palette.h"
#include "screens/shell/AllViewControllers.h"
#include "controls/SYFlatButton.h"
#include "model/ModuleState.h"
#include "model/ResultState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/PhotosApp.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/SheetPresenter.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/ScanResultVC.h"
#include "screens/shell/Theme.h"
#include "engine/ScanEngine.h"
#include "engine/ScanProgress.h"
#include "engine/ScanPublication.h"
#include "screens/sheet/CancelScanningVC.h"
#include "screens/sheet/CircularProgressView.h"
#include "screens/sheet/ElidedLabel.h"
#include "platform/widgets/Alerts.h"
#include "screens/sheet/ScanIcons.h"
#include "screens/sheet/ScanSheetSupport.h"
#include "screens/sheet/SpinningImageView.h"
#include "services/MVNAssistance.h"
#include "services/MVNMemory.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>

using platform::NotificationCenter;
using platform::UserDefaults;
using platform::Dispatch::mainAfter;
using platform::Dispatch::mainAsync;

namespace {

void postNoSimilarPhotosFound()
{
    NotificationCenter::defaultCenter().post(NotificationName::noSimilarPhotosFound);
}

QLabel *makeLabel(QWidget *parent, const QString &objectName, int pointSize = 0, bool bold = false)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    if (pointSize > 0 || bold) {
        QFont font = label->font();
        if (pointSize > 0)
            font.setPointSize(pointSize);
        font.setBold(bold);
        label->setFont(font);
    }
    return label;
}

QLabel *makeIconView(QWidget *parent, const QString &objectName, int side)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setFixedSize(side, side);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void showIcon(QLabel *view, const QImage &image)
{
    view->setPixmap(QPixmap::fromImage(image));
}

// The busy image that turns while the work runs: a ring of dots fading round.
QImage busyImage()
{
    const int side = 64;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(side / 2.0, side / 2.0);
    for (int i = 0; i < 12; ++i) {
        QColor dot = themeColors[8];
        dot.setAlphaF(0.15 + 0.85 * (i / 11.0));
        painter.setBrush(dot);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(0, -side * 0.36), side * 0.06, side * 0.06);
        painter.rotate(30.0);
    }
    return image;
}

} // namespace

// ---- progress of a scan, as the worker reports it

namespace {

// Passes the engine's progress calls on to the sheet's main thread, by value.
class SheetScanProgress : public ScanProgress
{
public:
    explicit SheetScanProgress(ScanVC *sheet)
        : m_sheet(sheet)
    {
    }

    void showCollectProgress(qint64 collected, int percent) override
    {
        post([collected, percent](ScanVC *s) {
            s->lblTotalSelectedFiles->setText(QString::number(collected));
            s->showStepProgress(QStringLiteral("IDS_TWK_35"), percent);
        });
    }
    void showStepComplete(const QString &captionKey) override
    {
        post([captionKey](ScanVC *s) { s->showStepProgress(captionKey, 100); });
    }
    void setRingAnimated(bool animated) override
    {
        post([animated](ScanVC *s) { s->progressView->setAnimated(animated); });
    }
    void showGroupingStart(qint64 count) override
    {
        post([count](ScanVC *s) {
            s->lblTotalSelectedFiles->setText(QString::number(count));
            s->showStepProgress(QStringLiteral("IDS_TWK_36"), 0);
            s->lblFileURL->setText(localizedText(QStringLiteral("IDS_TWK_14")));
        });
    }
    void showGroupingPercent(int percent) override
    {
        post([percent](ScanVC *s) { s->showStepProgress(QStringLiteral("IDS_TWK_36"), percent); });
    }
    void showDuplicateCount(qint64 count) override
    {
        post([count](ScanVC *s) { s->lbltotalDuplicateFiles->setText(QString::number(count)); });
    }
    void showProcessedFiles(qint64 done, qint64 total) override
    {
        post([done, total](ScanVC *s) {
            s->lblProccedFiles->setText(QString::number(done) + QStringLiteral(" / ") + QString::number(total));
        });
    }
    void logHashPercent(int percent) override { platform::printLine(QString::number(percent)); }

private:
    // Display changes of a closed sheet are dropped.
    void post(std::function<void(ScanVC *)> show)
    {
        QPointer<ScanVC> sheet = m_sheet;
        mainAsync([sheet, show = std::move(show)] {
            if (sheet && !sheet->isClosed())
                show(sheet);
        });
    }

    QPointer<ScanVC> m_sheet;
};

} // namespace

// ---- construction (viewDidLoad)

ScanVC::ScanVC(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Scan"));
    setWindowFlags(windowFlags() | Qt::Sheet);
    setModal(true);
    buildInterface();

    showIcon(imgViewDuplicatePhotosFound, iconFound());
    showIcon(imgViewTotalPhotosFound, iconFound());
    btnFinish->installEventFilter(this);
}

ScanVC::~ScanVC()
{
    // Release: stop whatever still runs, then empty the fields.
    m_flags->isFirstStepAbort = true;
    m_flags->isSecondStepAbort = true;
    m_flags->isPaused = false;
    if (m_deletion)
        m_deletion->answerPhotosPermission(false);
    m_workQueue.reset(); // waits for the worker to return
    if (m_announceNothingFound)
        mainAfter(0.5, [] { postNoSimilarPhotosFound(); });
    initialDirectories.clear();
    deletedItems.clear();
    if (sendData)
        sendData = ImageGroups{};
    sendKeys.reset();
    photoLibraryItemsIds.clear();
}

void ScanVC::buildInterface()
{
    setStyleSheet(scanSheetStyleSheet());
    setFixedSize(560, 400);

    lblTitle = makeLabel(this, QStringLiteral("lblTitle"), 15, true);
    lblTitle->setAlignment(Qt::AlignCenter);

    progressView = new CircularProgressView(this);
    progressView->setObjectName(QStringLiteral("progressView"));
    progressView->setFixedSize(150, 150);
    progressView->setBackground(Qt::transparent);
    progressView->setForeground(themeColors[8]);
    progressView->setShowPercent(false);

    imgView = new SpinningImageView(progressView);
    imgView->setObjectName(QStringLiteral("imgView"));
    imgView->setImage(busyImage());
    imgView->setGeometry(43, 43, 64, 64);

    lblProgressPercent = new QLabel(this);
    lblProgressPercent->setObjectName(QStringLiteral("lblProgressPercent"));
    lblProgressPercent->setAlignment(Qt::AlignCenter);
    lblProgressPercent->setWordWrap(true);
    lblProgressPercent->setMinimumWidth(220);
    QFont percentFont = lblProgressPercent->font();
    percentFont.setPointSize(13);
    lblProgressPercent->setFont(percentFont);

    imgViewDuplicatePhotosFound = makeIconView(this, QStringLiteral("imgViewDuplicatePhotosFound"), 26);
    imgViewTotalPhotosFound = makeIconView(this, QStringLiteral("imgViewTotalPhotosFound"), 26);
    lblTotalSelectedFiles = makeLabel(this, QStringLiteral("lblTotalSelectedFiles"), 16, true);
    lblDuplicatePhotosSelected = makeLabel(this, QStringLiteral("lblDuplicatePhotosSelected"));
    lbltotalDuplicateFiles = makeLabel(this, QStringLiteral("lbltotalDuplicateFiles"), 16, true);
    lblDuplicatePhotosCleaned = makeLabel(this, QStringLiteral("lblDuplicatePhotosCleaned"));
    for (QLabel *caption : {lblDuplicatePhotosSelected, lblDuplicatePhotosCleaned})
        caption->setProperty("role", QStringLiteral("caption"));

    imgViewAlertLeft = makeIconView(this, QStringLiteral("imgViewAlertLeft"), 16);
    imgViewAlertRight = makeIconView(this, QStringLiteral("imgViewAlertRight"), 16);
    lblFileURL = new ElidedLabel(this);
    lblFileURL->setObjectName(QStringLiteral("lblFileURL"));
    lblFileURL->setProperty("role", QStringLiteral("caption"));
    lblProccedFiles = makeLabel(this, QStringLiteral("lblProccedFiles"));
    lblProccedFiles->setAlignment(Qt::AlignCenter);
    lblProccedFiles->setProperty("role", QStringLiteral("caption"));

    btnFinish = new SYFlatButton(this);
    btnFinish->setObjectName(QStringLiteral("btnFinish"));
    btnFinish->setFixedSize(140, 36);
    btnFinish->setCornerRadius(18);
    btnFinish->setBackgroundNormalColor(themeColors[8]);
    btnFinish->setBackgroundHighlightColor(themeColors[8].darker(120));
    btnFinish->setBorderNormalColor(Qt::transparent);
    btnFinish->setBorderHighlightColor(Qt::transparent);
    btnFinish->setMomentary(true);
    lblFinish = makeLabel(btnFinish, QStringLiteral("lblFinish"), 0, true);
    lblFinish->setAlignment(Qt::AlignCenter);
    lblFinish->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblFinish->setGeometry(0, 0, 140, 36);
    connect(btnFinish, &QAbstractButton::clicked, this, [this] { tappedFinish(); });

    // Layout: title; ring beside the caption; the two counts; the file line; the stop button.
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(28, 22, 28, 22);
    root->setSpacing(14);
    root->addWidget(lblTitle);

    auto *middle = new QHBoxLayout;
    middle->setSpacing(24);
    middle->addWidget(progressView, 0, Qt::AlignVCenter);
    middle->addWidget(lblProgressPercent, 1);
    root->addLayout(middle);

    auto *counts = new QGridLayout;
    counts->setHorizontalSpacing(8);
    counts->setVerticalSpacing(2);
    counts->addWidget(imgViewTotalPhotosFound, 0, 0, 2, 1, Qt::AlignVCenter);
    counts->addWidget(lblTotalSelectedFiles, 0, 1);
    counts->addWidget(lblDuplicatePhotosSelected, 1, 1);
    counts->setColumnStretch(2, 1);
    counts->addWidget(imgViewDuplicatePhotosFound, 0, 3, 2, 1, Qt::AlignVCenter);
    counts->addWidget(lbltotalDuplicateFiles, 0, 4);
    counts->addWidget(lblDuplicatePhotosCleaned, 1, 4);
    counts->setColumnStretch(5, 1);
    root->addLayout(counts);

    auto *fileLine = new QHBoxLayout;
    fileLine->setSpacing(8);
    fileLine->addWidget(imgViewAlertLeft);
    fileLine->addWidget(lblFileURL, 1);
    fileLine->addWidget(imgViewAlertRight);
    root->addLayout(fileLine);
    root->addWidget(lblProccedFiles);
    root->addStretch(1);
    root->addWidget(btnFinish, 0, Qt::AlignHCenter);
}

void ScanVC::presentAsSheet(QWidget *window)
{
    platform::SheetPresenter::presentAsSheet(this, window);
}

// ---- switches

void ScanVC::setFirstStepAbort(bool on)
{
    setAbort(m_flags->isFirstStepAbort, on);
}

void ScanVC::setSecondStepAbort(bool on)
{
    setAbort(m_flags->isSecondStepAbort, on);
}

void ScanVC::setAbort(ScanFlags::Switch &flag, bool on)
{
    flag = on;
    // A stop also cancels the move to the Trash in progress.
    if (m_deletion && on)
        m_deletion->cancel();
    emit workSwitchesChanged();
}

void ScanVC::setPaused(bool on)
{
    m_flags->isPaused = on;
    emit workSwitchesChanged();
}

void ScanVC::stopWork()
{
    // The abort flags go up before the pause ends: a worker woken by the end of the pause must
    // already see the stop, or it could move one more file.
    setFirstStepAbort(true);
    setSecondStepAbort(true);
    setPaused(false);
}

// ---- appearance

void ScanVC::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    viewWillAppear();
    QPointer<ScanVC> self = this;
    mainAsync([self] {
        if (self)
            self->viewDidAppear();
    });
}

void ScanVC::keyPressEvent(QKeyEvent *event)
{
    // The sheet closes only through its own steps.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ScanVC::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == btnFinish && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        if (!UserDefaults::standard().boolForKey(SettingsKey::isPopUp))
            btnFinish->setCursor(event->type() == QEvent::Enter ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    return QDialog::eventFilter(watched, event);
}

QString ScanVC::makeProgressText(const QString &text, int location, int length)
{
    const int start = std::clamp(location, 0, int(text.size()));
    const int end = std::clamp(start + std::max(0, length), start, int(text.size()));
    auto html = [](const QString &part) {
        return part.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    };
    return QStringLiteral("<div align=\"center\">") + html(text.left(start))
        + QStringLiteral("<span style=\"color:%1\">").arg(Palette::white.name()) + html(text.mid(start, end - start))
        + QStringLiteral("</span>") + html(text.mid(end)) + QStringLiteral("</div>");
}

void ScanVC::showStepProgress(const QString &captionKey, int percent)
{
    const QString caption = progressCaption(captionKey, percent);
    if (!caption.isEmpty())
        applyCaption(caption);
    progressView->setProgress(percent / 100.0);
}

void ScanVC::applyCaption(const QString &caption)
{
    lblProgressPercent->setTextFormat(Qt::RichText);
    lblProgressPercent->setText(makeProgressText(caption, 0, 6));
}

void ScanVC::viewWillAppear()
{
    if (isScanPaused)
        return;
    // A sheet shown again starts a new run.
    m_closed = false;
    m_finalized = false;
    m_summaryShown = false;
    m_problems.clear();
    m_deletion.reset();
    lblFinish->setText(localizedText(QStringLiteral("IDS_TWK_195")));
    lblProccedFiles->setText(QString());
    lblTitle->setText(localizedText(QStringLiteral("IDS_TWK_1")));
    progressView->notifyViewRedesigned();
    progressView->setProgress(0.0);
    lblProgressPercent->setAlignment(Qt::AlignCenter);
    m_isFinished = true;
    btnFinish->setEnabled(true);
    setPaused(false);
    setFirstStepAbort(false);
    setSecondStepAbort(false);

    UserDefaults &defaults = UserDefaults::standard();
    if (defaults.boolForKey(SettingsKey::isScan))
        setUpScan();
    else if (defaults.boolForKey(SettingsKey::isDelete))
        setUpDelete();
    defaults.setBool(SettingsKey::isScan, false);
    defaults.setBool(SettingsKey::isDelete, false);
}

void ScanVC::viewDidAppear()
{
    if (isScanPaused)
        return;
    rotateContinuously(2.0);
}

void ScanVC::rotateContinuously(double seconds)
{
    if (imgView->hasAnimation(QStringLiteral("rotation")))
        return;
    imgView->setAnchorPoint(0.5, 0.5);
    imgView->addRotation(QStringLiteral("rotation"), -2.0 * M_PI, seconds);
}

void ScanVC::startRotating(double angle, double seconds)
{
    imgView->addRotation(QString(), angle, seconds);
    platform::printLine(QStringLiteral("Start rotating"));
}

// ---- scan

void ScanVC::setUpScan()
{
    sendData = ImageGroups{};
    sendKeys.reset();
    lbltotalDuplicateFiles->setText(QStringLiteral("0"));
    lblTotalSelectedFiles->setText(QStringLiteral("0"));
    showIcon(imgViewAlertLeft, iconAlert());
    showIcon(imgViewAlertRight, iconInfo());
    showStepProgress(QStringLiteral("IDS_TWK_35"), 0);
    lblFileURL->setText(localizedText(QStringLiteral("IDS_TWK_43")));
    lblDuplicatePhotosSelected->setText(localizedText(QStringLiteral("IDS_TWK_41")));
    lblDuplicatePhotosCleaned->setText(localizedText(QStringLiteral("IDS_TWK_42")));
    if (const auto stored = UserDefaults::standard().storedIntegerForKey(SettingsKey::minimumFileSize);
        stored && *stored >= 0)
        minimumFileSize = quint64(*stored);
    removePhotosLibraryRoots();
    startScanWork();
}

void ScanVC::removePhotosLibraryRoots()
{
    ScanEngine::removePhotosLibraryRoots(initialDirectories);
}

void ScanVC::runOnWorker(std::function<void()> fn)
{
    if (!m_workQueue)
        m_workQueue = std::make_unique<platform::Dispatch::SerialQueue>();
    m_working = true;
    m_workQueue->async(std::move(fn));
}

void ScanVC::startScanWork()
{
    // The worker gets the roots, the kind of scan and the settings by value, and the switches.
    auto roots = initialDirectories;
    const bool similar = isSimilarScan;
    ScanSettings settings = ScanSettings::snapshot();
    settings.minimumFileSize = minimumFileSize;
    auto flags = m_flags;
    auto progress = std::make_shared<SheetScanProgress>(this);
    // The worker clears this as it finishes; the sheet outlives its worker (its destructor waits).
    std::atomic<bool> *finished = &m_isFinished;
    QPointer<ScanVC> self = this;
    runOnWorker([self, roots, similar, settings, flags, progress, finished] {
        ScanEngine engine(flags, settings, progress.get());
        ScanOutcome outcome = engine.sendDataToScanVC(roots, similar);
        if (outcome.completed && !flags->isFirstStepAbort && !flags->isSecondStepAbort) {
            // From here on the stop button no longer pauses.
            *finished = false;
            platform::printLine(QStringLiteral("Dismiss vc 3"));
        }
        mainAsync([self, outcome = std::move(outcome)]() mutable {
            if (!self)
                return;
            self->m_working = false;
            emit self->workEnded();
            // A result that arrives after a stop is dropped.
            if (!outcome.completed || self->isClosed() || self->isFirstStepAbort() || self->isSecondStepAbort())
                return;
            self->sendData = std::move(outcome.sendData);
            self->sendKeys = std::move(outcome.fileKeys);
            self->m_isFinished = false;
            self->btnFinish->setEnabled(false);
            QPointer<ScanVC> sheet = self.data();
            mainAfter(
                1.0,
                [sheet] {
                    if (sheet)
                        sheet->closeVC();
                },
                sheet.data());
        });
    });
}

void ScanVC::tappedFinish()
{
    if (m_isFinished)
        pauseScan();
}

void ScanVC::pauseScan()
{
    setPaused(true);
    isScanPaused = true;
    imgView->removeAllAnimations();
    platform::printLine(QStringLiteral("Stop rotating"));
    QWidget *cancel = cancelScanningVC();
    if (auto *typed = qobject_cast<CancelScanningVC *>(cancel))
        typed->setScanSheet(this);
    platform::SheetPresenter::presentAsSheet(cancel, this);
}

void ScanVC::closeVC()
{
    platform::printLine(QStringLiteral("Dismiss vc: 2 1"));
    if (!isFirstStepAbort() && !isSecondStepAbort()) {
        QPointer<ScanVC> self = this;
        mainAsync([self] {
            if (self)
                self->showStepProgress(QStringLiteral("IDS_TWK_36"), 100);
        });
    }
    platform::printLine(QStringLiteral("Dismiss vc: 2 2"));
    NotificationCenter &center = NotificationCenter::defaultCenter();
    // The groups travel by value in the notification; the records are shared with the results.
    const ScanPublication publication = ScanPublication::decide(sendData, isSimilarScan, std::move(sendKeys));
    if (publication.kind == ScanPublication::Kind::NoSimilarPhotosFound) {
        // Announced half a second after the sheet is gone (dismissSelfVC), or after the registry let
        // go of it before that.
        m_announceNothingFound = true;
    } else if (publication.kind == ScanPublication::Kind::SelectedFiles) {
        thumbnailVC(); // the grid that takes the groups exists before they are published
        center.post(NotificationName::callVCFromScanVC);
        center.post(NotificationName::selectedFiles, publication.userInfo);
    }
    center.post(NotificationName::hideTopBlackLayer);
    center.post(NotificationName::closeToExitVC);
    removeView();
}

void ScanVC::showAlertFromScan()
{
    postNoSimilarPhotosFound();
}

void ScanVC::removeView()
{
    if (m_closed)
        return; // the sheet closes once, whichever step asks first
    m_closed = true;
    // The stop, then the end of the pause; a stop sheet still up over a job that ended meanwhile
    // goes with this sheet.
    stopWork();
    if (auto *cancel = AllViewControllers::cached<CancelScanningVC>(ScreenName::cancelScanning);
        cancel && cancel->scanSheet() == this && platform::SheetPresenter::isPresented(cancel)) {
        platform::SheetPresenter::dismissSheet(cancel);
        isScanPaused = false;
    }
    if (m_deletion)
        m_deletion->answerPhotosPermission(false);
    sendData.reset();
    sendKeys.reset();
    resetScanListWorkingCopy();
    if (!isItemDeleted && !isPresentedPhotosLibrary)
        NotificationCenter::defaultCenter().post(NotificationName::closeToExitVC);
    QPointer<ScanVC> self = this;
    mainAsync([self] {
        if (UserDefaults::standard().boolForKey(SettingsKey::isScan)) {
            NotificationCenter::defaultCenter().post(NotificationName::hideTopBlackLayer);
            NotificationCenter::defaultCenter().post(NotificationName::closeToExitVC);
        }
        if (self) {
            mainAfter(
                0.1,
                [self] {
                    if (self)
                        self->dismissSelfVC();
                },
                self.data());
        }
    });
}

void ScanVC::dismissSelfVC()
{
    dismissSheetOrHide(this);
    if (std::exchange(m_announceNothingFound, false)) {
        QPointer<ScanVC> self = this;
        mainAfter(0.5, [self] {
            if (self)
                self->showAlertFromScan();
            else
                postNoSimilarPhotosFound();
        });
    }
}

// ---- deletion

void ScanVC::setUpDelete()
{
    showIcon(imgViewAlertLeft, iconInfo());
    showIcon(imgViewAlertRight, iconAlert());
    lblDuplicatePhotosSelected->setText(localizedText(QStringLiteral("IDS_TWK_298")));
    lblDuplicatePhotosCleaned->setText(localizedText(QStringLiteral("IDS_TWK_299")));
    lblProgressPercent->setTextFormat(Qt::PlainText);
    lblProgressPercent->setText(QStringLiteral("0%"));
    lbltotalDuplicateFiles->setText(QStringLiteral("0"));

    // The marks and the files they point at are copied here, on the main thread; the worker sees
    // only this copy.
    const ResultState &state = ResultState::shared();
    totalSelectedFiles = state.markedFileCount();
    lblTotalSelectedFiles->setText(QString::number(totalSelectedFiles));
    lblFileURL->setText(QString());
    for (size_t g = 0; g < state.selectedIndexArray.size(); ++g) {
        const auto &marks = state.selectedIndexArray[g];
        if (marks.empty())
            continue;
        if (const ImageFilePtr file = state.shownFile(int(g), marks.front()))
            lblFileURL->setText(file->path());
    }

    // A sheet that already deleted once starts from clean counters, whether or not it finds work.
    resetDeletionState();
    std::vector<DeletionItem> items = makeDeletionSnapshot(state);
    if (items.empty()) {
        // Nothing to delete: the sheet goes at once instead of staying up.
        QPointer<ScanVC> self = this;
        mainAsync([self] {
            if (self) {
                self->m_isFinished = false;
                self->removeSelfViewAfterDelete();
            }
        });
        return;
    }
    deleteSelectedFiles(std::move(items));
}

void ScanVC::resetDeletionState()
{
    deletedItems.clear();
    isItemDeleted = false;
    photoLibraryItemsIds.clear();
    isPresentedView = false;
    isPresentedPhotosLibrary = false;
    totalRemovePhotoLibrary = 0;
    totalSizeRemovePhotoLibrary = 0;
    totalRemoveTrash = 0;
    totalSizeRemoveTrash = 0;
    m_permissionCache.reset();
    m_problems.clear();
    m_finalized = false;
    m_summaryShown = false;
}

void ScanVC::deleteSelectedFiles(std::vector<DeletionItem> items)
{
    QPointer<ScanVC> self = this;
    DeletionJob::Callbacks callbacks;
    callbacks.visiting = [self](const DeletionProgress &progress) {
        const QString path = progress.currentPath;
        mainAsync([self, path] {
            if (self && !self->isClosed())
                self->lblFileURL->setText(path);
        });
    };
    callbacks.progressed = [self](const DeletionProgress &progress) {
        mainAsync([self, progress] {
            if (self && !self->isClosed())
                self->showDeletionProgress(progress);
        });
    };
    callbacks.requestPhotosPermission = [self] {
        mainAsync([self] {
            if (self)
                self->requestPhotosPermission();
        });
    };
    m_deletion = std::make_shared<DeletionJob>(std::move(items), m_flags, std::move(callbacks));
    auto job = m_deletion;
    runOnWorker([self, job] {
        DeletionOutcome outcome = job->deleteSelectedFiles();
        mainAsync([self, outcome = std::move(outcome)]() mutable {
            if (!self)
                return;
            self->m_working = false;
            self->m_isFinished = false;
            self->finalizeDelete(std::move(outcome));
            emit self->workEnded();
        });
    });
}

void ScanVC::showDeletionProgress(const DeletionProgress &progress)
{
    qint64 shown = progress.trashed;
    if (progress.photosFound > 0) {
        if (!m_permissionCache)
            m_permissionCache = photosAutomationAllowed();
        if (*m_permissionCache)
            shown += progress.photosFound;
    }
    // The share of the marked files that left their place (Photos items counted as found, whatever
    // the permission).
    const qint64 removed = progress.trashed + progress.photosFound;
    const int percent = progress.total > 0 ? int(removed * 100 / progress.total) : 0;
    lbltotalDuplicateFiles->setText(QString::number(shown));
    lblProgressPercent->setText(QString::number(percent) + QLatin1Char('%'));
    progressView->setProgress(percent / 100.0);
}

bool ScanVC::photosAutomationAllowed() const
{
    int error = 0;
    const auto count = platform::PhotosApp::shared().countMediaItems(&error);
    if (!count && error != 0) {
        platform::printLine(QStringLiteral("error: %1").arg(error));
    }
    return !(!count && error == platform::PhotosApp::automationRefusedError);
}

void ScanVC::requestPhotosPermission()
{
    if (!m_deletion)
        return;
    if (photosAutomationAllowed()) {
        m_deletion->answerPhotosPermission(true);
        return;
    }
    m_errorAutomation = true;
    alertAutomationPermission();
}

void ScanVC::alertAutomationPermission()
{
    const QString message = QStringLiteral("Twinsift needs your permission and to fix duplicate Photos");
    QList<QAbstractButton *> buttons;
    auto *alert =
        makeAlert(this, QStringLiteral("automationAlert"), QMessageBox::Warning, message, message,
                  QStringLiteral("Twinsift does not have access permission to 'Photos' App.\n"
                                 "Kindly authorize Twinsift  to access 'Photos' App by following the below steps:\n"
                                 "1. Open System Preferences from Application Folder or Launchpad.\n"
                                 "2. Click on 'Security & Privacy' tab.\n"
                                 "3. Select 'Privacy' tab from the top menu.\n"
                                 "4. In the left menu, scroll down and select 'Automation'.\n"
                                 "5. In the right panel list, find and select Twinsift.\n"
                                 "6. Check the 'Photos' checkbox below Twinsift."),
                  {{QStringLiteral("Open System Preferences"), QMessageBox::AcceptRole},
                   {QStringLiteral("OK"), QMessageBox::RejectRole}},
                  &buttons);
    QAbstractButton *open = buttons.constFirst();
    alert->setWindowModality(Qt::WindowModal);
    keepAlertFrameless(alert);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    m_automationAlert = alert;
    QPointer<ScanVC> self = this;
    connect(alert, &QMessageBox::finished, this, [self, alert, open](int) {
        if (!self)
            return;
        // There is no system settings page for this on Linux: the first button itself gives the
        // consent, which is stored, and the Photos items of this deletion go ahead.
        const bool allowed = alert->clickedButton() == open && platform::PhotosApp::shared().setAutomationAllowed(true);
        self->m_errorAutomation = false;
        if (self->m_deletion)
            self->m_deletion->answerPhotosPermission(allowed);
    });
    alert->open();
}

void ScanVC::finalizeDelete(DeletionOutcome outcome)
{
    if (m_finalized)
        return;
    m_finalized = true;

    m_problems = outcome.problems;
    totalRemoveTrash = outcome.totalRemoveTrash;
    totalSizeRemoveTrash = outcome.totalSizeRemoveTrash;
    isItemDeleted = totalRemoveTrash > 0;
    deletedItems.clear();
    for (const QString &url : outcome.trashedUrls)
        deletedItems.append(url);

    // Photos items: handed to the album only when the walk was not stopped and Photos may be
    // driven; they count as moved only when the album took them.
    const bool stopped = outcome.stopped || isClosed();
    if (!outcome.photoItems.empty() && !stopped) {
        if (!outcome.photosPermissionRefused && photosAutomationAllowed()) {
            QStringList ids;
            std::vector<const DeletionItem *> handed;
            for (const DeletionItem &item : outcome.photoItems) {
                if (item.photoId && !item.photoId->isEmpty()) {
                    ids.append(*item.photoId);
                    handed.push_back(&item);
                } else {
                    m_problems.push_back(
                        {DeletionProblem::Kind::MoveFailed, item.path, localizedText(QStringLiteral("IDS_TWK_6004"))});
                }
            }
            if (!ids.isEmpty() && MVNMemory().movePhotosInPhotoLibrary(ids)) {
                photoLibraryItemsIds = ids;
                isPresentedPhotosLibrary = true;
                for (const DeletionItem *item : handed) {
                    ++totalRemovePhotoLibrary;
                    if (item->scanned)
                        totalSizeRemovePhotoLibrary += item->scanned->size;
                    deletedItems.append(item->absoluteUrl);
                }
            } else {
                for (const DeletionItem *item : handed)
                    m_problems.push_back(
                        {DeletionProblem::Kind::MoveFailed, item->path, localizedText(QStringLiteral("IDS_TWK_6004"))});
            }
        } else if (totalRemoveTrash == 0) {
            // Photos refused and nothing went to the Trash: nothing changed, the sheet just goes.
            QPointer<ScanVC> self = this;
            mainAfter(0.2, [self] {
                if (self)
                    self->removeSelfViewAfterDelete();
            });
            return;
        }
    }

    isPresentedView = isItemDeleted;
    photosMovedCountText = QString::number(totalRemovePhotoLibrary);
    photosMovedSizeText = MVNAssistance::sizeText(totalSizeRemovePhotoLibrary);
    trashedCountText = QString::number(totalRemoveTrash);
    trashedSizeText = MVNAssistance::sizeText(totalSizeRemoveTrash);

    // What really left its place leaves the groups. Every file left in place keeps its mark (the
    // mark lists follow the remaining groups, so no mark points at a shifted file): the user can
    // look at it, scan again or try once more.
    removeDeletedFromResults(ResultState::shared(), deletedItems);
    if (auto *results = qobject_cast<ScanResultVC *>(AllViewControllers::cachedController(ScreenName::scanResult)))
        results->showMarksAfterDeletion();

    QPointer<ScanVC> self = this;
    mainAfter(0.3, [self] {
        if (self)
            self->displayDeletedItems();
    });
    mainAfter(0.2, [self] {
        if (self)
            self->removeSelfViewAfterDelete();
    });
}

void ScanVC::displayDeletedItems()
{
    if (m_summaryShown)
        return;
    m_summaryShown = true;

    refreshResultTotals();
    movedToPhotosAlbum = false;
    const bool resultsLeft = !ResultState::shared().allImages.empty();
    auto *status = qobject_cast<AfterDeleteStatusVC *>(afterDeleteStatusVC());
    NotificationCenter &center = NotificationCenter::defaultCenter();
    if (isPresentedView) {
        if (status) {
            status->isTrashed = true;
            status->isPhotoLibrary = isPresentedPhotosLibrary;
            status->isResult = resultsLeft;
        }
        center.post(NotificationName::presentAfterDeleteView);
    } else if (isPresentedPhotosLibrary) {
        if (status) {
            status->isTrashed = false;
            status->isPhotoLibrary = true;
            status->isResult = resultsLeft;
        }
        if (resultsLeft) {
            movedToPhotosAlbum = true;
            center.post(NotificationName::afterMoveInPhotoLibrary);
        } else {
            center.post(NotificationName::presentAfterDeleteView);
        }
    }
    if (!m_problems.empty())
        showProblemsAlert();
}

void ScanVC::showProblemsAlert()
{
    // Shown as the program's other questions are: the message as the title, the texts given room,
    // one button with the program's own title.
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QString message = problemsMessage(m_problems);
    auto *alert = makeAlert(owner, QStringLiteral("deletionProblemsAlert"), QMessageBox::Warning, message, message,
                            problemsDetails(m_problems), {{localizedText(QStringLiteral("IDS_TWK_194"))}});
    alert->setEscapeButton(alert->defaultButton());
    alert->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    keepAlertFrameless(alert);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    m_problemsAlert = alert;
    alert->open();
}

void ScanVC::removeSelfViewAfterDelete()
{
    platform::printLine(QStringLiteral("Dismiss vc: 1"));
    removeView();
}
