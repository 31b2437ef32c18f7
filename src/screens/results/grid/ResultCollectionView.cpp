#include "screens/results/grid/ResultCollectionView.h"

#include "model/Palette.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

} // namespace

ResultCollectionView::ResultCollectionView(Delegate *delegate, QWidget *parent)
    : QAbstractScrollArea(parent)
    , delegate_(delegate)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(40);
}

void ResultCollectionView::setMetrics(const SectionLayout::Metrics &metrics)
{
    layout_.setMetrics(metrics);
    reloadData();
}

QRect ResultCollectionView::contentViewport() const
{
    return QRect(0, verticalScrollBar()->value(), viewport()->width(), viewport()->height());
}

void ResultCollectionView::relayout()
{
    layout_.layout(delegate_->itemCounts(), viewport()->width());
    updateScrollBar();
    // Positions that no longer exist are forgotten.
    auto valid = [this](const std::optional<IndexPath> &item) {
        return item && item->first < layout_.sectionCount() && item->second < layout_.itemCount(item->first);
    };
    if (!valid(hovered_))
        hovered_.reset();
    // The keyboard keeps a place when its item went: the item now in that place, else the one
    // before it (the last item of the last group, when that group went).
    if (current_ && !valid(current_)) {
        int section = std::min(current_->first, layout_.sectionCount() - 1);
        while (section >= 0 && layout_.itemCount(section) < 1)
            --section;
        if (section < 0)
            current_.reset();
        else if (section < current_->first)
            current_ = IndexPath(section, layout_.itemCount(section) - 1);
        else
            current_ = IndexPath(section, std::min(current_->second, layout_.itemCount(section) - 1));
    }
    if (!valid(selected_))
        selected_.reset();
}

void ResultCollectionView::updateScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, layout_.totalHeight() - viewport()->height()));
}

void ResultCollectionView::reloadData()
{
    relayout();
    placeHeaders(true);
    viewport()->update();
}

void ResultCollectionView::reloadSection(int section)
{
    if (QWidget *header = headersInUse_.value(section))
        delegate_->fillHeader(header, section);
    viewport()->update();
}

QWidget *ResultCollectionView::headerForSection(int section) const
{
    return headersInUse_.value(section);
}

QRect ResultCollectionView::visualItemRect(int section, int item) const
{
    const QRect rect = layout_.itemRect(section, item);
    return rect.isNull() ? rect : rect.translated(0, -verticalScrollBar()->value());
}

std::optional<ResultCollectionView::IndexPath> ResultCollectionView::itemAtViewportPoint(const QPoint &point) const
{
    return layout_.itemAt(point + QPoint(0, verticalScrollBar()->value()));
}

void ResultCollectionView::scrollToItem(int section, int item)
{
    const QRect rect = layout_.itemRect(section, item);
    if (rect.isNull())
        return;
    const QRect visible = contentViewport();
    QRect wanted = rect;
    // Keep the section's header in sight for the first row.
    if (item < layout_.columns())
        wanted.setTop(layout_.headerRect(section).top());
    if (wanted.top() < visible.top())
        verticalScrollBar()->setValue(wanted.top());
    else if (wanted.bottom() > visible.bottom())
        verticalScrollBar()->setValue(wanted.bottom() - visible.height() + 1);
}

std::vector<ResultCollectionView::IndexPath> ResultCollectionView::visibleItems() const
{
    std::vector<IndexPath> items;
    const QRect visible = contentViewport();
    const auto [first, last] = layout_.sectionsIn(visible.top(), visible.bottom() + 1);
    for (int s = first; s < last; ++s) {
        const auto [from, to] = layout_.itemsIn(s, visible.top(), visible.bottom() + 1);
        for (int i = from; i < to; ++i)
            if (layout_.itemRect(s, i).intersects(visible))
                items.emplace_back(s, i);
    }
    return items;
}

void ResultCollectionView::setCurrentItem(int section, int item)
{
    if (layout_.itemRect(section, item).isNull())
        return;
    current_ = IndexPath(section, item);
    scrollToItem(section, item);
    viewport()->update();
    emit currentItemChanged(section, item);
}

