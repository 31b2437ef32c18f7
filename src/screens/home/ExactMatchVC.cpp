#include "screens/home/ExactMatchVC.h"

#include "model/Palette.h"
#include "model/TextLookup.h"

#include <QLabel>
#include <QVBoxLayout>

ExactMatchVC::ExactMatchVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ExactMatch"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    lblDescription = new QLabel(localizedText(QStringLiteral("IDS_TWK_7009")), this);
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblDescription->setWordWrap(true);
    lblDescription->setStyleSheet(QStringLiteral("color: " TWINSIFT_HINT_TEXT_CSS "; font-size: 13px;"));
    layout->addWidget(lblDescription);
    layout->addStretch(1);
}
