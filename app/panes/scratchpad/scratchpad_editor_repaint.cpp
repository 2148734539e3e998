#include "app/panes/scratchpad/scratchpad_editor.h"

#include "app/stores/scratchpad.h"

#include <QPaintEvent>

#include <cmath>

namespace tavik::panes {

namespace {

// Neighbouring lines may show ink over each other's edge (marks above and below a line); a line
// kept as it was still has these pixels repainted with the line that changed beside it.
constexpr qreal overlap = 3;

bool mayRunRightToLeft(QChar c) {
    switch (c.direction()) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirAN:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirRLI:
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirLRI:
    case QChar::DirFSI:
    case QChar::DirPDF:
    case QChar::DirPDI:
        return true;
    default:
        return false;
    }
}

} // namespace

std::vector<ScratchpadEditor::ShownLine> ScratchpadEditor::linesInView() {
    std::vector<ShownLine> lines;
    const qreal top = viewTop();
    const qreal bottom = top + viewport()->height();
    for (PadLine line = layout_.lineAt(top); line.isValid() && line.top() < bottom;
         line = layout_.below(line)) {
        lines.push_back(
            {line.start(), line.line.textLength(), line.top() - top, line.line.height()});
    }
    return lines;
}

QRect ScratchpadEditor::caretInView(const std::vector<ShownLine>& lines) {
    if (lines.empty() || caret_ < lines.front().start ||
        caret_ > lines.back().start + lines.back().length) {
        return {};
    }
    return caretRect().adjusted(-1, 0, 1, 0);
}

bool ScratchpadEditor::comparableWithShown(const std::vector<ShownLine>& lines) {
    if (!shown_.valid || shown_.selection || hasSelection() || !preedit_.isEmpty() ||
        dropAt_ >= 0 || lines.empty()) {
        return false;
    }
    const QStringView inView = QStringView(text()).sliced(
        lines.front().start, lines.back().start + lines.back().length - lines.front().start);
    return std::none_of(inView.begin(), inView.end(), mayRunRightToLeft);
}

// A line that holds the very characters it held, at the same place and width, looks as it did:
// the edit changed only the lines around it, and what moved below the text's end.
void ScratchpadEditor::repaintEdited(qsizetype position, const QString& removed,
                                     qsizetype inserted) {
    std::vector<ShownLine> lines = linesInView();
    QRegion stale(viewport()->rect());
    if (comparableWithShown(lines) &&
        std::none_of(text().begin() + position, text().begin() + position + inserted,
                     mayRunRightToLeft) &&
        std::none_of(removed.begin(), removed.end(), mayRunRightToLeft)) {
        // Runs of lines kept as they were.
        std::vector<std::pair<qreal, qreal>> kept;
        auto old = shown_.lines.cbegin();
        for (const ShownLine& line : lines) {
            old = std::lower_bound(old, shown_.lines.cend(), line.top,
                                   [](const ShownLine& shown, qreal y) { return shown.top < y; });
            if (old == shown_.lines.cend()) {
                break;
            }
            if (old->top != line.top || old->height != line.height || old->length != line.length) {
                continue;
            }
            const bool before = old->start + old->length <= position && old->start == line.start;
            const bool after = old->start >= position + removed.size() &&
                               line.start == old->start - removed.size() + inserted;
            if (!before && !after) {
                continue;
            }
            if (!kept.empty() && kept.back().second >= line.top - 0.5) {
                kept.back().second = line.top + line.height;
            } else {
                kept.emplace_back(line.top, line.top + line.height);
            }
        }
        const qreal viewBottom = lines.back().top + lines.back().height;
        for (const auto& [from, to] : kept) {
            // Shrunk only where a changed line is next to it.
            const int first = int(std::ceil(from + (from > lines.front().top + 0.5 ? overlap : 0)));
            const int last = int(std::floor(to - (to < viewBottom - 0.5 ? overlap : 0)));
            if (last > first) {
                stale -= QRect(0, first, viewport()->width(), last - first);
            }
        }
        stale += shown_.caret;
    }
    viewport()->update(stale);
    shown_.lines = std::move(lines);
}

void ScratchpadEditor::repaintCaret() {
    if (!comparableWithShown(shown_.lines)) {
        viewport()->update();
        return;
    }
    const QRect caret = caretInView(shown_.lines);
    viewport()->update(QRegion(shown_.caret) + caret);
    shown_.caret = caret;
}

// After a paint the view shows the layout as it now is. Laying out a line for the paint can
// mend the wrapping of the lines after it; those are painted again when they were not just now.
void ScratchpadEditor::recordShown(const QRegion& painted) {
    std::vector<ShownLine> lines = linesInView();
    if (shown_.valid && lines != shown_.lines &&
        !QRegion(viewport()->rect()).subtracted(painted).isEmpty()) {
        viewport()->update();
    }
    shown_.caret = caretInView(lines);
    shown_.lines = std::move(lines);
    shown_.selection = hasSelection();
    shown_.valid = true;
}

} // namespace tavik::panes