void ResultCollectionView::reshowCurrentItem()
{
    if (!current_)
        return;
    viewport()->update();
    emit currentItemChanged(current_->first, current_->second);
    if (selectsItems_)
        select(current_);
}

void ResultCollectionView::clearSelection()
{
    select(std::nullopt);
}

void ResultCollectionView::placeHeaders(bool refill)
{
    const QRect visible = contentViewport();
    const auto [first, last] = layout_.sectionsIn(visible.top(), visible.bottom() + 1);
    // Headers of sections gone from view become spare.
    for (auto it = headersInUse_.begin(); it != headersInUse_.end();) {
        if (it.key() < first || it.key() >= last || !layout_.headerRect(it.key()).intersects(visible)) {
            it.value()->hide();
            spareHeaders_.push_back(it.value());
            it = headersInUse_.erase(it);
        } else {
            ++it;
        }
    }
    for (int s = first; s < last; ++s) {
        const QRect rect = layout_.headerRect(s);
        if (!rect.intersects(visible))
            continue;
        QWidget *header = headersInUse_.value(s);
        const bool fresh = header == nullptr;
        if (fresh) {
            if (!spareHeaders_.empty()) {
                header = spareHeaders_.back();
                spareHeaders_.pop_back();
            } else {
                header = delegate_->makeHeader(viewport());
            }
            headersInUse_.insert(s, header);
        }
        if (fresh || refill)
            delegate_->fillHeader(header, s);
        header->setGeometry(rect.translated(0, -visible.top()));
        header->show();
    }
    // Qt holds a widget's painting while it delivers a size change it had put off (QWidget::grab
    // does so for the whole window), and a header made in that moment keeps the hold for good: it
    // would stay a blank bar. The hold is lifted from the headers once the view may paint again.
    if (viewport()->updatesEnabled())
        releaseHeaderPainting();
    else
        QMetaObject::invokeMethod(this, &ResultCollectionView::releaseHeaderPainting, Qt::QueuedConnection);
    orderHeaderButtons();
    delegate_->visibleItemsChanged(visibleItems());
}

void ResultCollectionView::releaseHeaderPainting()
{
    if (!viewport()->updatesEnabled())
        return;
    // Spare headers are released when they come back into use.
    for (QWidget *header : std::as_const(headersInUse_))
        if (!header->updatesEnabled())
            header->setUpdatesEnabled(true); // also lifts the hold from its title and buttons
}

void ResultCollectionView::orderHeaderButtons()
{
    // Headers are reused from section to section while scrolling; Tab still goes from the items to
    // the shown headers' buttons from top to bottom.
    QWidget *previous = this;
    std::vector<int> sections(headersInUse_.keyBegin(), headersInUse_.keyEnd());
    std::sort(sections.begin(), sections.end());
    for (int s : sections)
        for (QWidget *child : headersInUse_.value(s)->findChildren<QWidget *>())
            if (child->focusPolicy() & Qt::TabFocus) {
                QWidget::setTabOrder(previous, child);
                previous = child;
            }
}

void ResultCollectionView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    const QRect visible = contentViewport();
    const QRect dirty = event->rect().translated(0, visible.top());
    const auto [first, last] = layout_.sectionsIn(dirty.top(), dirty.bottom() + 1);
    painter.translate(0, -visible.top());
    for (int s = first; s < last; ++s) {
        const auto [from, to] = layout_.itemsIn(s, dirty.top(), dirty.bottom() + 1);
        for (int i = from; i < to; ++i) {
            const QRect rect = layout_.itemRect(s, i);
            if (!rect.intersects(dirty))
                continue;
            const IndexPath path(s, i);
            painter.save();
            delegate_->paintItem(painter, rect, s, i, hovered_ == path, selected_ == path);
            painter.restore();
            if (current_ == path && hasFocus()) {
                // The keyboard's place: a solid ring just inside the item's border.
                painter.save();
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(QPen(Palette::focusBlue, 2));
                painter.setBrush(Qt::NoBrush);
                painter.drawRoundedRect(QRectF(rect).adjusted(2, 2, -2, -2), 3, 3);
                painter.restore();
            }
        }
    }
}

