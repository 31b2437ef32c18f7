#include "screens/preferences/ProtectedFoldersSubFoldersTableCell.h"

#include <QCheckBox>
#include <QHBoxLayout>

ProtectedFoldersSubFoldersTableCell::ProtectedFoldersSubFoldersTableCell(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    btnCheckBox = new QCheckBox(this);
    layout->addWidget(btnCheckBox, 0, Qt::AlignCenter);
}
