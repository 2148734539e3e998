#pragma once

#include "app/dictation/dictation_ports.h"
#include "app/dictation/dictation_state.h"
#include "app/shell/state/app_state.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QLabel;

namespace tavik {

class DictationController;

// One section of the sidebar: its glyph and title, filled in kelp while it is the section on
// show. The whole row is the button, the space right of the title included.
class SidebarRow final : public QAbstractButton {
    Q_OBJECT
public:
    SidebarRow(AppState::Section section, QWidget* parent = nullptr);

    AppState::Section section() const { return section_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr int paddingV = 7;
    static constexpr int paddingH = 10;
    static constexpr int glyphBox = 16;
    static constexpr int glyphSize = 12;
    static constexpr int spacing = 9;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    AppState::Section section_;
};

// The status dot of the footer.
class StatusDot final : public QWidget {
public:
    explicit StatusDot(QWidget* parent = nullptr);
    void setColor(const QColor& color);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

// The main window's left column, 190 wide over Theme::deep:
//
//   [mark] Tavik            brand row (16 left/right, 28 above, 18 below)
//   [glyph] Dictation       seven section rows, 8 in from each side
//   [glyph] Insights
//   …
//                           (spare height)
//   (•) Ready               footer: state of the dictation (16 left/right, 18 below)
//       Could not load …    the last problem, only while no tray shows Tavik's menu
//   3 dictations saved
//
// It keeps no state of its own: it shows the controller's state and last problem, AppState's
// section and the history's count, and writes only AppState's section.
class Sidebar final : public QWidget {
    Q_OBJECT
public:
    Sidebar(DictationController& controller, AppState& state, QWidget* parent = nullptr);

    SidebarRow* row(AppState::Section section) const;
    QString statusText() const;
    QColor statusColor() const;
    QString countText() const;
    // The problem line under the state: the tray menu's line for the controller's last error,
    // shown here while no tray shows that menu. Empty while it is hidden.
    QString problemText() const;

    static constexpr int columnWidth = 190;
    static constexpr int statusLines = 8;
    // The footer's text for a state: no ellipses, unlike the tray menu's.
    static QString statusText(const dictation::State& state);
    static QColor statusColor(const dictation::State& state);
    // Ready only when a press could start: with no microphone to record from (none connected,
    // or the sound server away) it says what the press would say.
    static dictation::State shownState(const dictation::State& state,
                                       const dictation::MicrophoneStatus& microphone);
    static QString countText(qsizetype count);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showState(const dictation::State& state);
    void showSection(AppState::Section section);
    void showCount();
    void showProblem(const std::optional<QString>& problem);

    DictationController& controller_;
    AppState& state_;
    QList<SidebarRow*> rows_;
    StatusDot* dot_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* problem_ = nullptr;
    QLabel* count_ = nullptr;
};

} // namespace tavik
