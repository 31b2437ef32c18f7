#include "screens/wizard/FileFormatsPreferencesVC.h"

#include "engine/FormatFolderLists.h"
#include "engine/WizardLists.h"
#include "model/ModuleState.h"
#include "model/ResultState.h"
#include "model/TextLookup.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/wizard/ReorderTable.h"
#include "screens/wizard/SelectionPriorityPreferencesVC.h"

#include <QHeaderView>

namespace {

QString t(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

} // namespace

FileFormatsPreferencesVC::FileFormatsPreferencesVC(QWidget *parent)
    : WizardPage(parent)
{
    setObjectName(QStringLiteral("FileFormatsPreferences"));
    setUpPage({t("IDS_TWK_129"), t("IDS_TWK_147")}, t("IDS_TWK_122"));
    btnmark = btnMark;
    tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    tableView->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    tableView->setColumnWidth(0, 80);
}

void FileFormatsPreferencesVC::reloadTable()
{
    tableView->clearContents();
    tableView->setRowCount(int(fileFormatPriorities.size()));
    for (int row = 0; row < tableView->rowCount(); ++row) {
        const FileFormat &format = fileFormatPriorities[std::size_t(row)];
        auto *priority = new QTableWidgetItem(QString::number(format.priority));
        priority->setTextAlignment(Qt::AlignCenter);
        tableView->setItem(row, 0, priority);
        tableView->setItem(row, 1, new QTableWidgetItem(format.fileExtension));
    }
    tableView->paintRowBackgrounds();
}

void FileFormatsPreferencesVC::renumberFileFormats()
{
    renumberEntries(fileFormatPriorities);
    reloadTable();
}

void FileFormatsPreferencesVC::resetFileFormats()
{
    fileFormatPriorities = initialFileFormats;
    reloadTable();
}

void FileFormatsPreferencesVC::rebuild()
{
    initialFileFormats = fileFormatListFor(ResultState::shared().imageDirectories, &ResultState::shared().fileKeys());
    const std::vector<FileFormat> kept = keptFileFormatOrder(fileFormatPriorities, initialFileFormats);
    if (kept != fileFormatPriorities) {
        fileFormatPriorities = kept;
        reloadTable();
    }
}

void FileFormatsPreferencesVC::willAppear()
{
    rebuild();
    reloadTable();
    if (tableView->selectedRow() < 0)
        setUpDownEnabled(false, false);
}

void FileFormatsPreferencesVC::moveSelected(bool up)
{
    const int row = tableView->selectedRow();
    if (row < 0)
        return;
    const int n = int(fileFormatPriorities.size());
    const int target =
        moveEntry(fileFormatPriorities, row, up ? (row > 0 ? row - 1 : 0) : (row < n - 1 ? row + 1 : n - 1));
    if (target < 0)
        return;
    renumberFileFormats();
    if (auto *rules = qobject_cast<SelectionPriorityPreferencesVC *>(selectionPriorityPreferencesVC()))
        rules->rebuildPriorityOrder();
    tableView->selectRowAlone(target);
    emit edited();
}

void FileFormatsPreferencesVC::moveSelectedFormatUp()
{
    moveSelected(true);
}

void FileFormatsPreferencesVC::moveSelectedFormatDown()
{
    moveSelected(false);
}

bool FileFormatsPreferencesVC::dropRows(const std::vector<int> &rows, int dropRow)
{
    return dropEntries(fileFormatPriorities, rows, dropRow);
}
