#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QShortcut>

#include <functional>

namespace platform {

// A window with one content controller. The content is owned by the screen registry, not by the
// window: replacing or clearing it detaches the old controller without destroying it.
class WindowController : public QMainWindow
{
    Q_OBJECT
public:
    explicit WindowController(QWidget *parent = nullptr);

    QWidget *contentViewController() const { return m_content; }
    // Shows `controller` as the window's content; nullptr leaves the window empty.
    void setContentViewController(QWidget *controller);

    // Shows the window, brings it to the front and makes it active.
    void showWindow(QObject *sender = nullptr);
    // Shows or hides the window without activating it.
    void setIsVisible(bool visible);
    // Closes (hides) the window; the controller and its content stay for later use.
    void closeWindow();

    // Fits the window to the free area of its screen (panels and docks left out): a window larger
    // than the area shrinks to it, not below its minimum size, and the window is centred in the
    // area, its frame (title bar and borders) included. Before the window manager has framed the
    // window a generous frame is assumed; once the real frame is known, a window whose frame then
    // sticks out of the free area is placed again with it. A window without a screen keeps its
    // place and size.
    void centerOnScreen();

    // Each time the window opens it is centred over the window of the widget that `anchor` gives
    // then (and kept inside the free area of that screen); with no anchor, or none shown, it is
    // centred on its screen. An empty function leaves the window where the system puts it.
    void setCentredOver(std::function<QWidget *()> anchor);

    // Escape that no control of the window takes closes the window, as its close button does; so
    // does the desktop's close-window key (Ctrl+W) wherever the focus is in the window.
    void setClosesOnEscape(bool closes);

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Placement { None, Screen, Anchor };
    void place(Placement placement);
    void placeAgainOnceFramed();

    QPointer<QWidget> m_content;
    std::function<QWidget *()> m_anchor;
    // The last placement was made before the window manager told the frame.
    Placement m_unframedPlacement = Placement::None;
    bool m_closesOnEscape = false;
    QPointer<QShortcut> m_closeShortcut;
};

} // namespace platform
