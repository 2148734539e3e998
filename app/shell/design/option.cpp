#include "app/shell/design/option.h"

#include "app/shell/design/accessibility.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/theme.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace tavik::design {

TavikOption::TavikOption(QWidget* content, QWidget* parent)
    : QAbstractButton(parent), content_(content), row_(new QHBoxLayout(this)) {
    installDesignAccessibility();
    row_->setContentsMargins(10, 7, 10, 7);
    row_->setSpacing(10);
    // The radio mark is painted in this gap; a box layout puts no spacing beside a spacer item,
    // so the gap carries the row's spacing itself.
    row_->addSpacing(mark + row_->spacing());
    if (content_) {
        content_->setParent(this);
        row_->addWidget(content_);
    }
    row_->addStretch(1);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

TavikOption::TavikOption(const QString& text, QWidget* parent)
    : TavikOption(makeText(text, Theme::body(), Theme::mist), parent) {}

void TavikOption::setSelected(bool selected) {
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    update();
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

QString TavikOption::spokenName() const {
    if (!accessibleName().isEmpty()) {
        return accessibleName();
    }
    QStringList parts;
    for (const QLabel* label : findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            parts.append(label->text());
        }
    }
    return parts.join(QLatin1Char(' '));
}

QSize TavikOption::sizeHint() const {
    QSize size = row_->sizeHint();
    size.setHeight(qMax(size.height(), mark + 14));
    return size;
}

QSize TavikOption::minimumSizeHint() const {
    QSize size = row_->minimumSize();
    size.setHeight(qMax(size.height(), mark + 14));
    return size;
}

QRectF TavikOption::markRect() const {
    const QMargins m = row_->contentsMargins();
    return QRectF(m.left(), (height() - mark) / 2.0, mark, mark);
}

void TavikOption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const ControlState state = hook_.resolve(*this, isDown());
    if (selected_) {
        paint::surface(painter, rect(), Theme::radiusSmall, Theme::kelp, Qt::transparent);
    }
    const QRectF ring = markRect();
    paint::strokeInside(painter, ring, mark / 2.0, selected_ ? Theme::mist : Theme::hairlineStrong);
    if (selected_) {
        const QRectF centre(ring.center().x() - dot / 2.0, ring.center().y() - dot / 2.0, dot, dot);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::bioluminescent(centre));
        painter.drawEllipse(centre);
    }
    if (state.focused) {
        paint::focusRing(painter, rect(), Theme::radiusSmall);
    }
}

void TavikOption::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool TavikOption::event(QEvent* event) {
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
        update();
    }
    return QAbstractButton::event(event);
}

} // namespace tavik::design
