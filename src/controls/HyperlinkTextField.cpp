#include "controls/HyperlinkTextField.h"

#include "model/Palette.h"
#include "platform/NotificationCenter.h"
#include "model/NotificationNames.h"

#include <QMouseEvent>

namespace {
const QColor kLightGrey(170, 170, 170);
} // namespace

HyperlinkTextField::HyperlinkTextField(QWidget *parent)
    : QLabel(parent)
    , attributesBeforeClick{kLightGrey, true}
    , attributesAfterClick{Palette::disabledGrey, true}
    , attributesWithoutUnderLineWithLink{Palette::focusBlue, false}
    , attributesBeforeClickWithLink{Palette::focusBlue, true}
    , attributesAfterClickWithLink{Palette::selectionBlue, true}
{
    setupField();
}

HyperlinkTextField::HyperlinkTextField(const QString &text, QWidget *parent)
    : HyperlinkTextField(parent)
{
    setText(text);
}

void HyperlinkTextField::setupField()
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setCursor(Qt::PointingHandCursor);
}

void HyperlinkTextField::showTextWithAttributes(const HyperlinkTextAttributes &attributes)
{
    m_shown = &attributes;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, attributes.foreground);
    pal.setColor(QPalette::Text, attributes.foreground);
    setPalette(pal);
    QFont f = font();
    f.setUnderline(attributes.underline);
    setFont(f);
    update();
}

void HyperlinkTextField::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    if (isWebPageLink())
        showTextWithAttributes(attributesBeforeClickWithLink);
}

void HyperlinkTextField::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    if (isWebPageLink())
        showTextWithAttributes(attributesWithoutUnderLineWithLink);
}

void HyperlinkTextField::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (isAutoMarkSelection)
        showTextWithAttributes(attributesAfterClick);
    else if (isWebPageLink())
        showTextWithAttributes(attributesWithoutUnderLineWithLink);
}

void HyperlinkTextField::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void HyperlinkTextField::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    auto &center = platform::NotificationCenter::defaultCenter();
    if (isAutoMarkSelection) {
        showTextWithAttributes(attributesBeforeClick);
        center.post(NotificationName::hyperLinkAutoMarkSelection);
    } else if (isEULA) {
        showTextWithAttributes(attributesAfterClickWithLink);
        center.post(NotificationName::hyperLinkEULA);
    } else if (isPrivacyPolicy) {
        showTextWithAttributes(attributesAfterClickWithLink);
        center.post(NotificationName::hyperLinkPrivacyPolicy);
    } else if (isUnInstallInstructions) {
        showTextWithAttributes(attributesAfterClickWithLink);
        center.post(NotificationName::hyperLinkUnInstallInstructions);
    }
}
