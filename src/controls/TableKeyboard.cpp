#include "controls/TableKeyboard.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTableView>

void TableKeyboard::install(QTableView *table)
{
    if (!table || table->findChild<TableKeyboard *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    new TableKeyboard(table);
}

TableKeyboard::TableKeyboard(QTableView *table)
    : QObject(table)
    , m_table(table)
    , m_viewport(table->viewport())
{
    table->setTabKeyNavigation(false);
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);
    for (QObject *child : table->viewport()->children())
        if (child->isWidgetType())
            keepOutOfTabChain(static_cast<QWidget *>(child));
}

void TableKeyboard::keepOutOfTabChain(QWidget *cellWidget)
{
    // Not even a click gives them the focus: a tick clicked in a table that redraws its rows would
    // hand the focus on, when it goes with its row, to whatever control comes next.
    if (cellWidget->focusPolicy() != Qt::NoFocus)
        cellWidget->setFocusPolicy(Qt::NoFocus);
    for (QWidget *control : cellWidget->findChildren<QWidget *>())
        control->setFocusPolicy(Qt::NoFocus);
}

void TableKeyboard::showCurrentRow()
{
    QItemSelectionModel *selection = m_table->selectionModel();
    const QAbstractItemModel *model = m_table->model();
    if (!m_table->hasFocus() || !selection || !model || model->rowCount() == 0
        || m_table->selectionMode() == QAbstractItemView::NoSelection)
        return;
    const int row = currentRow() >= 0 ? currentRow() : 0;
    if (!selection->isRowSelected(row, QModelIndex()))
        m_table->selectRow(row);
}

int TableKeyboard::currentRow() const
{
    const QModelIndex current = m_table->currentIndex();
    if (current.isValid())
        return current.row();
    const QModelIndexList rows =
        m_table->selectionModel() ? m_table->selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

template <typename T>
T *TableKeyboard::inCurrentRow() const
{
    const int row = currentRow();
    const QAbstractItemModel *model = m_table->model();
    if (row < 0 || !model)
        return nullptr;
    for (int column = 0; column < model->columnCount(); ++column) {
        QWidget *cell = m_table->indexWidget(model->index(row, column));
        if (!cell)
            continue;
        if (auto *own = qobject_cast<T *>(cell))
            return own;
        if (auto *inside = cell->findChild<T *>())
            return inside;
    }
    return nullptr;
}

bool TableKeyboard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport) {
        if (event->type() == QEvent::ChildAdded) {
            QObject *child = static_cast<QChildEvent *>(event)->child();
            if (child->isWidgetType())
                keepOutOfTabChain(static_cast<QWidget *>(child));
        }
        return false;
    }
    if (watched != m_table)
        return false;
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::OtherFocusReason) {
            // After the view's own handling of the event, which may make the first row current
            // but does not select it.
            QMetaObject::invokeMethod(
                this, [this] { showCurrentRow(); }, Qt::QueuedConnection);
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress || !m_table->isEnabled())
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const bool opensList = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_F4
        || (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier));
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
        if (QAbstractButton *tick = inCurrentRow<QAbstractButton>(); tick && tick->isEnabled() && tick->isCheckable()) {
            tick->click();
            return true;
        }
    } else if (opensList) {
        if (QComboBox *list = inCurrentRow<QComboBox>(); list && list->isEnabled() && list->isVisible()) {
            list->showPopup();
            return true;
        }
    }
    return false;
}
