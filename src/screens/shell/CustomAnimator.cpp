#include "screens/shell/CustomAnimator.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>
#include <QWidget>

std::shared_ptr<CustomAnimator> sharedAnimator;

namespace {

QRect interpolate(const QRect &from, const QRect &to, double t)
{
    auto mix = [t](int a, int b) { return int(a + (b - a) * t + (b >= a ? 0.5 : -0.5)); };
    return QRect(mix(from.x(), to.x()), mix(from.y(), to.y()), mix(from.width(), to.width()),
                 mix(from.height(), to.height()));
}

// A new slide of a view replaces the one under way.
QVariantAnimation *startOverlayAnimation(QWidget *shown)
{
    const QString name = QStringLiteral("overlaySlide");
    for (auto *running : shown->findChildren<QVariantAnimation *>(name, Qt::FindDirectChildrenOnly))
        running->stop(); // deletes it
    auto *animation = new QVariantAnimation(shown);
    animation->setObjectName(name);
    return animation;
}

} // namespace

CustomAnimator::CustomAnimator(double duration, const QRect &rect)
    : m_duration(duration)
    , m_rect(rect)
{
}

QRect CustomAnimator::finalGeometry(const QWidget *shown, const QWidget *base)
{
    const QRect full = base->rect();
    const QSize limit = shown->maximumSize();
    if (limit.width() >= full.width() && limit.height() >= full.height())
        return full;
    // A screen of fixed size cannot cover the base view: it is centred over it instead.
    const QSize size = full.size().boundedTo(limit);
    return QRect(full.x() + (full.width() - size.width()) / 2, full.y() + (full.height() - size.height()) / 2,
                 size.width(), size.height());
}

double CustomAnimator::alphaValue(const QWidget *view)
{
    if (!view)
        return 1.0;
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(view->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

void CustomAnimator::setAlphaValue(QWidget *view, double alpha)
{
    if (alpha >= 1.0) {
        // Fully opaque: drop the effect so the view paints directly again.
        if (view->graphicsEffect())
            view->setGraphicsEffect(nullptr);
        return;
    }
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    effect->setOpacity(alpha);
}

QList<QWidget *> CustomAnimator::presentedViews() const
{
    QList<QWidget *> views;
    for (const auto &view : m_presented)
        if (view)
            views << view.data();
    return views;
}

bool CustomAnimator::isPresented(const QWidget *shown) const
{
    for (const auto &view : m_presented)
        if (view && view.data() == shown)
            return true;
    return false;
}

void CustomAnimator::animatePresentation(QWidget *shown, QWidget *base)
{
    if (!shown || !base)
        return;
    unpin(shown);
    m_presented.removeAll(QPointer<QWidget>());
    if (!isPresented(shown))
        m_presented << shown;

    setAlphaValue(shown, 0.0);
    // The shown view's bottom edge starts 50 pixels below the base view's top edge.
    const QRect start(m_rect.x(), 50 - m_rect.height(), m_rect.width(), m_rect.height());
    if (shown->parentWidget() != base)
        shown->setParent(base);
    shown->setGeometry(start);
    shown->show();
    shown->raise();

    auto *animation = startOverlayAnimation(shown);
    animation->setDuration(int(m_duration * 1000));
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    QPointer<QWidget> shownGuard(shown), baseGuard(base);
    connect(animation, &QVariantAnimation::valueChanged, shown, [=](const QVariant &value) {
        if (!shownGuard || !baseGuard)
            return;
        const double t = value.toDouble();
        shownGuard->setGeometry(interpolate(start, finalGeometry(shownGuard, baseGuard), t));
        setAlphaValue(shownGuard, t);
    });
    connect(animation, &QVariantAnimation::finished, this, [=, this] {
        if (!shownGuard)
            return;
        if (baseGuard) {
            shownGuard->setGeometry(finalGeometry(shownGuard, baseGuard));
            pin(shownGuard, baseGuard);
        }
        setAlphaValue(shownGuard, 1.0);
        emit presentationFinished(shownGuard);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void CustomAnimator::animateDismissal(QWidget *shown, QWidget *base)
{
    if (!shown)
        return;
    m_presented.removeAll(QPointer<QWidget>(shown));
    m_presented.removeAll(QPointer<QWidget>());
    unpin(shown);

    const QRect start = shown->geometry();
    const QRect baseRect = base ? base->rect() : start;
    const QRect end(base ? base->geometry().x() : start.x(), 50, baseRect.width(), 0);
    auto *animation = startOverlayAnimation(shown);
    animation->setDuration(int(m_duration * 1000));
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    QPointer<QWidget> shownGuard(shown);
    connect(animation, &QVariantAnimation::valueChanged, shown, [=](const QVariant &value) {
        if (!shownGuard)
            return;
        const double t = value.toDouble();
        shownGuard->setGeometry(interpolate(start, end, t));
        setAlphaValue(shownGuard, 1.0 - t);
    });
    connect(animation, &QVariantAnimation::finished, this, [=, this] {
        if (!shownGuard)
            return;
        // A new presentation started meanwhile keeps the view where it is.
        if (!isPresented(shownGuard)) {
            shownGuard->hide();
            shownGuard->setParent(nullptr);
            setAlphaValue(shownGuard, 1.0);
        }
        emit dismissalFinished(shownGuard);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void CustomAnimator::pin(QWidget *shown, QWidget *base)
{
    unpin(shown);
    m_pinned.append({QPointer<QWidget>(shown), QPointer<QWidget>(base)});
    base->installEventFilter(this);
}

void CustomAnimator::unpin(QWidget *shown)
{
    for (int i = m_pinned.size() - 1; i >= 0; --i)
        if (!m_pinned[i].first || m_pinned[i].first == shown)
            m_pinned.removeAt(i);
}

bool CustomAnimator::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        for (const auto &entry : m_pinned)
            if (entry.first && entry.second == watched && entry.first->parentWidget() == watched)
                entry.first->setGeometry(finalGeometry(entry.first, entry.second));
    }
    return QObject::eventFilter(watched, event);
}
