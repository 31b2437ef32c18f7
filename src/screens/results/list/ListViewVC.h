#pragma once

#include "screens/results/grid/ResultViewController.h"

#include <QHash>
#include <QRect>
#include <QString>

#include <optional>

class QLabel;
class QScrollArea;
class QScrollBar;
class ThumbnailLoader;

// The results as a list: one section per shown group with its header bar, one full-width row per
// file with its check box (or lock), icon, name, path, size, dates, type and pixel size. The list
// holds no groups of its own: every count and every row is read from the shared result state,
// which the grid owns. Rows are painted, never made as widgets, so a result of any size opens at
// once. Selecting a row (click or arrow keys) shows its file in the details panel and the preview,
// a video playing in place. Columns keep a readable width: a list narrower than its document
// width scrolls sideways, with its vertical scroll bar kept in sight.
class ListViewVC : public ResultViewController
{
    Q_OBJECT
public:
    explicit ListViewVC(QWidget *parent = nullptr);
    ~ListViewVC() override;

    // Column captions.
    QLabel *lblGroupCap = nullptr;
    QLabel *lblFileNameCap = nullptr;
    QLabel *lblPathCap = nullptr;
    QLabel *lblSizeCap = nullptr;
    QLabel *lblCreatedCap = nullptr;
    QLabel *lblModifiedCap = nullptr;
    QLabel *lblFileTypeCap = nullptr;
    QLabel *lblImageWidthCap = nullptr;
    QLabel *lblImageHeightCap = nullptr;

    bool isFirstLoading = false;
    int sectionValue = -1;
    int rowValue = -1;
    qint64 allFiles = 0; // number of shown files, written by the totals refresh

    // Caption texts from the language table.
    void viewDidLoad();
    // Rows as wide as the list less 20 points each side, 36 high, 10 apart; headers 36 high.
    void configureListLayout();

    // The width below which the rows do not shrink (the list then scrolls sideways).
    void setDocumentWidth(int width);
    int documentWidth() const { return documentWidth_; }
    QScrollArea *documentArea() const { return documentArea_; }
    // The vertical scroll bar shown beside the rows (it follows the collection view's own).
    QScrollBar *rowScrollBar() const { return vbar_; }

    // Lays the rows out again from the shared state; row texts are read afresh and the selection
    // is dropped.
    void reloadData() override;
    std::unique_ptr<ResultItem> makeItem(int section, int row) override;
    // The row object of (section, row): its menu and commands; nullptr where no file is shown.
    std::unique_ptr<ResultItem> makeListRow(int section, int row);
    int lockRestMilliseconds() const override { return 700; }

    // Selection of a row: highlight border, details panel, preview (not while a dialog is up).
    void showSelectedListFile(int section, int row);
    // Deselection: the row's border goes back to grey (not while a dialog is up).
    void clearListSelectionBorder(int section, int row);
    // The row drawn with the highlight border.
    std::optional<ResultCollectionView::IndexPath> borderedRow() const { return bordered_; }

    // What a row shows of its file; a value that cannot be read stays empty.
    struct RowTexts {
        QString name, path, size, created, modified, type, width, height;
    };
    static RowTexts rowTexts(const ImageFile &file);

    enum Column {
        CheckBoxColumn,
        IconColumn,
        NameColumn,
        PathColumn,
        SizeColumn,
        CreatedColumn,
        ModifiedColumn,
        TypeColumn,
        WidthColumn,
        HeightColumn,
        ColumnCount
    };
    // Where a column lies in a row of the given rectangle.
    static QRect columnRect(Column column, const QRect &row);

    ThumbnailLoader *iconLoader() const { return loader_; }

protected:
    // Hand marks are recorded in the grid's list of ticked positions, for both forms.
    void recordHandMark(int group, int row, bool add) override;

    // Delegate
    void paintItem(QPainter &painter, const QRect &rect, int section, int item, bool hovered, bool selected) override;
    QRect checkBoxRect(const QRect &itemRect, int section, int item) const override;
    QWidget *makeHeader(QWidget *parent) override;
    void visibleItemsChanged(const std::vector<ResultCollectionView::IndexPath> &items) override;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const RowTexts &textsFor(const ImageFile &file);
    void placeCaptions();
    QRect cellCheckBoxRect(const QRect &cell) const override;
    void syncScrollBar();

    ThumbnailLoader *loader_ = nullptr;
    QHash<const ImageFile *, RowTexts> texts_;
    std::optional<ResultCollectionView::IndexPath> bordered_;
    QScrollArea *documentArea_ = nullptr;
    QWidget *document_ = nullptr;
    QWidget *captionBar_ = nullptr;
    QScrollBar *vbar_ = nullptr;
    int documentWidth_ = 0;
};
