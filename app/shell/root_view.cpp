#include "app/shell/root_view.h"

#include "app/shell/design/layouts.h"
#include "app/shell/design/theme.h"
#include "app/shell/sidebar.h"
#include "app/shell/store_notice_bar.h"
#include "app/stores/store_notices.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace tavik {
namespace {

// The standard divider between the sidebar and the pane: one pixel in the hairline colour.
class Divider final : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedWidth(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), design::Theme::hairline);
    }
};

} // namespace

RootView::RootView(DictationController& controller, AppState& state, PaneFactory makePane,
                   QWidget* parent)
    : QWidget(parent), controller_(controller), state_(state), makePane_(std::move(makePane)) {
    auto* row = design::tightRow(this, 0);
    sidebar_ = new Sidebar(controller, state, this);
    row->addWidget(sidebar_);
    row->addWidget(new Divider(this));
    paneHost_ = new QWidget(this);
    paneLayout_ = design::tightColumn(paneHost_, 0);
    // Above every pane: what could not be saved, and files moved aside, whatever section shows.
    noticeBar_ = new StoreNoticeBar(StoreNotices::shared(), paneHost_);
    paneLayout_->addWidget(noticeBar_);
    row->addWidget(paneHost_, 1);

    showSection(state.section());
    connect(&state_, &AppState::sectionChanged, this, [this](AppState::Section section) {
        // The state announces every assignment; only a different section makes a new pane.
        if (section != paneSection_ || !pane_) {
            showSection(section);
        }
    });
}

void RootView::showSection(AppState::Section section) {
    if (pane_) {
        // The pane may be inside one of its own handlers (a button that switched the section).
        pane_->hide();
        paneLayout_->removeWidget(pane_);
        pane_->deleteLater();
    }
    paneSection_ = section;
    pane_ = makePane_ ? makePane_(section, PaneServices{controller_, state_}, paneHost_) : nullptr;
    if (pane_) {
        paneLayout_->addWidget(pane_, 1);
        pane_->show();
    }
}

void RootView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), design::Theme::abyss);
}

} // namespace tavik
