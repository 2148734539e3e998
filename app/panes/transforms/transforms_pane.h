#pragma once

#include "app/panes/snippets/keyed_rows.h"
#include "app/panes/transforms/transform_draft.h"
#include "app/shell/design/pane_frame.h"
#include "app/stores/transforms.h"

class QPushButton;

namespace tavik::design {
class Card;
class TavikField;
} // namespace tavik::design

namespace tavik::panes {

class AiTransformRow;

//   Transforms
//   Rewrite something you already dictated. Hover any line in Dictation and pick a transform.
//   ON THIS MACHINE
//   ╭────────────────────────────────────────────╮
//   │ ϟ Bullet list                      instant │  the six local kinds, read-only,
//   │────────────────────────────────────────────│  a hairline under all but "lowercase"
//   │ ϟ lowercase                        instant │
//   ╰────────────────────────────────────────────╯
//   USING CLAUDE ⧉ leaves this machine
//   Everything else in Tavik runs on this machine. …
//   [ Name (140) ] [ Instruction, e.g. “make this a polite email” ] (Add)
//   ╭────────────────────────────────────────────╮  only while there is an AI transform;
//   │ Polite email  make this a polite …       ⊗ │  no separators
//   ╰────────────────────────────────────────────╯
//
// The pane adds and deletes AI transforms only; the stored transforms of the local kinds are
// never touched. Every change is one assignment of the whole list.
class TransformsPane final : public design::PaneFrame {
    Q_OBJECT
public:
    explicit TransformsPane(QWidget* parent = nullptr);
    ~TransformsPane() override;

    TransformDraft& draft() { return draft_; }
    const std::vector<AiTransformRow*>& aiRows() const { return rows_.rows(); }
    design::Card* localCard() const { return localCard_; }
    design::Card* aiCard() const { return aiCard_; }

private:
    void add();
    void deleteTransform(const QUuid& id);
    void showItems(const QList<Transforms::Transform>& items);
    void showDraft();

    Transforms& transforms_;
    TransformDraft draft_;

    design::Card* localCard_ = nullptr;
    design::TavikField* name_ = nullptr;
    design::TavikField* instruction_ = nullptr;
    QPushButton* addButton_ = nullptr;
    design::Card* aiCard_ = nullptr;
    KeyedRows<AiTransformRow> rows_;
};

} // namespace tavik::panes
