#include "app/panes/history/dictation_view.h"

#include "app/panes/history/history_header.h"
#include "app/panes/history/history_list.h"
#include "app/panes/history/history_texts.h"
#include "app/panes/history/notice_overlay.h"
#include "app/panes/history/search_field.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/theme.h"
#include "app/shell/state/app_state.h"
#include "app/stores/day_watch.h"
#include "app/stores/history.h"
#include "app/stores/preferences.h"
#include "app/stores/text_graphemes.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tavik::panes {

using design::Theme;

DictationView::DictationView(DictationController& controller, AppState& state, QWidget* parent,
                             EntryActions::PlaySound playSound)
    : QWidget(parent), state_(state) {
    setAccessibleName(QStringLiteral("Dictation"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    frame_ = new design::PaneFrame(this);
    frame_->setSpacing(24);
    outer->addWidget(frame_);
    QWidget* body = frame_->contentWidget();
    // The list grows as its rows are measured; what stands above it stays as it was painted.
    body->setAttribute(Qt::WA_StaticContents);

    header_ = new HistoryHeader(controller, body);
    frame_->content()->addWidget(header_);

    empty_ = new QWidget(body);
    auto* emptyColumn = new QVBoxLayout(empty_);
    emptyColumn->setContentsMargins(0, 40, 0, 40);
    emptyColumn->setSpacing(8);
    emptyColumn->addWidget(new design::WrappingLabel(QStringLiteral("Nothing dictated yet"),
                                                     Theme::font(14, QFont::Medium), Theme::label,
                                                     empty_));
    emptyHint_ = new design::WrappingLabel(QString(), Theme::font(12), Theme::silver, empty_);
    emptyColumn->addWidget(emptyHint_);
    frame_->content()->addWidget(empty_);

    search_ = new SearchField(state_, body);
    frame_->content()->addWidget(search_);

    list_ = new HistoryList(state_, EntryActions(state_, std::move(playSound)), body);
    frame_->content()->addWidget(list_);

    noMatch_ = new design::WrappingLabel(QString(), Theme::font(12), Theme::silver, body);
    frame_->content()->addWidget(noMatch_);

    notice_ = new NoticeOverlay(state_, this);

    auto* dayWatch = new DayWatch(state_.clock(), &DayCalendar::current, this);
    const auto forgetWhole = [this] {
        whole_.reset();
    };
    connect(&History::shared(), &History::entriesChanged, this, forgetWhole);
    connect(&History::shared(), &History::entriesChanged, this, &DictationView::refreshList);
    // The figures follow a change once the list shows it: a delete is seen a frame sooner.
    figuresTimer_.setSingleShot(true);
    figuresTimer_.setInterval(0);
    connect(&figuresTimer_, &QTimer::timeout, this, &DictationView::refreshFigures);
    connect(&History::shared(), &History::entriesChanged, &figuresTimer_,
            qOverload<>(&QTimer::start));
    connect(dayWatch, &DayWatch::dayChanged, this, forgetWhole);
    connect(dayWatch, &DayWatch::dayChanged, this, &DictationView::refreshList);
    connect(dayWatch, &DayWatch::dayChanged, this, &DictationView::refreshFigures);
    connect(&state_, &AppState::searchChanged, this, &DictationView::refreshList);
    connect(&Preferences::shared(), &Preferences::bindingsChanged, this,
            &DictationView::refreshHint);
    connect(frame_->verticalScrollBar(), &QScrollBar::valueChanged, list_, &HistoryList::viewMoved);
    connect(list_, &HistoryList::shiftedAboveView, this, [this](int delta) {
        // The list's new height reaches the scroll range only once the layouts have run.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QScrollBar* bar = frame_->verticalScrollBar();
        bar->setValue(bar->value() + delta);
    });
    connect(list_, &HistoryList::rowNeedsShowing, this, [this](const QRect& rect) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        // A row taller than the view is shown from its first line, whichever way the view moves.
        constexpr int margin = 8;
        QScrollBar* bar = frame_->verticalScrollBar();
        const int top = list_->mapTo(frame_->contentWidget(), rect.topLeft()).y() - margin;
        const int height = rect.height() + 2 * margin;
        const int view = frame_->viewport()->height();
        if (top < bar->value() || height > view) {
            bar->setValue(top);
        } else if (top + height > bar->value() + view) {
            bar->setValue(top + height - view);
        }
    });
    refreshHint();
    refreshList();
    refreshFigures();
}

DictationView::~DictationView() = default;

void DictationView::refreshHint() {
    emptyHint_->setText(history_texts::emptyHintText(Preferences::shared().primaryLabel()));
}

void DictationView::refreshFigures() {
    header_->rail()->refresh(state_.clock().utcNow());
}

DictationView::Grouped DictationView::group(const QList<HistoryEntry>& entries) const {
    Grouped grouped{History::shared().grouped(entries), {}};
    const QDateTime now = state_.clock().utcNow();
    const DayCalendar calendar = DayCalendar::current();
    grouped.captions.reserve(grouped.groups.size());
    for (const History::DayGroup& group : std::as_const(grouped.groups)) {
        grouped.captions << history_texts::dayLabel(group.day, now, calendar);
    }
    return grouped;
}

void DictationView::refreshList() {
    const History& history = History::shared();
    const bool empty = history.entries().isEmpty();
    empty_->setVisible(empty);
    search_->setVisible(!empty);

    // Hidden children take no room in the stack, so what the pane leaves out leaves no gap.
    const QList<HistoryEntry> found =
        empty ? QList<HistoryEntry>() : history.search(state_.search());
    Grouped shown;
    if (!empty && text::trimSpacesAndTabs(state_.search()).isEmpty()) {
        if (!whole_) {
            whole_ = group(found);
        }
        shown = *whole_;
    } else {
        shown = group(found);
    }
    list_->setGroups(std::move(shown.groups), std::move(shown.captions));
    list_->setVisible(!found.isEmpty());

    const bool nothingFound = !empty && found.isEmpty();
    noMatch_->setText(history_texts::noMatchText(state_.search()));
    noMatch_->setVisible(nothingFound);
}

} // namespace tavik::panes
