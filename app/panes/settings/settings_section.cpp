#include "app/panes/settings/settings_section.h"

#include "app/panes/settings/glyph_label.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/theme.h"

#include <QVBoxLayout>

namespace tavik::panes::settings {

using design::Theme;

SettingsSection::SettingsSection(const QString& title, QWidget* parent) : QWidget(parent) {
    column_ = design::tightColumn(this, 10);
    // Upper-cased as a whole string, and unlike the section labels elsewhere, not spaced out.
    title_ = design::makeText(title.toUpper(), Theme::font(10, QFont::Medium), Theme::silver, this);
    title_->setAccessibleName(title);
    column_->addWidget(title_);
    setAccessibleName(title);
}

void SettingsSection::addContent(QWidget* content, Qt::Alignment alignment) {
    content->setParent(this);
    column_->addWidget(content, 0, alignment);
}

} // namespace tavik::panes::settings
