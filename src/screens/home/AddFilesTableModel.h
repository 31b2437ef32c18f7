#pragma once

#include "model/InitialDirectory.h"

#include <QAbstractTableModel>

#include <vector>

// The scan list as a one-column table: row i is entry i of the working list, shown by its path,
// its icon and its tick. The row widgets of the scan list sit on top of these rows.
class AddFilesTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit AddFilesTableModel(const std::vector<InitialDirectory> *entries, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The full path of an entry's URL ("" when it has none).
    static QString displayPath(const InitialDirectory &entry);

    // Everything changed: the view asks again.
    void reload();

private:
    const std::vector<InitialDirectory> *m_entries;
};
