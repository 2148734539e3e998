#include "app/panes/history/search_field.h"

#include "app/shell/design/glyphs.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"
#include "app/shell/state/app_state.h"

#include <QHBoxLayout>
#include <QPainter>

namespace tavik::panes {

using design::Theme;

namespace {

constexpr int clearSize = 13;

} // namespace

ClearButton::ClearButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    setAccessibleName(QStringLiteral("Clear search"));
    setToolTip(QStringLiteral("Clear search"));
}

QSize ClearButton::sizeHint() const {
    return QSize(clearSize, clearSize);
}

void ClearButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isDown() ? 0.5 : 1.0);
    design::paintGlyph(painter, QStringLiteral("xmark.circle.fill"), rect(), Theme::silver);
    painter.setOpacity(1.0);
    if (hasFocus()) {
        design::paint::focusRing(painter, rect(), clearSize / 2.0);
    }
}

SearchField::SearchField(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), edit_(new QLineEdit(this)), clear_(new ClearButton(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 7, 10, 7);
    row->setSpacing(6);
    auto* glyph = new design::GlyphView(QStringLiteral("magnifyingglass"), 11, Theme::silver, this);
    row->addWidget(glyph, 0, Qt::AlignVCenter);

    edit_->setFrame(false);
    edit_->setFont(Theme::body());
    edit_->setPlaceholderText(QStringLiteral("Search what you have dictated"));
    edit_->setAccessibleName(QStringLiteral("Search what you have dictated"));
    edit_->setTextMargins(0, 0, 0, 0);
    edit_->setContentsMargins(0, 0, 0, 0);
    QPalette palette = edit_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::mist);
    palette.setColor(QPalette::PlaceholderText, Theme::placeholder);
    edit_->setPalette(palette);
    edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
    row->addWidget(edit_, 1, Qt::AlignVCenter);
    row->addWidget(clear_, 0, Qt::AlignVCenter);

    connect(edit_, &QLineEdit::textEdited, &state_, &AppState::setSearch);
    connect(clear_, &QAbstractButton::clicked, &state_, [this] {
        state_.setSearch(QString());
        edit_->setFocus(Qt::OtherFocusReason);
    });
    connect(&state_, &AppState::searchChanged, this, &SearchField::follow);
    setFocusProxy(edit_);
    follow();
}

void SearchField::follow() {
    if (edit_->text() != state_.search()) {
        edit_->setText(state_.search());
    }
    clear_->setVisible(!state_.search().isEmpty());
}

void SearchField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    design::paint::surface(painter, rect(), Theme::radiusSmall, Theme::kelp, Theme::hairline);
}

} // namespace tavik::panes
