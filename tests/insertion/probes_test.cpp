#include "app/insertion/frontmost_tracker.h"
#include "app/insertion/mechanisms.h"
#include "tests/support/fixtures.h"
#include "tests/support/insertion_fakes.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

using platform::RunningApp;
using test::FakeDesktop;

TEST(FrontmostApp, NothingInFront) {
    FakeDesktop desktop;
    desktop.frontmost.app.reset();
    const TargetApp app = frontmostApp();
    EXPECT_EQ(app.name, "<none>");
    EXPECT_EQ(app.bundleId, "<none>");
    EXPECT_EQ(app.pid, 0);
}

TEST(FrontmostApp, MissingNameOrIdBecomeQuestionMarks) {
    FakeDesktop desktop;
    desktop.frontmost.app = RunningApp{std::nullopt, std::nullopt, 0, QString()};
    const TargetApp app = frontmostApp();
    EXPECT_EQ(app.name, "?");
    EXPECT_EQ(app.bundleId, "?");
    EXPECT_EQ(app.pid, 0);
    desktop.frontmost.app = RunningApp{"Editor", "org.example.Editor", 31, "Editor"};
    EXPECT_EQ(frontmostApp().bundleId, "org.example.Editor");
    EXPECT_EQ(frontmostApp().pid, 31);
}

TEST(SecureInput, APasswordFieldOrAKeyboardGrab) {
    FakeDesktop desktop;
    EXPECT_FALSE(secureInputActive());
    desktop.accessibility.focused->password = true;
    EXPECT_TRUE(secureInputActive());
    desktop.accessibility.focused->password = false;
    desktop.keys.grabbed = true;
    EXPECT_TRUE(secureInputActive());
}

TEST(FrontmostTracker, StartsWithWhateverIsInFront) {
    test::FakeFrontmost frontmost;
    frontmost.app = RunningApp{"Tavik", QString(platform::ownBundleId), 1, "Tavik"};
    test::FakeAccessibility accessibility;
    FrontmostTracker tracker(frontmost, &accessibility);
    ASSERT_TRUE(tracker.lastExternal().has_value());
    EXPECT_EQ(tracker.lastExternal()->bundleId, QString(platform::ownBundleId));
    EXPECT_TRUE(accessibility.exposed.empty());
}

// Each of them is also asked to show its content, so that a browser's page is known by the time
// a dictation into it ends.
TEST(FrontmostTracker, RemembersOtherApplicationsOnly) {
    test::FakeFrontmost frontmost;
    test::FakeAccessibility accessibility;
    FrontmostTracker tracker(frontmost, &accessibility);
    const RunningApp browser{"Browser", "org.example.Browser", 77, "Browser"};
    frontmost.activate(browser);
    // Recorded one event-loop turn later.
    EXPECT_EQ(tracker.lastExternal()->bundleId, "org.example.Editor");
    ASSERT_TRUE(test::spinUntil([&] { return tracker.lastExternal() == browser; }, 2000));

    frontmost.activate(RunningApp{"Tavik", QString(platform::ownBundleId), 1, "Tavik"});
    frontmost.activate(std::nullopt); // the desktop itself
    const RunningApp noId{std::nullopt, std::nullopt, 88, QString()};
    frontmost.activate(noId); // an application without an id is someone else too
    ASSERT_TRUE(test::spinUntil([&] { return tracker.lastExternal() == noId; }, 2000));
    frontmost.activate(RunningApp{"Tavik", QString(platform::ownBundleId), 1, "Tavik"});
    // Queued work runs in order: once this marker has run, the tracker has seen the event.
    bool drained = false;
    QMetaObject::invokeMethod(
        &tracker, [&drained] { drained = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(test::spinUntil([&] { return drained; }, 2000));
    EXPECT_EQ(tracker.lastExternal(), noId);
    EXPECT_EQ(accessibility.exposed, (std::vector<qint64>{4242, 77, 88}));
}

} // namespace
} // namespace tavik
