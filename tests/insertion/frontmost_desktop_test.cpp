// The active window as a window manager would publish it, read back through EWMH.
#include "app/insertion/frontmost_tracker.h"
#include "app/insertion/mechanisms.h"
#include "tests/support/fixtures.h"
#include "tests/support/insertion_target_app.h"

#include <QDir>
#include <QFile>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include <X11/Xlib.h>

#include <unistd.h>

namespace tavik {
namespace {

using test::setActiveWindow;
using test::setWindowIdentity;

// A bare X window of "another application": the test says which pid and class it claims.
class ForeignWindow {
public:
    ForeignWindow() : display_(XOpenDisplay(nullptr)) {
        if (display_ != nullptr) {
            window_ =
                XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
            XSync(display_, False);
        }
    }
    ~ForeignWindow() {
        if (display_ != nullptr) {
            destroy();
            XCloseDisplay(display_);
        }
    }
    unsigned long id() const { return window_; }
    void destroy() {
        if (window_ != 0) {
            XDestroyWindow(display_, window_);
            XSync(display_, False);
            window_ = 0;
        }
    }

private:
    Display* display_;
    unsigned long window_ = 0;
};

void writeDesktopFile(const QString& id, const QString& body) {
    const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + "/applications";
    QDir().mkpath(folder);
    QFile file(folder + "/" + id + ".desktop");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(body.toUtf8());
}

TEST(FrontmostDesktop, NothingActive) {
    TAVIK_REQUIRE_DESKTOP();
    setActiveWindow(0);
    const TargetApp app = frontmostApp();
    EXPECT_EQ(app.name, "<none>");
    EXPECT_EQ(app.bundleId, "<none>");
    EXPECT_EQ(app.pid, 0);
}

TEST(FrontmostDesktop, DesktopFileNamesTheApplication) {
    TAVIK_REQUIRE_DESKTOP();
    writeDesktopFile("org.example.Editor", "[Desktop Entry]\nType=Application\n"
                                           "Name=Example Editor\nExec=editor\n"
                                           "StartupWMClass=ExampleEditor\n");
    ForeignWindow window;
    setWindowIdentity(window.id(), 31337, "editor", "ExampleEditor");
    setActiveWindow(window.id());
    const TargetApp app = frontmostApp();
    EXPECT_EQ(app.name, "Example Editor");
    EXPECT_EQ(app.bundleId, "org.example.Editor");
    EXPECT_EQ(app.pid, 31337);
}

TEST(FrontmostDesktop, AmongEntriesSharingAWindowClassTheProgramsOwnIsChosen) {
    TAVIK_REQUIRE_DESKTOP();
    // Emacs's client, mail and terminal entries name the same window class as Emacs itself.
    for (const char* decoy : {"emacsclient", "emacs-mail", "emacs-term"}) {
        writeDesktopFile(decoy, QStringLiteral("[Desktop Entry]\nType=Application\n"
                                               "Name=Emacs (%1)\nExec=emacsclient -c %F\n"
                                               "StartupWMClass=Emacs\n")
                                    .arg(decoy));
    }
    writeDesktopFile("emacs", "[Desktop Entry]\nType=Application\nName=Emacs\n"
                              "Exec=/usr/bin/emacs %F\nStartupWMClass=Emacs\n");
    ForeignWindow window;
    setWindowIdentity(window.id(), 4100, "emacs", "Emacs");
    setActiveWindow(window.id());
    const TargetApp app = frontmostApp();
    EXPECT_EQ(app.name, "Emacs");
    EXPECT_EQ(app.bundleId, "emacs");
    EXPECT_EQ(app.window, window.id());
}

TEST(FrontmostDesktop, WindowClassStandsInForAnUnknownApplication) {
    TAVIK_REQUIRE_DESKTOP();
    ForeignWindow window;
    setWindowIdentity(window.id(), 4000, "sketch", "SketchPad");
    setActiveWindow(window.id());
    TargetApp app = frontmostApp();
    EXPECT_EQ(app.name, "SketchPad");
    EXPECT_EQ(app.bundleId, "SketchPad");
    EXPECT_EQ(app.pid, 4000);

    setWindowIdentity(window.id(), 0, "", "");
    app = frontmostApp();
    EXPECT_EQ(app.name, "?");
    EXPECT_EQ(app.bundleId, "?");
    EXPECT_EQ(app.pid, 0);
}

TEST(FrontmostDesktop, AVanishedWindowIsReadAsUnknown) {
    TAVIK_REQUIRE_DESKTOP();
    ForeignWindow window;
    setWindowIdentity(window.id(), 4001, "gone", "Gone");
    setActiveWindow(window.id());
    window.destroy(); // _NET_ACTIVE_WINDOW still names it
    const TargetApp app = frontmostApp();
    EXPECT_EQ(app.bundleId, "?");
    EXPECT_EQ(app.pid, 0);
}

TEST(FrontmostDesktop, OurOwnWindowsCarryOurId) {
    TAVIK_REQUIRE_DESKTOP();
    QWidget window;
    window.show();
    setWindowIdentity(window.winId(), ::getpid(), "tavik", "Tavik");
    setActiveWindow(window.winId());
    const TargetApp app = frontmostApp();
    EXPECT_EQ(app.bundleId, "com.trelvanic.tavik");
    EXPECT_EQ(app.pid, ::getpid());
}

TEST(FrontmostDesktop, TheTrackerFollowsActivationsAndSkipsOurOwn) {
    TAVIK_REQUIRE_DESKTOP();
    ForeignWindow first;
    setWindowIdentity(first.id(), 5001, "first", "FirstApp");
    ForeignWindow second;
    setWindowIdentity(second.id(), 5002, "second", "SecondApp");
    QWidget ours;
    ours.show();
    setWindowIdentity(ours.winId(), ::getpid(), "tavik", "Tavik");

    setActiveWindow(first.id());
    FrontmostTracker& tracker = FrontmostTracker::shared();
    ASSERT_TRUE(tracker.lastExternal().has_value());
    EXPECT_EQ(tracker.lastExternal()->pid, 5001);

    setActiveWindow(second.id());
    ASSERT_TRUE(test::spinUntil(
        [&] { return tracker.lastExternal() && tracker.lastExternal()->pid == 5002; }, 5000));
    EXPECT_EQ(tracker.lastExternal()->bundleId, "SecondApp");

    // Watch alongside the tracker to know when it has seen our own window come to the front.
    // (The listener outlives the test, so it shares its flag rather than borrowing it.)
    auto sawOurs = std::make_shared<bool>(false);
    platform::Frontmost::system().watch([sawOurs](const std::optional<platform::RunningApp>& app) {
        *sawOurs = *sawOurs || (app && app->pid == ::getpid());
    });
    setActiveWindow(ours.winId());
    ASSERT_TRUE(test::spinUntil([&] { return *sawOurs; }, 5000));
    bool drained = false; // queued work runs in order: after this, the tracker is done too
    QMetaObject::invokeMethod(
        &tracker, [&drained] { drained = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(test::spinUntil([&] { return drained; }, 5000));
    ASSERT_TRUE(tracker.lastExternal().has_value());
    EXPECT_EQ(tracker.lastExternal()->pid, 5002);
}

} // namespace
} // namespace tavik
