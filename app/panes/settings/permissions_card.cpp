#include "app/panes/settings/permissions_card.h"

#include "app/panes/settings/glyph_label.h"
#include "app/panes/settings/permissions_model.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace tavik::panes::settings {

using design::Theme;

namespace {

// Paste and typed keys need no permission on this desktop; accessibility is what lets Tavik
// write into the focused field itself, so that is what the card asks for and explains.
const QString accessibilityReason =
    QStringLiteral("Lets Tavik insert text directly into other apps.");

} // namespace

//  ╭ kelp, radius 16, no outline ─────────────────────────╮
//  │ 🛡 Permissions needed                                 │
//  │ Accessibility                                 [Open] │
//  │ Lets Tavik insert text directly into other apps.     │
//  │ [Re-check]                                           │
//  ╰──────────────────────────────────────────────────────╯
PermissionsCard::PermissionsCard(PermissionsModel& permissions, QWidget* parent)
    : QWidget(parent), permissions_(permissions) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);
    column->addWidget(makeGlyphLabel(QStringLiteral("lock.shield"),
                                     QStringLiteral("Permissions needed"), 12, QFont::Medium,
                                     Theme::label, this));

    accessibilityRow_ = new QWidget(this);
    auto* row = design::tightRow(accessibilityRow_, 8);
    auto* words = new QVBoxLayout;
    words->setSpacing(1);
    words->addWidget(design::makeText(QStringLiteral("Accessibility"),
                                      Theme::font(12, QFont::Medium), Theme::label,
                                      accessibilityRow_));
    words->addWidget(new design::WrappingLabel(accessibilityReason, Theme::font(11), Theme::silver,
                                               accessibilityRow_));
    row->addLayout(words, 1);
    open_ = new design::QuietButton(QStringLiteral("Open"), accessibilityRow_);
    // Heard as what it does here: no settings page opens, the switch itself is turned on.
    open_->setAccessibleDescription(QStringLiteral("Switches the desktop's accessibility on."));
    row->addWidget(open_, 0, Qt::AlignTop);
    column->addWidget(accessibilityRow_);

    recheck_ = new design::QuietButton(QStringLiteral("Re-check"), this);
    column->addWidget(recheck_, 0, Qt::AlignLeft);

    connect(open_, &QAbstractButton::clicked, &permissions_, &PermissionsModel::openAccessibility);
    connect(recheck_, &QAbstractButton::clicked, &permissions_, &PermissionsModel::refresh);
    connect(&permissions_, &PermissionsModel::axGrantedChanged, this, &PermissionsCard::refresh);
    connect(&permissions_, &PermissionsModel::micGrantedChanged, this, &PermissionsCard::refresh);
    refresh();
}

void PermissionsCard::refresh() {
    accessibilityRow_->setVisible(!permissions_.axGranted());
    setVisible(!permissions_.allGranted());
}

void PermissionsCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(design::paint::roundedRect(QRectF(rect()), Theme::radiusCard), Theme::kelp);
}

} // namespace tavik::panes::settings
