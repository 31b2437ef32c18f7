#include "screens/results/grid/SectionLayout.h"

#include <algorithm>

int SectionLayout::itemWidth() const
{
    if (metrics_.fullWidthItems)
        return std::max(1, width_ - metrics_.insetLeft - metrics_.insetRight);
    return metrics_.itemWidth;
}

void SectionLayout::layout(const std::vector<int> &itemCounts, int width)
{
    counts_ = itemCounts;
    width_ = std::max(1, width);
    const int usable = width_ - metrics_.insetLeft - metrics_.insetRight;
    columns_ = metrics_.fullWidthItems
        ? 1
        : std::max(1, (usable + metrics_.interItemSpacing) / (metrics_.itemWidth + metrics_.interItemSpacing));
    // As a flow layout does, the room left in a row is spread between its columns.
    spacing_ = metrics_.interItemSpacing;
    if (!metrics_.fullWidthItems && columns_ > 1)
        spacing_ = std::max(spacing_, (usable - columns_ * metrics_.itemWidth) / (columns_ - 1));
    tops_.assign(counts_.size() + 1, 0);
    int y = 0;
    for (size_t s = 0; s < counts_.size(); ++s) {
        tops_[s] = y;
        const int rows = (counts_[s] + columns_ - 1) / columns_;
        y += metrics_.headerHeight + metrics_.insetTop + metrics_.insetBottom;
        if (rows > 0)
            y += rows * metrics_.itemHeight + (rows - 1) * metrics_.lineSpacing;
    }
    tops_[counts_.size()] = y;
}

QRect SectionLayout::headerRect(int section) const
{
    if (section < 0 || section >= sectionCount())
        return {};
    return QRect(0, tops_[size_t(section)], width_, metrics_.headerHeight);
}

QRect SectionLayout::itemRect(int section, int item) const
{
    if (section < 0 || section >= sectionCount() || item < 0 || item >= counts_[size_t(section)])
        return {};
    const int row = item / columns_;
    const int column = item % columns_;
    const int x = metrics_.insetLeft + column * (itemWidth() + spacing_);
    const int y = tops_[size_t(section)] + metrics_.headerHeight + metrics_.insetTop
        + row * (metrics_.itemHeight + metrics_.lineSpacing);
    return QRect(x, y, itemWidth(), metrics_.itemHeight);
}

int SectionLayout::sectionAtY(int y) const
{
    if (counts_.empty())
        return -1;
    const auto it = std::upper_bound(tops_.begin(), tops_.end() - 1, y);
    return std::clamp(int(it - tops_.begin()) - 1, 0, sectionCount() - 1);
}

std::optional<std::pair<int, int>> SectionLayout::itemAt(const QPoint &point) const
{
    const int section = sectionAtY(point.y());
    if (section < 0)
        return std::nullopt;
    const int top = tops_[size_t(section)] + metrics_.headerHeight + metrics_.insetTop;
    if (point.y() < top)
        return std::nullopt;
    const int row = (point.y() - top) / (metrics_.itemHeight + metrics_.lineSpacing);
    const int column = (point.x() - metrics_.insetLeft) / (itemWidth() + spacing_);
    if (point.x() < metrics_.insetLeft || column >= columns_)
        return std::nullopt;
    const int item = row * columns_ + column;
    if (item >= counts_[size_t(section)] || !itemRect(section, item).contains(point))
        return std::nullopt;
    return std::make_pair(section, item);
}

std::pair<int, int> SectionLayout::sectionsIn(int top, int bottom) const
{
    if (counts_.empty() || bottom <= top)
        return {0, 0};
    const int first = sectionAtY(top);
    int last = sectionAtY(bottom - 1);
    return {first, last + 1};
}

std::pair<int, int> SectionLayout::itemsIn(int section, int top, int bottom) const
{
    if (section < 0 || section >= sectionCount())
        return {0, 0};
    const int first = tops_[size_t(section)] + metrics_.headerHeight + metrics_.insetTop;
    const int step = metrics_.itemHeight + metrics_.lineSpacing;
    const int n = counts_[size_t(section)];
    const int rowFrom = std::max(0, (top - first) / step);
    const int rowTo = std::max(0, (bottom - first + step - 1) / step);
    return {std::min(n, rowFrom * columns_), std::min(n, rowTo * columns_)};
}
