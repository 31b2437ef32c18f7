#pragma once

#include <QColor>
#include <QWidget>

// The row of the scan-list table: it paints the row's background colour and, when the row is
// selected, the selection fill Palette::rowSelection; no selection shows while pop-up mode is on or when
// the row's highlight style is none. The row's cell is placed inside it.
class MyNSTableRowView : public QWidget
{
    Q_OBJECT
public:
    explicit MyNSTableRowView(QWidget *parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    bool highlightStyleNone() const { return m_highlightNone; }
    void setHighlightStyleNone(bool none);

    // The colour the selection is drawn in now; invalid when nothing is drawn.
    QColor selectionFillColor() const;

    void setCellWidget(QWidget *cell);
    QWidget *cellWidget() const { return m_cell; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_backgroundColor;
    bool m_selected = false;
    bool m_highlightNone = false;
    QWidget *m_cell = nullptr;
};
