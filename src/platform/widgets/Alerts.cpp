#include "platform/widgets/Alerts.h"
#include "platform/Log.h"

#include "model/Palette.h"
#include "model/TextLookup.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/WindowPosition.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <memory>

QPushButton *addTitledButton(QMessageBox *box, const QString &title, QMessageBox::ButtonRole role)
{
    QPushButton *button = box->addButton(QString(), role);
    // Titled after adding: newer Qt gives a button added with an empty title its own "OK".
    button->setText(title);
    return button;
}

void keepAlertFrameless(QMessageBox *box)
{
    if (box && !box->isVisible())
        box->setWindowFlag(Qt::FramelessWindowHint, true);
}

namespace {

// The width of an alert's texts, in one place: a path or a sentence reads on one line.
constexpr int kAlertTextWidth = 460;

// Every alert in the program's own look, as its sheets: dark and frameless with a thin edge, the
// program's icon, light text, a grey button and the default one green, a gold ring on the focus.
void themeAlert(QMessageBox *box)
{
    keepAlertFrameless(box);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/images/twinsift.png"));
    if (!icon.isNull())
        box->setIconPixmap(icon.pixmap(64, 64));
    box->setStyleSheet(
        QStringLiteral("QMessageBox { background: " TWINSIFT_CARD_BACKGROUND_CSS "; border: 1px solid"
                       " " TWINSIFT_MUTED_BUTTON_CSS "; }"
                       "QLabel { color: " TWINSIFT_DIALOG_TEXT_CSS "; background: transparent; }"
                       "QLabel#qt_msgbox_label { font-weight: bold; }"
                       "QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel { min-width: %1px; }"
                       "QPushButton { color: " TWINSIFT_WHITE_CSS "; background: " TWINSIFT_MUTED_BUTTON_CSS
                       "; border: 2px solid transparent; border-radius: 15px; padding: 5px 18px; min-width: 80px;"
                       " min-height: 20px; font-weight: bold; }"
                       "QPushButton:default { background: " TWINSIFT_GREEN_CSS "; }"
                       "QPushButton:focus { border-color: " TWINSIFT_GOLD_CSS "; }"
                       "QScrollArea#alertDetailsScroller { border: 1px solid transparent; }"
                       "QScrollArea#alertDetailsScroller:focus { border-color: " TWINSIFT_GOLD_CSS "; }")
            .arg(kAlertTextWidth));
}

// An alert that keeps inside the free area of its screen. The box sizes itself to its texts when
// it is shown; one taller than the free area (many long paths on a small screen) shows its
// informative text in a scroll area as tall as there is room for, and the whole box is moved
// inside the area.
class ScreenFittedAlert : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        fitScreen();
    }

    bool event(QEvent *event) override
    {
        // The box sizes itself to its texts again on every layout request: a box whose text
        // scrolls keeps the size that fits the screen.
        const bool handled = QMessageBox::event(event);
        if (event->type() == QEvent::LayoutRequest && m_fitted.isValid())
            setFixedSize(m_fitted);
        return handled;
    }

private:
    void fitScreen()
    {
        QScreen *shownOn = screen();
        if (!shownOn)
            return;
        const QMargins frame = platform::assumedFrameMargins(this);
        const QRect free = shownOn->availableGeometry().marginsRemoved(frame);
        const int excess = height() - free.height();
        auto *details = findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
        auto *grid = qobject_cast<QGridLayout *>(layout());
        if (excess > 0 && details && grid && !qobject_cast<QScrollArea *>(details->parentWidget())) {
            const int index = grid->indexOf(details);
            int row = 0, column = 0, rows = 1, columns = 1;
            if (index >= 0) {
                grid->getItemPosition(index, &row, &column, &rows, &columns);
                const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
                const QSize text = details->size();
                auto *scroller = new QScrollArea(this);
                scroller->setObjectName(QStringLiteral("alertDetailsScroller"));
                scroller->setFrameShape(QFrame::NoFrame);
                scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                scroller->setWidgetResizable(true);
                scroller->viewport()->setAutoFillBackground(false);
                grid->removeWidget(details);
                scroller->setWidget(details);
                details->setAutoFillBackground(false); // setWidget turned it on
                scroller->ensurePolished();
                const int edges = 2 * scroller->frameWidth(); // the focus ring's room
                scroller->setFixedSize(text.width() + bar + edges,
                                       std::max(3 * fontMetrics().height(), text.height() - excess));
                grid->addWidget(scroller, row, column, rows, columns);
                m_fitted = QSize(width() + bar + edges, height() - text.height() + scroller->height());
                setFixedSize(m_fitted);
            }
        }
        // A frame that sticks out of the free area is moved inside it.
        const QRect area = shownOn->availableGeometry();
        QRect placed(frameGeometry().topLeft(), size().grownBy(frame));
        if (!area.contains(placed)) {
            placed.moveLeft(
                std::clamp(placed.left(), area.left(), std::max(area.left(), area.right() + 1 - placed.width())));
            placed.moveTop(
                std::clamp(placed.top(), area.top(), std::max(area.top(), area.bottom() + 1 - placed.height())));
            move(placed.topLeft());
        }
    }

    QSize m_fitted; // the size that fits the screen, once the text scrolls
};

} // namespace

