#include "platform/widgets/WindowController.h"

#include "platform/widgets/WindowPosition.h"

#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>

namespace platform {

WindowController::WindowController(QWidget *parent)
    : QMainWindow(parent)
{
}

void WindowController::setContentViewController(QWidget *controller)
{
    if (controller == m_content)
        return;
    if (m_content && centralWidget() == m_content) {
        QWidget *old = takeCentralWidget();
        old->hide();
        old->setParent(nullptr);
    }
    m_content = controller;
    if (controller) {
        setCentralWidget(controller);
        controller->show();
    }
}

void WindowController::showWindow(QObject *)
{
    show();
    raise();
    activateWindow();
}

void WindowController::setIsVisible(bool visible)
{
    setVisible(visible);
}

void WindowController::closeWindow()
{
    hide();
}

void WindowController::centerOnScreen()
{
    place(Placement::Screen);
}

void WindowController::setCentredOver(std::function<QWidget *()> anchor)
{
    m_anchor = std::move(anchor);
}

void WindowController::place(Placement placement)
{
    QWidget *anchor = placement == Placement::Anchor && m_anchor ? m_anchor() : nullptr;
    if (anchor)
        anchor = anchor->window();
    if (placement == Placement::Anchor && (!anchor || anchor == this || !anchor->isVisible()))
        placement = Placement::Screen;
    QScreen *screen = placement == Placement::Anchor ? anchor->screen() : this->screen();
    if (!screen)
        return;
    // The frame's margins are known once the window manager has framed the window; until then a
    // framed anchor's margins (same window manager) or a generous allowance stand in for them.
    QMargins margins = reportedFrameMargins(this);
    const bool framed = !margins.isNull();
    if (!framed) {
        const QMargins anchorMargins = placement == Placement::Anchor ? reportedFrameMargins(anchor) : QMargins();
        margins = anchorMargins.isNull() ? assumedFrameMargins(this) : anchorMargins;
    }
    m_unframedPlacement = framed || margins.isNull() ? Placement::None : placement;
    const QRect available = screen->availableGeometry();
    const QRect fitted = placement == Placement::Anchor
        ? geometryCentredOver(anchor->frameGeometry(), available, size(), minimumSize(), margins)
        : fittedWindowGeometry(available, size(), minimumSize(), margins);
    if (framed) {
        if (fitted.size() != size())
            resize(fitted.size());
        // move() places the frame's top-left corner.
        move(fitted.topLeft() - QPoint(margins.left(), margins.top()));
    } else {
        // Without a frame yet the position asked for is the content's: the window manager puts
        // its frame around it.
        setGeometry(fitted);
    }
}

void WindowController::placeAgainOnceFramed()
{
    if (m_unframedPlacement == Placement::None || !isVisible())
        return;
    if (reportedFrameMargins(this).isNull())
        return;
    const Placement placement = m_unframedPlacement;
    m_unframedPlacement = Placement::None;
    QScreen *screen = this->screen();
    if (screen && !screen->availableGeometry().contains(frameGeometry()))
        place(placement);
}

void WindowController::showEvent(QShowEvent *event)
{
    // Opening (not a return from minimised): centred over the anchor each time.
    if (!event->spontaneous() && m_anchor)
        place(Placement::Anchor);
    QMainWindow::showEvent(event);
}

void WindowController::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    placeAgainOnceFramed();
}

void WindowController::setClosesOnEscape(bool closes)
{
    m_closesOnEscape = closes;
    if (closes && !m_closeShortcut) {
        m_closeShortcut = new QShortcut(QKeySequence::Close, this);
        m_closeShortcut->setContext(Qt::WindowShortcut);
        connect(m_closeShortcut, &QShortcut::activated, this, [this] { close(); });
    }
    if (m_closeShortcut)
        m_closeShortcut->setEnabled(closes);
}

void WindowController::keyPressEvent(QKeyEvent *event)
{
    if (m_closesOnEscape && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void WindowController::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    placeAgainOnceFramed();
}

} // namespace platform
