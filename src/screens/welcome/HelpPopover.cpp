#include "screens/welcome/HelpPopover.h"

#include "screens/welcome/ToolTipsDetailsVC.h"
#include "model/TextLookup.h"
#include "model/Palette.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

HelpPopover::HelpPopover(ToolTipsDetailsVC *content, QObject *parent)
    : QObject(parent)
    , m_content(content)
{
    // A tool-tip window: it never takes the focus or the mouse from the button under the pointer.
    m_frame = new QFrame(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_frame->setObjectName(QStringLiteral("helpPopover"));
    m_frame->setAttribute(Qt::WA_ShowWithoutActivating);
    m_frame->setStyleSheet(QStringLiteral("QFrame#helpPopover { background: " TWINSIFT_PANEL_BACKGROUND_CSS "; "
                                          "border: 1px solid " TWINSIFT_GOLD_CSS "; border-radius: 6px; }"));
    auto *layout = new QVBoxLayout(m_frame);
    layout->setContentsMargins(1, 1, 1, 1);
}

HelpPopover::~HelpPopover()
{
    // The content belongs to the screen registry, not to the popover.
    if (m_content && m_content->parent() == m_frame)
        m_content->setParent(nullptr);
    delete m_frame;
}

void HelpPopover::showRelativeTo(QWidget *anchor, const QString &helpText)
{
    if (!m_content || !anchor)
        return;
    m_content->messageValue = helpText;
    if (m_content->parent() != m_frame) {
        m_content->setParent(m_frame);
        m_frame->layout()->addWidget(m_content);
    }
    m_content->show();
    m_anchor = anchor;
    m_content->message->setText(m_content->messageValue);
    m_frame->adjustSize();
    place();
    m_frame->show();
    m_frame->raise();
}

void HelpPopover::place()
{
    const QSize size = m_frame->sizeHint();
    const QPoint below =
        m_anchor->mapToGlobal(QPoint(m_anchor->width() / 2 - size.width() / 2, m_anchor->height() + 6));
    QPoint origin = below;
    if (const QScreen *screen = m_anchor->screen()) {
        const QRect area = screen->availableGeometry();
        if (origin.y() + size.height() > area.bottom())
            origin.setY(m_anchor->mapToGlobal(QPoint(0, 0)).y() - size.height() - 6);
        origin.setX(std::clamp(origin.x(), area.left(), std::max(area.left(), area.right() - size.width())));
    }
    m_frame->move(origin);
}

void HelpPopover::close()
{
    m_frame->hide();
}

bool HelpPopover::isShown() const
{
    return m_frame->isVisible();
}

void HelpPopover::attach(QWidget *button, const QString &textKey)
{
    if (!button)
        return;
    m_keys.insert(button, textKey);
    button->installEventFilter(this);
    connect(button, &QObject::destroyed, this, [this, button] {
        m_keys.remove(button);
        if (m_anchor == nullptr || m_anchor == button)
            close();
    });
}

bool HelpPopover::eventFilter(QObject *watched, QEvent *event)
{
    const auto key = m_keys.constFind(watched);
    if (key != m_keys.constEnd()) {
        if (event->type() == QEvent::Enter)
            showRelativeTo(static_cast<QWidget *>(watched), localizedText(*key));
        else if (event->type() == QEvent::Leave || event->type() == QEvent::Hide)
            close();
    }
    return QObject::eventFilter(watched, event);
}
