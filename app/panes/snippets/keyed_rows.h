#pragma once

#include <QList>
#include <QUuid>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace tavik::panes {

// The rows of a list keyed by id. A row whose item is still there is kept with all its state (a
// switch's animation, keyboard focus); a row whose item went is hidden and deleted once control
// is back in the event loop, because its own button may be the one being clicked. The lists
// only ever grow at the end or lose items, so kept rows stay in order; should the order change
// all the same (a list replaced from outside), every row is made anew.
template <class Row> class KeyedRows {
public:
    // Makes a row and adds it at the end of the list's layout.
    using Make = std::function<Row*()>;

    const std::vector<Row*>& rows() const { return rows_; }

    // The rows for `ids`, in order.
    const std::vector<Row*>& reconcile(const QList<QUuid>& ids, const Make& make) {
        std::vector<Row*> old = rows_;
        std::vector<Row*> next;
        next.reserve(std::size_t(ids.size()));
        std::vector<bool> taken(old.size(), false);
        std::size_t lastKept = 0;
        bool anyKept = false;
        bool made = false;
        bool inOrder = true;
        for (const QUuid& id : ids) {
            std::size_t found = old.size();
            for (std::size_t i = 0; i < old.size(); ++i) {
                if (!taken[i] && old[i]->id() == id) {
                    found = i;
                    break;
                }
            }
            if (found == old.size()) {
                made = true;
                next.push_back(nullptr);
                continue;
            }
            inOrder = inOrder && !made && (!anyKept || found > lastKept);
            anyKept = true;
            lastKept = found;
            taken[found] = true;
            next.push_back(old[found]);
        }
        if (!inOrder) {
            std::fill(taken.begin(), taken.end(), false);
            std::fill(next.begin(), next.end(), nullptr);
        }
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (!taken[i]) {
                old[i]->hide();
                old[i]->deleteLater();
            }
        }
        for (Row*& row : next) {
            if (row == nullptr) {
                row = make();
            }
        }
        rows_ = std::move(next);
        return rows_;
    }

    // The index of the row of `id` whose delete button has the window's focus, if any.
    std::optional<std::size_t> focusedDelete(const QUuid& id) const {
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            Row* row = rows_[i];
            if (row->id() == id && row->window()->focusWidget() == row->deleteButton()) {
                return i;
            }
        }
        return std::nullopt;
    }

    // Keyboard users keep their place once a row went: the delete button now at `index` (or the
    // last one), else `fallback`.
    void refocus(std::size_t index, QWidget* fallback) const {
        if (rows_.empty()) {
            fallback->setFocus();
        } else {
            rows_[std::min(index, rows_.size() - 1)]->deleteButton()->setFocus();
        }
    }

private:
    std::vector<Row*> rows_;
};

} // namespace tavik::panes
