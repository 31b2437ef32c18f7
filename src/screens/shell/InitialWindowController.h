#pragma once

#include "platform/widgets/WindowController.h"

// The main window. Its content is the home screen once the splash or the welcome window has given
// way to it. Closing it quits the application, except while a sheet, an overlay, a scan or a
// deletion is up: then the close is refused, like Quit. While pop-up mode locks the window it can
// be neither closed, zoomed nor resized.
class InitialWindowController : public platform::WindowController
{
    Q_OBJECT
public:
    explicit InitialWindowController(QWidget *parent = nullptr);

    void windowDidLoad();
    // The size the window asks for when it first opens (cut down to the screen's free area) and
    // its smallest size, which fits a 1280 x 720 screen with a panel.
    static QSize preferredWindowSize() { return QSize(1280, 800); }
    static QSize minimumWindowSize() { return QSize(960, 600); }
    // Answers whether the window may close now (it may unless the application refuses to quit).
    bool windowShouldClose();

    // Lock: no closing, no zooming, no resizing; unlock gives all three back.
    void setWindowLocked(bool locked);
    bool isWindowLocked() const { return m_locked; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool m_locked = false;
    bool m_placed = false;
};
