#include "app/panes/snippets/snippets_pane.h"

#include "app/panes/snippets/snippet_row.h"
#include "app/panes/snippets/snippet_rules.h"
#include "app/shell/design/field.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/surfaces.h"
#include "app/shell/design/theme.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace tavik::panes {

using design::Theme;

SnippetsPane::SnippetsPane(QWidget* parent)
    : design::PaneFrame(parent), snippets_(Snippets::shared()) {
    QWidget* body = contentWidget();
    setSpacing(18);
    addHeader(QStringLiteral("Snippets"),
              QStringLiteral("Say the phrase on the left, and the text on the right appears "
                             "instead. Useful for anything tedious to dictate accurately — "
                             "addresses, sign-offs, boilerplate."));

    auto* form = new QWidget(body);
    auto* formRow = design::tightRow(form, 6);
    trigger_ = new design::TavikField(QStringLiteral("Say this…"), form);
    trigger_->setFixedWidth(170);
    expansion_ = new design::TavikField(QStringLiteral("…and get this"), form);
    addButton_ = new QPushButton(QStringLiteral("Add"), form);
    formRow->addWidget(trigger_, 0, Qt::AlignVCenter);
    formRow->addWidget(
        new design::GlyphView(QStringLiteral("arrow.right"), 10, Theme::silver, form), 0,
        Qt::AlignVCenter);
    formRow->addWidget(expansion_, 1, Qt::AlignVCenter);
    formRow->addWidget(addButton_, 0, Qt::AlignVCenter);
    content()->addWidget(form);

    emptyText_ =
        design::makeText(QStringLiteral("No snippets yet."), Theme::font(12), Theme::silver, body);
    content()->addWidget(emptyText_);
    card_ = new design::Card(0, body);
    card_->setAccessibleName(QStringLiteral("Snippets"));
    content()->addWidget(card_);
    content()->addWidget(design::makeText(QStringLiteral("Longer triggers win over shorter ones, "
                                                         "so “my work email” is not eaten by “my "
                                                         "email”."),
                                          Theme::font(10), Theme::silver, body, true));

    // Return in either field adds nothing: only the button adds.
    connect(trigger_, &design::TavikField::textEdited, &draft_, &SnippetDraft::setTrigger);
    connect(expansion_, &design::TavikField::textEdited, &draft_, &SnippetDraft::setExpansion);
    connect(addButton_, &QPushButton::clicked, this, &SnippetsPane::add);
    connect(&draft_, &SnippetDraft::triggerChanged, this, &SnippetsPane::showDraft);
    connect(&draft_, &SnippetDraft::expansionChanged, this, &SnippetsPane::showDraft);
    connect(&snippets_, &Snippets::itemsChanged, this, &SnippetsPane::showItems);

    showItems(snippets_.items());
    showDraft();
}

SnippetsPane::~SnippetsPane() = default;

void SnippetsPane::add() {
    if (!snippets::canAdd(draft_.trigger(), draft_.expansion())) {
        return;
    }
    snippets_.setItems(
        snippets::withAdded(snippets_.items(), draft_.trigger(), draft_.expansion()));
    draft_.setTrigger(QString());
    draft_.setExpansion(QString());
}

void SnippetsPane::setSnippetEnabled(const QUuid& id, bool enabled) {
    if (const auto next = snippets::withEnabled(snippets_.items(), id, enabled)) {
        snippets_.setItems(*next);
    }
}

void SnippetsPane::deleteSnippet(const QUuid& id) {
    const std::optional<std::size_t> focused = rows_.focusedDelete(id);
    snippets_.setItems(snippets::without(snippets_.items(), id));
    if (focused) {
        rows_.refocus(*focused, trigger_);
    }
}

void SnippetsPane::showItems(const QList<Snippet>& items) {
    emptyText_->setVisible(items.isEmpty());
    card_->setVisible(!items.isEmpty());
    QList<QUuid> ids;
    ids.reserve(items.size());
    for (const Snippet& snippet : items) {
        ids.append(snippet.id);
    }
    const auto& rows = rows_.reconcile(ids, [this] {
        auto* row = new SnippetRow(card_);
        connect(row, &SnippetRow::enabledEdited, this, &SnippetsPane::setSnippetEnabled);
        connect(row, &SnippetRow::deleteClicked, this, &SnippetsPane::deleteSnippet);
        card_->addRow(row);
        return row;
    });
    for (qsizetype i = 0; i < items.size(); ++i) {
        rows[std::size_t(i)]->setSnippet(items[i]);
    }
}

void SnippetsPane::showDraft() {
    trigger_->setText(draft_.trigger());
    expansion_->setText(draft_.expansion());
    addButton_->setEnabled(snippets::canAdd(draft_.trigger(), draft_.expansion()));
}

} // namespace tavik::panes
