#include "screens/wizard/ReorderTable.h"

#include "controls/CustomRowView.h"
#include "controls/FocusRing.h"
#include "model/Palette.h"
#include "controls/TableKeyboard.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>

#include <algorithm>

#include <set>

ReorderTable::ReorderTable(QWidget *parent)
    : QTableWidget(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);
    setShowGrid(false);
    setWordWrap(false);
    setItemDelegate(new CustomRowView(this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(30);
    horizontalHeader()->setHighlightSections(false);
    TableKeyboard::install(this);
    setStyleSheet(
        FocusRing::tableRules(QStringLiteral("QTableWidget"), QStringLiteral(TWINSIFT_FRAME_CSS))
        + QStringLiteral(
            "QTableWidget { background: " TWINSIFT_WINDOW_BACKGROUND_CSS "; color: " TWINSIFT_CONTROL_TEXT_CSS ";"
            " selection-background-color: " TWINSIFT_ROW_SELECTION_CSS "; selection-color: " TWINSIFT_WHITE_CSS "; }"
            "QHeaderView::section { background: " TWINSIFT_PANEL_BACKGROUND_CSS "; color:"
            " " TWINSIFT_SECONDARY_TEXT_CSS "; border: none;"
            " border-bottom: 1px solid " TWINSIFT_FRAME_CSS "; padding: 4px 6px; }"
            "QComboBox { background: " TWINSIFT_FIELD_BACKGROUND_CSS "; color: " TWINSIFT_CONTROL_TEXT_CSS "; border:"
            " 1px solid " TWINSIFT_CONTROL_BORDER_CSS ";"
            " border-radius: 4px; padding: 2px 8px; margin: 3px 6px; }"
            "QComboBox:focus { border-color: " TWINSIFT_GOLD_CSS "; }"
            "QComboBox QAbstractItemView { background: " TWINSIFT_FIELD_BACKGROUND_CSS "; color:"
            " " TWINSIFT_CONTROL_TEXT_CSS ";"
            " selection-background-color: rgb(80, 80, 80); }"));
}

QString ReorderTable::rowMimeType()
{
    return QStringLiteral("application/x-twinsift-wizard-rows");
}

QMimeData *ReorderTable::mimeDataForRows(const std::vector<int> &rows)
{
    QStringList texts;
    for (int row : rows)
        texts << QString::number(row);
    auto *data = new QMimeData;
    data->setData(rowMimeType(), texts.join(QLatin1Char('\n')).toUtf8());
    return data;
}

int ReorderTable::selectedRow() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ReorderTable::selectRowAlone(int row)
{
    clearSelection();
    if (row >= 0 && row < rowCount())
        selectRow(row);
}

void ReorderTable::paintRowBackgrounds()
{
    for (int row = 0; row < rowCount(); ++row) {
        const QColor fill = row % 2 == 0 ? Palette::panelBackground : Palette::windowBackground;
        for (int column = 0; column < columnCount(); ++column)
            if (QTableWidgetItem *cell = item(row, column))
                cell->setBackground(fill);
    }
}

int ReorderTable::dropRowAt(const QPoint &pos) const
{
    const int row = rowAt(pos.y());
    if (row < 0)
        return rowCount(); // below the last row
    const int top = rowViewportPosition(row);
    const int height = rowHeight(row);
    return pos.y() - top < height / 2 ? row : row + 1;
}

bool ReorderTable::acceptDrop(const QMimeData *data, const QObject *source, int dropRow)
{
    if (!data || source != this || !data->hasFormat(rowMimeType()) || dropRow < 0 || dropRow > rowCount())
        return false;
    std::vector<int> rows;
    for (const QString &text : QString::fromUtf8(data->data(rowMimeType())).split(QLatin1Char('\n'))) {
        bool ok = false;
        const int row = text.trimmed().toInt(&ok);
        if (ok && row >= 0 && row < rowCount())
            rows.push_back(row);
    }
    if (rows.empty())
        return false;
    bool accepted = true;
    emit rowsDropped(rows, dropRow, &accepted);
    return accepted;
}

void ReorderTable::startDrag(Qt::DropActions)
{
    std::set<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty())
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeDataForRows(std::vector<int>(rows.begin(), rows.end())));
    drag->exec(Qt::MoveAction);
}

void ReorderTable::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() == this && event->mimeData()->hasFormat(rowMimeType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

bool ReorderTable::dragMovedTo(const QMimeData *data, const QObject *source, const QPoint &pos)
{
    const bool ours = data && source == this && data->hasFormat(rowMimeType());
    setDropIndicatorRow(ours ? dropRowAt(pos) : -1);
    return ours;
}

void ReorderTable::dragMoveEvent(QDragMoveEvent *event)
{
    if (dragMovedTo(event->mimeData(), event->source(), event->position().toPoint())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ReorderTable::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDropIndicatorRow(-1);
    QTableWidget::dragLeaveEvent(event);
}

void ReorderTable::setDropIndicatorRow(int row)
{
    if (row == m_dropIndicatorRow)
        return;
    m_dropIndicatorRow = row;
    viewport()->update();
}

void ReorderTable::paintEvent(QPaintEvent *event)
{
    QTableWidget::paintEvent(event);
    if (m_dropIndicatorRow < 0 || rowCount() == 0)
        return;
    // A gold line on the border between the two rows (below the last row for the end).
    const int row = std::min(m_dropIndicatorRow, rowCount());
    const int y = row < rowCount() ? rowViewportPosition(row)
                                   : rowViewportPosition(rowCount() - 1) + rowHeight(rowCount() - 1) - 1;
    QPainter painter(viewport());
    painter.setPen(QPen(Palette::gold, 2));
    painter.drawLine(0, std::max(y, 1), viewport()->width(), std::max(y, 1));
}

void ReorderTable::dropEvent(QDropEvent *event)
{
    setDropIndicatorRow(-1);
    const int dropRow = dropRowAt(event->position().toPoint());
    if (acceptDrop(event->mimeData(), event->source(), dropRow)) {
        // The rows were moved by the page; the view must not remove the dragged rows itself.
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
    } else {
        event->ignore();
    }
}
