#pragma once

#include <QMainWindow>
#include <QPointer>

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
    // area. A window without a screen keeps its place and size.
    void centerOnScreen();

private:
    QPointer<QWidget> m_content;
};

} // namespace platform
