#pragma once

#include <QVBoxLayout>
#include <QWidget>

#include <utility>
#include <vector>

namespace tavik::design {

// Items in rows of three at the leading edge, rows 6 apart, items 6 apart. The count per row
// is fixed: a narrow row keeps its three items (the pane's scroll view clips the overflow).
class FlowRow : public QWidget {
public:
    static constexpr int perRow = 3;
    static constexpr int spacing = 6;

    // The index ranges [first, last) of each row for n items.
    static std::vector<std::pair<int, int>> chunkRanges(int count);

    explicit FlowRow(QWidget* parent = nullptr);

    // Replaces every item; the row takes ownership of the widgets. The old ones are hidden at
    // once and deleted when control returns to the event loop (an item's own click may be what
    // replaced the list). Pass new widgets only.
    void setItems(const std::vector<QWidget*>& items);
    int rowCount() const;
    // The items of one row, in order.
    std::vector<QWidget*> rowItems(int row) const;

private:
    QVBoxLayout* rows_;
};

} // namespace tavik::design
