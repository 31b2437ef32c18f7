#pragma once

#include "model/ImageFile.h"
#include "platform/NotificationCenter.h"
#include "screens/results/grid/ResultViewController.h"

#include <QCache>
#include <QHash>
#include <QUrl>

#include <utility>
#include <vector>

class ThumbnailLoader;

// The results grid and the owner of the result groups (kept in the shared ResultState): it takes
// the groups of each completed scan from "SelectedFiles", shows the members that reach the matching
// level as one section of thumbnails per group, and shows the hovered file in the preview and the
// details panel. Cells are painted; thumbnails come from a background loader.
class ThumbnailVC : public ResultViewController
{
    Q_OBJECT
public:
    explicit ThumbnailVC(QWidget *parent = nullptr);
    ~ThumbnailVC() override;

    // The groups now shown (section = group, row = file) and all groups of the last scan.
    ImageGroups &imageDirectories() const { return resultState().imageDirectories; }
    ImageGroups &allImages() const { return resultState().allImages; }

    qint64 allFiles = 0; // number of shown files, written by the totals refresh
    bool isSimilarScan = true;
    bool isFirstLoading = false;
    int sectionValue = -1;
    int rowValue = -1;
    bool isZoom = false;
    // Positions ticked by hand (section, item).
    std::vector<std::pair<int, int>> selectedIndexPaths;

    // Handler of "SelectedFiles": takes "data" (the groups), "isSimilarScan" and, when the scan
    // worked them out, "fileKeys" (the keys of the groups' files, taken over by the result).
    void getInitialDirectoriesWithNotification(const platform::Notification &notification);
    void getInitialDirectories(const ImageGroups &groups, bool similarScan, ResultFileKeys *fileKeys = nullptr);
    void rebuildFileFormatList();
    void rebuildFolderList();

    // The groups shown at a matching level (percent).
    static ImageGroups shownGroupsAtMatchingLevel(const ImageGroups &groups, int level);

    // Item sizes: computed from the width at first layout, then 210 x 250 or 315 x 375 by zoom.
    void configureThumbnailLayout();
    void zoomCollectionItem();
    QSize itemSize() const { return itemSize_; }

    std::unique_ptr<ResultItem> makeItem(int section, int row) override;
    int lockRestMilliseconds() const override { return 1500; }
    // Where a cell at `cell` (viewport coordinates) has its check box.
    QRect checkBoxArea(const QRect &cell) const { return checkBoxRect(cell, 0, 0); }
    // Where a cell at `cell` shows the badge of a photo with an orientation.
    static QRect orientationBadgeArea(const QRect &cell);
    // The tool tip at a viewport point: the orientation badge's, or none.
    QString toolTipAt(const QPoint &point) const;
    // Pointing hand over the check box of an unprotected file, arrow elsewhere.
    QRect cellCheckBoxRect(const QRect &cell) const override;

    // The hover handlers (the cell surface posts the notifications with its section and row).
    void showFileOnHover(int section, int row);
    ThumbnailLoader *thumbnailLoader() const { return loader_; }
    // The file whose preview is awaited or shown.
    ImageFilePtr hoveredFile() const { return hoveredFile_; }

protected:
    void recordHandMark(int group, int row, bool add) override;

    // Delegate
    void paintItem(QPainter &painter, const QRect &rect, int section, int item, bool hovered, bool selected) override;
    QRect checkBoxRect(const QRect &itemRect, int section, int item) const override;
    QWidget *makeHeader(QWidget *parent) override;
    void fillHeader(QWidget *header, int section) override;
    void visibleItemsChanged(const std::vector<ResultCollectionView::IndexPath> &items) override;

    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct CellTexts {
        QString name, date, size;
    };
    const CellTexts &textsFor(const ImageFile &file);
    void applyItemSize(QSize size);
    bool parseHover(const platform::Notification &notification, int &section, int &row) const;

    ThumbnailLoader *loader_ = nullptr;
    QCache<const ImageFile *, CellTexts> texts_; // the texts of the files shown lately
    QSize itemSize_;
    bool layoutConfigured_ = false;
    ImageFilePtr hoveredFile_;
};
