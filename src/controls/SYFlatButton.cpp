#include "controls/SYFlatButton.h"

#include "platform/NotificationCenter.h"
#include "platform/widgets/Sound.h"
#include "model/NotificationNames.h"
#include "model/Palette.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------
// Layout

QPoint SYFlatButtonLayout::imageOrigin() const
{
    const double W = width, H = height, iw = imageWidth, ih = imageHeight;
    const double tw = titleWidth, th = titleHeight, s = spacing;
    double x = 0, y = 0;
    switch (position) {
    case 1:
    case 6:
        x = (W - iw) / 2;
        y = (H - ih) / 2;
        break;
    case 2:
    case 7:
        x = imageHugsTitle ? (W - iw - tw) / 2 - s : s;
        y = (H - ih) / 2;
        break;
    case 3:
    case 8:
        x = imageHugsTitle ? (W - iw + tw) / 2 + s : W - iw - s;
        y = (H - ih) / 2;
        break;
    case 4:
        x = (W - iw) / 2;
        y = imageHugsTitle ? (H - ih + th) / 2 + s : H - ih - s;
        break;
    case 5:
        x = (W - iw) / 2;
        y = imageHugsTitle ? (H - ih - th) / 2 - s : s;
        break;
    default:
        break;
    }
    return QPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}

QPoint SYFlatButtonLayout::titleOrigin() const
{
    const double W = width, H = height, iw = imageWidth, ih = imageHeight;
    const double tw = titleWidth, th = titleHeight, s = spacing;
    double x = 0, y = 0;
    switch (position) {
    case 0:
    case 6:
        x = (W - tw) / 2;
        y = (H - th) / 2;
        break;
    case 2:
    case 7:
        x = imageHugsTitle ? (W + iw - tw) / 2 + s : W - tw - s;
        y = (H - th) / 2;
        break;
    case 3:
    case 8:
        x = imageHugsTitle ? (W - iw - tw) / 2 - s : s;
        y = (H - th) / 2;
        break;
    case 4:
        x = (W - tw) / 2;
        y = imageHugsTitle ? (H - ih - th) / 2 - s : s;
        break;
    case 5:
        x = (W - tw) / 2;
        y = imageHugsTitle ? (H + ih - th) / 2 + s : H - th - s;
        break;
    default:
        break;
    }
    return QPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}

QSize SYFlatButtonLayout::titleSize() const
{
    return QSize(static_cast<int>(std::ceil(titleWidth)), static_cast<int>(std::ceil(titleHeight)));
}

bool SYFlatButtonLayout::showsImage(bool hasImage) const
{
    return hasImage && position != 0;
}

bool SYFlatButtonLayout::showsTitle(bool hasTitle) const
{
    return hasTitle && position != 1;
}

// ---------------------------------------------------------------------------------------------
// Construction

SYFlatButton::SYFlatButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setup();
    setupImageLayer();
    setupTitleLayer();
}

SYFlatButton::SYFlatButton(const QString &title, QWidget *parent)
    : QAbstractButton(parent)
{
    QAbstractButton::setText(title);
    setup();
    setupImageLayer();
    setupTitleLayer();
}

SYFlatButton::~SYFlatButton()
{
    for (auto &animation : m_animations) {
        if (animation)
            animation->stop();
    }
}

void SYFlatButton::setup()
{
    setAttribute(Qt::WA_TranslucentBackground, false);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::TabFocus);
    m_alphaValue = isEnabled() ? 1.0 : 0.5;
}

SYFlatButtonLayout SYFlatButton::currentLayout() const
{
    SYFlatButtonLayout layout;
    layout.width = width();
    layout.height = height();
    if (!m_image.isNull()) {
        const double ratio = m_image.devicePixelRatio() > 0 ? m_image.devicePixelRatio() : 1.0;
        layout.imageWidth = m_image.width() / ratio;
        layout.imageHeight = m_image.height() / ratio;
    }
    if (!text().isEmpty()) {
        const QSizeF size = QFontMetricsF(font()).size(Qt::TextSingleLine, text());
        layout.titleWidth = size.width();
        layout.titleHeight = size.height();
    }
    layout.spacing = m_spacing;
    layout.imageHugsTitle = m_imageHugsTitle;
    layout.position = m_imagePosition;
    return layout;
}

