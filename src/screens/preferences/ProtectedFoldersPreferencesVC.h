#pragma once

#include "screens/preferences/PreferencesPane.h"

#include <QList>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

// The protected folders pane: the protected folders (protectedFolders) with their include-sub-folder
// flags (protectedSubFolderFlags), stored under "ProtectedFoldersTWK" and "ProtectedSubFoldersTWK".
// Every edit is applied at once to the results on show: each file is re-evaluated against the list
// (the protection the user set by hand stays), and the results screen, grid and list refresh.
// While a marking runs on the worker (AutoMarkRun) the pane's controls are disabled and every edit
// is refused, so the protection the marking was made for stays; folders from a chooser that closes
// meanwhile are added once the marking's marks are in.
class ProtectedFoldersPreferencesVC : public PreferencesPane
{
    Q_OBJECT
public:
    explicit ProtectedFoldersPreferencesVC(QWidget *parent = nullptr);

    QTableWidget *tableView = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnRemove = nullptr;
    QLabel *lblAddFolder = nullptr;
    // The row chosen for removal, -1 for none.
    int deleteIndex = -1;

    // Reloads both lists from the settings and redraws the table.
    void viewWillAppear() override;

    void tappedAdd();
    // The chooser's completion: adds the chosen folders that are not listed yet (each protecting its
    // sub-folders), tells once about the others; while a marking runs, once it has ended.
    void addFolders(bool accepted, const QList<QUrl> &folders);
    void tappedRemove();
    void clickCheckBox(int row, bool on);
    void tableViewSelectionDidChange();
    void reloadTableViewNotification();

    // The duplicate-folder alert, 0.5 seconds after the chooser closed.
    void showAlert();
    // What shows an alert; tests replace it.
    std::function<void(const QString &message, const QString &informative)> presentAlert;

    // Redraws the table from the lists.
    void reloadData();

private:
    // Add, Remove and the table follow whether a marking runs on the worker.
    void followMarkingLock();
    void addFoldersChosenWhileMarking();
    // Re-evaluates every result file against the folders, then refreshes the result views.
    void reevaluateResults(const QString &folderText);
    void refreshResults();

    QList<QUrl> m_foldersChosenWhileMarking;
};
