#include "app/shell/sidebar.h"

#include "app/dictation/dictation_controller.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/mark.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"
#include "app/shell/tray_presence.h"
#include "app/stores/history.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tavik {

using design::Theme;
using Kind = dictation::State::Kind;

namespace {

QFont titleFont() {
    return Theme::font(13);
}

QLabel* plainLabel(const QFont& font, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

// A footer line that wraps within the column. A failure message of absurd length is cut after
// a few lines rather than pushing the window taller than the screen.
QLabel* wrappingLabel(const QFont& font, const QColor& color, QWidget* parent) {
    QLabel* label = plainLabel(font, color, parent);
    label->setWordWrap(true);
    label->setMaximumHeight(QFontMetrics(label->font()).lineSpacing() * Sidebar::statusLines);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

SidebarRow::SidebarRow(AppState::Section section, QWidget* parent)
    : QAbstractButton(parent), section_(section) {
    setText(AppState::title(section));
    setAccessibleName(AppState::title(section));
    // Checked is the section on show; arrow keys move between the rows like between tabs.
    setCheckable(true);
    setAutoExclusive(true);
    setFocusPolicy(Qt::TabFocus);
    setFont(titleFont());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SidebarRow::sizeHint() const {
    const QFontMetrics metrics(font());
    const int content = std::max(metrics.height(), glyphBox);
    return {paddingH * 2 + glyphBox + spacing + metrics.horizontalAdvance(text()),
            paddingV * 2 + content};
}

void SidebarRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (isChecked()) {
        painter.fillPath(design::paint::roundedRect(bounds, Theme::radiusSmall), Theme::kelp);
    }
    if (hasFocus()) {
        design::paint::focusRing(painter, bounds, Theme::radiusSmall);
    }
    const QColor colour = isChecked() ? Theme::mist : Theme::silver;
    const QRectF content = bounds.adjusted(paddingH, paddingV, -paddingH, -paddingV);
    // The glyph is centred in a 16-wide box so the titles line up whatever its width.
    const QRectF glyphFrame(content.left(), content.center().y() - glyphBox / 2.0, glyphBox,
                            glyphBox);
    const QRectF glyph(glyphFrame.center().x() - glyphSize / 2.0,
                       glyphFrame.center().y() - glyphSize / 2.0, glyphSize, glyphSize);
    design::paintGlyph(painter, AppState::icon(section_), glyph, colour);
    painter.setPen(colour);
    painter.setFont(font());
    const QRectF title = content.adjusted(glyphBox + spacing, 0, 0, 0);
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void SidebarRow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

// A menu that pops up (the tray's, a field's) takes the keyboard without moving the focus, and
// gives it back as it closes: the row's ring stays as it is drawn, so neither needs a repaint,
// which would hold the menu's first frame.
void SidebarRow::focusInEvent(QFocusEvent* event) {
    if (event->reason() != Qt::PopupFocusReason) {
        QAbstractButton::focusInEvent(event);
    }
}

void SidebarRow::focusOutEvent(QFocusEvent* event) {
    if (event->reason() != Qt::PopupFocusReason) {
        QAbstractButton::focusOutEvent(event);
    }
}

StatusDot::StatusDot(QWidget* parent) : QWidget(parent), color_(Theme::silver) {
    setFixedSize(7, 7);
}

void StatusDot::setColor(const QColor& color) {
    if (color != color_) {
        color_ = color;
        update();
    }
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(QRectF(rect()));
}

Sidebar::Sidebar(DictationController& controller, AppState& state, QWidget* parent)
    : QWidget(parent), controller_(controller), state_(state) {
    setFixedWidth(columnWidth);
    auto* column = design::tightColumn(this, 0);

    auto* brand = new QHBoxLayout;
    brand->setContentsMargins(16, 28, 16, 18);
    brand->setSpacing(8);
    brand->addWidget(new design::TavikMark(22, this));
    QLabel* name = plainLabel(Theme::font(15, QFont::Medium), Theme::label, this);
    name->setText(QStringLiteral("Tavik"));
    brand->addWidget(name);
    brand->addStretch(1);
    column->addLayout(brand);

    for (AppState::Section section : AppState::allSections()) {
        auto* row = new SidebarRow(section, this);
        connect(row, &QAbstractButton::clicked, this,
                [this, section] { state_.setSection(section); });
        auto* inset = new QHBoxLayout;
        inset->setContentsMargins(8, 0, 8, 0);
        inset->addWidget(row);
        column->addLayout(inset);
        rows_ << row;
    }
    column->addStretch(1);

    auto* footer = new QVBoxLayout;
    footer->setContentsMargins(16, 0, 16, 18);
    footer->setSpacing(6);
    auto* statusLine = new QHBoxLayout;
    statusLine->setSpacing(7);
    dot_ = new StatusDot(this);
    statusLine->addWidget(dot_, 0, Qt::AlignVCenter);
    status_ = wrappingLabel(Theme::font(11, QFont::Medium), Theme::label, this);
    statusLine->addWidget(status_, 1);
    footer->addLayout(statusLine);
    problem_ = wrappingLabel(Theme::font(11), Theme::silver, this);
    // Under the status text, past the dot and its gap.
    problem_->setContentsMargins(dot_->width() + statusLine->spacing(), 0, 0, 0);
    footer->addWidget(problem_);
    count_ = plainLabel(Theme::font(10), Theme::silver, this);
    footer->addWidget(count_);
    column->addLayout(footer);

    showSection(state.section());
    showState(controller.state());
    showCount();
    showProblem(controller.lastError());
    connect(&state_, &AppState::sectionChanged, this, &Sidebar::showSection);
    connect(&controller, &DictationController::stateChanged, this, &Sidebar::showState);
    connect(&controller, &DictationController::microphoneChanged, this,
            [this] { showState(controller_.state()); });
    connect(&controller, &DictationController::lastErrorChanged, this, &Sidebar::showProblem);
    connect(&TrayPresence::shared(), &TrayPresence::shownChanged, this,
            [this] { showProblem(controller_.lastError()); });
    connect(&History::shared(), &History::entriesChanged, this, &Sidebar::showCount);
}

SidebarRow* Sidebar::row(AppState::Section section) const {
    for (SidebarRow* row : rows_) {
        if (row->section() == section) {
            return row;
        }
    }
    return nullptr;
}

QString Sidebar::statusText() const {
    return status_->text();
}

QColor Sidebar::statusColor() const {
    return dot_->color();
}

QString Sidebar::countText() const {
    return count_->text();
}

QString Sidebar::problemText() const {
    return problem_->isHidden() ? QString() : problem_->text();
}

QString Sidebar::statusText(const dictation::State& state) {
    switch (state.kind()) {
    case Kind::loading:
        return QStringLiteral("Loading model");
    case Kind::idle:
        return QStringLiteral("Ready");
    case Kind::recording:
        return QStringLiteral("Listening");
    case Kind::transcribing:
        return QStringLiteral("Transcribing");
    case Kind::failed:
        return state.message();
    }
    return state.message();
}

QColor Sidebar::statusColor(const dictation::State& state) {
    switch (state.kind()) {
    case Kind::loading:
        return Theme::silver;
    case Kind::idle:
    case Kind::transcribing:
        return Theme::mist;
    case Kind::recording:
    case Kind::failed:
        return Theme::phosphor;
    }
    return Theme::silver;
}

QString Sidebar::countText(qsizetype count) {
    return QStringLiteral("%1 dictations saved").arg(count);
}

dictation::State Sidebar::shownState(const dictation::State& state,
                                     const dictation::MicrophoneStatus& microphone) {
    if (state.is(Kind::idle) && !microphone.planned && !microphone.active) {
        return dictation::State::failed(QStringLiteral("Microphone unavailable"));
    }
    return state;
}

// Takes the state as the change signal carries it, so what is shown is what was announced.
void Sidebar::showState(const dictation::State& state) {
    const dictation::State shown = shownState(state, controller_.microphone());
    dot_->setColor(statusColor(shown));
    status_->setText(statusText(shown));
}

void Sidebar::showSection(AppState::Section section) {
    if (SidebarRow* chosen = row(section)) {
        chosen->setChecked(true);
    }
}

// Takes the problem as the change signal carries it, so what is shown is what was announced.
void Sidebar::showProblem(const std::optional<QString>& problem) {
    const bool shown = !TrayPresence::shared().shown() && problem && !problem->isEmpty();
    problem_->setText(shown ? *problem : QString());
    problem_->setVisible(shown);
}

void Sidebar::showCount() {
    count_->setText(countText(History::shared().entries().size()));
}

void Sidebar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::deep);
}

} // namespace tavik
