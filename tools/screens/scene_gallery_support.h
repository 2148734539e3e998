#pragma once

// Small builders the gallery scenes share: a dark page, captioned cells and rows.
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace tavik::screens::gallery {

// A top-level page on abyss with a vertical stack padded 24.
inline QWidget* page(QVBoxLayout*& stack, int spacing = 18) {
    auto* root = new QWidget;
    root->setAutoFillBackground(true);
    QPalette p = root->palette();
    p.setColor(QPalette::Window, design::Theme::abyss);
    root->setPalette(p);
    stack = new QVBoxLayout(root);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(spacing);
    return root;
}

inline QLabel* caption(const QString& text, QWidget* parent = nullptr) {
    return design::makeText(text, design::Theme::font(10), design::Theme::slate, parent);
}

// A widget over its caption.
inline QWidget* cell(QWidget* content, const QString& text, Qt::Alignment align = Qt::AlignLeft) {
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(content, 0, align);
    column->addWidget(caption(text), 0, align);
    return box;
}

// A row of widgets, left-aligned, `spacing` apart.
inline QHBoxLayout* row(QVBoxLayout* stack, int spacing = 16) {
    auto* line = new QHBoxLayout;
    line->setSpacing(spacing);
    line->setContentsMargins(0, 0, 0, 0);
    stack->addLayout(line);
    return line;
}

inline void heading(QVBoxLayout* stack, const QString& text) {
    stack->addWidget(
        design::makeText(text, design::Theme::font(13, QFont::Medium), design::Theme::platinum));
}

} // namespace tavik::screens::gallery
