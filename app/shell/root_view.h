#pragma once

#include "app/shell/state/app_state.h"
#include "app/shell/state/pane_factory.h"

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace tavik {

class DictationController;
class Sidebar;
class StoreNoticeBar;

// The main window's content, left to right:
//
//   +---------+-+----------------------------------+
//   | Sidebar | | store notices (only when any)    |
//   |  190    |1| pane of the selected section     |
//   |         | |  (fills the rest)                |
//   +---------+-+----------------------------------+
//
// over Theme::abyss. Only the selected pane exists. A pane is made when its section is chosen,
// never on another change the window observes, so what a person types into a pane survives a
// dictation running meanwhile; leaving the section discards it.
class RootView final : public QWidget {
    Q_OBJECT
public:
    RootView(DictationController& controller, AppState& state, PaneFactory makePane,
             QWidget* parent = nullptr);

    Sidebar* sidebar() const { return sidebar_; }
    StoreNoticeBar* noticeBar() const { return noticeBar_; }
    QWidget* pane() const { return pane_; }
    AppState::Section paneSection() const { return paneSection_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showSection(AppState::Section section);

    DictationController& controller_;
    AppState& state_;
    PaneFactory makePane_;
    Sidebar* sidebar_ = nullptr;
    StoreNoticeBar* noticeBar_ = nullptr;
    QWidget* paneHost_ = nullptr;
    QVBoxLayout* paneLayout_ = nullptr;
    QPointer<QWidget> pane_;
    AppState::Section paneSection_ = AppState::Section::dictation;
};

} // namespace tavik
