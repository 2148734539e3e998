#include "app/panes/insights/insights_view.h"

#include "app/panes/insights/insights_widgets.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/surfaces.h"
#include "app/shell/design/theme.h"
#include "app/stores/day_watch.h"
#include "app/stores/history.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tavik::panes {

using design::Theme;

namespace {

constexpr int blockSpacing = 26;
constexpr int lineSpacing = 8;
constexpr int defaultSpacing = 8;

QVBoxLayout* column(QWidget* owner, int spacing) {
    auto* layout = design::tightColumn(owner, spacing);
    return layout;
}

// "name …………… value" on one line: the name takes what the value leaves and is elided there.
QWidget* figureLine(const QString& name, const QFont& nameFont, const QString& value,
                    const QFont& valueFont, const QColor& valueColor, QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* row = design::tightRow(line, defaultSpacing);
    row->addWidget(new design::ElidedLabel(name, nameFont, Theme::label, line), 1);
    // The spacer's least length and the spacing on both its sides (a box layout puts no spacing
    // next to a spacer item).
    row->addSpacing(defaultSpacing + defaultSpacing);
    row->addWidget(design::makeText(value, valueFont, valueColor, line));
    return line;
}

QWidget* block(const QString& heading, QWidget* parent, QVBoxLayout** content) {
    auto* box = new QWidget(parent);
    QVBoxLayout* layout = column(box, lineSpacing);
    layout->addWidget(new design::SectionLabel(heading, box));
    *content = layout;
    return box;
}

} // namespace

QColor InsightsView::warningColor() {
    return design::colorFromHex(0xFF9F0A);
}

QColor InsightsView::goodColor() {
    return design::colorFromHex(0x30D158);
}

InsightsView::InsightsView(QWidget* parent, platform::Clock& clock)
    : QWidget(parent), clock_(clock) {
    setAccessibleName(QStringLiteral("Insights"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    frame_ = new design::PaneFrame(this);
    frame_->setSpacing(blockSpacing);
    frame_->addHeader(QStringLiteral("Insights"));
    outer->addWidget(frame_);
    connect(&History::shared(), &History::entriesChanged, this, &InsightsView::refresh);
    connect(new DayWatch(clock_, &DayCalendar::current, this), &DayWatch::dayChanged, this,
            &InsightsView::refresh);
    refresh();
}

void InsightsView::refresh() {
    const History& history = History::shared();
    texts_ = insightsTexts(
        HistoryFigures::of(HistoryStatistics::shared(), history.entries(), clock_.utcNow()));
    // Nothing in the body takes input, so it is simply made again; the old one goes once the
    // event loop is back, in case this change came from inside one of its own events.
    if (body_ != nullptr) {
        body_->hide();
        frame_->content()->removeWidget(body_);
        body_->deleteLater();
    }
    body_ = makeBody();
    frame_->content()->insertWidget(1, body_);
    body_->show(); // a layout would only show it once the event loop comes round
}

QWidget* InsightsView::makeBody() {
    auto* body = new QWidget(frame_->contentWidget());
    QVBoxLayout* blocks = column(body, blockSpacing);
    if (texts_.empty) {
        blocks->addWidget(new design::WrappingLabel(InsightsTexts::emptyText(), Theme::font(12),
                                                    Theme::silver, body));
        return body;
    }

    auto* cards = new QWidget(body);
    auto* cardRow = design::tightRow(cards, 12);
    for (const InsightsTexts::Card& card : texts_.cards) {
        cardRow->addWidget(new StatCard(card.value, card.label, card.glyph, cards), 1,
                           Qt::AlignVCenter);
    }
    blocks->addWidget(cards);

    QVBoxLayout* content = nullptr;
    if (texts_.timeSentence) {
        blocks->addWidget(block(QStringLiteral("Time"), body, &content));
        QWidget* box = content->parentWidget();
        content->addWidget(
            new design::WrappingLabel(*texts_.timeSentence, Theme::font(12), Theme::label, box));
        content->addWidget(new design::WrappingLabel(InsightsTexts::timeNote(), Theme::font(10),
                                                     Theme::silver, box));
    }

    blocks->addWidget(block(QStringLiteral("Where it goes"), body, &content));
    for (const InsightsTexts::AppRow& app : texts_.apps) {
        QWidget* box = content->parentWidget();
        content->addWidget(
            figureLine(app.app, Theme::font(12), app.count, Theme::font(12), Theme::silver, box));
        if (app.barFraction) {
            content->addWidget(new ProportionBar(*app.barFraction, box));
        }
    }

    blocks->addWidget(block(QStringLiteral("Reliability"), body, &content));
    QWidget* box = content->parentWidget();
    const QFont medium = Theme::font(12, QFont::Medium);
    content->addWidget(figureLine(QStringLiteral("Insertions that reached the app"),
                                  Theme::font(12), texts_.success, medium,
                                  texts_.successIsWarning ? warningColor() : goodColor(), box));
    if (texts_.latency) {
        content->addWidget(figureLine(QStringLiteral("Median time from speech to text"),
                                      Theme::font(12), *texts_.latency, medium, Theme::label, box));
    }
    if (texts_.failedSentence) {
        content->addWidget(
            new design::WrappingLabel(*texts_.failedSentence, Theme::font(10), Theme::silver, box));
    }
    return body;
}

} // namespace tavik::panes
