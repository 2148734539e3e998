#include "app/shell/main_window.h"

#include "app/shell/design/layouts.h"
#include "app/shell/root_view.h"
#include "app/shell/window_frame.h"
#include "platform/defaults_store.h"
#include "platform/window_hints.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMoveEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tavik {

// The top-level widget; it reports its own moves and resizes so the frame can be kept.
class MainWindowController::Window final : public QWidget {
public:
    explicit Window(MainWindowController& owner) : owner_(owner) {}

protected:
    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        owner_.fitOnScreenIfDue();
        owner_.saveFrameSoon();
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        owner_.fitOnScreenIfDue();
        owner_.saveFrameSoon();
    }
    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        owner_.saveFrame();
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Exposed means mapped and framed: the decorations' size is known from here on.
        if (event->type() == QEvent::Expose) {
            owner_.fitOnScreenIfDue();
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    MainWindowController& owner_;
};

MainWindowController::MainWindowController(DictationController& controller, PaneFactory makePane,
                                           platform::Clock& clock, QObject* parent)
    : QObject(parent), controller_(controller), makePane_(std::move(makePane)), state_(clock) {
    // Every write of the defaults rewrites the whole file: a drag's stream of moves ends in one.
    frameSave_.setSingleShot(true);
    frameSave_.setInterval(frameSaveDelayMs);
    connect(&frameSave_, &QTimer::timeout, this, &MainWindowController::saveFrame);
}

MainWindowController::~MainWindowController() {
    frameSave_.stop();
    window_.reset();
}

QWidget* MainWindowController::window() const {
    return window_.get();
}

RootView* MainWindowController::rootView() const {
    return root_;
}

void MainWindowController::show(std::optional<AppState::Section> section) {
    if (section) {
        state_.setSection(*section);
    }
    if (!window_) {
        makeWindow();
    }
    if (!window_->isVisible()) {
        // A manager may drop the window's states while it is withdrawn: ask again before mapping.
        applyTaskbarHints();
    }
    // Without a taskbar entry a minimised window could not be found again: bring it back.
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    fitDue_ = !window_->isVisible();
    window_->show();
    fitOnScreenIfDue();
    window_->raise();
    window_->activateWindow();
}

void MainWindowController::makeWindow() {
    window_ = std::make_unique<Window>(*this);
    window_->setWindowTitle(QStringLiteral("Tavik"));
    window_->setMinimumSize(minimumSize);
    auto* layout = design::tightRow(window_.get(), 0);
    root_ = new RootView(controller_, state_, makePane_, window_.get());
    layout->addWidget(root_);

    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screens << primary->availableGeometry();
    }
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen()) {
            screens << screen->availableGeometry();
        }
    }
    const auto saved = platform::DefaultsStore::shared().string(autosaveName());
    const std::optional<QRect> frame = saved ? window_frame::parse(*saved) : std::nullopt;
    const QRect placed = window_frame::placement(frame, contentSize, minimumSize, screens);
    // On a screen smaller than the minimum the window could not be made to fit otherwise.
    window_->setMinimumSize(minimumSize.boundedTo(placed.size()));
    window_->setGeometry(placed);
    // Placing the window is not a move of the user's: nothing to save yet.
    frameSave_.stop();
}

void MainWindowController::fitOnScreenIfDue() {
    if (!fitDue_ || !window_ || window_->windowState() != Qt::WindowNoState) {
        return;
    }
    QWindow* handle = window_->windowHandle();
    if (handle == nullptr || !handle->isExposed() || handle->frameMargins().isNull()) {
        return; // not framed yet; without a window manager there is no frame to fit
    }
    fitDue_ = false;
    QScreen* screen = handle->screen();
    if (screen == nullptr) {
        return;
    }
    const auto fitted = window_frame::fitFramed(window_->geometry(), handle->frameMargins(),
                                                screen->availableGeometry());
    if (fitted) {
        window_->setMinimumSize(window_->minimumSize().boundedTo(fitted->size()));
        window_->setGeometry(*fitted);
    }
}

void MainWindowController::setInTaskbar(bool inTaskbar) {
    inTaskbar_ = inTaskbar;
    if (window_) {
        applyTaskbarHints();
    }
}

void MainWindowController::applyTaskbarHints() {
    QWindow* handle = window_->windowHandle();
    if (handle == nullptr) {
        window_->winId(); // the native window carries the states before it is first mapped
        handle = window_->windowHandle();
        handle->installEventFilter(window_.get());
        platform::window_hints::setDesktopEntry(handle, QGuiApplication::desktopFileName());
    }
    platform::window_hints::set(handle, platform::WindowState::skipTaskbar, !inTaskbar_);
    platform::window_hints::set(handle, platform::WindowState::skipPager, !inTaskbar_);
}

void MainWindowController::saveFrameSoon() {
    if (window_ && window_->isVisible()) {
        frameSave_.start();
    }
}

void MainWindowController::saveFrame() {
    frameSave_.stop();
    if (!window_ || window_->windowState() != Qt::WindowNoState) {
        return; // a minimised or maximised window's frame is not the one to come back to
    }
    const QString text = window_frame::format(window_->geometry());
    auto& defaults = platform::DefaultsStore::shared();
    if (defaults.string(autosaveName()) != text) {
        defaults.setString(autosaveName(), text);
    }
}

} // namespace tavik