void SYFlatButton::layoutLayers()
{
    const SYFlatButtonLayout layout = currentLayout();
    if (layout.showsImage(!m_image.isNull())) {
        m_imageFrame = QRect(
            layout.imageOrigin(),
            QSize(static_cast<int>(std::lround(layout.imageWidth)), static_cast<int>(std::lround(layout.imageHeight))));
    } else {
        m_imageFrame = QRect();
    }
    if (layout.showsTitle(!text().isEmpty()))
        m_titleFrame = QRect(layout.titleOrigin(), layout.titleSize());
    else
        m_titleFrame = QRect();
}

void SYFlatButton::setupImageLayer()
{
    layoutLayers();
    update();
}

void SYFlatButton::setupTitleLayer()
{
    layoutLayers();
    update();
}

// ---------------------------------------------------------------------------------------------
// Setters with side effects

void SYFlatButton::setMomentary(bool on)
{
    m_momentary = on;
    animateColorWithState(m_state);
}

void SYFlatButton::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

void SYFlatButton::setBorderWidth(double width)
{
    m_borderWidth = width;
    update();
}

void SYFlatButton::setSpacing(double spacing)
{
    m_spacing = spacing;
    setupImageLayer();
    setupTitleLayer();
}

#define SY_COLOR_SETTER(Name, member)                                                                                  \
    void SYFlatButton::Name(const QColor &c)                                                                           \
    {                                                                                                                  \
        member = c;                                                                                                    \
        animateColorWithState(m_state);                                                                                \
    }

SY_COLOR_SETTER(setBorderNormalColor, m_borderNormalColor)
SY_COLOR_SETTER(setBorderHighlightColor, m_borderHighlightColor)
SY_COLOR_SETTER(setBackgroundNormalColor, m_backgroundNormalColor)
SY_COLOR_SETTER(setBackgroundHighlightColor, m_backgroundHighlightColor)
SY_COLOR_SETTER(setImageNormalColor, m_imageNormalColor)
SY_COLOR_SETTER(setImageHighlightColor, m_imageHighlightColor)
SY_COLOR_SETTER(setTitleNormalColor, m_titleNormalColor)
SY_COLOR_SETTER(setTitleHighlightColor, m_titleHighlightColor)

#undef SY_COLOR_SETTER

void SYFlatButton::setState(int state)
{
    const bool changed = state != m_state;
    m_state = state;
    animateColorWithState(state);
    if (changed)
        emit stateChanged(state);
}

void SYFlatButton::setTitle(const QString &title)
{
    QAbstractButton::setText(title);
    setupTitleLayer();
    updateGeometry();
}

void SYFlatButton::setImage(const QImage &image)
{
    m_image = image;
    m_tintedImage = QImage();
    setupImageLayer();
    updateGeometry();
}

void SYFlatButton::setImagePosition(int position)
{
    m_imagePosition = position;
    setupImageLayer();
    setupTitleLayer();
}

void SYFlatButton::setImageHugsTitle(bool hug)
{
    m_imageHugsTitle = hug;
    setupImageLayer();
    setupTitleLayer();
}

void SYFlatButton::setTitleFont(const QFont &font)
{
    setFont(font);
    setupTitleLayer();
}

void SYFlatButton::setAlphaValue(double alpha)
{
    m_alphaValue = alpha;
    update();
}

// ---------------------------------------------------------------------------------------------
// Colour animation

QColor &SYFlatButton::slotColor(ColorSlot slot)
{
    switch (slot) {
    case ColorSlot::Border:
        return m_currentBorder;
    case ColorSlot::Background:
        return m_currentBackground;
    case ColorSlot::Image:
        return m_currentImage;
    case ColorSlot::Title:
        break;
    }
    return m_currentTitle;
}

QColor SYFlatButton::currentColor(ColorSlot slot) const
{
    return const_cast<SYFlatButton *>(this)->slotColor(slot);
}

bool SYFlatButton::isAnimating(ColorSlot slot) const
{
    const auto it = m_animations.constFind(static_cast<int>(slot));
    return it != m_animations.constEnd() && it.value() && it.value()->state() == QAbstractAnimation::Running;
}

void SYFlatButton::removeAllAnimations()
{
    for (auto &animation : m_animations) {
        if (animation) {
            animation->stop();
            animation->deleteLater();
        }
    }
    m_animations.clear();
    update();
}

