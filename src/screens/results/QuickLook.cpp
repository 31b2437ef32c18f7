#include "screens/results/QuickLook.h"

#include "platform/ImageSource.h"
#include "platform/widgets/PlainText.h"
#include "model/ModuleState.h"

#include <QAudioOutput>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QVideoWidget>
#include <QWheelEvent>

#include <algorithm>

QuickLook &QuickLook::shared()
{
    static QuickLook *window = new QuickLook;
    return *window;
}

QuickLook::QuickLook(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("QuickLook"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setStyleSheet(QStringLiteral("#QuickLook, QScrollArea, QScrollArea > QWidget > QWidget { background: #1b1b1b; }"
                                 "QLabel#quickLookMessage { color: #c8c8c8; }"));
    stack_ = new QStackedWidget(this);
    scroll_ = new QScrollArea(stack_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setFocusPolicy(Qt::NoFocus);
    picture_ = new QLabel;
    picture_->setObjectName(QStringLiteral("quickLookPicture"));
    picture_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(picture_);
    // The photo is fitted to the room the scroll area really has, which is known only once the
    // window's layout has run (on the first showing and after every resize).
    scroll_->viewport()->installEventFilter(this);
    message_ = new QLabel(stack_);
    message_->setObjectName(QStringLiteral("quickLookMessage"));
    message_->setTextFormat(Qt::PlainText);
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
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
    player_->stop();
    player_->setSource(QUrl());
    image_ = QImage();
    zoom_ = 1.0;
    const QString path = url.toLocalFile();
    setWindowTitle(windowTitleText(QFileInfo(path).fileName()));
    const QString extension = QFileInfo(path).suffix().toLower();
    const bool isImage = imageExtensions.contains(extension, Qt::CaseInsensitive);
    if (!isImage && QFileInfo(path).isFile()) {
        stack_->setCurrentWidget(video_);
        player_->setSource(url);
        player_->play();
    } else {
        if (auto decoded = platform::ImageSource(path).image(true))
            image_ = std::move(*decoded);
        if (image_.isNull()) {
            message_->setText(QFileInfo(path).fileName());
            stack_->setCurrentWidget(message_);
        } else {
            stack_->setCurrentWidget(scroll_);
            updatePicture();
        }
    }
    show();
    raise();
    activateWindow();
}

void QuickLook::setZoom(double zoom)
{
    zoom_ = std::clamp(zoom, 0.1, 16.0);
    updatePicture();
}

void QuickLook::updatePicture()
{
    if (image_.isNull())
        return;
    const qreal dpr = devicePixelRatioF();
    const QSize area = scroll_->viewport()->size();
    // Fitted: the whole photo in the window, never larger than one photo pixel per logical pixel
    // (so a small photo looks the same at every scaling), drawn at the screen's pixel ratio.
    QSizeF fitted = image_.size();
    if (fitted.width() > area.width() || fitted.height() > area.height())
        fitted.scale(QSizeF(area), Qt::KeepAspectRatio);
    const QSize target = (fitted * zoom_ * dpr).toSize().expandedTo(QSize(1, 1));
    QPixmap pixmap = QPixmap::fromImage(image_.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(dpr);
    picture_->setPixmap(pixmap);
    picture_->resize((QSizeF(pixmap.size()) / dpr).toSize());
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
}

bool QuickLook::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize && zoom_ == 1.0)
        updatePicture();
    return QWidget::eventFilter(watched, event);
}

void QuickLook::closeEvent(QCloseEvent *event)
{
    player_->stop();
    player_->setSource(QUrl());
    QWidget::closeEvent(event);
}
