#include "app/shell/store_notice_bar.h"

#include "app/shell/design/buttons.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"
#include "app/stores/store_notices.h"

#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace tavik {

using design::Theme;

namespace {

// Screen readers hear the bar as a notification when it shows, like the window's other notices.
class BarAccessible final : public QAccessibleWidget {
public:
    explicit BarAccessible(QWidget* bar) : QAccessibleWidget(bar, QAccessible::Notification) {}
};

QAccessibleInterface* makeBarAccessible(const QString&, QObject* object) {
    if (auto* bar = qobject_cast<StoreNoticeBar*>(object)) {
        return new BarAccessible(bar);
    }
    return nullptr;
}

} // namespace

StoreNoticeBar::StoreNoticeBar(StoreNotices& notices, QWidget* parent)
    : QWidget(parent), notices_(notices) {
    static const bool installed = [] {
        QAccessible::installFactory(&makeBarAccessible);
        return true;
    }();
    (void)installed;
    // As tall as its lines; the pane below takes the rest.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    auto* column = design::tightColumn(this, rowSpacing);
    column->setContentsMargins(marginX + paddingX, marginTop + paddingY, marginX + paddingX,
                               paddingY);
    // Each row: its text, and beside it the one thing to do about it.
    const auto addRow = [this, column](design::WrappingLabel*& label, design::QuietButton*& button,
                                       const QString& action) {
        auto* row = design::tightRow(nullptr, 16);
        label = new design::WrappingLabel(QString(), Theme::font(12), Theme::phosphor, this);
        button = new design::QuietButton(action, this);
        row->addWidget(label, 1, Qt::AlignVCenter);
        row->addWidget(button, 0, Qt::AlignVCenter);
        column->addLayout(row);
    };
    addRow(unsaved_, retry_, QStringLiteral("Try again"));
    addRow(notes_, dismiss_, QStringLiteral("Dismiss"));

    connect(retry_, &QAbstractButton::clicked, &notices_, &StoreNotices::retryNow);
    connect(dismiss_, &QAbstractButton::clicked, &notices_, &StoreNotices::dismissNotes);
    connect(&notices_, &StoreNotices::changed, this, &StoreNoticeBar::follow);
    follow();
}

QString StoreNoticeBar::text() const {
    QStringList lines;
    if (unsaved_->isVisibleTo(this)) {
        lines << unsaved_->text();
    }
    if (notes_->isVisibleTo(this)) {
        lines << notes_->text();
    }
    return lines.join(QLatin1Char('\n'));
}

void StoreNoticeBar::follow() {
    const QString unsaved = notices_.unsavedText();
    const QString notes = notices_.notes().join(QLatin1Char('\n'));
    unsaved_->setText(unsaved);
    unsaved_->setVisible(!unsaved.isEmpty());
    retry_->setVisible(!unsaved.isEmpty());
    notes_->setText(notes);
    notes_->setVisible(!notes.isEmpty());
    dismiss_->setVisible(!notes.isEmpty());
    setAccessibleName(text());
    setVisible(!unsaved.isEmpty() || !notes.isEmpty());
    updateGeometry();
    update();
}

void StoreNoticeBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor border = Theme::phosphor;
    border.setAlphaF(0.5f);
    const QRectF card = QRectF(rect()).adjusted(marginX, marginTop, -marginX, 0);
    design::paint::surface(painter, card, Theme::radiusCard, Theme::kelp, border);
}

} // namespace tavik
