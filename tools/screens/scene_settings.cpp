// The settings pane with sample states: permissions missing, models present or not, shortcut
// conflicts, unusual microphones and a live level.
#include "app/panes/settings/microphone_section.h"
#include "app/panes/settings/permissions_model.h"
#include "app/panes/settings/settings_buttons.h"
#include "app/panes/settings/settings_view.h"
#include "app/panes/settings/shortcut_section.h"
#include "app/shell/design/theme.h"
#include "app/stores/preferences.h"
#include "platform/audio_transport.h"
#include "platform/folders.h"
#include "tests/support/controller_harness.h"
#include "tests/support/switchable_accessibility.h"
#include "tools/screens/scene.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <memory>

namespace tavik::screens {
namespace {

using panes::settings::SettingsView;

AudioInputDevice device(std::uint32_t id, const QString& uid, const QString& name,
                        std::uint32_t transport) {
    return AudioInputDevice{id, uid, name, 1, transport};
}

const AudioInputDevice builtIn =
    device(1, QStringLiteral("alsa_input.pci-0000_00_1f.3"),
           QStringLiteral("Built-in Audio Analog Stereo"), platform::transport::builtIn);
const AudioInputDevice usbMic =
    device(2, QStringLiteral("alsa_input.usb-Blue_Yeti"), QStringLiteral("Yeti Stereo Microphone"),
           platform::transport::usb);
const AudioInputDevice headset =
    device(3, QStringLiteral("bluez_input.00_1B_66"), QStringLiteral("WH-1000XM4 Headset"),
           platform::transport::bluetooth);
const AudioInputDevice loopback =
    device(4, QStringLiteral("loopback.capture"), QStringLiteral("Loopback & Mixer"),
           platform::transport::virtualDevice);

// What a scene sets up before the pane is made.
struct Setup {
    bool accessibility = true;
    QStringList models{QStringLiteral("ggml-base.en.bin"), QStringLiteral("ggml-small.en.bin")};
    std::function<void(Preferences&)> settings = {};
    std::function<void(test::ControllerStage&)> microphone = {};
    bool scrollToBottom = false;
};

// The pane on the window's background, owning the controller stage it shows, so the pane
// goes before the controller it watches.
class SettingsScene final : public QWidget {
public:
    explicit SettingsScene(const Setup& setup) {
        QPalette background = palette();
        background.setColor(QPalette::Window, design::Theme::abyss);
        setPalette(background);
        setAutoFillBackground(true);

        const QString models =
            platform::joinPath(platform::Folders::fromEnvironment().data, QStringLiteral("models"));
        QDir().mkpath(models);
        for (const QString& name : setup.models + QStringList{QStringLiteral("ggml-silero.bin")}) {
            QFile file(QDir(models).filePath(name));
            file.open(QIODevice::WriteOnly);
        }
        Preferences& prefs = Preferences::shared();
        if (setup.settings) {
            setup.settings(prefs);
        }
        stage_.preferences = &prefs;
        stage_.capture->status.devices = {builtIn, usbMic, headset, loopback};
        stage_.capture->status.active = builtIn;
        stage_.capture->status.planned = builtIn;
        stage_.capture->status.systemDefaultName = builtIn.name;
        stage_.capture->level = -24;
        if (setup.microphone) {
            setup.microphone(stage_);
        }
        stage_.start();
        accessibility_.enabled = setup.accessibility;
        permissions_ = std::make_unique<panes::settings::PermissionsModel>(accessibility_);
        view_ = new SettingsView(prefs, stage_.controller(), permissions_.get(), this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        scrollToBottom_ = setup.scrollToBottom;
    }
    ~SettingsScene() override { delete view_; }

    SettingsView* view() const { return view_; }

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (scrollToBottom_) {
            QScrollBar* bar = view_->scrollArea()->verticalScrollBar();
            bar->setValue(bar->maximum());
        }
    }

private:
    test::ControllerStage stage_;
    test::SwitchableAccessibility accessibility_;
    std::unique_ptr<panes::settings::PermissionsModel> permissions_;
    SettingsView* view_ = nullptr;
    bool scrollToBottom_ = false;
};

// The two menus as they pop up, side by side: menus are windows of their own, so the scene
// shows pictures of them taken while they are open.
class MenusScene final : public QWidget {
public:
    MenusScene()
        : pane_(Setup{.settings = [](Preferences& p) {
              p.setMicrophoneUID(usbMic.uid);
              p.setMicrophoneName(usbMic.name);
          }}) {
        QPalette background = palette();
        background.setColor(QPalette::Window, design::Theme::abyss);
        setPalette(background);
        setAutoFillBackground(true);
        pane_.setAttribute(Qt::WA_DontShowOnScreen);
        pane_.resize(810, 660);
        pane_.show();
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(20, 20, 20, 20);
        row->setSpacing(40);
        auto* key = pane_.view()->shortcutSection()->rows().first();
        key->keyButton()->click();
        row->addWidget(picture(key->keyMenu()), 0, Qt::AlignTop);
        auto* microphone = pane_.view()->microphoneSection();
        microphone->menuButton()->click();
        row->addWidget(picture(microphone->menu()), 0, Qt::AlignTop);
        row->addStretch(1);
    }

private:
    QLabel* picture(QMenu* menu) {
        auto* label = new QLabel(this);
        if (menu != nullptr) {
            menu->adjustSize();
            label->setPixmap(menu->grab());
            menu->close();
        }
        return label;
    }

