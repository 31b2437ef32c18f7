#include "platform/widgets/SheetPresenter.h"
#include "platform/widgets/OverlayClose.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace platform {

namespace {

const char *const kSheetProperty = "twinsiftSheet";

QList<QPointer<QDialog>> &presentedDialogs()
{
    static QList<QPointer<QDialog>> dialogs;
    return dialogs;
}

void remember(QDialog *dialog)
{
    auto &list = presentedDialogs();
    list.removeAll(QPointer<QDialog>());
    if (!list.contains(dialog))
        list.append(dialog);
}

} // namespace

SheetContainer::SheetContainer(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Sheet | Qt::FramelessWindowHint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void SheetContainer::reject()
{
    for (QWidget *controller : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (closeOverlayByKeyboard(controller))
            return;
}

void SheetContainer::closeEvent(QCloseEvent *event)
{
    // Only the sheet's own controls close it (they call dismissSheet, which hides it).
    if (event->spontaneous())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

QDialog *SheetPresenter::presentAsSheet(QWidget *controller, QWidget *presenter)
{
    if (!controller)
        return nullptr;
    QWidget *owner = presenter ? presenter->window() : nullptr;
    QDialog *dialog = qobject_cast<QDialog *>(controller);
    if (dialog) {
        if (dialog->parentWidget() != owner)
            dialog->setParent(owner, dialog->windowFlags() | Qt::Sheet);
    } else {
        dialog = sheetOf(controller);
        if (!dialog) {
            auto *container = new SheetContainer(owner);
            container->layout()->addWidget(controller);
            controller->show();
            container->resize(controller->size().expandedTo(controller->sizeHint()));
            controller->setProperty(kSheetProperty, QVariant::fromValue<QObject *>(container));
            QObject::connect(controller, &QObject::destroyed, container, &QObject::deleteLater);
            dialog = container;
        } else if (dialog->parentWidget() != owner) {
            dialog->setParent(owner, dialog->windowFlags());
        }
    }
    dialog->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (owner) {
        // Centre the sheet horizontally over the window, just below its top edge.
        const QRect frame = owner->geometry();
        const QSize size = dialog->size().expandedTo(dialog->sizeHint());
        dialog->move(frame.x() + (frame.width() - size.width()) / 2, frame.y() + 40);
    }
    remember(dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

QDialog *SheetPresenter::sheetOf(QWidget *controller)
{
    if (!controller)
        return nullptr;
    if (auto *dialog = qobject_cast<QDialog *>(controller))
        return presentedDialogs().contains(dialog) ? dialog : nullptr;
    return qobject_cast<QDialog *>(controller->property(kSheetProperty).value<QObject *>());
}

void SheetPresenter::dismissSheet(QWidget *controller)
{
    if (QDialog *dialog = sheetOf(controller))
        dialog->hide();
}

bool SheetPresenter::isPresented(QWidget *controller)
{
    QDialog *dialog = sheetOf(controller);
    return dialog && dialog->isVisible();
}

int SheetPresenter::visibleSheetCount()
{
    int count = 0;
    for (const auto &dialog : presentedDialogs())
        if (dialog && dialog->isVisible())
            ++count;
    return count;
}

} // namespace platform
