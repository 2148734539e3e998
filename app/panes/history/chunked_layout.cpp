#include "app/panes/history/chunked_layout.h"

#include "app/shell/design/text_lines.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

namespace {

// Lines at the end of a chunk that the text after it could still change: the last one may end
// early, and the one before it could have been broken differently with more text to look at.
constexpr int unsureLines = 2;
// Chunks drawn recently and kept laid out, so a scroll through the text lays nothing out again:
// enough for the tallest view.
constexpr std::size_t keptDrawn = 8;

} // namespace

ChunkedLayout::ChunkedLayout(QString text, const QFont& font, const QTextOption& option,
                             qreal width)
    : text_(std::move(text)), font_(font), option_(option), width_(width) {
    // A layout takes its direction from the first strong character of its own text; every chunk
    // takes the whole text's.
    if (option_.textDirection() == Qt::LayoutDirectionAuto) {
        option_.setTextDirection(text_.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    }
}

ChunkedLayout::~ChunkedLayout() = default;

std::unique_ptr<QTextLayout> ChunkedLayout::layOut(const Chunk& chunk) const {
    auto layout = std::make_unique<QTextLayout>(text_.mid(chunk.start, chunk.length), font_);
    layout->setTextOption(option_);
    layout->setCacheEnabled(true);
    design::stackLines(*layout, width_);
    return layout;
}

void ChunkedLayout::layOutNextChunk() {
    QElapsedTimer spent;
    spent.start();
    Chunk chunk{next_, std::min(chunkLength, text_.size() - next_)};
    for (;;) {
        const bool last = chunk.start + chunk.length >= text_.size();
        std::unique_ptr<QTextLayout> layout = layOut(chunk);
        const int made = layout->lineCount();
        const int sure = last ? made : made - unsureLines;
        if (sure <= 0) {
            // A chunk narrower than a few lines (an enormous width): take more text.
            chunk.length = std::min(chunk.length * 2, text_.size() - chunk.start);
            continue;
        }
        const int index = int(chunks_.size());
        chunks_.push_back(chunk);
        for (int i = 0; i < sure; ++i) {
            const QTextLine line = layout->lineAt(i);
            lines_.push_back(
                Line{chunk.start + line.textStart(), knownHeight_, line.height(), index, i});
            knownHeight_ += line.height();
        }
        next_ = last ? text_.size() : chunk.start + layout->lineAt(sure).textStart();
        keepDrawn(index, std::move(layout));
        layingOutNs_ += spent.nsecsElapsed();
        return;
    }
}

void ChunkedLayout::advance(qint64 budgetNs) {
    QElapsedTimer spent;
    spent.start();
    do {
        layOutNextChunk();
    } while (!complete() && spent.nsecsElapsed() < budgetNs);
}

void ChunkedLayout::advanceTo(qreal y, qint64 budgetNs) {
    QElapsedTimer spent;
    spent.start();
    for (bool first = true; !complete() && knownHeight_ <= y; first = false) {
        if (!first && spent.nsecsElapsed() >= budgetNs) {
            return;
        }
        layOutNextChunk();
    }
}

qreal ChunkedLayout::height() const {
    if (complete() || next_ == 0) {
        return knownHeight_;
    }
    // The rest at the density of what is known.
    return knownHeight_ + knownHeight_ * qreal(text_.size() - next_) / qreal(next_);
}

QTextLayout& ChunkedLayout::drawnChunk(int chunk) {
    for (auto it = drawn_.begin(); it != drawn_.end(); ++it) {
        if (it->first == chunk) {
            std::rotate(it, it + 1, drawn_.end());
            return *drawn_.back().second;
        }
    }
    return keepDrawn(chunk, layOut(chunks_[std::size_t(chunk)]));
}

QTextLayout& ChunkedLayout::keepDrawn(int chunk, std::unique_ptr<QTextLayout> layout) {
    drawn_.emplace_back(chunk, std::move(layout));
    if (drawn_.size() > keptDrawn) {
        drawn_.erase(drawn_.begin());
    }
    return *drawn_.back().second;
}

bool ChunkedLayout::withinReach(qreal y, qint64 budgetNs) const {
    if (chunks_.empty() || y <= knownHeight_) {
        return true;
    }
    // At the pace of the chunks so far; a frame lays out at least one chunk whatever its budget.
    const qreal chunkHeight = knownHeight_ / qreal(chunks_.size());
    const qreal chunkNs = std::max<qreal>(1, qreal(layingOutNs_) / qreal(chunks_.size()));
    return y - knownHeight_ <= std::max<qreal>(1, qreal(budgetNs) / chunkNs) * chunkHeight;
}

void ChunkedLayout::draw(QPainter& painter, const QPointF& topLeft, const QRectF& clip,
                         qint64 budgetNs) {
    // A view that jumped far below the known lines (to the end of megabytes) waits for them
    // however this frame spends its time: it is drawn at once with what is known, and the lines
    // laid out while the list is idle reach it.
    if (withinReach(clip.top(), budgetNs)) {
        advanceTo(clip.bottom(), budgetNs);
    }
    const auto first = std::partition_point(lines_.begin(), lines_.end(), [&](const Line& line) {
        return line.y + line.height <= clip.top();
    });
    for (auto line = first; line != lines_.end() && line->y < clip.bottom(); ++line) {
        const QTextLine laid = drawnChunk(line->chunk).lineAt(line->indexInChunk);
        laid.draw(&painter, topLeft + QPointF(0, line->y - laid.y()));
    }
}

std::vector<qsizetype> ChunkedLayout::lineStarts() const {
    std::vector<qsizetype> starts;
    starts.reserve(lines_.size());
    for (const Line& line : lines_) {
        starts.push_back(line.start);
    }
    return starts;
}

} // namespace tavik::panes
