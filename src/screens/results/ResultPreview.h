#pragma once

#include "model/ImageFile.h"

#include <QImage>
#include <QWidget>

#include <memory>

namespace platform {
class DecodeOutcome;
class RegularFile;
} // namespace platform

class QLabel;
class QMediaPlayer;
class QStackedLayout;
class QVideoWidget;

// The preview area of the results screen: a photo shown in `imgPreview`, decoded at the preview's
// size (device pixels) on a worker thread, or a video played by `videoPlayer` in `avKitPlayer`.
// Only the last request counts: a decode that finishes after a newer request is dropped.
// The player is given the checked video's open descriptor, never its path, and only a video the
// running Qt's player plays safely; any other video shows its first frame as a still picture, with
// `lblStillNote` over it saying that the video does not play here. Stopping clears the player's
// source and closes that descriptor, so no file stays open after the preview stopped.
class ResultPreview : public QWidget
{
    Q_OBJECT
public:
    explicit ResultPreview(QWidget *parent = nullptr);
    ~ResultPreview() override;

    QLabel *imgPreview = nullptr;
    QVideoWidget *avKitPlayer = nullptr;
    QMediaPlayer *videoPlayer = nullptr;
    // Shown over a video's first frame while the player cannot take the video; hidden otherwise.
    QLabel *lblStillNote = nullptr;

    // Shows the file: a video plays (muted, looping), a photo is decoded off the GUI thread. A video
    // goes to the player only once a worker thread found it a real video within the decode bounds
    // that the player plays (else its first frame is shown); a file that is no video shows its
    // picture when it holds one. A file of which nothing shows gives its name and why (a picture
    // too large to decode, or one that cannot be read).
    void showFile(const ImageFilePtr &file);
    // Shows the file as the results list does: a video plays; a photo's thumbnail is fitted into
    // `box` (points) when both its sides exceed `smallSide` points and is shown at its own size
    // otherwise. A photo that cannot be decoded shows its name and why in place of the picture (a
    // playing video goes on).
    void showFileFitted(const ImageFilePtr &file, QSize box, int smallSide);
    // Shows the file's picture as the totals put the first shown file in: a photo as the list shows
    // it (showFileFitted into kPictureBox, at its own size when a side is kSmallSide or less);
    // anything else, or no file, empties the picture without touching a playing video. Either way
    // a decode still running for an earlier request is dropped.
    void showPicture(const ImageFilePtr &file);
    static constexpr QSize kPictureBox{300, 200};
    static constexpr int kSmallSide = 80;
    // Shows the current card in the preview and the details: the grid's current card, the list's
    // selected row, else the first shown file.
    void showCurrentCard();
    // Shows the current card once the running code has finished, when the preview is on screen and
    // no dialog, sheet or alert is up then. Run whenever the results take input again (pop-up mode
    // ended, a confirmation sheet cancelled, "closeToExitVC"), so that a preview stopped while
    // something was up shows again.
    void showCurrentCardWhenFree();
    // Replaces the player's source by none (the video stops) and shows the photo view again.
    void stop();
    // Stops and empties the picture.
    void clear();

    // The number of the last request, and of the last request whose picture was shown (tests).
    quint64 requestNumber() const { return m_request; }
    quint64 shownRequestNumber() const { return m_shown; }

signals:
    // A photo request finished (shown, or not decodable: null image).
    void photoShown(quint64 request, bool decoded);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // `unshown`: what shows in place of a photo that cannot be decoded (QuickLook::unshownText).
    void photoDecoded(quint64 request, const QImage &image, const QString &unshown);
    void showUnshown(const QString &text);
    void checkVideo(quint64 request, const ImageFilePtr &file);
    // `outcome`: why there is no still, when there is none.
    void videoChecked(quint64 request, const QUrl &url, std::shared_ptr<const platform::RegularFile> checked,
                      const QImage &still, bool firstFrame, const platform::DecodeOutcome &outcome);
    // Stops the player, clears its source and closes the file it played.
    void releasePlayer();
    // `unshown`: as for photoDecoded.
    void fittedPhotoDecoded(quint64 request, const QImage &image, const QString &unshown);
    // Shows or hides the note over a video's first frame; placed at the foot of the preview.
    void showStillNote(bool shown);
    void placeStillNote();
    QStackedLayout *m_stack = nullptr;
    std::shared_ptr<const platform::RegularFile> m_playing; // the file the player reads
    quint64 m_request = 0;
    quint64 m_shown = 0;
};
