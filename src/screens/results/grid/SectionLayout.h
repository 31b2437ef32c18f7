#pragma once

#include <QPoint>
#include <QRect>

#include <optional>
#include <utility>
#include <vector>

// Where the sections of a result view lie: per section a header bar and then its items in rows of
// equal cells, laid out for a given width. Positions are computed from the item counts alone, so
// a view of 50,000 items lays out in microseconds and asks only for what is visible.
class SectionLayout
{
public:
    struct Metrics {
        int itemWidth = 210;
        int itemHeight = 250;
        int headerHeight = 36;
        int insetTop = 2, insetLeft = 2, insetBottom = 2, insetRight = 2;
        int interItemSpacing = 2;
        int lineSpacing = 2;
        bool fullWidthItems = false; // one item per row, as wide as the view less the insets
    };

    void setMetrics(const Metrics &metrics) { metrics_ = metrics; }
    const Metrics &metrics() const { return metrics_; }
    // Lays the sections out for the given item counts and width.
    void layout(const std::vector<int> &itemCounts, int width);

    int sectionCount() const { return int(counts_.size()); }
    int itemCount(int section) const { return counts_[size_t(section)]; }
    int columns() const { return columns_; }
    int totalHeight() const { return tops_.empty() ? 0 : tops_.back(); }
    QRect headerRect(int section) const;
    QRect itemRect(int section, int item) const;
    // The section whose band holds y (clamped to the sections).
    int sectionAtY(int y) const;
    // The item under a point.
    std::optional<std::pair<int, int>> itemAt(const QPoint &point) const;
    // Sections that intersect [top, bottom).
    std::pair<int, int> sectionsIn(int top, int bottom) const;
    // The items of a section that intersect [top, bottom), as a half-open range.
    std::pair<int, int> itemsIn(int section, int top, int bottom) const;

private:
    Metrics metrics_;
    std::vector<int> counts_;
    std::vector<int> tops_; // tops_[s] = top of section s; one more entry for the end
    int width_ = 0;
    int columns_ = 1;
    int spacing_ = 2; // between the columns of a row
    int itemWidth() const;
};
