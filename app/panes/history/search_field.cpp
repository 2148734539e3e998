#include "app/panes/history/search_field.h"

#include "app/shell/design/glyph_button.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/one_line.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"
#include "app/shell/state/app_state.h"

#include <QHBoxLayout>
#include <QPainter>

namespace tavik::panes {

using design::Theme;

SearchField::SearchField(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), edit_(new QLineEdit(this)),
      clear_(
          new design::GlyphButton(QStringLiteral("xmark.circle.fill"), 13, Theme::silver, this)) {
    clear_->setAccessibleName(QStringLiteral("Clear search"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 7, 10, 7);
    row->setSpacing(6);
    auto* glyph = new design::GlyphView(QStringLiteral("magnifyingglass"), 11, Theme::silver, this);
    row->addWidget(glyph, 0, Qt::AlignVCenter);

    edit_->setFrame(false);
    design::keepOnOneLine(*edit_);
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
