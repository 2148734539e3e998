#include "app/shell/design/surfaces.h"

#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QPainter>

namespace tavik::design {

SectionLabel::SectionLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setFont(headingFont());
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Theme::silver);
    setPalette(p);
    setHeading(text);
}

void SectionLabel::setHeading(const QString& text) {
    setText(headingText(text));
}

QFont SectionLabel::headingFont() {
    return Theme::font(10, QFont::Medium, 1.5);
}

QString SectionLabel::headingText(const QString& text) {
    // QString::toUpper maps by Unicode's full case mapping without the locale ("ß" → "SS").
    return text.toUpper();
}

void SectionLabel::paint(QPainter& painter, const QRectF& rect, const QString& text,
                         Qt::Alignment alignment) {
    painter.save();
    painter.setFont(headingFont());
    painter.setPen(Theme::silver);
    painter.drawText(rect, int(alignment) | Qt::TextSingleLine, headingText(text));
    painter.restore();
}

Card::Card(int padding, QWidget* parent)
    : QWidget(parent), padding_(padding), content_(new QVBoxLayout(this)) {
    content_->setContentsMargins(padding, padding, padding, padding);
    content_->setSpacing(0);
}

void Card::addRow(QWidget* row) {
    if (!rows_) {
        rows_ = new QVBoxLayout;
        rows_->setContentsMargins(0, 0, 0, 0);
        // The gap between two shown rows is the separator's line; QBoxLayout leaves no gap
        // around hidden rows, so separators follow what is shown.
        rows_->setSpacing(1);
        content_->addLayout(rows_);
    }
    rows_->addWidget(row);
    update();
}

QList<QWidget*> Card::rows() const {
    QList<QWidget*> list;
    if (!rows_) {
        return list;
    }
    for (int i = 0; i < rows_->count(); ++i) {
        if (QWidget* widget = rows_->itemAt(i)->widget()) {
            list.append(widget);
        }
    }
    return list;
}

void Card::clearRows() {
    for (QWidget* row : rows()) {
        rows_->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    update();
}

QList<QRectF> Card::separatorRects() const {
    QList<QRectF> rects;
    QWidget* previous = nullptr;
    for (QWidget* row : rows()) {
        if (row->isHidden()) {
            continue;
        }
        if (previous) {
            const QRect g = previous->geometry();
            rects.append(
                QRectF(rows_->geometry().left(), g.bottom() + 1, rows_->geometry().width(), 1));
        }
        previous = row;
    }
    return rects;
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint::surface(painter, rect(), Theme::radiusCard, Theme::kelp, Theme::hairline);
    for (const QRectF& line : separatorRects()) {
        painter.fillRect(line, Theme::hairline);
    }
}

Well::Well(qreal radius, QWidget* parent)
    : QWidget(parent), radius_(radius), content_(new QVBoxLayout(this)) {
    content_->setContentsMargins(0, 0, 0, 0);
    content_->setSpacing(0);
}

void Well::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint::surface(painter, rect(), radius_, Theme::deep, Theme::hairline);
}

} // namespace tavik::design
