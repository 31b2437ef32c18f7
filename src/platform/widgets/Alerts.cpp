#include "platform/widgets/Alerts.h"
#include "platform/Log.h"

#include "model/Palette.h"
#include "model/TextLookup.h"
#include "platform/widgets/PlainText.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QWidget>

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
                       "QPushButton:focus { border-color: " TWINSIFT_GOLD_CSS "; }")
            .arg(kAlertTextWidth));
}

} // namespace

QMessageBox *makeAlert(QWidget *parent, const QString &objectName, QMessageBox::Icon icon, const QString &title,
                       const QString &message, const QString &informative, const QList<AlertButton> &buttons,
                       QList<QAbstractButton *> *added)
{
    auto *box = new QMessageBox(icon, title, QString(), QMessageBox::NoButton, parent);
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
