#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QMediaPlayer;
class QAudioOutput;
class QVideoWidget;
class QStackedWidget;
class QScrollArea;

// The preview window for one file: a photo fitted to the window (zoom with the + and - keys, Ctrl and
// the wheel, 0 to fit again), a video played in place. Escape or Space closes it. One shared window.
class QuickLook : public QWidget {
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

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit QuickLook(QWidget *parent = nullptr);
    void updatePicture();

    QUrl url_;
    QImage image_;
    double zoom_ = 1.0;
    QStackedWidget *stack_ = nullptr;
    QScrollArea *scroll_ = nullptr;
    QLabel *picture_ = nullptr;
    QLabel *message_ = nullptr;
    QVideoWidget *video_ = nullptr;
    QMediaPlayer *player_ = nullptr;
    QAudioOutput *audio_ = nullptr;
};
