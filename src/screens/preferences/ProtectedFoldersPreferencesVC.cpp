#include "screens/preferences/ProtectedFoldersPreferencesVC.h"
#include "screens/shell/ScreenNames.h"

#include "engine/AutoMarkRun.h"
#include "engine/AutoMarkRunSignals.h"
#include "model/ModuleState.h"
#include "model/ResultState.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/Alerts.h"
#include "platform/widgets/PlainText.h"
#include "screens/preferences/FolderPanel.h"
#include "screens/preferences/ProtectedFoldersSubFoldersTableCell.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "services/ProtectedFolders.h"
#include "model/NotificationNames.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <utility>

ProtectedFoldersPreferencesVC::ProtectedFoldersPreferencesVC(QWidget *parent)
    : PreferencesPane(QStringLiteral("IDS_TWK_126"), parent)
{
    const FolderTable parts = makeFolderTable(this, 2);
    lblAddFolder = parts.caption;
    tableView = parts.table;
    btnAdd = parts.add;
    btnRemove = parts.remove;
    tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tableView->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tableView->setHorizontalHeaderLabels(
        {localizedText(QStringLiteral("IDS_TWK_81")), localizedText(QStringLiteral("IDS_TWK_66"))});
    lblAddFolder->setText(localizedText(QStringLiteral("IDS_TWK_197")));

    presentAlert = [](const QString &message, const QString &informative) { ::showAlert(message, informative); };

    connect(btnAdd, &QPushButton::clicked, this, [this] { tappedAdd(); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { tappedRemove(); });
    connect(tableView, &QTableWidget::itemSelectionChanged, this, [this] { tableViewSelectionDidChange(); });
    platform::NotificationCenter::defaultCenter().addObserver(
        this, NotificationName::reloadTableView,
        [this](const platform::Notification &) { reloadTableViewNotification(); });
    connect(&AutoMarkRunSignals::instance(), &AutoMarkRunSignals::runningChanged, this, [this](bool running) {
        followMarkingLock();
        // Folders chosen while the marking ran are added once its marks are in (the run hands them
        // over after this signal), as if chosen right after it.
        if (!running && !m_foldersChosenWhileMarking.isEmpty())
            QMetaObject::invokeMethod(
                this, [this] { addFoldersChosenWhileMarking(); }, Qt::QueuedConnection);
    });
}

void ProtectedFoldersPreferencesVC::addFoldersChosenWhileMarking()
{
    if (AutoMarkRun::isRunning() || m_foldersChosenWhileMarking.isEmpty())
        return; // a new run keeps them until it ends in turn
    addFolders(true, std::exchange(m_foldersChosenWhileMarking, {}));
}

void ProtectedFoldersPreferencesVC::followMarkingLock()
{
    const bool editable = !AutoMarkRun::isRunning();
    btnAdd->setEnabled(editable);
    tableView->setEnabled(editable);
    btnRemove->setEnabled(editable && deleteIndex != -1);
}

void ProtectedFoldersPreferencesVC::viewWillAppear()
{
    loadProtectedFolders();
    reloadData();
}

void ProtectedFoldersPreferencesVC::reloadData()
{
    resizeProtectedSubFolderFlags();
    const QSignalBlocker block(tableView);
    tableView->clearContents();
    tableView->setRowCount(int(protectedFolders.size()));
    for (int row = 0; row < int(protectedFolders.size()); ++row) {
        const InitialDirectory &folder = protectedFolders[size_t(row)];
        auto *item = new QTableWidgetItem(folder.url ? plainPath(*folder.url) : QString());
        item->setToolTip(plainToolTip(item->text()));
        if (folder.file && !folder.file->icon.isNull())
            item->setIcon(QIcon(QPixmap::fromImage(folder.file->icon)));
        tableView->setItem(row, 0, item);
        auto *cell = new ProtectedFoldersSubFoldersTableCell;
        cell->tag = row;
        cell->btnCheckBox->setChecked(protectedSubFolderFlags[size_t(row)]);
        connect(cell->btnCheckBox, &QCheckBox::clicked, this,
                [this, cell](bool) { clickCheckBox(cell->tag, cell->btnCheckBox->checkState() == Qt::Checked); });
        tableView->setCellWidget(row, 1, cell);
    }
    tableView->clearSelection();
    deleteIndex = -1;
    followMarkingLock();
}

void ProtectedFoldersPreferencesVC::tappedAdd()
{
    if (AutoMarkRun::isRunning())
        return;
    openFolderPanel(this, true, [this](bool accepted, const QList<QUrl> &folders) { addFolders(accepted, folders); });
}

void ProtectedFoldersPreferencesVC::addFolders(bool accepted, const QList<QUrl> &folders)
{
    if (!accepted)
        return;
    // A chooser opened before the marking started may close while it runs: its folders wait for
    // the marking's end, so that the marks come in for the protection they were made with.
    if (AutoMarkRun::isRunning()) {
        m_foldersChosenWhileMarking.append(folders);
        return;
    }
    bool duplicate = false;
    ResultState &results = ResultState::shared();
    for (const QUrl &url : folders) {
        if (!url.isLocalFile() || !addProtectedFolder(url.toLocalFile(), true)) {
            duplicate = true;
            continue;
        }
        applyProtectedFoldersToAll(results, false, url.toString(QUrl::FullyEncoded));
        refreshSelectionState();
    }
    if (duplicate)
        QTimer::singleShot(500, this, [this] { showAlert(); });
    reevaluateResults(QString());
    saveProtectedFolders();
    reloadData();
    refreshResults();
}

void ProtectedFoldersPreferencesVC::showAlert()
{
    if (presentAlert)
        presentAlert(localizedText(QStringLiteral("IDS_TWK_296")), localizedText(QStringLiteral("IDS_TWK_297")));
}

void ProtectedFoldersPreferencesVC::tappedRemove()
{
    // The selection at the time of the click decides, checked against the list.
    const QModelIndexList rows = tableView->selectionModel()->selectedRows();
    const int index = rows.isEmpty() ? -1 : rows.first().row();
    if (AutoMarkRun::isRunning() || index < 0 || index >= int(protectedFolders.size()))
        return;
    removeProtectedFolder(index);
    deleteIndex = -1;
    saveProtectedFolders();
    reloadData();
    reevaluateResults(QString());
    btnRemove->setEnabled(false);
    refreshResults();
}

void ProtectedFoldersPreferencesVC::clickCheckBox(int row, bool on)
{
    if (AutoMarkRun::isRunning()) {
        // The box shows the flag that stays (redrawn after the click, which the box is still in).
        QMetaObject::invokeMethod(
            this, [this] { reloadData(); }, Qt::QueuedConnection);
        return;
    }
    resizeProtectedSubFolderFlags();
    if (row < 0 || row >= int(protectedSubFolderFlags.size()))
        return;
    protectedSubFolderFlags[size_t(row)] = on;
    reevaluateResults(QString());
    saveProtectedFolders();
    refreshResults();
}

void ProtectedFoldersPreferencesVC::tableViewSelectionDidChange()
{
    const QModelIndexList rows = tableView->selectionModel()->selectedRows();
    deleteIndex = rows.isEmpty() ? -1 : rows.first().row();
    btnRemove->setEnabled(deleteIndex != -1 && !AutoMarkRun::isRunning());
}

void ProtectedFoldersPreferencesVC::reloadTableViewNotification()
{
    reloadData();
}

void ProtectedFoldersPreferencesVC::reevaluateResults(const QString &folderText)
{
    applyProtectedFoldersToAll(ResultState::shared(), false, folderText);
    refreshSelectionState();
}

void ProtectedFoldersPreferencesVC::refreshResults()
{
    const ResultState &results = ResultState::shared();
    if (results.imageDirectories.empty() || results.imageDirectories.front().empty())
        return;
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail))
        grid->reloadData();
    if (auto *list = AllViewControllers::cached<ListViewVC>(ScreenName::listView))
        list->reloadData();
}
