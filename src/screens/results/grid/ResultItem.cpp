#include "screens/results/grid/ResultItem.h"
#include "screens/shell/ScreenNames.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/Alerts.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/Workspace.h"
#include "screens/results/QuickLook.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ResultViewController.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "services/ProtectionCommands.h"
#include "model/NotificationNames.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>

namespace {

QString text(const char *key)
{
    return localizedText(QLatin1String(key));
}

ResultViewController *cachedForm(QLatin1String identifier)
{
    return AllViewControllers::cached<ResultViewController>(identifier);
}

// The grid first, then the list, then `owner` when it is neither.
void reloadBothForms(ResultViewController *owner)
{
    ResultViewController *grid = cachedForm(ScreenName::thumbnail);
    ResultViewController *list = cachedForm(ScreenName::listView);
    if (grid)
        grid->reloadData();
    if (list)
        list->reloadData();
    if (owner && owner != grid && owner != list)
        owner->reloadData();
}

} // namespace

ResultItem::ResultItem(ResultViewController *owner, int section_, int row_)
    : section(section_)
    , row(row_)
    , owner_(owner)
{
}

ImageFilePtr ResultItem::file() const
{
    return ResultState::shared().shownFile(section, row);
}

bool ResultItem::isMarked() const
{
    return ResultState::shared().isMarked(section, row);
}

void ResultItem::updateOpenFileUrl()
{
    const ImageFilePtr f = file();
    openFileUrl = f ? f->url : std::nullopt;
}

void ResultItem::mouseDoubleClicked()
{
    if (!gateOpen())
        return;
    updateOpenFileUrl();
    quickLook();
}

void ResultItem::quickLook()
{
    if (openFileUrl)
        QuickLook::shared().previewItem(*openFileUrl);
}

QMenu *ResultItem::buildMenu(QWidget *parent)
{
    updateOpenFileUrl();
    const ImageFilePtr f = file();
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("mainMenu"));
    if (!f)
        return menu;
    // The file name goes into titles with its "&"s doubled: drawn as it stands, never a mnemonic.
    const QString fileName = openFileUrl ? openFileUrl->fileName() : QString();
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = menuTitleText(dot < 0 ? QString() : fileName.mid(dot + 1));
    const QString name = menuTitleText(fileName);
    const QString groupTitle = text("IDS_TWK_262").replace(QStringLiteral("%ld"), QString::number(qint64(section) + 1));
    auto add = [this, menu](const QString &title, auto action) {
        QAction *a = menu->addAction(title);
        connect(a, &QAction::triggered, this, action);
        return a;
    };
    auto addTo = [this](QMenu *sub, const QString &title, auto action) {
        connect(sub->addAction(title), &QAction::triggered, this, action);
    };
    auto protectionMenu = [&] {
        QMenu *sub = menu->addMenu(text("IDS_TWK_256"));
        addTo(sub, text("IDS_TWK_257"), &ResultItem::protectThisFolder);
        addTo(sub, text("IDS_TWK_258"), &ResultItem::protectParentFolder);
    };
    auto tail = [&] {
        add(groupTitle, &ResultItem::filterThisGoup);
        menu->addSeparator();
        add(text("IDS_TWK_263"), &ResultItem::deleteFileFromArray);
        menu->addSeparator();
        add(text("IDS_TWK_264"), &ResultItem::openImagePreview);
        add(text("IDS_TWK_265"), &ResultItem::openImageContainerFolder);
    };
    if (f->isProtected) {
        QAction *release = add(text("IDS_TWK_260"), [this] { protectThisImage(2); });
        release->setData(2);
        menu->addSeparator();
        tail();
        return menu;
    }
    if (isMarked()) {
        QMenu *unselect = menu->addMenu(text("IDS_TWK_240"));
        addTo(unselect, text("IDS_TWK_253") + QStringLiteral(" *.") + extension,
              &ResultItem::unSelectAllFilesCurrentType);
        addTo(unselect, text("IDS_TWK_254"), &ResultItem::unSelectAllFilesFoundInThisFolder);
        addTo(unselect, text("IDS_TWK_255"), &ResultItem::unSelectAllFilesFoundInThisFolderTree);
        add(text("IDS_TWK_250") + QStringLiteral(" '") + name + QLatin1Char('\''), &ResultItem::imageUnselect);
        add(text("IDS_TWK_251"), &ResultItem::unselectAll);
        menu->addSeparator();
    } else {
        QMenu *automatic = menu->addMenu(text("IDS_TWK_245"));
        addTo(automatic, text("IDS_TWK_266"), &ResultItem::autoSelectAllFiles);
        addTo(automatic, text("IDS_TWK_267"), &ResultItem::autoSelectAllOptions);
        menu->addSeparator();
        QMenu *select = menu->addMenu(text("IDS_TWK_239"));
        addTo(select, text("IDS_TWK_247") + QStringLiteral(" *.") + extension, &ResultItem::selectAllFilesCurrentType);
        addTo(select, text("IDS_TWK_248"), &ResultItem::selectAllFilesFoundInThisFolder);
        addTo(select, text("IDS_TWK_249"), &ResultItem::selectAllFilesFoundInThisFolderTree);
        add(text("IDS_TWK_246") + QStringLiteral(" '") + name + QLatin1Char('\''), &ResultItem::imageSelect);
        menu->addSeparator();
        menu->addSeparator();
    }
    protectionMenu();
    QAction *protect = add(text("IDS_TWK_259"), [this] { protectThisImage(1); });
    protect->setData(1);
    menu->addSeparator();
    add(text("IDS_TWK_261"), &ResultItem::invertMarkedFiles);
    tail();
    return menu;
}

