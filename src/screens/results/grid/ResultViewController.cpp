#include "screens/results/grid/ResultViewController.h"

#include "model/ResultCommands.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/Alerts.h"
#include "screens/results/HeaderView.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/grid/ResultItem.h"
#include "services/ProtectionCommands.h"
#include "model/SettingsKeys.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

ResultViewController::ResultViewController(QWidget *parent)
    : QWidget(parent)
{
}

ResultViewController::~ResultViewController() = default;

bool ResultViewController::isPopUp()
{
    return platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp);
}

std::vector<int> ResultViewController::itemCounts() const
{
    std::vector<int> counts;
    counts.reserve(resultState().imageDirectories.size());
    for (const ImageGroup &group : resultState().imageDirectories)
        counts.push_back(int(group.size()));
    return counts;
}

void ResultViewController::reloadData()
{
    if (collectionView)
        collectionView->reloadData();
}

void ResultViewController::reloadSection(int group)
{
    if (collectionView)
        collectionView->reloadSection(group);
}

void ResultViewController::viewNeedsLayout()
{
    if (collectionView)
        collectionView->update();
}

void ResultViewController::tappedCheckBox(int group, int row)
{
    if (isPopUp())
        return;
    ResultState &state = resultState();
    const ImageFilePtr file = state.shownFile(group, row);
    if (!file || file->isProtected)
        return;
    if (state.isMarked(group, row)) {
        ResultCommands::untickFile(state, group, row);
        recordHandMark(group, row, true);
    } else {
        const auto result = ResultCommands::tickFile(state, group, row);
        recordHandMark(group, row, true);
        if (result == ResultCommands::TickResult::Refused) {
            collectionView->viewport()->update();
            showAlert(localizedText(QStringLiteral("IDS_TWK_229")), QString());
        }
    }
    refreshSelectionState();
    refreshGroupToggle(group);
    collectionView->viewport()->update(collectionView->visualItemRect(group, row));
}

void ResultViewController::refreshGroupToggle(int group)
{
    auto *header = qobject_cast<HeaderView *>(collectionView ? collectionView->headerForSection(group) : nullptr);
    if (!header)
        return;
    const bool full = ResultCommands::isGroupFull(resultState(), group);
    HeaderView::setButtonImage(header->btnSelectUnselectGroup,
                               full ? QStringLiteral("unselectall") : QStringLiteral("selectall"));
    header->btnSelectUnselectGroup->setToolTip(
        localizedText(full ? QStringLiteral("IDS_TWK_242") : QStringLiteral("IDS_TWK_241")));
}

void ResultViewController::autoMarkGroup(int group)
{
    if (isPopUp())
        return;
    if (resultState().shownGroupCount() > 0)
        ResultCommands::markGroup(resultState(), group);
    refreshSelectionState();
    reloadData();
}

void ResultViewController::unselectGroup(int group)
{
    if (isPopUp())
        return;
    ResultCommands::clearGroup(resultState(), group);
    refreshSelectionState();
    reloadData();
}

void ResultViewController::selectUnselectGroup(int group)
{
    if (isPopUp())
        return;
    auto *header = qobject_cast<HeaderView *>(collectionView->headerForSection(group));
    // The image the toggle shows decides: "selectall" marks by the rules, "unselectall" clears.
    const bool selectState = header
        ? HeaderView::buttonImage(header->btnSelectUnselectGroup) == QLatin1String("selectall")
        : !ResultCommands::isGroupFull(resultState(), group);
    if (selectState) {
        if (resultState().shownGroupCount() > 0)
            ResultCommands::markGroup(resultState(), group);
    } else {
        ResultCommands::clearGroup(resultState(), group);
    }
    refreshSelectionState();
    reloadSection(group);
}

void ResultViewController::lockGroup(int group)
{
    if (isPopUp() || restingLocks_.contains(group))
        return;
    switch (ResultCommands::clickGroupLock(resultState(), group)) {
    case ResultCommands::LockResult::Ignored:
        return;
    case ResultCommands::LockResult::NeedsConfirmation:
        confirmGroupUnlock(group);
        return;
    case ResultCommands::LockResult::Locked:
    case ResultCommands::LockResult::Unlocked:
        break;
    }
    refreshSelectionState();
    // The lock button rests a moment so that a double click does not undo the change.
    restingLocks_.insert(group);
    QPointer<ResultViewController> self(this);
    QTimer::singleShot(lockRestMilliseconds(), this, [self, group] {
        if (!self)
            return;
        self->restingLocks_.remove(group);
        self->reloadSection(group);
    });
    reloadSection(group);
    viewNeedsLayout();
}

