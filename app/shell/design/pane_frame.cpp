#include "app/shell/design/pane_frame.h"

#include "app/shell/design/layouts.h"
#include "app/shell/design/theme.h"

namespace tavik::design {

QLabel* makeText(const QString& text, const QFont& font, const QColor& color, QWidget* parent,
                 bool wrap) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    label->setPalette(p);
    label->setWordWrap(wrap);
    return label;
}

PaneFrame::PaneFrame(QWidget* parent)
    : QScrollArea(parent), body_(new QWidget), content_(new QVBoxLayout) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    setBackgroundRole(QPalette::Window);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Theme::abyss);
    setPalette(p);

    auto* outer = new QVBoxLayout(body_);
    outer->setContentsMargins(padding, padding, padding, padding);
    outer->setSpacing(0);
    content_->setContentsMargins(0, 0, 0, 0);
    content_->setSpacing(18);
    outer->addLayout(content_);
    outer->addStretch(1);
    body_->setAutoFillBackground(false);
    setWidget(body_);
}

QWidget* PaneFrame::addHeader(const QString& title, const QString& subtitle, int spacing) {
    auto* header = new QWidget(body_);
    auto* column = tightColumn(header, spacing);
    column->addWidget(makeTitle(title, header));
    if (!subtitle.isEmpty()) {
        column->addWidget(makeSubtitle(subtitle, header));
    }
    content_->addWidget(header);
    return header;
}

QLabel* PaneFrame::makeTitle(const QString& text, QWidget* parent) {
    return makeText(text, Theme::font(30, QFont::Medium, -0.8), Theme::platinum, parent);
}

QLabel* PaneFrame::makeSubtitle(const QString& text, QWidget* parent) {
    return makeText(text, Theme::font(12), Theme::silver, parent, true);
}

} // namespace tavik::design
