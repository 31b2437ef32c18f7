#pragma once

#include <QTableWidget>

#include <vector>

class QMimeData;

// The table of a selection-wizard page: whole rows, alternating dark greys, and reordering by
// dragging rows between other rows. Drags carry the row numbers in the table's own data type and
// are accepted only from this same table. A drop over the upper half of a row goes above it, over
// the lower half below it; a line between the rows shows where the rows would go while dragging.
// The table is one Tab stop; the keys act on its current row (TableKeyboard).
class ReorderTable : public QTableWidget
{
    Q_OBJECT
public:
    explicit ReorderTable(QWidget *parent = nullptr);

    // The data type of a dragged row list ("<row>\n<row>..." in decimal).
    static QString rowMimeType();
    // The drag data for `rows`.
    static QMimeData *mimeDataForRows(const std::vector<int> &rows);

    // The row above which a drop at `pos` (viewport coordinates) would put the rows: 0..rowCount().
    int dropRowAt(const QPoint &pos) const;
    // A drag of `data` from `source` is over `pos` (viewport coordinates): shows the drop line there
    // and answers whether a drop there would be taken (only rows of this same table are).
    bool dragMovedTo(const QMimeData *data, const QObject *source, const QPoint &pos);
    // Where the drop line is drawn during a drag (the row it goes above), or -1 with no drag over
    // the table.
    int dropIndicatorRow() const { return m_dropIndicatorRow; }
    // Handles a drop of `data` from `source` above row `dropRow`: false (refused) unless the data
    // comes from this table, has the table's type and names at least one row.
    bool acceptDrop(const QMimeData *data, const QObject *source, int dropRow);

    // The selected row, or -1.
    int selectedRow() const;
    // Selects `row` alone.
    void selectRowAlone(int row);
    // Gives every row its background by parity (even 39/255, odd 34/255).
    void paintRowBackgrounds();

signals:
    // The rows dragged, in order, to go above `dropRow` (already checked to come from this table).
    // The receiver sets `accepted` to false when it cannot apply the move.
    void rowsDropped(const std::vector<int> &rows, int dropRow, bool *accepted);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setDropIndicatorRow(int row);
    int m_dropIndicatorRow = -1;
};
