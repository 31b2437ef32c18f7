#include "screens/sheet/SpinningImageView.h"

#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

SpinningImageView::SpinningImageView(QWidget *parent)
    : QWidget(parent)
{
}

void SpinningImageView::setImage(const QImage &image)
{
    m_image = image;
    updateGeometry();
    update();
}

void SpinningImageView::addRotation(const QString &key, double angle, double seconds)
{
    auto *animation = new QVariantAnimation(this);
    animation->setStartValue(0.0);
    animation->setEndValue(angle * 180.0 / M_PI);
    animation->setDuration(std::max(1, int(std::lround(seconds * 1000.0))));
    animation->setLoopCount(-1);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_angle = value.toDouble();
        update();
    });
    m_rotations.append({key, animation});
    animation->start();
}

bool SpinningImageView::hasAnimation(const QString &key) const
{
    for (const Rotation &r : m_rotations)
        if (r.key == key && r.animation)
            return true;
    return false;
}

int SpinningImageView::animationCount() const
{
    int count = 0;
    for (const Rotation &r : m_rotations)
        count += r.animation ? 1 : 0;
    return count;
}

void SpinningImageView::removeAllAnimations()
{
    for (const Rotation &r : m_rotations) {
        if (r.animation) {
            r.animation->stop();
            r.animation->deleteLater();
        }
    }
    m_rotations.clear();
}

void SpinningImageView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF size = QSizeF(m_image.size()).scaled(QSizeF(this->size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - size.width()) / 2.0, (height() - size.height()) / 2.0), size);
    const QPointF pivot(width() * m_anchor.x(), height() * m_anchor.y());
    painter.translate(pivot);
    // Positive angles turn anticlockwise on screen, as a y-up layer does.
    painter.rotate(-m_angle);
    painter.translate(-pivot);
    painter.drawImage(target, m_image);
}
