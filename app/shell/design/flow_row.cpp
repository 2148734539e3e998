#include "app/shell/design/flow_row.h"

#include <QHBoxLayout>

namespace tavik::design {

std::vector<std::pair<int, int>> FlowRow::chunkRanges(int count) {
    std::vector<std::pair<int, int>> ranges;
    for (int first = 0; first < count; first += perRow) {
        ranges.emplace_back(first, std::min(first + perRow, count));
    }
    return ranges;
}

FlowRow::FlowRow(QWidget* parent) : QWidget(parent), rows_(new QVBoxLayout(this)) {
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(spacing);
}

void FlowRow::setItems(const std::vector<QWidget*>& items) {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        if (QLayout* row = item->layout()) {
            while (QLayoutItem* inner = row->takeAt(0)) {
                if (QWidget* old = inner->widget()) {
                    old->hide();
                    old->deleteLater();
                }
                delete inner;
            }
        }
        delete item;
    }
    for (const auto& [first, last] : chunkRanges(int(items.size()))) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(spacing);
        for (int i = first; i < last; ++i) {
            items[size_t(i)]->setParent(this);
            row->addWidget(items[size_t(i)], 0, Qt::AlignVCenter);
        }
        row->addStretch(1);
        rows_->addLayout(row);
    }
}

int FlowRow::rowCount() const {
    return rows_->count();
}

std::vector<QWidget*> FlowRow::rowItems(int row) const {
    std::vector<QWidget*> widgets;
    QLayoutItem* item = rows_->itemAt(row);
    QLayout* layout = item ? item->layout() : nullptr;
    if (!layout) {
        return widgets;
    }
    for (int i = 0; i < layout->count(); ++i) {
        if (QWidget* widget = layout->itemAt(i)->widget()) {
            widgets.push_back(widget);
        }
    }
    return widgets;
}

} // namespace tavik::design
