#pragma once

#include "app/panes/snippets/keyed_rows.h"
#include "app/panes/snippets/snippet_draft.h"
#include "app/shell/design/pane_frame.h"
#include "app/stores/snippets.h"

class QLabel;
class QPushButton;

namespace tavik::design {
class Card;
class TavikField;
} // namespace tavik::design

namespace tavik::panes {

class SnippetRow;

//   Snippets
//   Say the phrase on the left, and the text on the right appears instead. …
//   [ Say this… (170) ] → [ …and get this                  ] (Add)
//   ╭──────────────────────────────────────────────────────────╮
//   │ (● ) my email      →  someone@example.com              ⊗ │
//   │──────────────────────────────────────────────────────────│
//   │ ( ●) sign off      →  Best wishes, Ingrid              ⊗ │  (half opacity while off)
//   ╰──────────────────────────────────────────────────────────╯   or "No snippets yet."
//   Longer triggers win over shorter ones, so “my work email” is not eaten by “my email”.
//
// Every change is one assignment of the whole list to the snippet store, which saves it; the
// controller reads the store on each dictation, so the next one uses it.
class SnippetsPane final : public design::PaneFrame {
    Q_OBJECT
public:
    explicit SnippetsPane(QWidget* parent = nullptr);
    ~SnippetsPane() override;

    SnippetDraft& draft() { return draft_; }
    const std::vector<SnippetRow*>& rows() const { return rows_.rows(); }
    design::Card* card() const { return card_; }

    // Switches the first snippet of `id` on or off; nothing when there is none any more.
    void setSnippetEnabled(const QUuid& id, bool enabled);

private:
    void add();
    void deleteSnippet(const QUuid& id);
    void showItems(const QList<Snippet>& items);
    void showDraft();

    Snippets& snippets_;
    SnippetDraft draft_;

    design::TavikField* trigger_ = nullptr;
    design::TavikField* expansion_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QLabel* emptyText_ = nullptr;
    design::Card* card_ = nullptr;
    KeyedRows<SnippetRow> rows_;
};

} // namespace tavik::panes