void SYFlatButton::animateColorWithState(int state)
{
    removeAllAnimations();
    const bool on = state == 1;
    const double duration = on ? m_onAnimateDuration : m_offAnimateDuration;
    animateLayer(ColorSlot::Border, on ? m_borderHighlightColor : m_borderNormalColor, duration);
    animateLayer(ColorSlot::Background, on ? m_backgroundHighlightColor : m_backgroundNormalColor, duration);
    animateLayer(ColorSlot::Image, on ? m_imageHighlightColor : m_imageNormalColor, duration);
    animateLayer(ColorSlot::Title, on ? m_titleHighlightColor : m_titleNormalColor, duration);
}

void SYFlatButton::animateLayer(ColorSlot slot, const QColor &color, double duration)
{
    QColor &current = slotColor(slot);
    if (current == color)
        return;
    ++m_animationsStarted;
    const QColor from = current.isValid()
        ? current
        : (color.isValid() ? QColor(color.red(), color.green(), color.blue(), 0) : QColor());
    current = color; // the value the slot holds once the animation is over
    const int key = static_cast<int>(slot);
    if (auto old = m_animations.take(key)) {
        old->stop();
        old->deleteLater();
    }
    if (duration <= 0 || !color.isValid() || !from.isValid()) {
        update();
        return;
    }
    auto *animation = new QVariantAnimation(this);
    animation->setStartValue(from);
    animation->setEndValue(color);
    animation->setDuration(static_cast<int>(std::lround(duration * 1000.0)));
    connect(animation, &QVariantAnimation::valueChanged, this, [this]() { update(); });
    connect(animation, &QVariantAnimation::finished, this, [this]() { update(); });
    m_animations.insert(key, animation);
    animation->start();
}

// ---------------------------------------------------------------------------------------------
// Painting

void SYFlatButton::paintEvent(QPaintEvent *)
{
    // Keep the layout in step with a title set through QAbstractButton::setText or a new font.
    layoutLayers();

    auto presented = [this](ColorSlot slot) {
        const auto it = m_animations.constFind(static_cast<int>(slot));
        if (it != m_animations.constEnd() && it.value() && it.value()->state() == QAbstractAnimation::Running)
            return it.value()->currentValue().value<QColor>();
        return currentColor(slot);
    };

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setOpacity(m_alphaValue);

    const QRectF bounds = QRectF(rect());
    const QColor background = presented(ColorSlot::Background);
    const double radius = std::max(0.0, m_cornerRadius);
    if (background.isValid() && background.alpha() > 0) {
        QPainterPath path;
        path.addRoundedRect(bounds, radius, radius);
        painter.fillPath(path, background);
    }
    if (m_borderWidth > 0) {
        QColor border = presented(ColorSlot::Border);
        if (!border.isValid())
            border = Palette::black;
        const double half = m_borderWidth / 2.0;
        QPen pen(border, m_borderWidth);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const double inner = std::max(0.0, radius - half);
        painter.drawRoundedRect(bounds.adjusted(half, half, -half, -half), inner, inner);
    }

    if (!m_imageFrame.isNull() && !m_image.isNull()) {
        const QColor tint = presented(ColorSlot::Image);
        if (tint.isValid() && tint.alpha() > 0) {
            if (m_tintedImage.isNull() || m_tintedFor != tint) {
                QImage mask = m_image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
                QPainter tinter(&mask);
                tinter.setCompositionMode(QPainter::CompositionMode_SourceIn);
                tinter.fillRect(mask.rect(), tint);
                tinter.end();
                m_tintedImage = mask;
                m_tintedFor = tint;
            }
            painter.drawImage(QRectF(m_imageFrame), m_tintedImage);
        }
    }

    if (hasFocus() && m_keyboardFocus) {
        // The keyboard focus: a gold ring just inside the edge, white on a face close to gold.
        painter.setOpacity(1.0);
        const QColor &gold = Palette::gold;
        const bool goldFace = background.isValid() && background.alpha() > 0
            && std::abs(background.red() - gold.red()) + std::abs(background.green() - gold.green())
                    + std::abs(background.blue() - gold.blue())
                < 150;
        QPen ring(goldFace ? Palette::white : gold, 2.0);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(bounds.adjusted(1.5, 1.5, -1.5, -1.5), std::max(0.0, radius - 1.5),
                                std::max(0.0, radius - 1.5));
        painter.setOpacity(m_alphaValue);
    }

    if (!m_titleFrame.isNull()) {
        QColor titleColor = presented(ColorSlot::Title);
        if (!titleColor.isValid())
            titleColor = Palette::white;
        painter.setPen(titleColor);
        painter.setFont(font());
        painter.drawText(QRectF(m_titleFrame).adjusted(-1, 0, 1, 0), Qt::AlignCenter | Qt::TextSingleLine, text());
    }
}