    SettingsScene pane_;
};

Scene scene(const QString& name, QSize size, Setup setup) {
    return Scene{name, size, [setup](SceneContext&) {
                     return new SettingsScene(setup);
                 }};
}

// The pane at the window's usual size, and the whole column at once.
const QSize paneSize(810, 660);
const QSize columnSize(810, 1480);

const SceneRegistration settingsScenes[] = {
    SceneRegistration{Scene{QStringLiteral("settings-menus"), QSize(640, 460),
                            [](SceneContext&) {
                                return new MenusScene;
                            }}},
    SceneRegistration{scene(QStringLiteral("settings-ready"), paneSize, {})},
    SceneRegistration{scene(QStringLiteral("settings-whole-column"), columnSize, {})},
    SceneRegistration{scene(QStringLiteral("settings-permissions-missing"), paneSize,
                            Setup{.accessibility = false})},
    SceneRegistration{scene(QStringLiteral("settings-small-model-missing"), paneSize,
                            Setup{.models = {QStringLiteral("ggml-base.en.bin")}})},
    SceneRegistration{scene(QStringLiteral("settings-no-model"), paneSize,
                            Setup{.models = {},
                                  .settings =
                                      [](Preferences& p) {
                                          p.setModel(SpeechModel::small);
                                      }})},
    SceneRegistration{
        scene(QStringLiteral("settings-shortcut-conflict"), columnSize,
              Setup{.settings =
                        [](Preferences& p) {
                            p.setBindings(
                                {{DictationAction::pushToTalk,
                                  {TriggerKey::rightControl, TriggerGesture::doubleTap, true}},
                                 {DictationAction::handsFree,
                                  {TriggerKey::rightControl, TriggerGesture::doubleTap, true}}});
                            p.setSilenceHoldMs(950);
                        }})},
    SceneRegistration{scene(QStringLiteral("settings-shortcut-off-and-fn"), columnSize,
                            Setup{.settings =
                                      [](Preferences& p) {
                                          p.setBindings(
                                              {{DictationAction::pushToTalk,
                                                {TriggerKey::fn, TriggerGesture::hold, true}}});
                                      }})},
    SceneRegistration{
        scene(QStringLiteral("settings-microphone-fallback"), paneSize,
              Setup{.settings =
                        [](Preferences& p) {
                            p.setMicrophoneUID(QStringLiteral("alsa_input.usb-Rode_NT"));
                            p.setMicrophoneName(QStringLiteral("RØDE NT-USB"));
                            p.setKeepAudio(false);
                        },
                    .microphone =
                        [](test::ControllerStage& s) { s.capture->status.usingFallback = true; },
                    .scrollToBottom = true})},
    SceneRegistration{scene(QStringLiteral("settings-microphone-silent"), paneSize,
                            Setup{.microphone =
                                      [](test::ControllerStage& s) {
                                          s.capture->status.silent = true;
                                          s.capture->level = -80;
                                      },
                                  .scrollToBottom = true})},
    SceneRegistration{scene(QStringLiteral("settings-microphone-bluetooth"), paneSize,
                            Setup{.settings =
                                      [](Preferences& p) {
                                          p.setMicrophoneUID(headset.uid);
                                          p.setMicrophoneName(headset.name);
                                      },
                                  .microphone =
                                      [](test::ControllerStage& s) {
                                          s.capture->status.active = headset;
                                          s.capture->status.planned = headset;
                                          s.capture->level = -12;
                                      },
                                  .scrollToBottom = true})},
    SceneRegistration{scene(QStringLiteral("settings-microphone-virtual-idle"), paneSize,
                            Setup{.settings = [](Preferences& p) { p.setMicAlwaysReady(false); },
                                  .microphone =
                                      [](test::ControllerStage& s) {
                                          s.capture->status.active.reset();
                                          s.capture->status.planned = loopback;
                                      },
                                  .scrollToBottom = true})},
    SceneRegistration{
        scene(QStringLiteral("settings-microphone-none"), paneSize,
              Setup{.microphone = [](test::ControllerStage& s) { s.capture->status = {}; },
                    .scrollToBottom = true})},
};

} // namespace
} // namespace tavik::screens
