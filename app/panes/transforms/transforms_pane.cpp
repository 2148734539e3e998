#include "app/panes/transforms/transforms_pane.h"

#include "app/panes/transforms/ai_transform_row.h"
#include "app/panes/transforms/transform_rules.h"
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

namespace {

QWidget* stack(QWidget* parent, int spacing, QVBoxLayout** layout) {
    auto* widget = new QWidget(parent);
    *layout = new QVBoxLayout(widget);
    (*layout)->setContentsMargins(0, 0, 0, 0);
    (*layout)->setSpacing(spacing);
    return widget;
}

QWidget* localRow(TransformKind kind, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(14, 9, 14, 9);
    line->setSpacing(8);
    line->addWidget(new design::GlyphView(QStringLiteral("bolt.fill"), 9, Theme::mist, row), 0,
                    Qt::AlignVCenter);
    line->addWidget(
        design::makeText(transform_kind::label(kind), Theme::font(12), Theme::label, row), 0,
        Qt::AlignVCenter);
    line->addStretch(1);
    line->addWidget(
        design::makeText(QStringLiteral("instant"), Theme::font(10), Theme::silver, row), 0,
        Qt::AlignVCenter);
    row->setAccessibleName(transform_kind::label(kind));
    return row;
}

} // namespace

TransformsPane::TransformsPane(QWidget* parent)
    : design::PaneFrame(parent), transforms_(Transforms::shared()) {
    QWidget* body = contentWidget();
    setSpacing(18);
    addHeader(QStringLiteral("Transforms"),
              QStringLiteral("Rewrite something you already dictated. Hover any line in "
                             "Dictation and pick a transform."));

    QVBoxLayout* local = nullptr;
    content()->addWidget(stack(body, 8, &local));
    local->addWidget(new design::SectionLabel(QStringLiteral("On this machine")));
    localCard_ = new design::Card(0);
    localCard_->setAccessibleName(QStringLiteral("On this machine"));
    for (const TransformKind kind : transforms::localKinds()) {
        localCard_->addRow(localRow(kind, localCard_));
    }
    local->addWidget(localCard_);

    QVBoxLayout* ai = nullptr;
    content()->addWidget(stack(body, 8, &ai));
    auto* heading = new QWidget;
    auto* headingRow = design::tightRow(heading, 6);
    headingRow->addWidget(new design::SectionLabel(QStringLiteral("Using Claude"), heading), 0,
                          Qt::AlignVCenter);
    headingRow->addWidget(
        new design::GlyphView(QStringLiteral("arrow.up.right.square"), 9, Theme::phosphor, heading),
        0, Qt::AlignVCenter);
    headingRow->addWidget(design::makeText(QStringLiteral("leaves this machine"), Theme::font(10),
                                           Theme::phosphor, heading),
                          0, Qt::AlignVCenter);
    headingRow->addStretch(1);
    ai->addWidget(heading);
    ai->addWidget(design::makeText(
        QStringLiteral("Everything else in Tavik runs on this machine. AI transforms are the one "
                       "exception: the text being rewritten is sent to Anthropic. One runs only "
                       "when you pick it yourself."),
        Theme::font(11), Theme::silver, nullptr, true));

    auto* form = new QWidget;
    auto* formRow = design::tightRow(form, 6);
    name_ = new design::TavikField(QStringLiteral("Name"), form);
    name_->setFixedWidth(140);
    instruction_ = new design::TavikField(
        QStringLiteral("Instruction, e.g. “make this a polite email”"), form);
    addButton_ = new QPushButton(QStringLiteral("Add"), form);
    formRow->addWidget(name_, 0, Qt::AlignVCenter);
    formRow->addWidget(instruction_, 1, Qt::AlignVCenter);
    formRow->addWidget(addButton_, 0, Qt::AlignVCenter);
    ai->addWidget(form);

    aiCard_ = new design::Card(0, body);
    aiCard_->setAccessibleName(QStringLiteral("AI transforms"));
    content()->addWidget(aiCard_);

    // Return in either field adds nothing: only the button adds.
    connect(name_, &design::TavikField::textEdited, &draft_, &TransformDraft::setName);
    connect(instruction_, &design::TavikField::textEdited, &draft_,
            &TransformDraft::setInstruction);
    connect(addButton_, &QPushButton::clicked, this, &TransformsPane::add);
    connect(&draft_, &TransformDraft::nameChanged, this, &TransformsPane::showDraft);
    connect(&draft_, &TransformDraft::instructionChanged, this, &TransformsPane::showDraft);
    connect(&transforms_, &Transforms::itemsChanged, this, &TransformsPane::showItems);

    showItems(transforms_.items());
    showDraft();
}

TransformsPane::~TransformsPane() = default;

void TransformsPane::add() {
    if (!transforms::canAdd(draft_.name(), draft_.instruction())) {
        return;
    }
    transforms_.setItems(
        transforms::withAdded(transforms_.items(), draft_.name(), draft_.instruction()));
    draft_.setName(QString());
    draft_.setInstruction(QString());
}

void TransformsPane::deleteTransform(const QUuid& id) {
    const std::optional<std::size_t> focused = rows_.focusedDelete(id);
    transforms_.setItems(transforms::without(transforms_.items(), id));
    if (focused) {
        rows_.refocus(*focused, name_);
    }
}

void TransformsPane::showItems(const QList<Transforms::Transform>& items) {
    const QList<Transforms::Transform> ai = transforms::aiItems(items);
    aiCard_->setVisible(!ai.isEmpty());
    QList<QUuid> ids;
    ids.reserve(ai.size());
    for (const auto& transform : ai) {
        ids.append(transform.id);
    }
    // Rows go straight into the card's stack: AI transforms stand without separators.
    const auto& rows = rows_.reconcile(ids, [this] {
        auto* row = new AiTransformRow(aiCard_);
        connect(row, &AiTransformRow::deleteClicked, this, &TransformsPane::deleteTransform);
        aiCard_->contentLayout()->addWidget(row);
        return row;
    });
    for (qsizetype i = 0; i < ai.size(); ++i) {
        rows[std::size_t(i)]->setTransform(ai[i]);
    }
}

void TransformsPane::showDraft() {
    name_->setText(draft_.name());
    instruction_->setText(draft_.instruction());
    addButton_->setEnabled(transforms::canAdd(draft_.name(), draft_.instruction()));
}

} // namespace tavik::panes
