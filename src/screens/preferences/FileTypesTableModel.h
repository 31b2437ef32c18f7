#pragma once

#include <QAbstractTableModel>
#include <QStringList>

// The file-type table of the scan settings: column 0 a check box per row, column 1 the row's
// description. A box's state is read from the scanned-extension list each time the row is drawn,
// so it always shows what the next scan will collect.
class FileTypesTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    FileTypesTableModel(QStringList *scanned, QObject *parent = nullptr);

    void setFileTypes(const QStringList &descriptions);
    void setColumnTitles(const QString &checkTitle, const QString &descriptionTitle);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A row's box was switched by the user.
    void rowSwitched(int row, bool on);

private:
    QStringList *m_scanned;
    QStringList m_fileTypes;
    QString m_checkTitle;
    QString m_descriptionTitle;
};