void ResultCollectionView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
    placeHeaders(false);
}

void ResultCollectionView::scrollContentsBy(int, int)
{
    placeHeaders(false);
    viewport()->update();
}

void ResultCollectionView::setHovered(std::optional<IndexPath> item)
{
    if (item == hovered_)
        return;
    const std::optional<IndexPath> old = hovered_;
    hovered_ = item;
    if (old) {
        viewport()->update(visualItemRect(old->first, old->second));
        emit itemHoverExited(old->first, old->second);
    }
    if (item) {
        viewport()->update(visualItemRect(item->first, item->second));
        emit itemHoverEntered(item->first, item->second);
    }
}

void ResultCollectionView::select(const std::optional<IndexPath> &item)
{
    if (item == selected_)
        return;
    const std::optional<IndexPath> old = selected_;
    selected_ = item;
    if (old) {
        viewport()->update(visualItemRect(old->first, old->second));
        emit itemDeselected(old->first, old->second);
    }
    if (item) {
        viewport()->update(visualItemRect(item->first, item->second));
        emit itemSelected(item->first, item->second);
    }
}

void ResultCollectionView::mouseMoveEvent(QMouseEvent *event)
{
    setHovered(itemAtViewportPoint(event->position().toPoint()));
    QAbstractScrollArea::mouseMoveEvent(event);
}

void ResultCollectionView::leaveEvent(QEvent *event)
{
    setHovered(std::nullopt);
    QAbstractScrollArea::leaveEvent(event);
}

bool ResultCollectionView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave)
        setHovered(std::nullopt);
    return QAbstractScrollArea::viewportEvent(event);
}

void ResultCollectionView::mousePressEvent(QMouseEvent *event)
{
    QAbstractScrollArea::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const auto item = itemAtViewportPoint(event->position().toPoint());
    if (!item)
        return;
    current_ = item;
    const QRect rect = visualItemRect(item->first, item->second);
    const QRect box =
        delegate_->checkBoxRect(QRect(QPoint(0, 0), rect.size()), item->first, item->second).translated(rect.topLeft());
    if (box.adjusted(-3, -3, 3, 3).contains(event->position().toPoint())) {
        emit checkBoxClicked(item->first, item->second);
    } else if (selectsItems_) {
        select(item);
    }
    viewport()->update();
}

void ResultCollectionView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QAbstractScrollArea::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const auto item = itemAtViewportPoint(event->position().toPoint());
    if (!item)
        return;
    const QRect rect = visualItemRect(item->first, item->second);
    const QRect box =
        delegate_->checkBoxRect(QRect(QPoint(0, 0), rect.size()), item->first, item->second).translated(rect.topLeft());
    // A quick second click on the check box is a second tick, not an opening.
    if (box.adjusted(-3, -3, 3, 3).contains(event->position().toPoint()))
        emit checkBoxClicked(item->first, item->second);
    else
        emit itemDoubleClicked(item->first, item->second);
}

void ResultCollectionView::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->reason() != QContextMenuEvent::Mouse) {
        openMenuForCurrent();
        return;
    }
    const auto item = itemAtViewportPoint(viewport()->mapFrom(this, event->pos()));
    if (!item)
        return;
    // The right-clicked item becomes the current one first, so that the highlight, the details and
    // the preview show the file the menu acts on.
    makeCurrent(*item, false);
    emit itemContextMenuRequested(item->first, item->second, event->globalPos());
}

void ResultCollectionView::makeCurrent(const IndexPath &item, bool scroll)
{
    if (layout_.itemRect(item.first, item.second).isNull())
        return;
    const std::optional<IndexPath> old = current_;
    current_ = item;
    if (scroll)
        scrollToItem(item.first, item.second);
    if (old)
        viewport()->update(visualItemRect(old->first, old->second));
    viewport()->update(visualItemRect(item.first, item.second));
    emit currentItemChanged(item.first, item.second);
    if (selectsItems_)
        select(item);
}

