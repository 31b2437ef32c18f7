#pragma once

#include "screens/results/grid/SectionLayout.h"

#include <QAbstractScrollArea>
#include <QHash>

#include <optional>
#include <utility>
#include <vector>

// The collection view of the results: one section per shown group, a header bar per section and
// the group's files as painted cells (the grid) or full-width rows (the list). Nothing is made per
// file: cells are painted from the result state as they come into view, and the header bars are a
// few widgets moved from section to section while scrolling. The owner supplies the counts, the
// painting and the headers through a Delegate and hears the user's actions through the signals.
class ResultCollectionView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    using IndexPath = std::pair<int, int>; // (section, item)

    class Delegate
    {
    public:
        virtual ~Delegate() = default;
        virtual std::vector<int> itemCounts() const = 0;
        virtual void paintItem(QPainter &painter, const QRect &rect, int section, int item, bool hovered,
                               bool selected) = 0;
        // The part of an item (in the item's own rectangle) where a click ticks or unticks it.
        virtual QRect checkBoxRect(const QRect &itemRect, int section, int item) const = 0;
        virtual QWidget *makeHeader(QWidget *parent) = 0;
        virtual void fillHeader(QWidget *header, int section) = 0;
        // The items now visible (or about to be); called after every scroll or layout.
        virtual void visibleItemsChanged(const std::vector<IndexPath> &items) { (void)items; }
    };

    ResultCollectionView(Delegate *delegate, QWidget *parent = nullptr);

    void setMetrics(const SectionLayout::Metrics &metrics);
    const SectionLayout &sectionLayout() const { return layout_; }
    // Whether a click on an item selects it (the list) or not (the grid).
    void setSelectsItems(bool selects) { selectsItems_ = selects; }

    // Lays the sections out again, refills the visible headers and repaints.
    void reloadData();
    // Refills the section's header (when shown) and repaints.
    void reloadSection(int section);
    // The header widget now showing the section, or null when it is out of view.
    QWidget *headerForSection(int section) const;
    // Rectangle of an item in viewport coordinates.
    QRect visualItemRect(int section, int item) const;
    std::optional<IndexPath> itemAtViewportPoint(const QPoint &point) const;
    void scrollToItem(int section, int item);
    // Items intersecting the viewport.
    std::vector<IndexPath> visibleItems() const;

    std::optional<IndexPath> currentItem() const { return current_; }
    std::optional<IndexPath> selectedItem() const { return selected_; }
    void setCurrentItem(int section, int item);
    // Tells the owner about the current item again (and selects it where a click selects), after
    // the files under the positions changed.
    void reshowCurrentItem();
    void clearSelection();

signals:
    void checkBoxClicked(int section, int item);
    void itemHoverEntered(int section, int item);
    void itemHoverExited(int section, int item);
    void itemDoubleClicked(int section, int item);
    void itemContextMenuRequested(int section, int item, const QPoint &globalPos);
    void itemSelected(int section, int item);
    void itemDeselected(int section, int item);
    void currentItemChanged(int section, int item);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void relayout();
    void updateScrollBar();
    void placeHeaders(bool refill);
    void setHovered(std::optional<IndexPath> item);
    void select(const std::optional<IndexPath> &item);
    void moveCurrent(int key);
    // Makes the item current (and selected where a click selects), scrolling it into view on request.
    void makeCurrent(const IndexPath &item, bool scroll);
    // The current item when it is in view, otherwise the first item in view (or none).
    std::optional<IndexPath> itemForKeyboard() const;
    // The current item's context menu, opened over the item.
    void openMenuForCurrent();
    // Keeps the header bars' buttons right after the view in the Tab order, in section order.
    void orderHeaderButtons();
    // Lets every header bar paint again where Qt's hold on the view's painting stuck to it.
    void releaseHeaderPainting();
    QRect contentViewport() const;

    Delegate *delegate_;
    SectionLayout layout_;
    bool selectsItems_ = false;
    std::optional<IndexPath> hovered_;
    std::optional<IndexPath> current_;
    std::optional<IndexPath> selected_;
    QHash<int, QWidget *> headersInUse_;
    std::vector<QWidget *> spareHeaders_;
};
