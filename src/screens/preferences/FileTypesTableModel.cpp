#include "screens/preferences/FileTypesTableModel.h"

#include "screens/preferences/ScanFileTypes.h"

FileTypesTableModel::FileTypesTableModel(QStringList *scanned, QObject *parent)
    : QAbstractTableModel(parent)
    , m_scanned(scanned)
{
}

void FileTypesTableModel::setFileTypes(const QStringList &descriptions)
{
    beginResetModel();
    m_fileTypes = descriptions;
    endResetModel();
}

void FileTypesTableModel::setColumnTitles(const QString &checkTitle, const QString &descriptionTitle)
{
    m_checkTitle = checkTitle;
    m_descriptionTitle = descriptionTitle;
    emit headerDataChanged(Qt::Horizontal, 0, 1);
}

int FileTypesTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fileTypes.size());
}

int FileTypesTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant FileTypesTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_fileTypes.size())
        return {};
    if (index.column() == 0 && role == Qt::CheckStateRole)
        return ScanFileTypes::isRowOn(*m_scanned, index.row()) ? Qt::Checked : Qt::Unchecked;
    if (index.column() == 1 && (role == Qt::DisplayRole || role == Qt::ToolTipRole))
        return m_fileTypes.at(index.row());
    return {};
}

bool FileTypesTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole
        || index.row() >= ScanFileTypes::kRowCount)
        return false;
    const bool on = value.toInt() == Qt::Checked;
    ScanFileTypes::setRowOn(*m_scanned, index.row(), on);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit rowSwitched(index.row(), on);
    return true;
}

Qt::ItemFlags FileTypesTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == 0)
        return Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant FileTypesTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == 0)
        return m_checkTitle;
    if (section == 1)
        return m_descriptionTitle;
    return {};
}
