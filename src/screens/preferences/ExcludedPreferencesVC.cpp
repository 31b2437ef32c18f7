#include "screens/preferences/ExcludedPreferencesVC.h"
#include "platform/Log.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/Alerts.h"
#include "platform/widgets/PlainText.h"
#include "screens/preferences/FolderPanel.h"
#include "screens/shell/HubScreens.h"
#include "services/ProtectedFolders.h"
#include "model/SettingsKeys.h"

#include <QHeaderView>
#include <QLabel>
#include <QMetaType>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

const QString kExcludedKey = SettingsKey::excludedFolders;

QString withoutTrailingSlash(const QString &folder)
{
    return folder.size() > 1 && folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder;
}

} // namespace

ExcludedPreferencesVC::ExcludedPreferencesVC(QWidget *parent)
    : PreferencesPane(QStringLiteral("IDS_TWK_111"), parent)
{
    const FolderTable parts = makeFolderTable(this, 1);
    lblAddFoldersToBeExcluded = parts.caption;
    tableView = parts.table;
    btnAdd = parts.add;
    btnRemove = parts.remove;
    tableView->horizontalHeader()->setStretchLastSection(true);
    lblAddFoldersToBeExcluded->setText(localizedText(QStringLiteral("IDS_TWK_127")));
    tableView->setHorizontalHeaderLabels({localizedText(QStringLiteral("IDS_TWK_148"))});

    presentAlert = [](const QString &message, const QString &informative) { ::showAlert(message, informative); };

    connect(btnAdd, &QPushButton::clicked, this, [this] { tappedAdd(); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { tappedRemove(); });
    connect(tableView, &QTableWidget::itemSelectionChanged, this, [this] { tableViewSelectionDidChange(); });
}

void ExcludedPreferencesVC::viewWillAppear()
{
    loadExcludedFolders();
}

void ExcludedPreferencesVC::tappedAdd()
{
    chooseFoldersToExclude();
}

void ExcludedPreferencesVC::chooseFoldersToExclude()
{
    openFolderPanel(this, false, [this](bool accepted, const QList<QUrl> &folders) { addFolders(accepted, folders); });
}

void ExcludedPreferencesVC::addFolders(bool accepted, const QList<QUrl> &folders)
{
    if (!accepted)
        return;
    bool alreadyExcluded = false, inScanList = false, root = false, parentOfScanList = false;
    const std::vector<InitialDirectory> scanList = HubScreens::initialDirectories();
    for (const QUrl &url : folders) {
        const QString path = plainPath(url);
        if (path.isEmpty())
            continue;
        // Folders are compared in one form, links resolved, so "/a/b/" and a link to it are "/a/b".
        const QString folder = canonicalFolderPath(path);
        bool refused = false;
        for (const InitialDirectory &entry : excludedFolders) {
            if (entry.url && canonicalFolderPath(plainPath(*entry.url)) == folder) {
                alreadyExcluded = refused = true;
                break;
            }
        }
        for (const InitialDirectory &entry : scanList) {
            if (!entry.url)
                continue;
            const QString entryFolder = canonicalFolderPath(plainPath(*entry.url));
            if (entryFolder == folder) {
                inScanList = refused = true;
            } else if (entryFolder.contains(withoutTrailingSlash(folder))) {
                // Plain text containment, as the scan list's own test of excluded parents.
                parentOfScanList = refused = true;
            }
        }
        // The root folder, also when reached through a link to it.
        if (path == QLatin1String("/") || folder == QLatin1String("/")) {
            root = true;
            continue;
        }
        if (!refused)
            excludedFolders.emplace_back(QUrl::fromLocalFile(path));
    }
    reloadData();
    void (ExcludedPreferencesVC::*alert)() = nullptr;
    if (alreadyExcluded)
        alert = &ExcludedPreferencesVC::showAlert;
    else if (inScanList)
        alert = &ExcludedPreferencesVC::showAlertScanList;
    else if (root)
        alert = &ExcludedPreferencesVC::showAlertIsNotAdded;
    else if (parentOfScanList)
        alert = &ExcludedPreferencesVC::showAlertParentScanList;
    if (alert)
        QTimer::singleShot(500, this, [this, alert] { (this->*alert)(); });
    saveExcludedFolders();
}

void ExcludedPreferencesVC::tappedRemove()
{
    removeSelectedFolder();
}

void ExcludedPreferencesVC::removeSelectedFolder()
{
    // The selection at the time of the click decides, checked against the list.
    const QModelIndexList rows = tableView->selectionModel()->selectedRows();
    const int index = rows.isEmpty() ? -1 : rows.first().row();
    if (index < 0 || index >= int(excludedFolders.size()))
        return;
    excludedFolders.erase(excludedFolders.begin() + index);
    deleteIndex = -1;
    reloadData();
    saveExcludedFolders();
    btnRemove->setEnabled(false);
}

void ExcludedPreferencesVC::tableViewSelectionDidChange()
{
    const QModelIndexList rows = tableView->selectionModel()->selectedRows();
    deleteIndex = rows.isEmpty() ? -1 : rows.first().row();
    btnRemove->setEnabled(deleteIndex != -1);
}

void ExcludedPreferencesVC::loadExcludedFolders()
{
    excludedFolders.clear();
    if (const auto stored = platform::UserDefaults::standard().arrayForKey(kExcludedKey)) {
        // A damaged element is dropped; the other folders stay excluded.
        for (const QVariant &value : *stored) {
            const QString path = storedFolderPath(value);
            if (path.isEmpty()) {
                logWarning(lcScreens) << "Skipped a damaged excluded folder entry";
                continue;
            }
            excludedFolders.emplace_back(QUrl::fromLocalFile(path));
        }
    }
    reloadData();
}

void ExcludedPreferencesVC::saveExcludedFolders()
{
    QStringList paths;
    for (const InitialDirectory &entry : excludedFolders)
        if (entry.url)
            paths.append(plainPath(*entry.url));
    platform::UserDefaults::standard().setStringArray(kExcludedKey, paths);
}

void ExcludedPreferencesVC::reloadData()
{
    const QSignalBlocker block(tableView);
    tableView->clearContents();
    tableView->setRowCount(int(excludedFolders.size()));
    for (int row = 0; row < int(excludedFolders.size()); ++row) {
        const InitialDirectory &entry = excludedFolders[size_t(row)];
        auto *item = new QTableWidgetItem(entry.url ? plainPath(*entry.url) : QString());
        item->setToolTip(plainToolTip(item->text()));
        if (entry.file && entry.file->isIcon && !entry.file->icon.isNull())
            item->setIcon(QIcon(QPixmap::fromImage(entry.file->icon)));
        tableView->setItem(row, 0, item);
    }
    tableView->clearSelection();
    deleteIndex = -1;
    btnRemove->setEnabled(false);
}

void ExcludedPreferencesVC::showAlert()
{
    if (presentAlert)
        presentAlert(localizedText(QStringLiteral("IDS_TWK_236")), localizedText(QStringLiteral("IDS_TWK_237")));
}

void ExcludedPreferencesVC::showAlertScanList()
{
    if (presentAlert)
        presentAlert(localizedText(QStringLiteral("IDS_TWK_236")), localizedText(QStringLiteral("IDS_TWK_238")));
}

void ExcludedPreferencesVC::showAlertIsNotAdded()
{
    if (presentAlert)
        presentAlert(localizedText(QStringLiteral("IDS_TWK_236")), localizedText(QStringLiteral("IDS_TWK_8001")));
}

void ExcludedPreferencesVC::showAlertParentScanList()
{
    if (presentAlert)
        presentAlert(localizedText(QStringLiteral("IDS_TWK_236")), localizedText(QStringLiteral("IDS_TWK_238_1")));
}
