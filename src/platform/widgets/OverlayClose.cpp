#include "platform/widgets/OverlayClose.h"

#include <QAbstractButton>
#include <QWidget>

namespace platform {

QAbstractButton *overlayCloseButton(QWidget *view)
{
    if (!view)
        return nullptr;
    const QList<QAbstractButton *> buttons = view->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons)
        if (button->property("closesOverlay").toBool())
            return button;
    for (const char *name : {"btnClose", "btnCancel"})
        for (QAbstractButton *button : buttons)
            if (button->objectName() == QLatin1String(name))
                return button;
    return nullptr;
}

bool closeOverlayByKeyboard(QWidget *view)
{
    QAbstractButton *close = overlayCloseButton(view);
    if (!close || !close->isVisible() || !close->isEnabled())
        return false;
    close->click();
    return true;
}

} // namespace platform
