#include "screens/results/list/ListViewVC.h"

#include "model/TextLookup.h"
#include "services/MVNAssistance.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

ListViewVC::ListViewVC(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ListView"));
    collectionView = new QTreeWidget(this);
    collectionView->setObjectName(QStringLiteral("collectionView"));
    collectionView->setColumnCount(3);
    collectionView->setHeaderHidden(true);
    collectionView->setRootIsDecorated(false);
    collectionView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    collectionView->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    collectionView->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    collectionView->setStyleSheet(QStringLiteral("QTreeWidget { background: #222222; color: #dddddd; border: none; }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(collectionView);
}

void ListViewVC::reloadData()
{
    collectionView->clear();
    const ResultState &state = ResultState::shared();
    const MVNAssistance &assistance = sharedAssistance();
    for (int g = 0; g < state.shownGroupCount(); ++g) {
        auto *header = new QTreeWidgetItem(collectionView);
        header->setText(0, substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_6044")),
                                                  {QString::number(g + 1)}));
        header->setFirstColumnSpanned(true);
        for (const ImageFilePtr &file : state.imageDirectories[size_t(g)]) {
            if (!file)
                continue;
            const QFileInfo info(file->path());
            auto *row = new QTreeWidgetItem(header);
            row->setText(0, file->fileName.value_or(info.fileName()));
            row->setText(1, info.absolutePath());
            row->setText(2, assistance.fileSizeText(file->path()).value_or(QString()));
        }
        header->setExpanded(true);
    }
}
