#pragma once

#include "model/ImageFile.h"
#include "model/ResultState.h"
#include "platform/NotificationCenter.h"

#include <QWidget>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

// The results grid: owner of the result groups (as scanned and as shown, kept in the shared
// ResultState) and their display, one section per group. It takes the groups of each completed
// scan from the notification "SelectedFiles".
class ThumbnailVC : public QWidget {
    Q_OBJECT
public:
    explicit ThumbnailVC(QWidget *parent = nullptr);

    ResultState &resultState() const { return ResultState::shared(); }
    // The groups now shown (section = group, row = file).
    ImageGroups &imageDirectories() const { return resultState().imageDirectories; }
    // All groups of the last scan, the source of every regrouping.
    ImageGroups &allImages() const { return resultState().allImages; }
    // Number of shown files, written by the totals refresh.
    qint64 allFiles = 0;
    bool isSimilarScan = true;

    // Handler of "SelectedFiles": takes "data" (the groups) and "isSimilarScan"; shows the members
    // that reach the matching level.
    void getInitialDirectoriesWithNotification(const platform::Notification &notification);
    // The extension order and the folder order for the marking rules, rebuilt from the shown groups.
    void rebuildFileFormatList();
    void rebuildFolderList();

    // The groups shown at matching level `level` (percent): each group keeps its first file and the
    // members scoring at least the level; groups left with fewer than two files are dropped.
    static ImageGroups shownGroupsAtMatchingLevel(const ImageGroups &groups, int level);

    // Shows the groups and marks again.
    void reloadData();

    QTreeWidget *collectionView = nullptr;

private:
    void itemChanged(QTreeWidgetItem *item, int column);
    bool m_reloading = false;
};
