#include "screens/results/ResultPreview.h"
#include "screens/shell/ScreenNames.h"

#include "platform/ImageSource.h"
#include "platform/RegularFile.h"
#include "model/Palette.h"
#include "model/TextLookup.h"
#include "platform/VideoContainer.h"
#include "platform/VideoFrames.h"
#include "platform/widgets/MediaBackend.h"
#include "model/ResultState.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/QuickLook.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "services/ImageHelpers.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"

#include <QApplication>
#include <QAudioOutput>
#include <QFileInfo>
#include <QLabel>
#include <QMediaPlayer>
#include <QPointer>
#include <QStackedLayout>
#include <QThreadPool>
#include <QVideoWidget>

#include <algorithm>

ResultPreview::ResultPreview(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("previewArea"));
    imgPreview = new QLabel(this);
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    imgPreview->setAlignment(Qt::AlignCenter);
    imgPreview->setMinimumSize(1, 1);
    // The reason text keeps the margins of the details panel below it; a picture is centred as
    // before (the margins are the same on both sides).
    imgPreview->setContentsMargins(10, 10, 10, 10);
    platform::chooseMediaBackend();
    avKitPlayer = new QVideoWidget(this);
    avKitPlayer->setObjectName(QStringLiteral("avKitPlayer"));
    avKitPlayer->setAspectRatioMode(Qt::KeepAspectRatio);
    videoPlayer = new QMediaPlayer(this);
    videoPlayer->setObjectName(QStringLiteral("videoPlayer"));
    auto *audio = new QAudioOutput(this);
    audio->setMuted(true);
    videoPlayer->setAudioOutput(audio);
    videoPlayer->setVideoOutput(avKitPlayer);
    videoPlayer->setLoops(QMediaPlayer::Infinite);

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(imgPreview);
    m_stack->addWidget(avKitPlayer);
    m_stack->setCurrentWidget(imgPreview);

    // A small badge at the foot of the still, above the stacked views.
    lblStillNote = new QLabel(this);
    lblStillNote->setObjectName(QStringLiteral("lblStillNote"));
    lblStillNote->setTextFormat(Qt::PlainText);
    lblStillNote->setStyleSheet(QStringLiteral("QLabel#lblStillNote { color: " TWINSIFT_HOVER_LIGHT_CSS
                                               "; background: " TWINSIFT_DIMMING_CSS
                                               "; border-radius: 3px; padding: 2px 6px; }"));
    lblStillNote->hide();

    // A dialog or sheet over the results stopped the preview; once it is gone the preview shows
    // the current card again.
    platform::NotificationCenter::defaultCenter().addObserver(
        this, NotificationName::closeToExitVC, [this](const platform::Notification &) { showCurrentCardWhenFree(); });
}

void ResultPreview::showCurrentCardWhenFree()
{
    // After the closing code has run, and only if nothing is up by then.
    QPointer<ResultPreview> self = this;
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self && self->isVisible() && !platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp))
                self->showCurrentCard();
        },
        Qt::QueuedConnection);
}

void ResultPreview::showCurrentCard()
{
    const ResultState &state = ResultState::shared();
    ImageFilePtr file;
    bool fitted = true; // the list and the totals fit a photo into the box; the grid shows it as its hover does
    auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail);
    auto *list = AllViewControllers::cached<ListViewVC>(ScreenName::listView);
    if (grid && grid->isVisible()) {
        if (const auto current = grid->collectionView->currentItem()) {
            file = state.shownFile(current->first, current->second);
            fitted = false;
        }
    } else if (list && list->isVisible()) {
        if (const auto row = list->borderedRow())
            file = state.shownFile(row->first, row->second);
    }
    if (!file && !state.imageDirectories.empty() && !state.imageDirectories.front().empty())
        file = state.imageDirectories.front().front();
    if (!file || !file->url)
        return;
    if (auto *details = AllViewControllers::cached<FilePropertiesVC>(ScreenName::fileProperties)) {
        details->image = file;
        details->showFileProperties();
    }
    if (fitted && !file->isVideo)
        showFileFitted(file, kPictureBox, kSmallSide);
    else
        showFile(file);
}

ResultPreview::~ResultPreview()
{
    ++m_request; // a decode still running finds nothing to show
    releasePlayer();
}

void ResultPreview::releasePlayer()
{
    videoPlayer->stop();
    videoPlayer->setSource(QUrl());
    m_playing.reset(); // only once the player let go of it
}

void ResultPreview::showFile(const ImageFilePtr &file)
{
    const quint64 request = ++m_request;
    if (!file || !file->url) {
        clear();
        return;
    }
    if (file->isVideo) {
        checkVideo(request, file);
        return;
    }
    stop();
    m_request = request;
    const QString path = file->path();
    const qreal ratio = devicePixelRatioF();
    const int maxPixel = int(std::max(width(), height()) * ratio);
    const QSize target = size() * ratio;
    QPointer<ResultPreview> self = this;
    QThreadPool::globalInstance()->start([self, request, path, maxPixel, target, ratio] {
        const platform::DecodeOutcome outcome =
            platform::ImageSource(path).thumbnailOutcome(std::max(maxPixel, 64), true);
        QImage fitted;
        QString unshown;
        if (outcome.hasPicture()) {
            fitted =
                outcome.picture().scaled(target.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            fitted.setDevicePixelRatio(ratio);
        } else {
            unshown = QuickLook::unshownText(path, outcome); // why, as the log has it
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, request, fitted, unshown] {
                if (self)
                    self->photoDecoded(request, fitted, unshown);
            },
            Qt::QueuedConnection);
    });
}

void ResultPreview::checkVideo(quint64 request, const ImageFilePtr &file)
{
    // The video that played is not this file's: it stops while this one is looked at.
    releasePlayer();
    const QUrl url = *file->url;
    const QString path = file->path();
    const qreal ratio = devicePixelRatioF();
    const int maxPixel = std::max(int(std::max(width(), height()) * ratio), 64);
    const QSize target = (size() * ratio).expandedTo(QSize(1, 1));
    QPointer<ResultPreview> self = this;
    QThreadPool::globalInstance()->start([self, request, url, path, maxPixel, target, ratio] {
        std::shared_ptr<const platform::RegularFile> checked;
        // A refused video shows nothing of itself.
        platform::DecodeOutcome picture(platform::DecodeOutcome::Reason::Damaged);
        bool firstFrame = false;
        {
            const platform::VideoContainer video(path);
            if (platform::playerPlays(video))
                checked = video.file();
            else if ((firstFrame = video.isVideo())) // a video the player cannot take
                picture = platform::DecodeOutcome(platform::VideoFrames::frameAtZero(video).value_or(QImage()));
            else if (video.isOtherFormat())
                picture = platform::ImageSource(path).thumbnailOutcome(maxPixel, true); // a picture, in its bounds
        }
        QImage still;
        if (picture.hasPicture()) {
            still = picture.takePicture().scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            still.setDevicePixelRatio(ratio);
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, request, url, checked, still, firstFrame, picture] {
                if (self)
                    self->videoChecked(request, url, checked, still, firstFrame, picture);
            },
            Qt::QueuedConnection);
    });
}

void ResultPreview::videoChecked(quint64 request, const QUrl &url, std::shared_ptr<const platform::RegularFile> checked,
                                 const QImage &still, bool firstFrame, const platform::DecodeOutcome &outcome)
{
    if (request != m_request)
        return; // a newer request took over (the checked file closes with the last holder)
    m_shown = request;
    if (checked) {
        m_stack->setCurrentWidget(avKitPlayer);
        showStillNote(false);
        imgPreview->clear();
        videoPlayer->setSource(platform::playerSource(*checked));
        m_playing = std::move(checked);
        videoPlayer->play();
        return;
    }
    stop();
    if (!still.isNull()) {
        imgPreview->setPixmap(QPixmap::fromImage(still));
        showStillNote(firstFrame);
        return;
    }
    showUnshown(QuickLook::unshownText(url.toLocalFile(), outcome));
}

void ResultPreview::showUnshown(const QString &text)
{
    // As plain text: the file's name is part of it.
    imgPreview->setTextFormat(Qt::PlainText);
    imgPreview->setWordWrap(true);
    imgPreview->setText(text);
}

void ResultPreview::showPicture(const ImageFilePtr &file)
{
    if (file && file->url && !file->isVideo) {
        showFileFitted(file, kPictureBox, kSmallSide);
        return;
    }
    ++m_request;
    showStillNote(false);
    imgPreview->setPixmap(QPixmap());
}

void ResultPreview::photoDecoded(quint64 request, const QImage &image, const QString &unshown)
{
    if (request != m_request)
        return; // a newer request took over
    m_shown = request;
    m_stack->setCurrentWidget(imgPreview);
    showStillNote(false);
    if (image.isNull())
        showUnshown(unshown);
    else
        imgPreview->setPixmap(QPixmap::fromImage(image));
    emit photoShown(request, !image.isNull());
}

void ResultPreview::showFileFitted(const ImageFilePtr &file, QSize box, int smallSide)
{
    if (!file || !file->url || file->isVideo) {
        showFile(file);
        return;
    }
    const quint64 request = ++m_request;
    const QUrl url = *file->url;
    const qreal ratio = devicePixelRatioF();
    QPointer<ResultPreview> self = this;
    QThreadPool::globalInstance()->start([self, request, url, box, smallSide, ratio] {
        const platform::DecodeOutcome outcome = makeThumbnailOutcome(url);
        const std::optional<QImage> thumbnail = outcome.hasPicture() ? std::optional(outcome.picture()) : std::nullopt;
        QImage shown;
        QString unshown;
        if (thumbnail) {
            if (thumbnail->width() > smallSide && thumbnail->height() > smallSide) {
                // Fitted at the screen's pixel density so that it stays sharp when scaled.
                shown = resizedToFit(*thumbnail, box.width() * ratio, box.height() * ratio);
                shown.setDevicePixelRatio(ratio);
            } else {
                shown = *thumbnail;
            }
        } else {
            unshown = QuickLook::unshownText(url.toLocalFile(), outcome);
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, request, shown, unshown] {
                if (self)
                    self->fittedPhotoDecoded(request, shown, unshown);
            },
            Qt::QueuedConnection);
    });
}

void ResultPreview::fittedPhotoDecoded(quint64 request, const QImage &image, const QString &unshown)
{
    if (request != m_request)
        return;
    m_shown = request;
    if (image.isNull()) {
        showStillNote(false);
        showUnshown(unshown);
    } else {
        stop();
        imgPreview->setPixmap(QPixmap::fromImage(image));
    }
    emit photoShown(request, !image.isNull());
}

void ResultPreview::stop()
{
    releasePlayer();
    showStillNote(false);
    m_stack->setCurrentWidget(imgPreview);
}

void ResultPreview::showStillNote(bool shown)
{
    if (shown) {
        lblStillNote->setText(localizedText(QStringLiteral("IDS_TWK_8901")));
        placeStillNote();
        lblStillNote->raise();
    }
    lblStillNote->setVisible(shown);
}

void ResultPreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeStillNote();
}

void ResultPreview::placeStillNote()
{
    // Centred at the foot, never wider than the preview.
    const int margin = 6;
    const QSize note =
        lblStillNote->sizeHint().boundedTo(size() - QSize(2 * margin, 2 * margin)).expandedTo(QSize(0, 0));
    lblStillNote->setGeometry((width() - note.width()) / 2, height() - margin - note.height(), note.width(),
                              note.height());
}

void ResultPreview::clear()
{
    ++m_request;
    stop();
    imgPreview->clear();
}
