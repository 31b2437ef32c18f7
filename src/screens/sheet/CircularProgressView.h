#pragma once

#include "model/Palette.h"
#include "screens/sheet/DeterminateAnimation.h"

#include <QColor>
#include <QPointer>
#include <QString>

class QVariantAnimation;

// The progress ring of the scan sheet: a thin base circle, an arc over it that starts at the top
// and grows clockwise with the progress, and an optional percentage text in the middle.
class CircularProgressView : public DeterminateAnimation
{
    Q_OBJECT
public:
    explicit CircularProgressView(QWidget *parent = nullptr);

    // Width of the arc; any negative value (the default is -1) means 5 % of the view's width.
    qreal strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(qreal width);
    bool showPercent() const { return m_showPercent; }
    void setShowPercent(bool show);

    void configureLayers() override;
    void notifyViewRedesigned() override;
    void updateProgress() override;

    // What the ring draws, for the current size.
    qreal resolvedStrokeWidth() const;
    qreal baseCircleLineWidth() const { return resolvedStrokeWidth() * 0.5; }
    qreal arcLineWidth() const { return resolvedStrokeWidth(); }
    qreal radius() const { return width() * 0.5 * 0.75; }
    qreal fontPixelSize() const { return width() * 0.2; }
    // The arc's end as a fraction of the full circle: the target of the running animation, and
    // the value drawn right now.
    qreal strokeEnd() const { return m_strokeEnd; }
    qreal displayedStrokeEnd() const { return m_displayedStrokeEnd; }
    QString percentText() const { return m_percentText; }
    QColor percentTextColor() const { return m_textColor; }
    bool isPercentHidden() const { return !m_showPercent; }
    QColor baseCircleColor() const { return m_bgColor; }

    QSize sizeHint() const override { return {120, 120}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QColor m_bgColor = Palette::disabledBackground;
    qreal m_strokeWidth = -1.0;
    bool m_showPercent = true;
    qreal m_strokeEnd = 0.0;
    qreal m_displayedStrokeEnd = 0.0;
    QString m_percentText = QStringLiteral("0%");
    QColor m_textColor;
    QPointer<QVariantAnimation> m_animation;
};