void SYFlatButton::focusInEvent(QFocusEvent *event)
{
    // A click gives focus too, but only focus that came from the keyboard is drawn.
    m_keyboardFocus = event->reason() != Qt::MouseFocusReason;
    QAbstractButton::focusInEvent(event);
    update();
}

void SYFlatButton::focusOutEvent(QFocusEvent *event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
    update();
}

void SYFlatButton::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    setupImageLayer();
    setupTitleLayer();
}

void SYFlatButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        setupTitleLayer();
        updateGeometry();
    } else if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            m_mouseDown = false;
        update();
    }
}

QSize SYFlatButton::sizeHint() const
{
    const SYFlatButtonLayout layout = currentLayout();
    const double sideBySide = layout.imageWidth + layout.titleWidth + 2 * m_spacing + 24;
    const double height = std::max(layout.imageHeight, layout.titleHeight) + 12;
    return QSize(static_cast<int>(std::ceil(sideBySide)), static_cast<int>(std::ceil(height)));
}

// ---------------------------------------------------------------------------------------------
// Mouse and keyboard

bool SYFlatButton::hitButton(const QPoint &pos) const
{
    return isEnabled() && rect().contains(pos);
}

void SYFlatButton::postHover(const QString &name)
{
    QVariantMap userInfo;
    userInfo.insert(QStringLiteral("section"), QString::number(m_section));
    userInfo.insert(QStringLiteral("row"), QString::number(m_row));
    platform::NotificationCenter::defaultCenter().post(name, userInfo);
}

platform::Sound *SYFlatButton::sound() const
{
    return m_sound;
}

void SYFlatButton::setSound(platform::Sound *sound)
{
    m_sound = sound;
}

void SYFlatButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    if (!isEnabled())
        return;
    m_mouseDown = true;
    setState(m_state == 1 ? 0 : 1);
    if (m_sound)
        m_sound->play();
}

void SYFlatButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_isCollectionViewItemTracking)
        postHover(NotificationName::mouseHoverDownThumbnail);
    mousePressEvent(event);
}

void SYFlatButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    handleMouseUp(true);
}

void SYFlatButton::mouseMoveEvent(QMouseEvent *event)
{
    // While the mouse button is held the pointer is grabbed and no enter or leave events
    // arrive, so crossing the bounds during a drag is noticed here, both ways.
    if (event->buttons() & Qt::LeftButton) {
        const bool inside = rect().contains(event->position().toPoint());
        if (!inside && !m_exitedWhilePressed) {
            m_exitedWhilePressed = true;
            mouseExited();
        } else if (inside && m_exitedWhilePressed) {
            m_exitedWhilePressed = false;
            mouseEntered();
        }
    }
    event->accept();
}

void SYFlatButton::handleMouseUp(bool requirePressed)
{
    if (requirePressed && !m_mouseDown)
        return;
    m_mouseDown = false;
    if (m_momentary)
        setState(m_state == 1 ? 0 : 1);
    emit clicked(m_state == 1);
    emit action(this);
}

void SYFlatButton::animateForButtonUp()
{
    handleMouseUp(false);
}

void SYFlatButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    m_exitedWhilePressed = false;
    mouseEntered();
}

void SYFlatButton::mouseEntered()
{
    if (m_isCollectionViewItemTracking)
        postHover(NotificationName::mouseHoverEnterThumbnail);
}

void SYFlatButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    if (m_exitedWhilePressed) {
        // Already handled when the pointer left during the press.
        m_exitedWhilePressed = false;
        return;
    }
    mouseExited();
}

void SYFlatButton::mouseExited()
{
    if (m_isCollectionViewItemTracking)
        postHover(NotificationName::mouseHoverExitThumbnail);
    if (m_mouseDown) {
        m_mouseDown = false;
        setState(m_state == 1 ? 0 : 1);
    }
    setState(0);
}

void SYFlatButton::keyPressEvent(QKeyEvent *event)
{
    if (!event->isAutoRepeat()
        && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && isEnabled()) {
        m_mouseDown = true;
        setState(m_state == 1 ? 0 : 1);
        if (m_sound)
            m_sound->play();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SYFlatButton::keyReleaseEvent(QKeyEvent *event)
{
    if (!event->isAutoRepeat()
        && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        handleMouseUp(true);
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}
