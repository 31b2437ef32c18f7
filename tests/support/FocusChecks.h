#pragma once

// Keyboard focus as a user sees it: walks a window's Tab chain with real Tab presses and tells, for
// every stop, whether the control looks clearly different while it has the focus than after the
// focus moved on. A faint tint does not count: a pixel counts when one of its colour channels moved
// by 60 or more, and a stop shows its focus when a line's worth of pixels did.

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace focuschecks {

struct TabStop {
    QPointer<QWidget> widget;
    std::string name;
    bool showsFocus = false;
};

inline std::string nameOf(const QWidget *widget)
{
    const QString own =
        widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : widget->objectName();
    const QWidget *parent = widget->parentWidget();
    return (parent && !parent->objectName().isEmpty() ? parent->objectName() + QLatin1Char('/') + own : own)
        .toStdString();
}

// Device pixels that changed clearly between two pictures of one area, outside `ignore`.
inline int clearlyChangedPixels(const QImage &a, const QImage &b, const QRect &ignore)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (ignore.contains(x, y))
                continue;
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            const int d =
                std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())});
            changed += d >= 60 ? 1 : 0;
        }
    return changed;
}

// Gives `start` the focus as Tab would and presses Tab until the focus comes back to where it began.
inline std::vector<TabStop> walkTabChain(QWidget *start, int limit = 120)
{
    QWidget *top = start->window();
    start->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QWidget *first = QApplication::focusWidget();
    std::vector<TabStop> stops;
    for (int i = 0; i < limit && QApplication::focusWidget(); ++i) {
        QWidget *widget = QApplication::focusWidget();
        auto areaOf = [top](QWidget *w) {
            return QRect(w->mapTo(top, QPoint(0, 0)), w->size()).adjusted(-3, -3, 3, 3);
        };
        const QRect area = areaOf(widget) & top->rect();
        const QImage focused = top->grab(area).toImage();
        QTest::keyClick(widget, Qt::Key_Tab);
        QApplication::processEvents();
        QWidget *next = QApplication::focusWidget();
        const QImage plain = top->grab(area).toImage();
        // The next stop's ring, where it lies inside this one, is not this one's.
        const qreal ratio = focused.devicePixelRatio();
        QRect ignore;
        if (next && next != widget) {
            const QRectF logical = QRectF(areaOf(next).translated(-area.topLeft()));
            ignore = QRectF(logical.topLeft() * ratio, logical.size() * ratio).toAlignedRect();
        }
        stops.push_back({widget, nameOf(widget), clearlyChangedPixels(focused, plain, ignore) >= int(24 * ratio)});
        if (!next || next == first || next == widget)
            break;
    }
    return stops;
}

inline int indexOf(const std::vector<TabStop> &stops, const QWidget *widget)
{
    for (size_t i = 0; i < stops.size(); ++i)
        if (stops[i].widget == widget)
            return int(i);
    return -1;
}

} // namespace focuschecks
