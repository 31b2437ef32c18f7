#pragma once

#include <QColor>
#include <QWidget>

// A painted view with a background colour, a foreground colour and a corner radius. Changing any of
// the three re-applies the look through notifyViewRedesigned().
class BaseView : public QWidget
{
    Q_OBJECT
public:
    explicit BaseView(QWidget *parent = nullptr);

    QColor background() const { return m_background; }
    QColor foreground() const { return m_foreground; }
    qreal cornerRadius() const { return m_cornerRadius; }
    void setBackground(const QColor &color);
    void setForeground(const QColor &color);
    void setCornerRadius(qreal radius);

    // Builds what the view draws; subclasses extend it. Called once when the view is made.
    virtual void configureLayers();
    // Applies colours, radius and line widths; called by every property setter.
    virtual void notifyViewRedesigned();

protected:
    void paintEvent(QPaintEvent *event) override;
    // Fills the rounded background; subclasses call it first from their own paintEvent.
    void paintBackground(class QPainter &painter) const;

private:
    QColor m_background;
    QColor m_foreground;
    qreal m_cornerRadius = 5.0;
};