void ResultItem::rightMouseDown(const QPoint &globalPos)
{
    if (!gateOpen())
        return;
    // The menu's own loop may outlive its owner, which takes the menu with it.
    QPointer<QMenu> menu = buildMenu(owner_);
    mainMenu = menu;
    menu->exec(globalPos);
    if (menu)
        menu->deleteLater();
}

void ResultItem::reloadOwn()
{
    if (owner_)
        owner_->reloadData();
}

void ResultItem::reloadBoth()
{
    reloadBothForms(owner_);
}

void ResultItem::imageSelect()
{
    const ImageFilePtr f = file();
    if (!f || f->isProtected || isMarked() || !owner_)
        return;
    owner_->tappedCheckBox(section, row);
}

void ResultItem::imageUnselect()
{
    ResultCommands::untickFile(ResultState::shared(), section, row);
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail)) {
        auto &paths = grid->selectedIndexPaths;
        const auto it = std::find(paths.begin(), paths.end(), std::make_pair(section, row));
        if (it != paths.end())
            paths.erase(it);
    }
    refreshSelectionState();
    if (owner_)
        owner_->reloadSection(section);
}

namespace {

// Hands a marking of every group to the results screen's worker when the result is large (the
// screen is locked meanwhile, and `command` runs with the marks made); false: run it in place.
bool markOnWorker(std::function<void()> command)
{
    ScanResultVC *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    return results && results->markOnWorker(std::move(command));
}

} // namespace

void ResultItem::autoSelectAllFiles()
{
    ResultState &state = ResultState::shared();
    if (state.shownGroupCount() == 0)
        return;
    // The item may be gone when a worker's marks come in; its form is not.
    QPointer<ResultViewController> owner(owner_);
    if (markOnWorker([owner] {
            const bool marked = ResultCommands::autoSelectAllFiles(ResultState::shared());
            refreshSelectionState();
            if (marked)
                reloadBothForms(owner);
        }))
        return;
    const bool marked = ResultCommands::autoSelectAllFiles(state);
    refreshSelectionState();
    if (marked)
        reloadBoth();
}

void ResultItem::setRadioPair(bool autoSelect)
{
    ScanResultVC *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    if (!results)
        return;
    results->setRadioState(autoSelect);
}

void ResultItem::autoSelectAllOptions()
{
    platform::NotificationCenter::defaultCenter().post(
        NotificationName::autoMarkSelection,
        {{QStringLiteral("isContinue"), false}, {QStringLiteral("isAutoSelection"), true}});
    setRadioPair(true);
}

void ResultItem::selectMatching(ResultCommands::MatchKey key)
{
    updateOpenFileUrl();
    if (!openFileUrl)
        return;
    QPointer<ResultViewController> owner(owner_);
    const QUrl clicked = *openFileUrl;
    if (markOnWorker([owner, key, clicked] {
            ResultCommands::selectAllMatching(ResultState::shared(), key, clicked);
            refreshSelectionState();
            if (owner)
                owner->reloadData();
        }))
        return;
    ResultCommands::selectAllMatching(ResultState::shared(), key, *openFileUrl);
    refreshSelectionState();
    reloadOwn();
}

void ResultItem::unselectMatching(ResultCommands::MatchKey key)
{
    updateOpenFileUrl();
    if (!openFileUrl)
        return;
    ResultCommands::unselectAllMatching(ResultState::shared(), key, *openFileUrl);
    refreshSelectionState();
    reloadOwn();
}

void ResultItem::selectAllFilesCurrentType()
{
    selectMatching(ResultCommands::MatchKey::Type);
}
void ResultItem::selectAllFilesFoundInThisFolder()
{
    selectMatching(ResultCommands::MatchKey::Folder);
}
void ResultItem::selectAllFilesFoundInThisFolderTree()
{
    selectMatching(ResultCommands::MatchKey::Tree);
}
void ResultItem::unSelectAllFilesCurrentType()
{
    unselectMatching(ResultCommands::MatchKey::Type);
}
void ResultItem::unSelectAllFilesFoundInThisFolder()
{
    unselectMatching(ResultCommands::MatchKey::Folder);
}
void ResultItem::unSelectAllFilesFoundInThisFolderTree()
{
    unselectMatching(ResultCommands::MatchKey::Tree);
}

