#include "controls/AddFilesTableCell.h"

#include "controls/PaddedTextField.h"
#include "model/Palette.h"
#include "controls/PopUpMode.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

AddFilesTableCell::AddFilesTableCell(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    boxParent = new QFrame(this);
    boxParent->setFrameShape(QFrame::NoFrame);
    boxParent->setObjectName(QStringLiteral("boxParent"));
    outer->addWidget(boxParent);

    auto *layout = new QHBoxLayout(boxParent);
    layout->setContentsMargins(10, 2, 8, 2);
    layout->setSpacing(8);

    checkButton = new QCheckBox(boxParent);
    checkButton->setFocusPolicy(Qt::NoFocus);
    QPalette checkPalette = checkButton->palette();
    checkPalette.setColor(QPalette::Base, Palette::pressedBackground);
    checkPalette.setColor(QPalette::Button, Palette::pressedBackground);
    checkPalette.setColor(QPalette::Text, Palette::primaryText);
    checkPalette.setColor(QPalette::WindowText, Palette::primaryText);
    checkButton->setPalette(checkPalette);
    layout->addWidget(checkButton);

    imgView = new QLabel(boxParent);
    imgView->setFixedSize(24, 24);
    imgView->setScaledContents(false);
    imgView->setAlignment(Qt::AlignCenter);
    layout->addWidget(imgView);

    url = new PaddedTextField(boxParent);
    url->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    url->setMinimumWidth(40);
    QPalette pal = url->palette();
    pal.setColor(QPalette::WindowText, Palette::labelText);
    url->setPalette(pal);
    layout->addWidget(url, 1);

    btnDelete = new QToolButton(boxParent);
    btnDelete->setAutoRaise(true);
    btnDelete->setFocusPolicy(Qt::NoFocus);
    btnDelete->setIcon(deleteIcon());
    btnDelete->setIconSize(QSize(14, 14));
    btnDelete->setFixedSize(22, 22);
    btnDelete->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    layout->addWidget(btnDelete);
}

QIcon AddFilesTableCell::deleteIcon()
{
    QPixmap pixmap(28, 28);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::controlBorder);
    painter.drawEllipse(QRectF(1, 1, 26, 26));
    QPen pen(Palette::primaryText, 3.0);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(9, 9), QPointF(19, 19));
    painter.drawLine(QPointF(19, 9), QPointF(9, 19));
    painter.end();
    return QIcon(pixmap);
}

bool AddFilesTableCell::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
        if (isPopUpMode())
            return true; // dropped while a sheet or overlay is up
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
