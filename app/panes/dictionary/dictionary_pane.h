#pragma once

#include "app/panes/dictionary/vocabulary_draft.h"
#include "app/shell/design/pane_frame.h"

#include <QStringList>

#include <vector>

class QLabel;
class QPushButton;

namespace tavik {
class DictationController;
class Vocabulary;
namespace design {
class Card;
class FlowRow;
class TavikField;
} // namespace design
} // namespace tavik

namespace tavik::panes {

class TermRow;

//   Dictionary                                      30 px title over the 12 px subtitle
//   Names, products and jargon …
//   [ Add a name or term                    ] (Add)  field + default button, 6 apart
//   ╭─────────────────────────────────────────╮
//   │ Acme                                  ⊗ │    one row per term, 14/9 padding,
//   │─────────────────────────────────────────│    a hairline under every row but the last
//   │ Kubernetes                            ⊗ │    (or "Empty — …" when there is none)
//   ╰─────────────────────────────────────────╯
//   SUGGESTIONS                                      only while a suggestion is left
//   (Veltrano) (Quillmark) (Lumenfold)               rows of three quiet buttons
//   Offered, not added — …
//
// The user's custom terms. Every change is one assignment of the whole list to the vocabulary,
// then the controller reloads what recognition uses, so the next dictation has it.
class DictionaryPane final : public design::PaneFrame {
    Q_OBJECT
public:
    explicit DictionaryPane(DictationController& controller, QWidget* parent = nullptr);
    ~DictionaryPane() override;

    VocabularyDraft& draft() { return draft_; }
    design::Card* termsCard() const { return card_; }
    design::FlowRow* suggestionRows() const { return suggestionRows_; }

private:
    void add();
    void remove(TermRow* row);
    void adopt(const QString& suggestion);
    void assign(const QStringList& terms);

    void showTerms(const QStringList& terms);
    void showSuggestions(const QStringList& terms);
    void showDraft();

    DictationController& controller_;
    Vocabulary& vocabulary_;
    VocabularyDraft draft_;

    design::TavikField* field_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QLabel* emptyText_ = nullptr;
    design::Card* card_ = nullptr;
    std::vector<TermRow*> rows_;
    QWidget* suggestions_ = nullptr;
    design::FlowRow* suggestionRows_ = nullptr;
    QStringList shownSuggestions_;
};

} // namespace tavik::panes
