#include "app/shell/app_delegate.h"

#include "app/dictation/dictation_controller.h"
#include "app/insertion/frontmost_tracker.h"
#include "app/shell/main_window.h"
#include "app/shell/status_item.h"
#include "app/stores/history.h"
#include "app/stores/preferences.h"
#include "platform/clipboard.h"
#include "platform/defaults_store.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

namespace tavik {

using platform::ActivationPolicy;

AppDelegate::AppDelegate(DictationController& controller, Options options, QObject* parent)
    : QObject(parent), controller_(controller), options_(std::move(options)),
      clock_(options_.clock != nullptr ? *options_.clock : platform::Clock::system()),
      termination_(controller, options_.exit) {}

AppDelegate::~AppDelegate() {
    // The clock and the settings' policy hook outlive a delegate made by a test.
    clock_.cancel(pollTimer_);
    clock_.cancel(firstLaunchTimer_);
    if (launched_) {
        platform::ActivationPolicyHook::shared().setApplier({});
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeEventFilter(this);
        }
    }
}

void AppDelegate::launch() {
    if (launched_) {
        return;
    }
    launched_ = true;
    // A quit asked of Qt (the session ending, a window manager's request) takes our way out,
    // before Qt closes the windows one by one.
    QCoreApplication::instance()->installEventFilter(this);

    statusItem_ = std::make_unique<StatusItem>(
        [this] { return menuItems(); },
        [this](status_menu::Action action, const QAction& item) { choose(action, item); });
    statusItem_->setState(dictation::State::idle());
    // A panel reads the menu before it opens it: it follows every line's source.
    StatusItem* item = statusItem_.get();
    connect(&controller_, &DictationController::stateChanged, item, &StatusItem::scheduleRebuild);
    connect(&controller_, &DictationController::lastErrorChanged, item,
            &StatusItem::scheduleRebuild);
    connect(&History::shared(), &History::entriesChanged, item, &StatusItem::scheduleRebuild);
    connect(&Preferences::shared(), &Preferences::bindingsChanged, item,
            &StatusItem::scheduleRebuild);
    statusItem_->show();

    FrontmostTracker::shared(); // following other applications' activations starts now

    controller_.start();

    if (options_.makeFloatingButton) {
        const QPointer<AppDelegate> self(this);
        FloatingButtonActions actions;
        actions.openMain = [self] {
            if (self) {
                self->openMain();
            }
        };
        actions.openSettings = [self] {
            if (self) {
                self->openSettings();
            }
        };
        actions.quit = [self] {
            if (self) {
                self->quit();
            }
        };
        floatingButton_ = options_.makeFloatingButton(controller_, std::move(actions));
    }
    if (floatingButton_ && Preferences::shared().showOrb()) {
        floatingButton_->show();
    }

    schedulePoll();

    // Microphone access needs no asking on this desktop: it is always granted.

    platform::ActivationPolicyHook::shared().setApplier(
        [this](ActivationPolicy policy) { applyActivationPolicy(policy); });
    if (Preferences::shared().showInDock()) {
        applyActivationPolicy(ActivationPolicy::regular);
    }

    auto& defaults = platform::DefaultsStore::shared();
    const QString launchedBefore = QString::fromLatin1(launchedBeforeKey);
    if (!defaults.boolean(launchedBefore)) {
        defaults.setBool(launchedBefore, true);
        firstLaunchTimer_ = clock_.schedule(platform::msToNs(firstLaunchDelayMs), [this] {
            firstLaunchTimer_ = platform::Clock::noTimer;
            openMain();
        });
    }
}

MainWindowController& AppDelegate::main() {
    if (!main_) {
        main_ = std::make_unique<MainWindowController>(controller_, options_.makePane, clock_);
        main_->setInTaskbar(policy_ == ActivationPolicy::regular);
    }
    return *main_;
}

void AppDelegate::showMain(std::optional<AppState::Section> section) {
    if (isQuitting()) {
        return;
    }
    main().show(section);
}

void AppDelegate::copyEntry(const QAction& item) {
    if (item.data().typeId() != QMetaType::QString) {
        return;
    }
    platform::Clipboard::system().setText(item.data().toString());
}

void AppDelegate::quit() {
    termination_.run();
}

void AppDelegate::tick() {
    if (statusItem_) {
        statusItem_->setState(controller_.state());
    }
    followShowOrb();
}

// The one place where the floating button follows the showOrb setting: turning it off hides
// the button within one tick, turning it on shows it again.
void AppDelegate::followShowOrb() {
    if (!floatingButton_) {
        return;
    }
    if (Preferences::shared().showOrb()) {
        floatingButton_->show();
    } else if (floatingButton_->isVisible()) {
        floatingButton_->hide();
    }
}

void AppDelegate::schedulePoll() {
    pollTimer_ = clock_.schedule(platform::msToNs(pollIntervalMs), [this] {
        pollTimer_ = platform::Clock::noTimer;
        tick();
        schedulePoll();
    });
}

void AppDelegate::applyActivationPolicy(ActivationPolicy policy) {
    policy_ = policy;
    if (main_) {
        main_->setInTaskbar(policy == ActivationPolicy::regular);
    }
}

QList<status_menu::Item> AppDelegate::menuItems() const {
    return status_menu::items({controller_.state(), controller_.triggerLabel(),
                               controller_.lastError(), History::shared().entries()});
}

void AppDelegate::choose(status_menu::Action action, const QAction& item) {
    using status_menu::Action;
    switch (action) {
    case Action::none:
        return;
    case Action::copyEntry:
        copyEntry(item);
        return;
    case Action::openMain:
        openMain();
        return;
    case Action::openInsights:
        openInsights();
        return;
    case Action::openDictionary:
        openDictionary();
        return;
    case Action::openSettings:
        openSettings();
        return;
    case Action::quit:
        quit();
        return;
    }
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        quit();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavik
