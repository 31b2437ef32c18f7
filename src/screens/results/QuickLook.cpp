#include "screens/results/QuickLook.h"
#include "screens/shell/ScreenNames.h"

#include "model/Palette.h"
#include "platform/ImageSource.h"
#include "platform/RegularFile.h"
#include "platform/VideoContainer.h"
#include "platform/VideoFrames.h"
#include "platform/widgets/PlainText.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/widgets/MediaBackend.h"
#include "platform/widgets/WindowPosition.h"
#include "screens/shell/AllViewControllers.h"

#include <QAudioOutput>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QThreadPool>
#include <QVBoxLayout>
#include <QVideoWidget>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

namespace {

// The photo's size in a window whose view is `area` (logical pixels): the whole photo, never larger
// than one photo pixel per logical pixel, so a small photo looks the same at every scaling.
QSize fittedIn(QSize picture, QSize area)
{
    if (picture.isEmpty())
        return {};
    QSizeF fitted = picture;
    if (fitted.width() > area.width() || fitted.height() > area.height())
        fitted.scale(QSizeF(area.expandedTo(QSize(1, 1))), Qt::KeepAspectRatio);
    return fitted.toSize().expandedTo(QSize(1, 1));
}

// The pixels a fitted decode needs: the fitted size at the screen's pixel ratio, never more than the
// photo has.
QSize fittedPixels(QSize picture, QSize area, qreal ratio)
{
    const QSize device = (QSizeF(fittedIn(picture, area)) * ratio).toSize().expandedTo(QSize(1, 1));
    return device.boundedTo(picture);
}

} // namespace

// Decodes for the window, one at a time on a worker thread; a request waiting to start is replaced
// by a newer one of its kind (the fitted picture first, then the visible part).
class QuickLookDecoder : public std::enable_shared_from_this<QuickLookDecoder>
{
public:
    struct Job {
        quint64 request = 0;
        quint64 number = 0;
        QString path;
        bool fitted = true;
        QSize area; // fitted: the view (logical pixels)
        qreal ratio = 1.0;
        QRect rect; // part: the photo's part (full-size pixels) ...
        QSize size; // ... and the pixels it is shown on
    };

    explicit QuickLookDecoder(QuickLook *window)
        : window_(window)
    {
    }

    void post(Job job)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        (job.fitted ? fitted_ : part_) = std::move(job);
        if (running_)
            return;
        running_ = true;
        QThreadPool::globalInstance()->start([self = shared_from_this()] { self->run(); });
    }

    void dropPart()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        part_.reset();
    }

private:
    void run()
    {
        for (;;) {
            Job job;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                std::optional<Job> &next = fitted_ ? fitted_ : part_;
                if (!next) {
                    running_ = false;
                    return;
                }
                job = std::move(*next);
                next.reset();
            }
            if (job.fitted)
                decodeFitted(job);
            else
                decodePart(job);
        }
    }

    void decodeFitted(const Job &job)
    {
        const platform::ImageSource source(job.path);
        // The photo's upright size, from its header; the decode is made at the size it is shown.
        QSize upright;
        if (const auto props = source.properties()) {
            upright = QSize(props->value(platform::ImageProperty::PixelWidth).toInt(),
                            props->value(platform::ImageProperty::PixelHeight).toInt());
            const qint64 orientation = props->value(platform::ImageProperty::Orientation).toLongLong();
            if (orientation >= 5 && orientation <= 8)
                upright.transpose();
        }
        const QSize target = upright.isEmpty() ? job.area * job.ratio : fittedPixels(upright, job.area, job.ratio);
        platform::DecodeOutcome outcome = source.thumbnailOutcome(std::max({target.width(), target.height(), 1}), true);
        QImage shown;
        if (outcome.hasPicture()) {
            shown = outcome.takePicture();
            if (upright.isEmpty()) {
                upright = shown.size();
            } else if (upright.width() != upright.height()
                       && (shown.width() > shown.height()) != (upright.width() > upright.height())) {
                upright.transpose(); // turned by the decoder another way than the header told
            }
            shown.setDevicePixelRatio(job.ratio);
        }
        deliver([job, shown, upright, outcome](QuickLook *window) {
            window->fittedDecoded(job.request, job.number, shown, upright, outcome);
        });
    }

    void decodePart(const Job &job)
    {
        std::optional<QImage> image = platform::ImageSource(job.path).region(job.rect, job.size, true);
        const QImage part = image ? std::move(*image) : QImage();
        deliver([job, part](QuickLook *window) { window->detailDecoded(job.request, job.number, part, job.rect); });
    }

    template <typename Fn>
    void deliver(Fn fn)
    {
        QPointer<QuickLook> window = window_;
        QMetaObject::invokeMethod(
            qApp,
            [window, fn] {
                if (window)
                    fn(window.data());
            },
            Qt::QueuedConnection);
    }

    QPointer<QuickLook> window_;
    std::mutex mutex_;
    std::optional<Job> fitted_;
    std::optional<Job> part_;
    bool running_ = false;
};

// Draws the window's photo at the zoomed size it is given: the fitted decode enlarged, and the
// decoded visible part over it. Only the exposed part is drawn.
class QuickLookPicture : public QWidget
{
public:
    explicit QuickLookPicture(QuickLook *window)
        : window_(window)
    {
        setObjectName(QStringLiteral("quickLookPicture"));
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QuickLook &window = *window_;
        if (window.fitted_.isNull() || window.pictureSize_.isEmpty())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(rect()), window.fitted_,
                          QRectF(0, 0, window.fitted_.width(), window.fitted_.height()));
        if (window.detail_.isNull())
            return;
        const qreal scaleX = qreal(width()) / window.pictureSize_.width();
        const qreal scaleY = qreal(height()) / window.pictureSize_.height();
        const QRect part = window.detailRect_;
        painter.drawImage(QRectF(part.x() * scaleX, part.y() * scaleY, part.width() * scaleX, part.height() * scaleY),
                          window.detail_, QRectF(0, 0, window.detail_.width(), window.detail_.height()));
    }

private:
    QuickLook *window_;
};

QuickLook &QuickLook::shared()
{
    static QuickLook *window = new QuickLook;
    return *window;
}

QuickLook::QuickLook(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("QuickLook"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setStyleSheet(QStringLiteral("#QuickLook, QScrollArea, QScrollArea > QWidget > QWidget { background: #1b1b1b; }"
                                 "QLabel#quickLookMessage { color: " TWINSIFT_HOVER_LIGHT_CSS "; }"
                                 "QLabel#quickLookStillNote { color: " TWINSIFT_HOVER_LIGHT_CSS
                                 "; background: " TWINSIFT_DIMMING_CSS "; border-radius: 3px; padding: 3px 8px; }"));
    decoder_ = std::make_shared<QuickLookDecoder>(this);
    stack_ = new QStackedWidget(this);
    scroll_ = new QScrollArea(stack_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setFocusPolicy(Qt::NoFocus);
    picture_ = new QuickLookPicture(this);
    scroll_->setWidget(picture_);
    // The photo is fitted to the room the scroll area really has, which is known only once the
    // window's layout has run (on the first showing and after every resize).
    scroll_->viewport()->installEventFilter(this);
    // A zoomed photo's visible part is decoded again once the view has settled.
    refresh_.setSingleShot(true);
    refresh_.setInterval(40);
    connect(&refresh_, &QTimer::timeout, this, &QuickLook::refreshDecodes);
    for (QScrollBar *bar : {scroll_->horizontalScrollBar(), scroll_->verticalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (!placing_)
                middle_ = viewMiddle();
            refresh_.start();
        });
    }
    message_ = new QLabel(stack_);
    message_->setObjectName(QStringLiteral("quickLookMessage"));
    message_->setTextFormat(Qt::PlainText);
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setContentsMargins(24, 24, 24, 24); // a long name never runs to the window's edges
    platform::chooseMediaBackend();
    video_ = new QVideoWidget(stack_);
    video_->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);
    player_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    player_->setAudioOutput(audio_);
    player_->setVideoOutput(video_);
    stack_->addWidget(scroll_);
    stack_->addWidget(message_);
    stack_->addWidget(video_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
    stillNote_ = new QLabel(this);
    stillNote_->setObjectName(QStringLiteral("quickLookStillNote"));
    stillNote_->setTextFormat(Qt::PlainText);
    stillNote_->hide();
    // Fits a 1280 x 720 screen with room to spare.
    resize(900, 620);
    setMinimumSize(320, 240);
}

bool QuickLook::isShowingVideo() const
{
    return stack_->currentWidget() == video_;
}

void QuickLook::previewItem(const QUrl &url)
{
    url_ = url;
    releasePlayer();
    videoStill_ = false;
    stillNote_->hide();
    ++request_;
    fitted_ = QImage();
    detail_ = QImage();
    detailRect_ = QRect();
    pictureSize_ = QSize();
    fittedWaiting_ = 0;
    detailWaiting_ = 0;
    detailAsked_ = QRect();
    decoder_->dropPart();
    zoom_ = 1.0;
    middle_ = QPointF(0.5, 0.5);
    const QString path = url.toLocalFile();
    path_ = path;
    setWindowTitle(windowTitleText(QFileInfo(path).fileName()));
    const QString extension = QFileInfo(path).suffix().toLower();
    const bool isImage = imageExtensions.contains(extension, Qt::CaseInsensitive);
    if (!isImage) {
        // A video goes to the player only once a worker thread found it a real one; until then
        // the window shows nothing.
        message_->clear();
        stack_->setCurrentWidget(message_);
        checkVideo();
    } else {
        stack_->setCurrentWidget(scroll_);
        updatePicture();
    }
    if (!isVisible())
        placeOverMainWindow();
    show();
    raise();
    activateWindow();
    if (stack_->currentWidget() == scroll_)
        refreshDecodes();
}

void QuickLook::placeOverMainWindow()
{
    // Centred over the main window (kept inside its screen's free area), as the other windows
    // the program opens; with no main window shown, centred on the screen.
    QWidget *anchor = AllViewControllers::cachedController(ScreenName::initialWindowController);
    if (anchor)
        anchor = anchor->window();
    QScreen *screen = anchor && anchor->isVisible() ? anchor->screen() : this->screen();
    if (!screen)
        return;
    QMargins margins = platform::reportedFrameMargins(this);
    if (margins.isNull() && anchor)
        margins = platform::reportedFrameMargins(anchor);
    if (margins.isNull())
        margins = platform::assumedFrameMargins(this);
    const QRect available = screen->availableGeometry();
    setGeometry(anchor && anchor->isVisible()
                    ? platform::geometryCentredOver(anchor->frameGeometry(), available, size(), minimumSize(), margins)
                    : platform::fittedWindowGeometry(available, size(), minimumSize(), margins));
}

bool QuickLook::isDecoding() const
{
    return fittedWaiting_ != 0 || detailWaiting_ != 0 || refresh_.isActive()
        || (videoChecking_ != 0 && videoChecking_ == request_);
}

void QuickLook::releasePlayer()
{
    player_->stop();
    player_->setSource(QUrl());
    playing_.reset(); // only once the player let go of it
}

void QuickLook::checkVideo()
{
    const quint64 request = videoChecking_ = request_;
    QPointer<QuickLook> window = this;
    // A still is kept no larger than the screen shows it.
    const QScreen *screen = this->screen();
    const QSize room = screen ? screen->availableGeometry().size() : QSize(1920, 1080);
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    QThreadPool::globalInstance()->start([window, request, path = path_, room, ratio] {
        std::shared_ptr<const platform::RegularFile> checked;
        bool other = false;
        QImage still;
        QSize frameSize;
        {
            const platform::VideoContainer video(path);
            other = video.isOtherFormat();
            if (platform::playerPlays(video)) {
                checked = video.file();
            } else if (const std::optional<QImage> frame = platform::VideoFrames::frameAtZero(video);
                       frame && !frame->isNull()) {
                frameSize = frame->size();
                still =
                    frame->scaled(fittedPixels(frameSize, room, ratio), Qt::KeepAspectRatio, Qt::SmoothTransformation);
                still.setDevicePixelRatio(ratio);
            }
        }
        QMetaObject::invokeMethod(
            qApp,
            [window, request, checked, other, still, frameSize] {
                if (window)
                    window->videoChecked(request, checked, other, still, frameSize);
            },
            Qt::QueuedConnection);
    });
}

void QuickLook::videoChecked(quint64 request, std::shared_ptr<const platform::RegularFile> checked, bool otherFormat,
                             const QImage &still, QSize frameSize)
{
    if (request != request_)
        return; // another file is shown, or the window was closed
    videoChecking_ = 0;
    if (checked) {
        stack_->setCurrentWidget(video_);
        player_->setSource(platform::playerSource(*checked));
        playing_ = std::move(checked);
        player_->play();
    } else if (!still.isNull()) {
        // A video the player cannot take shows its first frame, zoomed as a photo is.
        videoStill_ = true;
        fitted_ = still;
        pictureSize_ = frameSize;
        stack_->setCurrentWidget(scroll_);
        updatePicture();
        stillNote_->setText(localizedText(QStringLiteral("IDS_TWK_8901")));
        placeStillNote();
        stillNote_->raise();
        stillNote_->show();
    } else if (otherFormat) {
        // A picture with a video's name is shown as a picture (decoded within the picture bounds;
        // the file's name when it holds none).
        stack_->setCurrentWidget(scroll_);
        updatePicture();
        refreshDecodes();
    } else {
        showUnshown(platform::DecodeOutcome(platform::DecodeOutcome::Reason::Damaged));
    }
}

QString QuickLook::unshownReason(const platform::DecodeOutcome &outcome)
{
    using Reason = platform::DecodeOutcome::Reason;
    const QSize pixels = outcome.pixels();
    switch (outcome.reason()) {
    case Reason::TooLarge:
        return pixels.isEmpty()
            ? localizedText(QStringLiteral("IDS_TWK_8904"))
            : substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_8902")),
                                     {QString::number(pixels.width()), QString::number(pixels.height())});
    case Reason::Unreadable:
        return localizedText(QStringLiteral("IDS_TWK_8905"));
    case Reason::Damaged:
    case Reason::RefusedKind:
    case Reason::Stopped:
        break;
    }
    return localizedText(QStringLiteral("IDS_TWK_8903"));
}

QString QuickLook::unshownText(const QString &path, const platform::DecodeOutcome &outcome)
{
    const QString reason = unshownReason(outcome);
    const QString name = QFileInfo(path).fileName();
    return reason.isEmpty() ? name : name + QLatin1Char('\n') + reason;
}

void QuickLook::showUnshown(const platform::DecodeOutcome &outcome)
{
    message_->setText(unshownText(path_, outcome));
    stack_->setCurrentWidget(message_);
}

void QuickLook::setZoom(double zoom)
{
    zoom_ = std::clamp(zoom, 0.1, 16.0);
    updatePicture();
}

QPointF QuickLook::viewMiddle() const
{
    const QSize room = scroll_->viewport()->size();
    const QSize shown = picture_->size();
    const auto share = [](int value, int view, int length) {
        return length > view ? std::clamp((value + view / 2.0) / length, 0.0, 1.0) : 0.5;
    };
    return QPointF(share(scroll_->horizontalScrollBar()->value(), room.width(), shown.width()),
                   share(scroll_->verticalScrollBar()->value(), room.height(), shown.height()));
}

QSize QuickLook::fittedSize() const
{
    return fittedIn(pictureSize_, scroll_->viewport()->size());
}

void QuickLook::updatePicture()
{
    if (pictureSize_.isEmpty()) {
        picture_->resize(0, 0);
        return;
    }
    // Sized for the zoom, then scrolled so that the point that was in the middle of the view stays
    // there (also when the view loses room to the scroll bars the larger picture brings).
    const QSize target = (QSizeF(fittedSize()) * zoom_).toSize().expandedTo(QSize(1, 1));
    placing_ = true;
    if (target != picture_->size())
        picture_->resize(target);
    const QSize room = scroll_->viewport()->size();
    scroll_->horizontalScrollBar()->setValue(int(std::lround(middle_.x() * target.width() - room.width() / 2.0)));
    scroll_->verticalScrollBar()->setValue(int(std::lround(middle_.y() * target.height() - room.height() / 2.0)));
    placing_ = false;
    picture_->update();
    refresh_.start();
}

void QuickLook::refreshDecodes()
{
    refresh_.stop();
    if (path_.isEmpty() || stack_->currentWidget() != scroll_ || videoStill_)
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize area = scroll_->viewport()->size();
    QuickLookDecoder::Job job;
    job.request = request_;
    job.path = path_;
    job.ratio = ratio;
    // The fitted picture: asked for first, and again when the window grew past it.
    const bool fittedLacks = pictureSize_.isEmpty() || [&] {
        const QSize wanted = fittedPixels(pictureSize_, area, ratio);
        return wanted.width() > fitted_.width() + 1 || wanted.height() > fitted_.height() + 1;
    }();
    if (fittedLacks && fittedWaiting_ == 0) {
        job.number = fittedWaiting_ = ++jobs_;
        job.area = area;
        decoder_->post(job);
    }
    if (pictureSize_.isEmpty() || fitted_.isNull())
        return;

    // The visible part, when the view shows the photo at more pixels than the fitted picture has.
    const QSize shown = picture_->size();
    const double devicePerPhoto = shown.width() * ratio / pictureSize_.width();
    const double fittedPerPhoto = double(fitted_.width()) / pictureSize_.width();
    if (devicePerPhoto <= fittedPerPhoto * 1.05) {
        if (!detail_.isNull() || detailWaiting_ != 0) {
            detail_ = QImage();
            detailRect_ = QRect();
            detailWaiting_ = 0;
            decoder_->dropPart();
            picture_->update();
        }
        return;
    }
    const QRect visible =
        QRect(picture_->mapFrom(scroll_->viewport(), QPoint(0, 0)), area).intersected(picture_->rect());
    if (visible.isEmpty())
        return;
    const QRect photo(QPoint(0, 0), pictureSize_);
    const double scale = double(shown.width()) / pictureSize_.width(); // logical pixels per photo pixel
    const QRectF seen(visible.x() / scale, visible.y() / scale, visible.width() / scale, visible.height() / scale);
    const QRect needed = seen.toAlignedRect().intersected(photo);
    const double wantedScale = std::min(1.0, devicePerPhoto);
    const auto serves = [&](const QRect &rect, QSize size) {
        return !rect.isEmpty() && rect.contains(needed) && double(size.width()) / rect.width() >= wantedScale * 0.95;
    };
    if (detailWaiting_ != 0 ? serves(detailAsked_, detailAskedSize_) : serves(detailRect_, detail_.size()))
        return;
    // An eighth of the view more on each side, so that a short scroll needs no new decode.
    const QRect part = seen.adjusted(-seen.width() / 8, -seen.height() / 8, seen.width() / 8, seen.height() / 8)
                           .toAlignedRect()
                           .intersected(photo);
    const QSize size = (QSizeF(part.size()) * wantedScale).toSize().expandedTo(QSize(1, 1));
    job.fitted = false;
    job.number = detailWaiting_ = ++jobs_;
    job.rect = detailAsked_ = part;
    job.size = detailAskedSize_ = size;
    decoder_->post(job);
}

void QuickLook::fittedDecoded(quint64 request, quint64 job, const QImage &image, QSize pictureSize,
                              const platform::DecodeOutcome &outcome)
{
    if (request != request_ || job != fittedWaiting_)
        return; // for another file, or a newer decode was asked for
    fittedWaiting_ = 0;
    if (image.isNull()) {
        if (fitted_.isNull())
            showUnshown(outcome);
        return;
    }
    fitted_ = image;
    pictureSize_ = pictureSize;
    updatePicture();
}

void QuickLook::detailDecoded(quint64 request, quint64 job, const QImage &image, QRect rect)
{
    if (request != request_ || job != detailWaiting_)
        return;
    detailWaiting_ = 0;
    if (image.isNull())
        return; // the fitted picture stays enlarged
    detail_ = image;
    detailRect_ = rect;
    picture_->update();
    refresh_.start(); // the view may have moved on while it decoded
}

void QuickLook::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Space:
        close();
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        setZoom(zoom_ * 1.25);
        return;
    case Qt::Key_Minus:
        setZoom(zoom_ / 1.25);
        return;
    case Qt::Key_0:
        setZoom(1.0);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void QuickLook::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        setZoom(event->angleDelta().y() > 0 ? zoom_ * 1.15 : zoom_ / 1.15);
        event->accept();
        return;
    }
    QWidget::wheelEvent(event);
}

void QuickLook::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updatePicture();
    placeStillNote();
}

void QuickLook::placeStillNote()
{
    const int margin = 12;
    const QSize note = stillNote_->sizeHint().boundedTo(size() - QSize(2 * margin, 2 * margin)).expandedTo(QSize(0, 0));
    stillNote_->setGeometry((width() - note.width()) / 2, height() - margin - note.height(), note.width(),
                            note.height());
}

bool QuickLook::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize)
        updatePicture();
    return QWidget::eventFilter(watched, event);
}

void QuickLook::closeEvent(QCloseEvent *event)
{
    releasePlayer();
    // The zoomed view's part goes; the next showing decodes its file anew.
    ++request_;
    detail_ = QImage();
    detailRect_ = QRect();
    fittedWaiting_ = 0;
    detailWaiting_ = 0;
    decoder_->dropPart();
    refresh_.stop();
    QWidget::closeEvent(event);
}
