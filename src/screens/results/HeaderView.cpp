#include "screens/results/HeaderView.h"

#include "model/Palette.h"
#include "platform/UserDefaults.h"
#include "screens/results/grid/ResultIcons.h"
#include "model/SettingsKeys.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QToolButton>

namespace {

QToolButton *makeButton(QWidget *parent, const char *name)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setIconSize(QSize(18, 18));
    button->setFixedSize(28, 28);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

HeaderView::HeaderView(QWidget *parent)
    : HeaderView(true, parent)
{
}

HeaderView::HeaderView(bool withZoom, QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    sectionTitle = new QLabel(this);
    sectionTitle->setObjectName(QStringLiteral("sectionTitle"));
    imageCount = new QLabel(this);
    imageCount->setObjectName(QStringLiteral("imageCount"));
    QFont bold = sectionTitle->font();
    bold.setBold(true);
    sectionTitle->setFont(bold);
    const QString ink = QStringLiteral("color: " TWINSIFT_LABEL_TEXT_CSS ";");
    sectionTitle->setStyleSheet(ink);
    imageCount->setStyleSheet(QStringLiteral("color: " TWINSIFT_DETAIL_TEXT_CSS ";"));
    btnSelectUnselectGroup = makeButton(this, "btnSelectUnselectGroup");
    btnLockGroup = makeButton(this, "btnLockGroup");
    if (withZoom)
        btnZoom = makeButton(this, "btnZoom");

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 0, 6, 0);
    layout->setSpacing(6);
    layout->addWidget(sectionTitle);
    layout->addWidget(imageCount);
    layout->addStretch(1);
    layout->addWidget(btnSelectUnselectGroup);
    layout->addWidget(btnLockGroup);
    if (btnZoom)
        layout->addWidget(btnZoom);
    // Tracking of the pointer over the select and lock buttons (not the zoom button).
    btnSelectUnselectGroup->installEventFilter(this);
    btnLockGroup->installEventFilter(this);
}

void HeaderView::setButtonImage(QToolButton *button, const QString &name)
{
    if (!button)
        return;
    button->setIcon(ResultIcons::named(name));
    button->setProperty("imageName", name);
}

QString HeaderView::buttonImage(const QToolButton *button)
{
    return button ? button->property("imageName").toString() : QString();
}

void HeaderView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), ResultIcons::headerColor());
}

bool HeaderView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
        // While a sheet or dialog is up the cursor stays as it is.
        if (!platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp)) {
            auto *button = static_cast<QWidget *>(watched);
            if (event->type() == QEvent::Enter)
                button->setCursor(Qt::PointingHandCursor);
            else
                button->unsetCursor();
        }
    }
    return QWidget::eventFilter(watched, event);
}