QMessageBox *makeAlert(QWidget *parent, const QString &objectName, QMessageBox::Icon icon, const QString &title,
                       const QString &message, const QString &informative, const QList<AlertButton> &buttons,
                       QList<QAbstractButton *> *added)
{
    auto *box = new ScreenFittedAlert(icon, title, QString(), QMessageBox::NoButton, parent);
    box->setObjectName(objectName);
    box->setTextFormat(Qt::PlainText);
    box->setText(message);
    box->setInformativeText(informative);
    showAsPlainText(box);
    QList<QAbstractButton *> made;
    for (const AlertButton &button : buttons)
        made << addTitledButton(box, button.title, button.role);
    if (made.isEmpty())
        made << box->addButton(QMessageBox::Ok);
    box->setDefaultButton(qobject_cast<QPushButton *>(made.constFirst()));
    themeAlert(box);
    if (added)
        *added = made;
    return box;
}

namespace {

bool runAlert(const QString &message, const QString &informative)
{
    std::unique_ptr<QMessageBox> alert(makeAlert(nullptr, QString(), QMessageBox::Warning, QString(), message,
                                                 informative, {{localizedText(QStringLiteral("IDS_TWK_194"))}}));
    QAbstractButton *button = alert->defaultButton();
    alert->setEscapeButton(button);
    alert->exec();
    return alert->clickedButton() == button;
}

// Keeps a widget at the full size of its container when the container has a layout of its own.
class FillContainer : public QObject
{
public:
    FillContainer(QWidget *child, QWidget *container)
        : QObject(child)
        , m_child(child)
    {
        container->installEventFilter(this);
        child->setGeometry(container->rect());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            m_child->setGeometry(static_cast<QWidget *>(watched)->rect());
        return false;
    }

private:
    QWidget *m_child;
};

QString pinLayoutName()
{
    return QStringLiteral("pinToContainerLayout");
}

} // namespace

bool showAlert(const QString &message, const QString &informative)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        logWarning(lcPlatform) << "Alert without an application:" << message;
        return false;
    }
    if (QThread::currentThread() == app->thread())
        return runAlert(message, informative);
    bool accepted = false;
    QMetaObject::invokeMethod(
        app, [&] { accepted = runAlert(message, informative); }, Qt::BlockingQueuedConnection);
    return accepted;
}

bool askYesOrNo(QWidget *parent, const QString &objectName, const QString &message, const QString &informative,
                QPointer<QMessageBox> *shown)
{
    // On the heap: the parent may go while the box is up, taking the box with it.
    QList<QAbstractButton *> answers;
    QPointer<QMessageBox> box = makeAlert(parent, objectName, QMessageBox::Warning, message, message, informative,
                                          {{localizedText(QStringLiteral("IDS_TWK_268")), QMessageBox::YesRole},
                                           {localizedText(QStringLiteral("IDS_TWK_269")), QMessageBox::NoRole}},
                                          &answers);
    box->setWindowModality(Qt::ApplicationModal);
    keepAlertFrameless(box);
    QAbstractButton *yes = answers.at(0);
    box->setEscapeButton(answers.at(1));
    if (shown)
        *shown = box;
    box->exec();
    if (!box)
        return false;
    const bool answeredYes = box->clickedButton() == yes;
    box->deleteLater();
    return answeredYes;
}

void pinToContainer(QWidget *child, QWidget *container)
{
    if (!child || !container)
        return;
    if (child->parentWidget() != container)
        child->setParent(container);
    if (!container->layout()) {
        auto *layout = new QGridLayout(container);
        layout->setObjectName(pinLayoutName());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    if (auto *grid = qobject_cast<QGridLayout *>(container->layout()); grid && grid->objectName() == pinLayoutName()) {
        // Pinned children share the one cell and overlap, each filling the container.
        grid->addWidget(child, 0, 0);
        return;
    }
    new FillContainer(child, container);
}
