#include "screens/wizard/FoldersPreferencesVC.h"

#include "engine/FormatFolderLists.h"
#include "engine/WizardLists.h"
#include "model/ModuleState.h"
#include "model/ResultState.h"
#include "model/TextLookup.h"
#include "platform/widgets/PlainText.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/wizard/ReorderTable.h"
#include "screens/wizard/SelectionPriorityPreferencesVC.h"

#include <QHeaderView>
#include <QUrl>

namespace {

QString t(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

} // namespace

FoldersPreferencesVC::FoldersPreferencesVC(QWidget *parent)
    : WizardPage(parent)
{
    setObjectName(QStringLiteral("FoldersPreferences"));
    setUpPage({t("IDS_TWK_129"), t("IDS_TWK_81")}, t("IDS_TWK_122") + QLatin1Char(' ') + t("IDS_TWK_196"));
    tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    tableView->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    tableView->setColumnWidth(0, 80);
    tableView->setTextElideMode(Qt::ElideMiddle);
}

QString FoldersPreferencesVC::displayPath(const std::optional<QString> &path)
{
    if (!path)
        return {};
    const QUrl url(*path);
    return url.isLocalFile() ? url.toLocalFile() : *path;
}

void FoldersPreferencesVC::reloadTable()
{
    tableView->clearContents();
    tableView->setRowCount(int(folderPriorities.size()));
    for (int row = 0; row < tableView->rowCount(); ++row) {
        const FolderPreferences &folder = folderPriorities[std::size_t(row)];
        auto *priority = new QTableWidgetItem(QString::number(folder.priority));
        priority->setTextAlignment(Qt::AlignCenter);
        tableView->setItem(row, 0, priority);
        auto *path = new QTableWidgetItem(displayPath(folder.path));
        path->setToolTip(plainToolTip(path->text()));
        tableView->setItem(row, 1, path);
    }
    tableView->paintRowBackgrounds();
}

void FoldersPreferencesVC::renumberFolders()
{
    renumberEntries(folderPriorities);
    reloadTable();
}

void FoldersPreferencesVC::resetFolderOrder()
{
    folderPriorities = initialFolders;
    reloadTable();
}

void FoldersPreferencesVC::rebuild()
{
    initialFolders = folderListFor(ResultState::shared().imageDirectories, &ResultState::shared().fileKeys());
    const std::vector<FolderPreferences> kept = keptFolderOrder(folderPriorities, initialFolders);
    if (kept != folderPriorities) {
        folderPriorities = kept;
        reloadTable();
    }
}

void FoldersPreferencesVC::willAppear()
{
    rebuild();
    reloadTable();
    if (tableView->selectedRow() < 0)
        setUpDownEnabled(false, false);
}

void FoldersPreferencesVC::moveSelected(bool up)
{
    const int row = tableView->selectedRow();
    if (row < 0)
        return;
    const int n = int(folderPriorities.size());
    const int target = moveEntry(folderPriorities, row, up ? (row > 0 ? row - 1 : 0) : (row < n - 1 ? row + 1 : n - 1));
    if (target < 0)
        return;
    renumberFolders();
    if (auto *rules = qobject_cast<SelectionPriorityPreferencesVC *>(selectionPriorityPreferencesVC()))
        rules->rebuildPriorityOrder();
    tableView->selectRowAlone(target);
    emit edited();
}

void FoldersPreferencesVC::moveSelectedFolderUp()
{
    moveSelected(true);
}

void FoldersPreferencesVC::moveSelectedFolderDown()
{
    moveSelected(false);
}

bool FoldersPreferencesVC::dropRows(const std::vector<int> &rows, int dropRow)
{
    return dropEntries(folderPriorities, rows, dropRow);
}
