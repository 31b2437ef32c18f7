#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class QWidget;

// Slides a screen in over another one and out again. Presenting makes the shown view a child of the
// base view: it starts above the base view with only its bottom 50 pixels showing, fully
// transparent, and over `duration` seconds moves down to cover the base view while it fades in;
// from then on it follows the base view's size. Dismissing fades it out while it shrinks to a strip
// 50 pixels below the base view's top edge, then removes it from the base view (the controller
// itself stays alive) and makes it opaque again.
class CustomAnimator : public QObject
{
    Q_OBJECT
public:
    // `rect`: the base view's frame when the animator was made; it gives the x position and the
    // size of a shown view before it moves.
    CustomAnimator(double duration, const QRect &rect);

    double duration() const { return m_duration; }
    QRect rect() const { return m_rect; }

    void animatePresentation(QWidget *shown, QWidget *base);
    void animateDismissal(QWidget *shown, QWidget *base);

    // Views shown over a base view that are neither being dismissed nor removed.
    QList<QWidget *> presentedViews() const;
    bool isPresented(const QWidget *shown) const;

    // Where a presented view ends: the base view's full rectangle, or, for a view that cannot grow
    // that large, its largest size centred over the base view.
    static QRect finalGeometry(const QWidget *shown, const QWidget *base);

    // The opacity a view is painted with (1 when no fade applies).
    static double alphaValue(const QWidget *view);

signals:
    void presentationFinished(QWidget *shown);
    void dismissalFinished(QWidget *shown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void setAlphaValue(QWidget *view, double alpha);
    void pin(QWidget *shown, QWidget *base);
    void unpin(QWidget *shown);

    double m_duration;
    QRect m_rect;
    QList<QPointer<QWidget>> m_presented;
    // Shown views that follow their base view's size, with their base views.
    QList<QPair<QPointer<QWidget>, QPointer<QWidget>>> m_pinned;
};

// The one overlay animator of the home view; empty until the home screen has loaded.
extern std::shared_ptr<CustomAnimator> sharedAnimator;
