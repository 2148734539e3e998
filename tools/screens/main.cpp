// screens OUTPUT_DIR [SCENE...]: writes OUTPUT_DIR/<scene>.png for every scene (or the named
// ones). Each scene runs in a child process of its own under a fresh HOME, so the stores one
// scene seeds never show in another.
#include "app/shell/design/look.h"
#include "app/shell/state/app_state.h"
#include "tests/support/controller_harness.h"
#include "tools/screens/scene.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace tavik::screens {

namespace {

std::vector<Scene>& registry() {
    static std::vector<Scene> scenes;
    return scenes;
}

class Context final : public SceneContext {
public:
    DictationController& controller() override {
        if (!stage_) {
            stage_ = std::make_unique<test::ControllerStage>();
            stage_->start();
        }
        return stage_->controller();
    }
    AppState& appState() override { return state_; }
    void settle(int ms) override {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            if (stage_) {
                stage_->drain();
            }
        }
    }

private:
    std::unique_ptr<test::ControllerStage> stage_;
    AppState state_;
};

void pointHomeAt(const QString& root) {
    const QByteArray path = root.toUtf8();
    ::setenv("HOME", path.constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (path + "/.config").constData(), 1);
    ::setenv("XDG_DATA_HOME", (path + "/.local/share").constData(), 1);
    ::setenv("XDG_STATE_HOME", (path + "/.local/state").constData(), 1);
    ::setenv("XDG_CACHE_HOME", (path + "/.cache").constData(), 1);
}

int renderOne(const Scene& scene, const QString& outputDir) {
    Context context;
    std::unique_ptr<QWidget> widget(scene.make(context));
    if (!widget) {
        std::fprintf(stderr, "screens: scene %s made nothing\n", qPrintable(scene.name));
        return 1;
    }
    if (scene.size.isValid()) {
        widget->resize(scene.size);
    }
    widget->show();
    context.settle(400);
    const QString path = QDir(outputDir).filePath(scene.name + ".png");
    const QRect area(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    const QPixmap shot =
        scene.fromScreen
            ? widget->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            : widget->grab();
    if (!shot.save(path)) {
        std::fprintf(stderr, "screens: could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}

} // namespace

SceneRegistration::SceneRegistration(Scene scene) {
    registry().push_back(std::move(scene));
}

} // namespace tavik::screens

int main(int argc, char** argv) {
    using namespace tavik::screens;
    if (argc < 2) {
        std::fprintf(stderr, "usage: screens OUTPUT_DIR [SCENE...]\n");
        return 2;
    }
    const QString outputDir = QString::fromLocal8Bit(argv[1]);
    QStringList wanted;
    for (int i = 2; i < argc; ++i) {
        wanted << QString::fromLocal8Bit(argv[i]);
    }

    // One scene named, in a child process: render it under a fresh HOME.
    if (qEnvironmentVariableIsSet("TAVIK_SCREENS_CHILD")) {
        QTemporaryDir home(QDir::tempPath() + "/tavik-screens-home-XXXXXX");
        pointHomeAt(home.path());
        QApplication app(argc, argv);
        tavik::design::applyTavikLook(app);
        for (const Scene& scene : registry()) {
            if (wanted.contains(scene.name)) {
                return renderOne(scene, outputDir);
            }
        }
        return 1;
    }

    QCoreApplication app(argc, argv);
    QDir().mkpath(outputDir);
    int failures = 0;
    for (const Scene& scene : registry()) {
        if (!wanted.isEmpty() && !wanted.contains(scene.name)) {
            continue;
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAVIK_SCREENS_CHILD"), QStringLiteral("1"));
        if (scene.scale != 1) {
            env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scene.scale));
        }
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {outputDir, scene.name});
        if (!child.waitForFinished(60'000) || child.exitCode() != 0) {
            std::fprintf(stderr, "screens: scene %s failed\n", qPrintable(scene.name));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
