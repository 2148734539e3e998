#include "app/panes/scratchpad/scratchpad_pane.h"

#include "app/panes/scratchpad/scratchpad_editor.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/surfaces.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"
#include "app/stores/preferences.h"
#include "app/stores/scratchpad.h"
#include "app/stores/text_graphemes.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>

#include <algorithm>

namespace tavik::panes {

using design::Theme;

ScratchpadPane::ScratchpadPane(QWidget* parent)
    : QWidget(parent), pad_(Scratchpad::shared()), prefs_(Preferences::shared()) {
    QPalette background = palette();
    background.setColor(QPalette::Window, Theme::abyss);
    setPalette(background);
    setAutoFillBackground(true);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(design::PaneFrame::padding, design::PaneFrame::padding,
                               design::PaneFrame::padding, design::PaneFrame::padding);
    column->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(8);
    auto* titles = new QVBoxLayout;
    titles->setContentsMargins(0, 0, 0, 0);
    titles->setSpacing(5);
    titles->addWidget(design::PaneFrame::makeTitle(QStringLiteral("Scratchpad"), this));
    titles->addWidget(design::PaneFrame::makeSubtitle(
        QStringLiteral("Somewhere to talk into before you know where the text belongs."), this));
    header->addLayout(titles, 1);
    toggle_ = new design::TavikToggle(QStringLiteral("Send dictation here"), this);
    header->addWidget(toggle_, 0, Qt::AlignTop);
    column->addLayout(header);

    notice_ = new QWidget(this);
    auto* noticeRow = design::tightRow(notice_, 6);
    noticeRow->addWidget(
        new design::GlyphView(QStringLiteral("arrow.down.circle"), 11, Theme::mist, notice_), 0,
        Qt::AlignVCenter);
    noticeRow->addWidget(design::makeText(QStringLiteral("Dictation is going to the scratchpad, "
                                                         "not to other apps."),
                                          Theme::font(11), Theme::mist, notice_),
                         0, Qt::AlignVCenter);
    noticeRow->addStretch(1);
    column->addWidget(notice_);

    auto* well = new design::Card(10, this);
    editor_ = new ScratchpadEditor(pad_, well);
    well->contentLayout()->addWidget(editor_);
    column->addWidget(well, 1);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(0, 0, 0, 0);
    footer->setSpacing(8);
    count_ = design::makeText({}, Theme::font(10), Theme::silver, this);
    // Named by its own text, so a screen reader reads the count itself.
    count_->setObjectName(QStringLiteral("wordCount"));
    auto* copy = new design::QuietButton(QStringLiteral("Copy all"), this);
    auto* clear = new design::QuietButton(QStringLiteral("Clear"), this);
    footer->addWidget(count_, 0, Qt::AlignVCenter);
    footer->addStretch(1);
    footer->addWidget(copy, 0, Qt::AlignVCenter);
    footer->addWidget(clear, 0, Qt::AlignVCenter);
    column->addLayout(footer);

    connect(toggle_, &QAbstractButton::clicked, &prefs_, &Preferences::setDictateToScratchpad);
    connect(&prefs_, &Preferences::dictateToScratchpadChanged, this, &ScratchpadPane::showRouting);
    connect(&pad_, &Scratchpad::textEdited, this, &ScratchpadPane::countEdit);
    connect(copy, &QAbstractButton::clicked, this, &ScratchpadPane::copyAll);
    connect(clear, &QAbstractButton::clicked, this, [this] {
        // At once and saved, yet Ctrl+Z in the editor brings the text back.
        editor_->clearAll();
        editor_->setFocus(Qt::OtherFocusReason);
    });

    showRouting(prefs_.dictateToScratchpad());
    words_ = text::countWords(pad_.text());
    showCount();
}

ScratchpadPane::~ScratchpadPane() = default;

namespace {

constexpr qsizetype countReach = 4096;

// Where the words of a text can be counted in two parts: at a space, tab or line feed after a
// plain ASCII character other than CR a character of its own always begins, so no word runs
// across. Looked for from `from` backwards or forwards within reach; the text's end counts when
// it is reached. -1 when there is none.
qsizetype splitNear(const QString& text, qsizetype from, bool backwards) {
    const qsizetype step = backwards ? -1 : 1;
    for (qsizetype i = from, n = 0; n < countReach; i += step, ++n) {
        if (i <= 0) {
            return 0;
        }
        if (i >= text.size()) {
            return text.size();
        }
        const char16_t c = text[i].unicode();
        const char16_t before = text[i - 1].unicode();
        if ((c == u' ' || c == u'\n' || c == u'\t') && before < 0x80 && before != u'\r') {
            return i;
        }
    }
    return -1;
}

} // namespace

void ScratchpadPane::countEdit(qsizetype position, const QString& removed, qsizetype inserted) {
    const QString& text = pad_.text();
    const qsizetype after = position + inserted;
    // The stretch around the change that starts and ends where the old and the new text split
    // alike: its characters next to the change are the same in both.
    const qsizetype start = splitNear(text, position - 1, true);
    const qsizetype end = splitNear(text, after + 1, false);
    if (start < 0 || end < 0) {
        words_ = text::countWords(text);
    } else {
        const QString before = text.sliced(start, position - start) + removed +
                               text.sliced(after, std::max(end, after) - after);
        words_ += text::countWords(QStringView(text).sliced(start, std::max(end, after) - start)) -
                  text::countWords(before);
    }
    showCount();
}

void ScratchpadPane::showCount() {
    // Always the plural, "1 words" included.
    count_->setText(QString::number(words_) + QStringLiteral(" words"));
}

void ScratchpadPane::showRouting(bool toScratchpad) {
    // The preference is written from clicks only, so showing its value never writes it back.
    toggle_->setChecked(toScratchpad);
    notice_->setVisible(toScratchpad);
}

void ScratchpadPane::copyAll() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear(QClipboard::Clipboard);
    clipboard->setText(pad_.text(), QClipboard::Clipboard);
}

} // namespace tavik::panes