void ResultViewController::confirmGroupUnlock(int group)
{
    QPointer<ResultViewController> self(this);
    const ImageFilePtr asked = ResultState::shared().shownFile(group, 0);
    const bool answeredYes =
        askYesOrNo(this, QStringLiteral("confirmGroupUnlock"), localizedText(QStringLiteral("IDS_TWK_301")),
                   localizedText(QStringLiteral("IDS_TWK_302")), &alert);
    // The question runs an event loop: the screen may be gone, or the group no longer the one asked about.
    if (!self || ResultState::shared().shownFile(group, 0) != asked)
        return;
    if (answeredYes)
        yesClicked(group);
    else
        noClicked(group);
}

void ResultViewController::yesClicked(int group)
{
    ResultCommands::unlockGroupAll(resultState(), group);
    afterLockChange(group);
}

void ResultViewController::noClicked(int group)
{
    ResultCommands::unlockGroupOutsideProtectedFolders(resultState(), group);
    afterLockChange(group);
}

void ResultViewController::afterLockChange(int group)
{
    refreshSelectionState();
    reloadSection(group);
    viewNeedsLayout();
}

void ResultViewController::connectHeader(HeaderView *header)
{
    connect(header->btnSelectUnselectGroup, &QToolButton::clicked, this,
            [this, header] { selectUnselectGroup(header->tag()); });
    connect(header->btnLockGroup, &QToolButton::clicked, this, [this, header] { lockGroup(header->tag()); });
}

void ResultViewController::fillHeader(QWidget *widget, int section)
{
    if (auto *header = qobject_cast<HeaderView *>(widget))
        fillGroupHeader(header, section);
}

void ResultViewController::fillGroupHeader(HeaderView *header, int group)
{
    const ResultState &state = resultState();
    const ImageFilePtr first = state.shownFile(group, 0);
    header->setTag(group);
    header->setEnabled(first != nullptr);
    if (!first) {
        header->sectionTitle->clear();
        header->imageCount->clear();
        return;
    }
    const int n = int(state.imageDirectories[size_t(group)].size());
    header->sectionTitle->setText(localizedText(QStringLiteral("IDS_TWK_76")) + QLatin1Char(' ')
                                  + QString::number(group + 1));
    header->imageCount->setText(QStringLiteral("(") + QString::number(n) + QLatin1Char(' ')
                                + localizedText(QStringLiteral("IDS_TWK_77")) + QStringLiteral(")"));
    const bool full = ResultCommands::isGroupFull(state, group);
    HeaderView::setButtonImage(header->btnSelectUnselectGroup,
                               full ? QStringLiteral("unselectall") : QStringLiteral("selectall"));
    header->btnSelectUnselectGroup->setToolTip(
        localizedText(full ? QStringLiteral("IDS_TWK_242") : QStringLiteral("IDS_TWK_241")));
    const bool locked = state.isGroupLockedByHand(group);
    HeaderView::setButtonImage(header->btnLockGroup,
                               locked ? QStringLiteral("unlock.png") : QStringLiteral("lock.png"));
    header->btnLockGroup->setToolTip(
        localizedText(locked ? QStringLiteral("IDS_TWK_244") : QStringLiteral("IDS_TWK_243")));
    header->btnSelectUnselectGroup->setEnabled(!locked);
    header->btnLockGroup->setEnabled(!restingLocks_.contains(group));
}

void ResultViewController::showItemMenu(int section, int row, const QPoint &globalPos)
{
    std::unique_ptr<ResultItem> item = makeItem(section, row);
    if (item)
        item->rightMouseDown(globalPos);
}

void ResultViewController::quickLookItem(int section, int row)
{
    std::unique_ptr<ResultItem> item = makeItem(section, row);
    if (item)
        item->mouseDoubleClicked();
}

void ResultViewController::updateCheckBoxCursor(const QPoint &point)
{
    if (isPopUp())
        return;
    bool overBox = false;
    if (const auto item = collectionView->itemAtViewportPoint(point)) {
        const ImageFilePtr file = resultState().shownFile(item->first, item->second);
        overBox = file && !file->isProtected
            && cellCheckBoxRect(collectionView->visualItemRect(item->first, item->second)).contains(point);
    }
    if (overBox)
        collectionView->viewport()->setCursor(Qt::PointingHandCursor);
    else
        collectionView->viewport()->unsetCursor();
}