std::optional<ResultCollectionView::IndexPath> ResultCollectionView::itemForKeyboard() const
{
    const QRect visible = viewport()->rect();
    if (current_ && visualItemRect(current_->first, current_->second).intersects(visible))
        return current_;
    const std::vector<IndexPath> items = visibleItems();
    // The first item wholly in view, else the first one partly in view.
    for (const IndexPath &item : items)
        if (visible.contains(visualItemRect(item.first, item.second)))
            return item;
    if (!items.empty())
        return items.front();
    return std::nullopt;
}

void ResultCollectionView::openMenuForCurrent()
{
    if (!current_) {
        const auto item = itemForKeyboard();
        if (!item)
            return;
        makeCurrent(*item, true);
    } else {
        scrollToItem(current_->first, current_->second);
    }
    const QRect rect = visualItemRect(current_->first, current_->second);
    emit itemContextMenuRequested(current_->first, current_->second, viewport()->mapToGlobal(rect.center()));
}

void ResultCollectionView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    // Focus from the keyboard lands on an item in view: the current one when it is in view, else
    // the first one shown. A click makes its own item current.
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
        if (const auto item = itemForKeyboard(); item && (item != current_ || (selectsItems_ && item != selected_)))
            makeCurrent(*item, true);
        break;
    default:
        break;
    }
    viewport()->update();
}

void ResultCollectionView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void ResultCollectionView::moveCurrent(int key)
{
    const int sections = layout_.sectionCount();
    if (sections == 0)
        return;
    if (!current_) {
        if (const auto item = itemForKeyboard())
            makeCurrent(*item, true);
        return;
    }
    auto [s, i] = *current_;
    const int columns = layout_.columns();
    switch (key) {
    case Qt::Key_Right:
        if (i + 1 < layout_.itemCount(s))
            ++i;
        else if (s + 1 < sections)
            ++s, i = 0;
        break;
    case Qt::Key_Left:
        if (i > 0)
            --i;
        else if (s > 0)
            --s, i = layout_.itemCount(s) - 1;
        break;
    case Qt::Key_Down:
        if (i + columns < layout_.itemCount(s))
            i += columns;
        else if (i / columns < (layout_.itemCount(s) - 1) / columns)
            i = layout_.itemCount(s) - 1;
        else if (s + 1 < sections)
            i = std::min(i % columns, layout_.itemCount(s + 1) - 1), ++s;
        break;
    case Qt::Key_Up:
        if (i >= columns)
            i -= columns;
        else if (s > 0) {
            --s;
            const int n = layout_.itemCount(s);
            const int lastRowStart = ((n - 1) / columns) * columns;
            i = std::min(lastRowStart + i % columns, n - 1);
        }
        break;
    case Qt::Key_Home:
        s = 0, i = 0;
        break;
    case Qt::Key_End:
        s = sections - 1, i = layout_.itemCount(s) - 1;
        break;
    default:
        return;
    }
    makeCurrent(IndexPath(s, i), true);
}

void ResultCollectionView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
        moveCurrent(event->key());
        return;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
        verticalScrollBar()->triggerAction(event->key() == Qt::Key_PageDown ? QAbstractSlider::SliderPageStepAdd
                                                                            : QAbstractSlider::SliderPageStepSub);
        return;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // With no current item the key first shows which item it would act on.
        if (!current_) {
            if (const auto item = itemForKeyboard())
                makeCurrent(*item, true);
        } else if (event->key() == Qt::Key_Space) {
            emit checkBoxClicked(current_->first, current_->second);
        } else {
            emit itemDoubleClicked(current_->first, current_->second);
        }
        return;
    case Qt::Key_Menu:
        openMenuForCurrent();
        return;
    case Qt::Key_F10:
        if (event->modifiers() & Qt::ShiftModifier) {
            openMenuForCurrent();
            return;
        }
        QAbstractScrollArea::keyPressEvent(event);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}
