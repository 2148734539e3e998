// Chromium started as people start it, on the test desktop: the fields of its page become known
// to Tavik, and a dictation into its password field is refused.
#include "app/insertion/insertion_engine.h"
#include "app/insertion/mechanisms.h"
#include "platform/accessibility.h"
#include "tests/support/fixtures.h"
#include "tests/support/insertion_target_app.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace tavik {
namespace {

constexpr char page[] = R"(<!doctype html><html><head><title>Fields</title></head><body>
<label>Name <input id="name" type="text" value="Ada"></label>
<label>Secret <input id="secret" type="password" value="hunter2"></label>
<script>document.getElementById("name").focus();</script></body></html>)";

// Chromium on a page of its own, with a profile of its own, without any accessibility flag.
class Chromium {
public:
    ~Chromium() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
        // Its helper processes outlive it by a moment and may still write into the profile.
        test::spinUntil([&] { return QDir(folder_.path()).removeRecursively(); }, 10000);
    }

    // Starts it and finds its window; false, with a reason in error, when that fails.
    bool start(QString& error) {
        const QString program = QStandardPaths::findExecutable("chromium");
        if (program.isEmpty()) {
            error = "chromium is not installed (scripts/setup --test installs it)";
            return false;
        }
        QFile file(folder_.filePath("fields.html"));
        if (!folder_.isValid() || !file.open(QIODevice::WriteOnly) || file.write(page) < 0) {
            error = "cannot write the page";
            return false;
        }
        file.close();
        // The sandbox cannot start as root (CI's case); the page is our own.
        process_.start(program, {"--no-sandbox", "--no-first-run", "--no-default-browser-check",
                                 "--password-store=basic", "--disable-gpu",
                                 "--user-data-dir=" + folder_.filePath("profile"),
                                 QUrl::fromLocalFile(file.fileName()).toString()});
        if (!process_.waitForStarted(10000)) {
            error = "chromium did not start";
            return false;
        }
        QProcess search;
        search.start("xdotool", {"search", "--sync", "--onlyvisible", "--pid",
                                 QString::number(process_.processId()), "--name", "^Fields"});
        if (!search.waitForFinished(60000) || search.exitCode() != 0) {
            error = "chromium's window never showed";
            return false;
        }
        window_ = search.readAllStandardOutput().split('\n').value(0).toULong();
        return window_ != 0;
    }

    qint64 pid() const { return process_.processId(); }
    unsigned long window() const { return window_; }

private:
    QTemporaryDir folder_;
    QProcess process_;
    unsigned long window_ = 0;
};

TEST(ChromiumDesktop, ThePagesFieldsAreKnownAndAPasswordFieldRefuses) {
    TAVIK_REQUIRE_DESKTOP();
    Chromium chromium;
    QString error;
    ASSERT_TRUE(chromium.start(error)) << error.toStdString();
    test::setActiveWindow(chromium.window());
    ASSERT_EQ(frontmostApp().pid, chromium.pid());

    // Chromium's fields offer no accessible editing: they are told by their text and role.
    platform::Accessibility& accessibility = platform::Accessibility::system();
    ASSERT_TRUE(test::spinUntil(
        [&] {
            auto element = accessibility.focusedElement(chromium.pid());
            return element != nullptr && element->text(0, 3) == "Ada" && !element->isPassword();
        },
        20000))
        << "the page's text field never showed as focused";
    EXPECT_FALSE(secureInputActive());

    // The key goes where the keyboard focus is, which follows the window manager's activation
    // a moment later on a busy machine.
    ASSERT_TRUE(test::spinUntil(
        [&] {
            QProcess focus;
            focus.start("xdotool", {"getwindowfocus", "-f"});
            return focus.waitForFinished(5000) &&
                   focus.readAllStandardOutput().trimmed().toULong() == chromium.window();
        },
        10000))
        << "chromium's window never got the keyboard focus";
    QProcess::execute("xdotool", {"key", "Tab"}); // to the focused window, as typed
    ASSERT_TRUE(test::spinUntil(secureInputActive, 20000))
        << "the page's password field never showed as focused";

    InsertionEngine engine;
    const auto result = engine.insert("Please send the report today.", frontmostApp().bundleId);
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.trace, "accessibility -> Refused\nall mechanisms exhausted\n");
    auto field = accessibility.focusedElement(chromium.pid());
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->characterCount(), 7); // "hunter2" alone
}

} // namespace
} // namespace tavik
