#pragma once

#include <QObject>

class QTableView;

// Makes a table of the preferences and the selection wizard one Tab stop. Tab and Shift+Tab leave
// the table at once (no cell-by-cell Tab) and the arrows move the current row inside it. The
// controls that rows carry as cell widgets (a tick, a choice list) take no Tab stop of their own:
// Space clicks the current row's tick, and Return, Enter, F4 or Alt+Down open its choice list;
// the mouse reaches them as before. The focus coming in other than by a click (Tab, Shift+Tab, a
// page shown) selects the current row, so that the row the keys act on shows. The object lives as
// a child of the table.
class TableKeyboard : public QObject
{
    Q_OBJECT
public:
    static void install(QTableView *table);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TableKeyboard(QTableView *table);
    // Takes every control inside a new cell widget out of the Tab chain.
    static void keepOutOfTabChain(QWidget *cellWidget);
    int currentRow() const;
    // Selects the current row (the first one when there is none) while the table has the focus.
    void showCurrentRow();
    // The first widget of class T in the current row's cell widgets; nullptr when none.
    template <typename T>
    T *inCurrentRow() const;

    QTableView *m_table;
    // Kept from the start: while the table is destroyed its viewport still sends events here, and
    // the table can no longer be asked for it then.
    QObject *m_viewport;
};