void ResultItem::unselectAll()
{
    ResultCommands::unselectAll(ResultState::shared());
    refreshSelectionState();
    reloadOwn();
    setRadioPair(false);
}

void ResultItem::invertMarkedFiles()
{
    ResultCommands::invertMarkedFiles(ResultState::shared());
    reloadOwn();
    refreshSelectionState();
}

void ResultItem::protectFolder(const QUrl &folder)
{
    if (folder.isEmpty())
        return;
    ResultCommands::protectFolder(ResultState::shared(), folder);
    refreshSelectionState();
    reloadOwn();
    platform::NotificationCenter::defaultCenter().post(NotificationName::reloadTableView);
}

void ResultItem::protectThisFolder()
{
    updateOpenFileUrl();
    if (openFileUrl)
        protectFolder(ResultCommands::folderOfFile(*openFileUrl));
}

void ResultItem::protectParentFolder()
{
    updateOpenFileUrl();
    if (openFileUrl)
        protectFolder(ResultCommands::parentFolderOfFile(*openFileUrl));
}

void ResultItem::protectThisImage(int tag)
{
    ResultState &state = ResultState::shared();
    const auto result = ResultCommands::setFileProtection(state, section, row, tag == 1);
    if (result == ResultCommands::ProtectResult::Ignored)
        return;
    if (result == ResultCommands::ProtectResult::NeedsConfirmation) {
        // The question runs an event loop of its own: this item, its owner and the file at its
        // place may all be gone or changed when it returns.
        const ImageFilePtr asked = state.shownFile(section, row);
        QPointer<ResultItem> self(this);
        const bool release = confirmImageUnprotect();
        if (!self || state.shownFile(section, row) != asked)
            return;
        if (release)
            ResultCommands::unprotectConfirmed(state, section, row);
    }
    ResultCommands::reapplyRecordedProtection(state);
    refreshSelectionState();
    reloadOwn();
}

bool ResultItem::confirmImageUnprotect()
{
    return askYesOrNo(owner_, QStringLiteral("confirmImageUnprotect"), text("IDS_TWK_303"), text("IDS_TWK_304"),
                      &alert);
}

void ResultItem::filterThisGoup()
{
    ResultState &state = ResultState::shared();
    if (!state.shownFile(section, 0))
        return;
    ResultCommands::narrowToGroup(state, section);
    if (ScanResultVC *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult)) {
        if (results->lblValueMatchingLevel)
            results->lblValueMatchingLevel->setText(text("IDS_TWK_19"));
        if (results->sliderMatchingLevel) {
            const QSignalBlocker blocker(results->sliderMatchingLevel);
            results->sliderMatchingLevel->setValue(1);
        }
    }
    refreshSelectionState();
    refreshResultTotals();
    reloadBoth();
}

void ResultItem::deleteFileFromArray()
{
    ResultState &state = ResultState::shared();
    switch (ResultCommands::removeFromResults(state, section, row)) {
    case ResultCommands::RemoveOutcome::Ignored:
        return;
    case ResultCommands::RemoveOutcome::NoResultsLeft:
        refreshSelectionState();
        refreshResultTotals();
        platform::NotificationCenter::defaultCenter().post(NotificationName::noSimilarPhotosFound);
        return;
    case ResultCommands::RemoveOutcome::Regroup:
        refreshSelectionState();
        refreshResultTotals();
        if (ScanResultVC *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult))
            results->sliderValuesUpdate();
        showCurrentAfterRemoval();
        return;
    case ResultCommands::RemoveOutcome::Reload:
        refreshSelectionState();
        refreshResultTotals();
        // Both forms show the same groups: neither may keep the old positions.
        reloadBoth();
        showCurrentAfterRemoval();
        return;
    }
}

void ResultItem::showCurrentAfterRemoval()
{
    // The current card or row is now the one in the removed one's place (or the one before it): the
    // details and the preview show it rather than the file that left.
    for (ResultViewController *form :
         std::initializer_list<ResultViewController *>{AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail),
                                                       AllViewControllers::cached<ListViewVC>(ScreenName::listView)})
        if (form && form->isVisible())
            form->collectionView->reshowCurrentItem();
}

void ResultItem::openImagePreview()
{
    updateOpenFileUrl();
    if (openFileUrl)
        platform::Workspace::sharedWorkspace().openURLOrTell(*openFileUrl);
}

void ResultItem::openImageContainerFolder()
{
    updateOpenFileUrl();
    if (openFileUrl)
        platform::Workspace::sharedWorkspace().revealInFileManagerOrTell(openFileUrl->toLocalFile());
}
