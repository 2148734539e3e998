#pragma once

#include "app/shell/state/app_state.h"
#include "app/shell/state/pane_factory.h"
#include "platform/clock.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QTimer>

#include <memory>
#include <optional>

class QWidget;

namespace tavik {

class DictationController;
class RootView;

// The one main window: made by the first show, kept for the life of the process, hidden (never
// destroyed) when closed, brought to the front on request. Its size is kept in the defaults
// store under "TavikMain" and comes back at the next launch, centred on a screen that is there.
class MainWindowController final : public QObject {
    Q_OBJECT
public:
    MainWindowController(DictationController& controller, PaneFactory makePane,
                         platform::Clock& clock, QObject* parent = nullptr);
    ~MainWindowController() override;

    // Switches to `section` when one is given, makes the window the first time, then raises,
    // un-minimises and activates it.
    void show(std::optional<AppState::Section> section);

    AppState& state() { return state_; }
    QWidget* window() const;    // null until the first show
    RootView* rootView() const; // null until the first show

    // Whether the window has an entry in the taskbar: the regular activation policy.
    void setInTaskbar(bool inTaskbar);
    bool inTaskbar() const { return inTaskbar_; }

    static constexpr QSize contentSize{1000, 660};
    static constexpr QSize minimumSize{900, 580};
    static constexpr int frameSaveDelayMs = 300;
    static QString autosaveName() { return QStringLiteral("TavikMain"); }

private:
    class Window;

    void makeWindow();
    void applyTaskbarHints();
    // Once the window manager has framed a window just shown, brings the frame whole onto the
    // screen's available area: it places the window by its inside, so a window as large as the
    // screen would have its title bar above the top edge.
    void fitOnScreenIfDue();
    void saveFrameSoon();
    void saveFrame();

    DictationController& controller_;
    PaneFactory makePane_;
    AppState state_;
    std::unique_ptr<Window> window_;
    RootView* root_ = nullptr;
    bool inTaskbar_ = false;
    bool fitDue_ = false;
    QTimer frameSave_;
};

} // namespace tavik
