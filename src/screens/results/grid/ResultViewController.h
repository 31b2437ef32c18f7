#pragma once

#include "model/ResultState.h"
#include "screens/results/grid/ResultCollectionView.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>

class HeaderView;
class QMessageBox;
class QAbstractButton;
class ResultItem;

// What the grid (ThumbnailVC) and the list (ListViewVC) share: the collection view over the shared
// result state, the check-box action with the refusal of the last unmarked file, the group header's
// toggle and lock with the unlock confirmation, and the header filling. Each form works on its own
// collection view; the data is the one ResultState.
class ResultViewController : public QWidget, public ResultCollectionView::Delegate
{
    Q_OBJECT
public:
    explicit ResultViewController(QWidget *parent = nullptr);
    ~ResultViewController() override;

    ResultState &resultState() const { return ResultState::shared(); }

    ResultCollectionView *collectionView = nullptr;
    QPointer<QMessageBox> alert; // the unlock confirmation last shown

    // ---- marking by hand
    // A click on the check box of (group, row): ticks or unticks it; the last unmarked file of a
    // group is refused with an alert.
    void tappedCheckBox(int group, int row);
    void autoMarkGroup(int group);
    void unselectGroup(int group);
    void selectUnselectGroup(int group);
    // The header's toggle shows the image of the full-group rule.
    void refreshGroupToggle(int group);

    // ---- group locking
    void lockGroup(int group);
    void confirmGroupUnlock(int group);
    void yesClicked(int group);
    void noClicked(int group);
    // True while the group's lock button waits to be enabled again after a click.
    bool isLockButtonResting(int group) const { return restingLocks_.contains(group); }

    // ---- views
    virtual void reloadData();
    void reloadSection(int group);
    void viewNeedsLayout();

    // The item object of a cell or row (for its menu, preview and commands).
    virtual std::unique_ptr<ResultItem> makeItem(int section, int row) = 0;

    // Whether the gate of this form is open for the pointer (see the interaction flags).
    static bool isPopUp();

    // Delay before a clicked lock button is enabled again, in milliseconds.
    virtual int lockRestMilliseconds() const = 0;

protected:
    // The record of the positions marked by hand (kept by the grid).
    virtual void recordHandMark(int group, int row, bool add) = 0;

    // Fills the parts that the grid's and the list's headers share.
    void fillGroupHeader(HeaderView *header, int group);
    // The header controls for a new header widget.
    void connectHeader(HeaderView *header);

    // Delegate
    std::vector<int> itemCounts() const override;
    void fillHeader(QWidget *header, int section) override;

    // The check box of a cell or row drawn in `cell` (viewport coordinates).
    virtual QRect cellCheckBoxRect(const QRect &cell) const = 0;
    // Pointing hand over an unprotected file's check box, arrow elsewhere; while a dialog is up it
    // stays as it is.
    void updateCheckBoxCursor(const QPoint &point);

    void afterLockChange(int group);
    void showItemMenu(int section, int row, const QPoint &globalPos);
    void quickLookItem(int section, int row);

private:
    QSet<int> restingLocks_;
};
