#pragma once

#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>

class QVariantAnimation;

// An image that can turn without end about its anchor point, like the busy image of the scan
// sheet. Rotations are animations that may carry a key, so that a keyed one is started only once.
class SpinningImageView : public QWidget
{
    Q_OBJECT
public:
    explicit SpinningImageView(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    QImage image() const { return m_image; }

    // Adds an endless rotation from 0 to `angle` radians over `seconds`, under `key` (may be empty).
    void addRotation(const QString &key, double angle, double seconds);
    bool hasAnimation(const QString &key) const;
    int animationCount() const;
    void removeAllAnimations();

    // The point the image turns about, as fractions of the view's size.
    void setAnchorPoint(double x, double y)
    {
        m_anchor = {x, y};
        update();
    }
    QPointF anchorPoint() const { return m_anchor; }

    // The angle drawn now, in degrees.
    double currentAngle() const { return m_angle; }

    QSize sizeHint() const override { return m_image.isNull() ? QSize(64, 64) : m_image.size(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Rotation {
        QString key;
        QPointer<QVariantAnimation> animation;
    };

    QImage m_image;
    QPointF m_anchor{0.5, 0.5};
    double m_angle = 0.0;
    QList<Rotation> m_rotations;
};
