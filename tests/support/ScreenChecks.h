#pragma once

// What a user sees of a screen, checked on its widgets: every shown label and button lies inside
// the screen, a one-line label shows its whole text, and buttons side by side do not overlap.
// pictureFor keeps a PNG of the screen for people to look at when TWINSIFT_SHOT_DIR names a folder.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

namespace screenchecks {

inline QRect areaIn(QWidget *widget, QWidget *screen)
{
    return QRect(widget->mapTo(screen, QPoint(0, 0)), widget->size());
}

inline void expectLaidOutWhole(QWidget *screen, const std::string &what)
{
    QApplication::processEvents();
    const QList<QWidget *> parts = screen->findChildren<QWidget *>();
    QList<QWidget *> buttons;
    for (QWidget *part : parts) {
        if (!part->isVisibleTo(screen) || part->isWindow() || part->size().isEmpty())
            continue;
        auto *label = qobject_cast<QLabel *>(part);
        auto *button = qobject_cast<QAbstractButton *>(part);
        if (!label && !button)
            continue;
        // Parts inside a scrolling area may lie outside its view.
        bool scrolled = false;
        for (QWidget *up = part->parentWidget(); up && up != screen; up = up->parentWidget())
            scrolled = scrolled || up->inherits("QAbstractScrollArea");
        if (scrolled)
            continue;
        const std::string name = what + ": " + part->objectName().toStdString() + " "
            + (label ? label->text().left(30).toStdString() : std::string());
        EXPECT_TRUE(screen->rect().contains(areaIn(part, screen))) << name << " is outside the screen";
        if (label && !label->wordWrap() && !label->text().isEmpty() && label->pixmap().isNull()
            && !part->inherits("ElidedLabel")) {
            EXPECT_GE(label->width(), label->minimumSizeHint().width()) << name << " is cut off";
        }
        if (button)
            buttons.append(button);
    }
    for (int i = 0; i < buttons.size(); ++i)
        for (int j = i + 1; j < buttons.size(); ++j)
            if (buttons[i]->parentWidget() == buttons[j]->parentWidget()) {
                EXPECT_FALSE(buttons[i]->geometry().intersects(buttons[j]->geometry()))
                    << what << ": " << buttons[i]->objectName().toStdString() << " overlaps "
                    << buttons[j]->objectName().toStdString();
            }
}

inline void pictureFor(QWidget *screen, const QString &name)
{
    const QString folder = qEnvironmentVariable("TWINSIFT_SHOT_DIR");
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    screen->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace screenchecks
