#include "screens/home/AddFilesTableModel.h"

#include <QPixmap>

AddFilesTableModel::AddFilesTableModel(const std::vector<InitialDirectory> *entries, QObject *parent)
    : QAbstractTableModel(parent)
    , m_entries(entries)
{
}

int AddFilesTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_entries)
        return 0;
    return static_cast<int>(m_entries->size());
}

int AddFilesTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QString AddFilesTableModel::displayPath(const InitialDirectory &entry)
{
    if (!entry.url)
        return QString();
    return entry.url->isLocalFile() ? entry.url->toLocalFile() : entry.url->path();
}

QVariant AddFilesTableModel::data(const QModelIndex &index, int role) const
{
    if (!m_entries || !index.isValid() || index.row() < 0 || index.row() >= static_cast<int>(m_entries->size()))
        return QVariant();
    const InitialDirectory &entry = (*m_entries)[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return displayPath(entry);
    case Qt::DecorationRole:
        if (entry.file && !entry.file->icon.isNull())
            return QPixmap::fromImage(entry.file->icon);
        return QVariant();
    case Qt::CheckStateRole:
        return entry.isChecked ? Qt::Checked : Qt::Unchecked;
    default:
        return QVariant();
    }
}

Qt::ItemFlags AddFilesTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void AddFilesTableModel::reload()
{
    beginResetModel();
    endResetModel();
}
