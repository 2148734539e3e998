#pragma once

// What the floating button's desktop tests share: a Tavik ready to dictate a known phrase, the
// button's window found on the screen, where the pointer lands, and one dictation started and
// ended by clicking the button.
#include "platform/defaults_store.h"
#include "tests/support/controller_app_process.h"
#include "tests/support/insertion_target_app.h"
#include "tests/support/recognition_fixtures.h"

#include <QFile>

#include <gtest/gtest.h>

#include "tests/shell/shell_hosts.h" // last: Xlib's macros would clash with Qt's names

#include <cmath>
#include <optional>

namespace tavik::test {

inline const QString orbPhrase = QStringLiteral("The floating button heard every word");

// A speech model that hears `orbPhrase`, the voice-activity model, and settings under which
// only a click (never a pause in the speech) ends a hands-free dictation. Fails the test when
// a piece cannot be made.
inline void prepareOrbDictation() {
    ASSERT_NO_FATAL_FAILURE(installModelsHearing(orbPhrase));
    auto& defaults = platform::DefaultsStore::shared();
    defaults.setBool(QStringLiteral("hasLaunchedBefore"), true);
    defaults.setInt(QStringLiteral("silenceHoldMs"), 10000);
    ASSERT_TRUE(defaults.flush());
}

// The button: the one shown square window of Tavik `side` device pixels wide.
inline std::optional<Window> findOrb(XQuery& x, qint64 pid, int side, int timeoutMs = 10000) {
    std::optional<Window> orb;
    spinUntil(
        [&] {
            for (Window window : x.windowsOf(pid)) {
                if (x.viewable(window) && x.rootGeometry(window).size() == QSize(side, side)) {
                    orb = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return orb;
}

// The desktop a button test runs on: the window manager and tray host, an application that
// holds the keyboard, and Tavik ready to dictate (started with `environment` added) with its
// button on the screen, 74 · `ratio` device pixels wide.
struct OrbDesktop {
    ShellHosts hosts;
    XQuery x;
    InsertionTargetApp target;
    TavikProcess tavik;
    Window orb = None;

    void start(const QProcessEnvironment& environment = {}, double ratio = 1) {
        ASSERT_TRUE(QFile::exists(TavikProcess::program())) << "build the tavik program first";
        ASSERT_NO_FATAL_FAILURE(prepareOrbDictation());
        ASSERT_TRUE(hosts.start()) << hosts.output().toStdString();
        ASSERT_TRUE(x.valid());
        ASSERT_TRUE(target.start()) << target.error().toStdString();
        ASSERT_TRUE(target.activate("field"));
        ASSERT_TRUE(tavik.start(environment));
        ASSERT_TRUE(tavik.waitForLine(QStringLiteral("model ready"), 60000))
            << tavik.output().toStdString();
        const int side = int(std::lround(74 * ratio));
        const std::optional<Window> found = findOrb(x, tavik.processId(), side);
        ASSERT_TRUE(found) << "no " << side << " px floating button on the screen";
        orb = *found;
    }
};

// The window a click at `global` would reach: the pointer is moved there and the X server asked
// which window holds it, through every level of frames (input shapes included).
inline Window windowUnderPointer(XQuery& x, QPoint global) {
    Display* d = x.display();
    const Window root = DefaultRootWindow(d);
    XWarpPointer(d, None, root, 0, 0, 0, 0, global.x(), global.y());
    XSync(d, False);
    Window at = root;
    for (;;) {
        Window rootReturn = None;
        Window child = None;
        int rootX = 0;
        int rootY = 0;
        int winX = 0;
        int winY = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(d, at, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask) ||
            child == None) {
            return at;
        }
        at = child;
    }
}

inline Window focusedWindow(XQuery& x) {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(x.display(), &focus, &revert);
    return focus;
}

// The first three seconds of the speech file: the second click ends the dictation well before
// any pause in it could.
inline std::vector<float> threeSecondsOf(const QString& speechFile) {
    std::vector<float> speech = test::readSamples(speechFile);
    EXPECT_GT(speech.size(), 16000u * 4) << speechFile.toStdString();
    speech.resize(16000 * 3);
    return speech;
}

// Two clicks on the button's centre: a hands-free dictation of `speech` begins and ends, and
// its text reaches `target`, which keeps the keyboard all along.
inline void dictateByClicking(XQuery& x, TavikProcess& tavik, InsertionTargetApp& target,
                              Window orb, const std::vector<float>& speech) {
    const QPoint centre = x.rootGeometry(orb).center();
    clickAt(centre);
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("recording (preroll"), 10000))
        << tavik.output().toStdString();
    { PacedMicrophone microphone(speech); }
    // The pointer is still over the button (xdotool's synced move would wait for a motion that
    // never comes).
    run("xdotool", {"click", "1"});
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("end of utterance (state=recording)"), 10000))
        << tavik.output().toStdString();
    EXPECT_FALSE(tavik.output().contains(QStringLiteral("VAD: end of speech")))
        << "the click, not the end of speech, was to end it";
    EXPECT_TRUE(spinUntil([&] { return target.text().contains(orbPhrase); }, 30000))
        << target.text().toStdString() << "\n"
        << tavik.output().toStdString();
    EXPECT_EQ(x.cardinal(DefaultRootWindow(x.display()), "_NET_ACTIVE_WINDOW", XA_WINDOW),
              target.windowId());
    EXPECT_FALSE(x.windowsOf(tavik.processId()).contains(focusedWindow(x)))
        << "the keyboard focus went to Tavik";
}

} // namespace tavik::test
