#pragma once

#include "model/ResultState.h"

#include <QWidget>

class QTreeWidget;

// The results as a list: one block per shown group, one row per file with its folder and size.
class ListViewVC : public QWidget {
    Q_OBJECT
public:
    explicit ListViewVC(QWidget *parent = nullptr);

    // Number of shown files, written by the totals refresh.
    qint64 allFiles = 0;

    void reloadData();

    QTreeWidget *collectionView = nullptr;
};
