#pragma once

#include <QImage>
#include <QPointF>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <memory>

namespace platform {
class DecodeOutcome;
class RegularFile;
} // namespace platform

class QLabel;
class QMediaPlayer;
class QAudioOutput;
class QVideoWidget;
class QStackedWidget;
class QScrollArea;
class QuickLookPicture;
class QuickLookDecoder;

// The preview window for one file: a photo fitted to the window (zoom with the + and - keys, Ctrl and
// the wheel, 0 to fit again), a video played in place. Escape or Space closes it. One shared window.
// The player is given the checked video's open descriptor, never its path, and only a video the
// running Qt's player plays safely; any other video shows its first frame as a still picture, with a
// note at the window's foot saying that the video does not play here. A file of which nothing can
// be shown shows its name and why: a picture too large to decode, or a file that cannot be read.
// A photo is decoded off the GUI thread at the size the window shows it; a zoomed photo draws the
// fitted decode enlarged and, over it, the visible part decoded again at the zoom's scale, so no
// zoom holds more than a few window-sized pictures in memory.
class QuickLook : public QWidget
{
    Q_OBJECT
public:
    static QuickLook &shared();
    // Shows the file and brings the window to the front.
    void previewItem(const QUrl &url);
    QUrl currentUrl() const { return url_; }
    bool isShowingVideo() const;
    // 1.0 = fitted to the window.
    double zoom() const { return zoom_; }
    void setZoom(double zoom);

    // The photo's full size, upright (empty until its first decode arrived, or when it has none).
    QSize pictureSize() const { return pictureSize_; }
    // The photo as fitted to the window (its device pixel ratio set), and the part decoded for the
    // zoomed view with the part of the photo it shows (full-size pixels; null when none).
    const QImage &fittedPicture() const { return fitted_; }
    const QImage &detailPicture() const { return detail_; }
    QRect detailRect() const { return detailRect_; }
    // True while a decode (or the video check) for what the window shows is asked for and has not
    // arrived.
    bool isDecoding() const;

    // What shows for a file of which nothing can be shown: its name over unshownReason.
    static QString unshownText(const QString &path, const platform::DecodeOutcome &outcome);
    // The reason a decode gave no picture, as a sentence: too large (with the picture's size when its
    // pixels are too many), not readable, or damaged (or of a kind that is not read).
    static QString unshownReason(const platform::DecodeOutcome &outcome);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class QuickLookPicture;
    friend class QuickLookDecoder;
    explicit QuickLook(QWidget *parent = nullptr);
    // Each time it opens: centred over the main window.
    void placeOverMainWindow();
    // The photo's size in the window at zoom 1 (logical pixels).
    QSize fittedSize() const;
    // Centres the note over a video's first frame at the window's foot.
    void placeStillNote();
    // Sizes the picture for the zoom, keeping the point at the middle of the view in the middle.
    void updatePicture();
    // The point of the picture in the middle of the view, as shares of its width and height.
    QPointF viewMiddle() const;
    // Asks for the decodes the view lacks (a fitted decode for a new window size, the visible part
    // of a zoomed photo); run shortly after the view last changed.
    void refreshDecodes();
    // Looks at the shown file on a worker thread: a real video within the decode bounds is played
    // (or shown by its first frame where the player cannot take it), a picture with a video's name
    // is shown as a picture, anything else by its name.
    void checkVideo();
    void videoChecked(quint64 request, std::shared_ptr<const platform::RegularFile> checked, bool otherFormat,
                      const QImage &still, QSize frameSize);
    // Stops the player, clears its source and closes the file it played.
    void releasePlayer();
    // `outcome`: the decode's, its picture taken out into `image`.
    void fittedDecoded(quint64 request, quint64 job, const QImage &image, QSize pictureSize,
                       const platform::DecodeOutcome &outcome);
    // Shows unshownText() for the file.
    void showUnshown(const platform::DecodeOutcome &outcome);
    void detailDecoded(quint64 request, quint64 job, const QImage &image, QRect rect);

    QUrl url_;
    QString path_;
    double zoom_ = 1.0;
    QPointF middle_{0.5, 0.5}; // kept in the middle of the view while the zoom changes
    bool placing_ = false;     // the picture is being sized and scrolled for the zoom
    QSize pictureSize_;
    QImage fitted_;
    QImage detail_;
    QRect detailRect_;
    quint64 request_ = 0;       // the file shown; decodes for another are dropped
    quint64 jobs_ = 0;          // numbers every decode asked for
    quint64 fittedWaiting_ = 0; // the fitted decode asked for last, until it arrives
    quint64 detailWaiting_ = 0; // the same for the visible part
    quint64 videoChecking_ = 0; // the file whose video check has not arrived
    bool videoStill_ = false;   // the picture is a video's first frame (nothing to decode)
    QRect detailAsked_;         // the part and output size asked for last
    QSize detailAskedSize_;
    QTimer refresh_;
    std::shared_ptr<QuickLookDecoder> decoder_;
    QStackedWidget *stack_ = nullptr;
    QScrollArea *scroll_ = nullptr;
    QuickLookPicture *picture_ = nullptr;
    QLabel *message_ = nullptr;
    QLabel *stillNote_ = nullptr; // over a video's first frame
    QVideoWidget *video_ = nullptr;
    QMediaPlayer *player_ = nullptr;
    QAudioOutput *audio_ = nullptr;
    // The file the player reads, open while it is the player's source.
    std::shared_ptr<const platform::RegularFile> playing_;
};
