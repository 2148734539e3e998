#include "app/panes/history/notice_overlay.h"

#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"
#include "app/shell/state/app_state.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace tavik::panes {

using design::Theme;

namespace {

// Assistive technology learns of a notice as a notification, which screen readers speak when it
// shows, rather than as an anonymous part of the window.
class NoticeAccessible final : public QAccessibleWidget {
public:
    explicit NoticeAccessible(QWidget* notice)
        : QAccessibleWidget(notice, QAccessible::Notification) {}
};

QAccessibleInterface* makeNoticeAccessible(const QString&, QObject* object) {
    if (auto* notice = qobject_cast<NoticeOverlay*>(object)) {
        return new NoticeAccessible(notice);
    }
    return nullptr;
}

} // namespace

NoticeOverlay::NoticeOverlay(AppState& state, QWidget* parent)
    : QWidget(parent), state_(state), wrapped_(Theme::font(12), Qt::AlignHCenter), fade_(this, 0) {
    // Before anything asks for this widget's accessible interface, so the first one made is ours.
    static const bool installed = [] {
        QAccessible::installFactory(&makeNoticeAccessible);
        return true;
    }();
    (void)installed;
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
    parent->installEventFilter(this);
    connect(&state_, &AppState::noticeChanged, this, &NoticeOverlay::follow);
    follow();
}

void NoticeOverlay::follow() {
    const std::optional<QString>& notice = state_.notice();
    if (notice) {
        // A newer notice replaces the text at once; only coming and going fade.
        text_ = *notice;
        isError_ = state_.noticeIsError();
        setAccessibleName(text_);
        place();
        show();
        raise();
        fade_.animateTo(1, fadeMs, design::Motion::easeInOut());
    } else if (isVisible()) {
        fade_.animateTo(0, fadeMs, design::Motion::easeInOut());
        const auto hideIfStillGone = [this] {
            if (!state_.notice()) {
                hide();
            }
        };
        if (design::Motion::enabled()) {
            QTimer::singleShot(fadeMs, this, hideIfStillGone);
        } else {
            hideIfStillGone();
        }
    }
    update();
}

void NoticeOverlay::place() {
    const QWidget* pane = parentWidget();
    const qreal available = std::min<qreal>(maxWidth, pane->width());
    const qreal width = std::min(available, std::ceil(wrapped_.naturalWidth(text_)) + 2 * paddingX);
    const qreal height =
        std::ceil(wrapped_.height(text_, std::max<qreal>(1, width - 2 * paddingX))) + 2 * paddingY;
    const int w = int(std::ceil(width));
    const int h = int(height);
    setGeometry((pane->width() - w) / 2, pane->height() - bottomGap - h, w, h);
}

bool NoticeOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        place();
    }
    return QWidget::eventFilter(watched, event);
}

void NoticeOverlay::paintEvent(QPaintEvent*) {
    const double opacity = fade_.value();
    if (opacity <= 0) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity);
    QColor border = Theme::hairline;
    if (isError_) {
        border = Theme::phosphor;
        border.setAlphaF(0.5f);
    }
    design::paint::surface(painter, rect(), Theme::radiusCard, Theme::kelp, border);
    painter.setPen(isError_ ? Theme::phosphor : Theme::platinum);
    wrapped_.draw(painter, text_, QPointF(paddingX, paddingY), width() - 2 * paddingX);
}

} // namespace tavik::panes
