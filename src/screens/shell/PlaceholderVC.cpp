#include "screens/shell/PlaceholderVC.h"

#include <QLabel>
#include <QVBoxLayout>

PlaceholderVC::PlaceholderVC(const QString &identifier, const QString &text, QWidget *parent)
    : QWidget(parent), m_identifier(identifier)
{
    setObjectName(identifier);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("PlaceholderVC { background-color: transparent; }"
                                 "QLabel { color: rgb(160, 160, 160); font-size: 13px; }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    m_label = new QLabel(text, this);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label->setWordWrap(true);
    layout->addWidget(m_label);
    setMinimumSize(160, 80);
}
