#include "screens/promotion/collectionView_cell.h"

#include "controls/buttoncursor.h"
#include "model/Palette.h"

#include <QGridLayout>
#include <QLabel>

collectionView_cell::collectionView_cell(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("otherAppCard"));
    setFixedSize(kWidth, kHeight);
    setStyleSheet(QStringLiteral("QFrame#otherAppCard { background: " TWINSIFT_PANEL_BACKGROUND_CSS "; border: 1px"
                                 " solid " TWINSIFT_FRAME_CSS ";"
                                 " border-radius: 10px; }"));
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setHorizontalSpacing(14);
    layout->setVerticalSpacing(4);
    imgview = new QLabel(this);
    imgview->setFixedSize(72, 72);
    imgview->setAlignment(Qt::AlignCenter);
    lbltitle = new QLabel(this);
    lbltitle->setTextFormat(Qt::PlainText);
    QFont titleFont = lbltitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);
    lbltitle->setFont(titleFont);
    lbltitle->setStyleSheet(QStringLiteral("color: " TWINSIFT_PRIMARY_TEXT_CSS ";"));
    lblsubtitle = new QLabel(this);
    lblsubtitle->setTextFormat(Qt::PlainText);
    lblsubtitle->setWordWrap(true);
    lblsubtitle->setStyleSheet(QStringLiteral("color: " TWINSIFT_SECONDARY_TEXT_CSS ";"));
    lblapptype = new QLabel(this);
    lblapptype->setTextFormat(Qt::PlainText);
    lblapptype->setStyleSheet(QStringLiteral("color: " TWINSIFT_GOLD_CSS ";"));
    btnappstore = new buttoncursor(this);
    btnappstore->setMinimumHeight(34);
    layout->addWidget(imgview, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(lbltitle, 0, 1);
    layout->addWidget(lblapptype, 1, 1);
    layout->addWidget(lblsubtitle, 2, 1);
    layout->addWidget(btnappstore, 3, 1, Qt::AlignRight | Qt::AlignBottom);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(1, 1);
}
