#pragma once

#include "screens/preferences/PreferencesPane.h"

#include <QList>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

// The excluded folders pane: the folders the scan list refuses (excludedFolders), stored under
// "ExcludedFoldersTWK" as an array of paths. A folder already excluded, one of the scan list, one
// that holds a scan-list entry, and the root folder are refused with one alert per batch.
class ExcludedPreferencesVC : public PreferencesPane
{
    Q_OBJECT
public:
    explicit ExcludedPreferencesVC(QWidget *parent = nullptr);

    QLabel *lblAddFoldersToBeExcluded = nullptr;
    QTableWidget *tableView = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnRemove = nullptr;
    int deleteIndex = -1;

    void viewWillAppear() override;

    void tappedAdd();
    void chooseFoldersToExclude();
    void addFolders(bool accepted, const QList<QUrl> &folders);
    void tappedRemove();
    void removeSelectedFolder();
    void tableViewSelectionDidChange();
    void loadExcludedFolders();
    void saveExcludedFolders();
    void reloadData();

    // The four refusals, each shown 0.5 seconds after the chooser closed.
    void showAlert();
    void showAlertScanList();
    void showAlertIsNotAdded();
    void showAlertParentScanList();
    // What shows an alert; tests replace it.
    std::function<void(const QString &message, const QString &informative)> presentAlert;
};
