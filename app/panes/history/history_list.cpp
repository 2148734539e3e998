#include "app/panes/history/history_list.h"

#include "app/panes/history/history_list_accessible.h"
#include "app/panes/history/history_texts.h"
#include "app/shell/state/app_state.h"
#include "app/stores/audio_store.h"
#include "app/stores/player.h"

#include <QMenu>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

HistoryList::HistoryList(AppState& state, EntryActions actions, QWidget* parent)
    : QWidget(parent), state_(state), actions_(std::move(actions)) {
    // Before anything asks for this widget's accessible interface (a name change does), so the
    // first one made is the list's own.
    HistoryListAccessible::install();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    // Rows measured while the event loop idles make the list taller or shorter below the view;
    // nothing already painted is painted again for that.
    setAttribute(Qt::WA_StaticContents);
    setAccessibleName(QStringLiteral("Dictation history"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(&state_, &AppState::hoveredChanged, this, [this] {
        applyHover();
        update();
    });
    connect(&state_, &AppState::copiedChanged, this, qOverload<>(&QWidget::update));
    connect(&Player::shared(), &Player::playingChanged, this, qOverload<>(&QWidget::update));
    // Said where the play button was pressed: the row itself shows play again by then.
    connect(&Player::shared(), &Player::playbackFailed, this,
            [this](const QUuid&, const QString& reason) {
                state_.say(history_texts::couldNotPlayNotice(reason), true);
            });

    measureTimer_.setSingleShot(true);
    measureTimer_.setInterval(0);
    connect(&measureTimer_, &QTimer::timeout, this, &HistoryList::measureStep);
    prepareTimer_.setSingleShot(true);
    connect(&prepareTimer_, &QTimer::timeout, this, &HistoryList::prepareStep);
}

HistoryList::~HistoryList() {
    // The menu is a child; closing it first keeps its actions from firing into a half-gone list.
    if (menu_) {
        menu_->close();
    }
    for (const QAccessible::Id id : std::as_const(accessibleRows_)) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

void HistoryList::setGroups(QList<History::DayGroup> groups, QStringList captions) {
    const int currentBefore = currentRow();
    groups_ = std::move(groups);
    captions_ = std::move(captions);
    strippedRow_.reset();
    relayout();
    applyHover();
    // An entry that is gone can no longer be the keyboard's row. While the keyboard is in the
    // list, the row that took its place (or the new last one) becomes it, so someone deleting
    // rows from the keyboard keeps their place instead of starting over at the top.
    if (currentRow_ && layout_.rowOf(*currentRow_) < 0) {
        currentRow_.reset();
        if (hasFocus() && currentBefore >= 0 && rowCount() > 0) {
            moveCurrent(std::min(currentBefore, rowCount() - 1));
        }
    }
    for (auto it = accessibleRows_.begin(); it != accessibleRows_.end();) {
        if (layout_.rowOf(it.key()) < 0) {
            QAccessible::deleteAccessibleInterface(it.value());
            it = accessibleRows_.erase(it);
        } else {
            ++it;
        }
    }
    update();
    refreshHover();
}

bool HistoryList::hasAudio(const HistoryEntry& entry) const {
    return AudioStore::shared().exists(entry.id);
}

int HistoryList::hoveredRow() const {
    return state_.hovered() ? layout_.rowOf(*state_.hovered()) : -1;
}

void HistoryList::applyHover() {
    const int hovered = hoveredRow();
    const std::optional<QUuid> hoveredId =
        hovered >= 0 ? std::optional<QUuid>(layout_.entry(hovered).id) : std::nullopt;
    const bool audio = hovered >= 0 && hasAudio(layout_.entry(hovered));
    if (hoveredId == strippedRow_ && audio == strippedHasAudio_) {
        return;
    }
    if (strippedRow_) {
        const int previous = layout_.rowOf(*strippedRow_);
        if (previous >= 0) {
            layout_.setRowHeight(previous, restingHeight(layout_.entry(previous), true));
        }
    }
    strippedRow_ = hoveredId;
    strippedHasAudio_ = audio;
    if (hovered >= 0) {
        layout_.setRowHeight(hovered,
                             row_.height(layout_.entry(hovered), layout_.width(), true, audio));
    }
    fitHeight();
    refreshHover();
}

EntryRow::Geometry HistoryList::rowGeometry(int row) const {
    const HistoryEntry& entry = layout_.entry(row);
    const bool hovered = state_.hovered() == entry.id;
    return row_.geometry(entry, layout_.rowRect(row), hovered, hovered && hasAudio(entry));
}

int HistoryList::currentRow() const {
    return currentRow_ ? layout_.rowOf(*currentRow_) : -1;
}

QSize HistoryList::sizeHint() const {
    return QSize(400, int(std::min<qreal>(std::ceil(layout_.height()), QWIDGETSIZE_MAX)));
}

void HistoryList::pointerOnRow(int row) {
    const std::optional<QUuid> now =
        row >= 0 ? std::optional<QUuid>(layout_.entry(row).id) : std::nullopt;
    if (now == pointerRow_) {
        return;
    }
    const std::optional<QUuid> before = pointerRow_;
    pointerRow_ = now;
    if (before) {
        // Leaving clears the hover only while it still names this row: the row entered next
        // may already have taken it. The copy mark lasts until the pointer leaves its row.
        if (state_.hovered() == before) {
            state_.setHovered(std::nullopt);
        }
        if (state_.copied() == before) {
            state_.setCopied(std::nullopt);
        }
    }
    if (now) {
        state_.setHovered(now);
    }
}

void HistoryList::hoverAt(const QPoint& point) {
    if (inHover_) {
        return;
    }
    inHover_ = true;
    // Entering or leaving a row changes its height, which moves the rows below it under the
    // pointer: test again until the row under the pointer holds still (it does at once, or
    // after one more step, since only one row is ever taller).
    for (int pass = 0; pass < 3; ++pass) {
        const int row = layout_.rowAt(QPointF(point) + QPointF(0.5, 0.5));
        const std::optional<QUuid> id =
            row >= 0 ? std::optional<QUuid>(layout_.entry(row).id) : std::nullopt;
        if (id == pointerRow_) {
            break;
        }
        pointerOnRow(row);
    }
    inHover_ = false;
}

void HistoryList::refreshHover() {
    if (inHover_ || !lastPointer_) {
        return;
    }
    const QPoint local = mapFromGlobal(*lastPointer_);
    if (visibleRegion().contains(local)) {
        hoverAt(local);
    } else {
        lastPointer_.reset();
        pointerOnRow(-1);
    }
}

} // namespace tavik::panes
